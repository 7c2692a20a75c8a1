#include "app/Startup.h"

#include "app/Dialogs.h"
#include "app/ErrorHandler.h"
#include "table/Failure.h"

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include <dlfcn.h>

static void initResources()
{
    Q_INIT_RESOURCE(quorvel);
}

namespace quorvel::app {

namespace {

// Where in the program file the start-up code lies, standing for the failure's position.
quintptr codeOffset()
{
    Dl_info info{};
    auto* here = reinterpret_cast<void*>(&runApplication);
    if (dladdr(here, &info) == 0 || !info.dli_fbase)
        return 0;
    return reinterpret_cast<quintptr>(here) - reinterpret_cast<quintptr>(info.dli_fbase);
}

QString failureText(std::exception_ptr failure, QString& kind)
{
    try {
        std::rethrow_exception(failure);
    } catch (const Failure& f) {
        kind = failureKindName(f);
        return f.message();
    } catch (const std::exception& e) {
        kind = failureKindName(e);
        return QString::fromLocal8Bit(e.what());
    } catch (...) {
        kind = QStringLiteral("Exception");
        return QStringLiteral("Unknown failure");
    }
}

} // namespace

void setApplicationIdentity()
{
    initResources();
    // The application name is the class of the window (WM_CLASS "quorvel", "Zelvora"), which the
    // desktop entry's StartupWMClass names: docks and task switchers show the entry's Name.
    // No display name is set: Qt would append it to every title bar.
    QCoreApplication::setApplicationName(QString::fromLatin1(kApplicationTitle));
    QCoreApplication::setApplicationVersion(QStringLiteral(QUORVEL_VERSION));
    QGuiApplication::setDesktopFileName(QStringLiteral("quorvel"));
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128})
        icon.addFile(QStringLiteral(":/quorvel/icons/quorvel-%1.png").arg(size), QSize(size, size));
    QApplication::setWindowIcon(icon);
}

std::unique_ptr<QTranslator> installQtTranslations(const QLocale& locale)
{
    auto translator = std::make_unique<QTranslator>();
    if (!translator->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        return nullptr;
    QCoreApplication::installTranslator(translator.get());
    return translator;
}

int runApplication(Dialogs& dialogs, const std::function<std::unique_ptr<QWidget>()>& build)
{
    std::unique_ptr<QWidget> window;
    try {
        window = build();
    } catch (...) {
        QString kind;
        QString text = failureText(std::current_exception(), kind);
        QString module = QFileInfo(QCoreApplication::applicationFilePath()).fileName();
        dialogs.show(Dialogs::applicationError(applicationErrorText(kind, module, codeOffset(), text)));
        return 1;
    }
    window->show();
    return QApplication::exec();
}

} // namespace quorvel::app
