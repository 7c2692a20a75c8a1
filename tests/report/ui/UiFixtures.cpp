#include "report/ui/UiFixtures.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace quorvel::report::testing {

namespace {

constexpr double pointsPerMm = 72.0 / 25.4;

/// An EAN-13-like run of bars, 95 modules of 0.33 mm.
Symbol barCode()
{
    Symbol symbol;
    const double module = 0.33 * pointsPerMm;
    symbol.widthPt = 95 * module;
    symbol.heightPt = 14 * pointsPerMm;
    const char* pattern = "10100011010011001001001101111010100011011000101010101000010001001001110010111001011100101";
    double x = 0;
    for (const char* c = pattern; *c; ++c, x += module)
        if (*c == '1')
            symbol.bars.push_back({x, 0, module, symbol.heightPt - 3 * pointsPerMm});
    symbol.captions.push_back({symbol.widthPt / 2, symbol.heightPt, QStringLiteral("7891234567895")});
    symbol.captionFont = 2;
    return symbol;
}

void addLabel(Page& page, double x, double y, int number)
{
    const double w = 70 * pointsPerMm, h = 40 * pointsPerMm;
    page.items.emplace_back(RectItem{x, y, w, h, 0.5, Rgb{}, false, Rgb{}});
    page.items.emplace_back(TextItem{x + 8, y + 16, 1, Rgb{}, 0, QStringLiteral("CAMISETA M/C %1").arg(number)});
    page.items.emplace_back(TextItem{x + 8, y + 28, 0, Rgb{}, 0, QStringLiteral("AZUL  M  REF 1020-3")});
    page.items.emplace_back(TextItem{x + w - 70, y + 28, 1, Rgb{}, 0, QStringLiteral("R$ 39,90")});
    page.items.emplace_back(LineItem{x + 8, y + 33, x + w - 8, y + 33, 0.5, Rgb{}});
    page.items.emplace_back(SymbolItem{x + 8, y + 40, 0});
    page.items.emplace_back(TextItem{x + w - 40, y + h - 6, 0, Rgb{}, 0, QStringLiteral("06/24")});
}

PageDescription emptyDoc()
{
    PageDescription doc;
    doc.title = QStringLiteral("Etiquetas");
    doc.fonts = {FontSpec{QStringLiteral("Arial"), 7, false, false}, FontSpec{QStringLiteral("Arial"), 9, true, false},
                 FontSpec{QStringLiteral("Courier New"), 7, false, false}};
    doc.symbols.push_back(barCode());
    return doc;
}

} // namespace

PageDescription labelPages(int count)
{
    PageDescription doc = emptyDoc();
    doc.pages.reserve(static_cast<std::size_t>(count));
    for (int i = 0; i < count; ++i) {
        Page page;
        page.widthPt = 70 * pointsPerMm;
        page.heightPt = 40 * pointsPerMm;
        addLabel(page, 0, 0, i + 1);
        doc.pages.push_back(std::move(page));
    }
    return doc;
}

PageDescription labelSheets(int count)
{
    PageDescription doc = emptyDoc();
    int number = 1;
    for (int i = 0; i < count; ++i) {
        Page page;   // A4
        for (int row = 0; row < 7; ++row)
            for (int column = 0; column < 3; ++column)
                addLabel(page, (column * 70 + 0) * pointsPerMm, (row * 40 + 8.5) * pointsPerMm, number++);
        doc.pages.push_back(std::move(page));
    }
    return doc;
}

QTimer* whenModal(std::function<void(QWidget*)> answer)
{
    struct Watch
    {
        std::function<void(QWidget*)> answer;
        const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
        QElapsedTimer since;
        bool answered = false;
        QPointer<QWidget> modal;
        QString title;
    };
    auto watch = std::make_shared<Watch>();
    watch->answer = std::move(answer);
    watch->since.start();
    auto* timer = new QTimer(qApp);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, watch] {
        const auto done = [timer] {
            timer->stop();
            timer->deleteLater();
        };
        if (::testing::UnitTest::GetInstance()->current_test_info() != watch->test)
            return done();   // its test has ended
        if (watch->answered) {
            if (!watch->modal || !watch->modal->isVisible())
                return done();
            if (watch->since.elapsed() > kModalWaitMs) {
                ADD_FAILURE() << "watchdog: the modal box \"" << watch->title.toStdString() << "\" is still open "
                              << kModalWaitMs / 1000 << " s after the test answered it";
                watch->modal->close();
                done();
            }
            return;
        }
        if (QWidget* modal = QApplication::activeModalWidget()) {
            watch->answered = true;
            watch->modal = modal;
            watch->title = modal->windowTitle();
            watch->since.restart();
            watch->answer(modal);
            // An answer that stopped at a failed assertion leaves the box open: close it.
            if (::testing::Test::HasFatalFailure() && watch->modal)
                watch->modal->close();
        } else if (watch->since.elapsed() > kModalWaitMs) {
            ADD_FAILURE() << "watchdog: no modal box showed up within " << kModalWaitMs / 1000 << " s";
            done();
        }
    });
    timer->start();
    return timer;
}

std::optional<QString> FakeDialogs::askPage(QWidget*, int currentPage)
{
    pageAskedWith = currentPage;
    return pageAnswer;
}

bool FakeDialogs::runOutputOptions(OutputOptionsDialog& dialog)
{
    return onOutputOptions(dialog);
}

bool FakeDialogs::setupPrinter(QWidget*, QPrinter& printer) { return onSetup(printer); }

std::optional<SaveTarget> FakeDialogs::askSaveFile(QWidget*, const QStringList& filters)
{
    offeredFilters = filters;
    return saveAnswer;
}

std::optional<QString> FakeDialogs::askOpenFile(QWidget*, const QString&) { return openAnswer; }

} // namespace quorvel::report::testing
