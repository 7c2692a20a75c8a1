// The subcommands of quorvel-batch. Each command's source registers itself, so adding a
// command never touches the dispatcher.
#pragma once

#include <QStringList>

#include <vector>

namespace quorvel::batch {

struct Command
{
    const char* name;
    const char* usage;     ///< one line: "list [--count] FILE..."
    const char* summary;   ///< what it does, a few lines
    bool needsGui;         ///< fonts and painting: a QGuiApplication on the offscreen platform
    int (*run)(const QStringList& args);   ///< args after the command name; returns the exit status
};

const std::vector<Command>& commands();

struct Registrar
{
    explicit Registrar(const Command& command);
};

} // namespace quorvel::batch
