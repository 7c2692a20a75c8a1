// The program as main.cpp builds it, driven like an operator who closes the window while a
// print run is busy. Says on standard output what it saw: "status" each time the status window
// opens, "preview" each time a preview opens, "box <text>" for every box, "closing" when it
// closes the window. Its exit status is the program's.
// Usage: closing_probe generation|lock|question LABELS [LOCK_FILE]
#include "app/MessageBoxDialogs.h"
#include "app/Startup.h"
#include "app/TFrmLerEtiqueta.h"
#include "labels/ImportTable.h"
#include "report/engine/DataLock.h"

#include <QAbstractButton>
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QPushButton>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

void say(const QString& line)
{
    std::printf("%s\n", line.toUtf8().constData());
    std::fflush(stdout);
}

QWidget* shownWindow(const char* name)
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->objectName() == QLatin1String(name) && w->isVisible())
            return w;
    return nullptr;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3)
        return 2;
    const QByteArray phase = argv[1];
    const int labels = std::atoi(argv[2]);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    quorvel::app::setApplicationIdentity();
    if (argc > 3)
        quorvel::report::DataLock::setPath(QString::fromLocal8Bit(argv[3]));
    quorvel::app::MessageBoxDialogs dialogs;

    QPointer<TFrmLerEtiqueta> window;
    QElapsedTimer sinceClick;
    bool statusShown = false, previewShown = false, closing = false;
    QPointer<QMessageBox> lastBox;
    auto close = [&] {
        if (closing || !window)
            return;
        closing = true;
        say(QStringLiteral("closing"));
        window->close();
    };
    QTimer driver;
    driver.setInterval(5);
    QObject::connect(&driver, &QTimer::timeout, [&] {
        QWidget* status = shownWindow("statusWindow");
        if (status && !statusShown)
            say(QStringLiteral("status"));
        statusShown = status != nullptr;
        QWidget* preview = shownWindow("previewWindow");
        if (preview && !previewShown)
            say(QStringLiteral("preview"));
        previewShown = preview != nullptr;

        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (box && box != lastBox) {
            lastBox = box;
            say(QStringLiteral("box ") + box->text());
            if (box->text() == QString::fromUtf8("Confirma a impressão das etiquetas?")) {
                for (QAbstractButton* b : box->buttons())
                    if (box->buttonRole(b) == QMessageBox::YesRole)
                        QTimer::singleShot(0, b, &QAbstractButton::click);
                sinceClick.start();
                return;
            }
        }
        if (phase == "generation" && status) {
            auto* line = status->findChild<QLabel*>(QStringLiteral("statusLine"));
            if (line && line->text().startsWith(QLatin1String("Generating page ")) && line->text() != QLatin1String("Generating page 1"))
                close();
        } else if (phase == "lock" && sinceClick.isValid() && sinceClick.elapsed() > 500) {
            close();
        } else if (phase == "question") {
            if (preview)
                preview->close();
            if (box && box->text() == QLatin1String("Deseja imprimir novamente ?"))
                close();
        }
    });

    return quorvel::app::runApplication(dialogs, [&] {
        auto w = std::make_unique<TFrmLerEtiqueta>(dialogs);
        w->programFolder = QStringLiteral(QUORVEL_BINARY_DIR);
        window = w.get();
        driver.start();
        // After the first show, which empties the list.
        QTimer::singleShot(0, w.get(), [&window, labels] {
            quorvel::labels::LabelItem item{"CAMISETAS", "BASICAS", "MALHA", "CM-204", "AZUL", "NORTE", "2000000012346", "M",
                                            labels, 39.9, std::nullopt};
            window->InsereItem(item);
            window->btnTag_2->click();
        });
        return w;
    });
}
