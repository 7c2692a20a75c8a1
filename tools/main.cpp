// quorvel-batch: the headless side of Quorvel, for automation and for checking definitions.
#include "Command.h"

#include "table/Failure.h"

#include <QCoreApplication>
#include <QGuiApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace {

using quorvel::batch::Command;

// The commands in the order --help lists them: from reading a file to printing it, then the
// definition check.
const Command* const kCommands[] = {
    &quorvel::batch::listCommand,   &quorvel::batch::expandCommand, &quorvel::batch::checkCommand,
    &quorvel::batch::printCommand,  &quorvel::batch::watchCommand,  &quorvel::batch::calibrateCommand,
    &quorvel::batch::renderCommand, &quorvel::batch::checkDefinitionCommand,
};

// Standard error carries our messages alone; Qt's note about a missing XDG_RUNTIME_DIR (usual
// for services and cron jobs) would read as part of them.
void filterQtMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths:")))
        return;
    std::fprintf(stderr, "%s\n", message.toLocal8Bit().constData());
}

void printHelp(std::FILE* out)
{
    std::fprintf(out,
                 "Usage: quorvel-batch COMMAND [OPTIONS] ...\n"
                 "The headless side of Quorvel: reads label files under the regional settings of the\n"
                 "environment (LANG, LC_ALL) and runs reports without a window.\n\nCommands:\n");
    for (const Command* c : kCommands)
        std::fprintf(out, "  quorvel-batch %s\n      %s\n", c->usage, c->summary);
    std::fprintf(out,
                 "\n  quorvel-batch --help       the commands and their usage (this text)\n"
                 "  quorvel-batch --version    the program's name and version\n");
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0) {
        printHelp(argc < 2 ? stderr : stdout);
        return argc < 2 ? 2 : 0;
    }
    if (std::strcmp(argv[1], "--version") == 0) {
        std::printf("quorvel-batch (Quorvel) %s\n", QUORVEL_VERSION);
        return 0;
    }
    const Command* command = nullptr;
    for (const Command* c : kCommands)
        if (std::strcmp(c->name, argv[1]) == 0)
            command = c;
    if (!command) {
        std::fprintf(stderr, "quorvel-batch: unknown command '%s'\n\n", argv[1]);
        printHelp(stderr);
        return 2;
    }
    // A command's own --help needs no application: its usage and what it does, nothing run.
    for (int i = 2; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::printf("Usage: quorvel-batch %s\n      %s\n", command->usage, command->summary);
            return 0;
        }
    }
    qInstallMessageHandler(filterQtMessages);
    std::unique_ptr<QCoreApplication> app;
    if (command->needsGui) {
        if (!std::getenv("QT_QPA_PLATFORM"))
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
        app = std::make_unique<QGuiApplication>(argc, argv);
    } else {
        app = std::make_unique<QCoreApplication>(argc, argv);
    }
    QStringList args = QCoreApplication::arguments().mid(2);
    try {
        return command->run(args);
    } catch (const quorvel::Failure& f) {
        std::fprintf(stderr, "%s\n", f.message().toUtf8().constData());
        return 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "quorvel-batch: %s\n", e.what());
        return 1;
    }
}
