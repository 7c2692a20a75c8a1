// The subcommands of quorvel-batch: each is described once, in its own *Command.cpp, and
// main.cpp lists them in the order --help shows them.
#pragma once

#include <QStringList>

namespace quorvel::batch {

struct Command
{
    const char* name;
    const char* usage;     ///< one line: "list [--count] FILE..."
    const char* summary;   ///< what it does, a few lines
    bool needsGui;         ///< fonts and painting: a QGuiApplication on the offscreen platform
    int (*run)(const QStringList& args);   ///< args after the command name; returns the exit status
};

extern const Command listCommand;
extern const Command expandCommand;
extern const Command checkCommand;
extern const Command printCommand;
extern const Command renderCommand;
extern const Command checkDefinitionCommand;
extern const Command watchCommand;
extern const Command calibrateCommand;

} // namespace quorvel::batch
