// Times an import of a large label file into the import window (offscreen), from the operator's
// confirmation until the grid shows every row, beside `quorvel-batch list --count` on the same
// file; then times scrolling through the grid.
//
//   window_import_bench [LINES] [noscroll]      default 100000 lines; run from the build folder
#include "app/DbGrid.h"
#include "app/Dialogs.h"
#include "app/TFrmLerEtiqueta.h"
#include "labels/LabelImport.h"
#include "labels/ImportTable.h"
#include "table/Table.h"
#include "table/TableModel.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>
#include <optional>

namespace {

// Confirms the chosen file and every question.
class AnsweringDialogs : public quorvel::app::Dialogs
{
public:
    explicit AnsweringDialogs(QString path) : m_path(std::move(path)) {}
    Button show(const Message& message) override
    {
        std::fprintf(stderr, "box: %s\n", qPrintable(message.text));
        return Button::Yes;
    }
    std::optional<QString> chooseFile(QFileDialog&) override { return m_path; }

private:
    QString m_path;
};

void writeFile(const QString& path, long lines)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        std::perror("open");
        std::exit(1);
    }
    const char* groups[] = {"VESTUARIO", "CAL\xC7" "ADOS", "ACESS\xD3RIOS", "INFANTIL"};
    const char* colours[] = {"AZUL MARINHO ESTONADO", "BRANCO GELO", "ROSA CH\xC1", "CAF\xC9 COM LEITE"};
    QByteArray block;
    for (long i = 0; i < lines; ++i) {
        block += QByteArray("0") + groups[i % 4] + "|CAMISETAS|NORTE|" + colours[(i / 4) % 4] + "|CM-" + QByteArray::number(100000 + i % 900000)
                 + "|BASICA MANGA CURTA|M|" + QByteArray::number(7891000000000LL + i) + "|" + QByteArray::number(10 + i % 490) + ","
                 + QByteArray::number(10 + i % 90) + "|" + QByteArray::number(1 + i % 5) + "|\r\n";
        if (block.size() > (1 << 20)) {
            f.write(block);
            block.clear();
        }
    }
    f.write(block);
}

double batchSeconds(const QString& batch, const QString& path)
{
    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        QElapsedTimer timer;
        timer.start();
        QProcess p;
        p.start(batch, {QStringLiteral("list"), QStringLiteral("--count"), path});
        p.waitForFinished(-1);
        double s = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        if (p.exitCode() != 0)
            std::fprintf(stderr, "quorvel-batch failed: %s\n", p.readAllStandardError().constData());
        if (run == 0)
            std::printf("quorvel-batch list --count: %s", p.readAllStandardOutput().constData());
        best = std::min(best, s);
    }
    return best;
}

} // namespace

int main(int argc, char** argv)
{
    // Prices are written with a comma: read them under Brazilian settings, in here and in children.
    unsetenv("LC_ALL");
    unsetenv("LC_NUMERIC");
    setenv("LANG", "pt_BR.UTF-8", 1);
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    long lines = argc > 1 ? std::atol(argv[1]) : 100000;
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("labels.txt"));
    writeFile(path, lines);

    QString batch = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("quorvel-batch"));
    if (!QFile::exists(batch))
        batch = QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../quorvel-batch"));
    double batchTime = batchSeconds(batch, path);
    bool scrolling = !(argc > 2 && QByteArray(argv[2]) == "noscroll");

    // The same import into a bare import table, in this process: what the window adds is the rest.
    double bare = 1e9;
    for (int run = 0; run < 3; ++run) {
        auto table = quorvel::labels::makeImportTable();
        QElapsedTimer timer;
        timer.start();
        quorvel::labels::importLabelFile(path, *table);
        bare = std::min(bare, static_cast<double>(timer.nsecsElapsed()) / 1e9);
    }

    double best = 1e9;
    for (int run = 0; run < 3; ++run) {
        AnsweringDialogs dialogs(path);
        TFrmLerEtiqueta window(dialogs);
        window.show();
        QCoreApplication::processEvents();
        QElapsedTimer timer;
        timer.start();
        window.btnLocalizaClick();
        while (window.dsEtqTemp->rowCount() < window.cdsEtqTemp->rowCount())
            QCoreApplication::processEvents();
        window.DBGrid1->viewport()->repaint();
        double s = static_cast<double>(timer.nsecsElapsed()) / 1e9;
        best = std::min(best, s);
        if (window.dsEtqTemp->rowCount() != lines)
            std::fprintf(stderr, "grid shows %d rows of %ld\n", window.dsEtqTemp->rowCount(), lines);

        if (run == 0 && scrolling) {
            // Scrolling: a page at a time from top to bottom, each page painted.
            QScrollBar* bar = window.DBGrid1->verticalScrollBar();
            QElapsedTimer scroll;
            scroll.start();
            int pages = 0;
            for (int v = 0; v <= bar->maximum() && pages < 2000; v += bar->pageStep(), ++pages) {
                bar->setValue(v);
                window.DBGrid1->viewport()->repaint();
            }
            std::printf("scrolling: %d pages painted, %.3f ms per page\n", pages,
                        static_cast<double>(scroll.nsecsElapsed()) / 1e6 / pages);
        }
    }
    std::printf("lines: %ld\nquorvel-batch list --count (best of 3): %.3f s\nbare import table, in process (best of 3): %.3f s\n"
                "window import until shown (best of 3): %.3f s\nratio to quorvel-batch: %.2f (goal <= 1.5)\n",
                lines, batchTime, bare, best, best / batchTime);
    return 0;
}
