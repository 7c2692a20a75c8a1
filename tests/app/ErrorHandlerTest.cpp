// The default error handler's texts, the fatal start-up box, start-up and end of the program,
// the picture decoder and where the window opens.
#include "FakeDialogs.h"

#include "app/ErrorHandler.h"
#include "app/JpegImage.h"
#include "app/Startup.h"
#include "app/TFrmLerEtiqueta.h"
#include "app/WindowPlacement.h"
#include "table/Failure.h"
#include "table/Table.h"
#include "support/Watchdog.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QScreen>
#include <QTest>
#include <QRegularExpression>
#include <QTimer>

#include <gtest/gtest.h>

#include <stdexcept>

static void initResources()
{
    Q_INIT_RESOURCE(quorvel);
}

namespace quorvel::app::test {
namespace {

struct StopCase
{
    const char* name;
    const char* message;
    const char* shown;
};

void PrintTo(const StopCase& c, std::ostream* os) { *os << c.name; }

class ErrorBoxText : public ::testing::TestWithParam<StopCase>
{
};

TEST_P(ErrorBoxText, FullStopOnlyAfterCharactersBeyondTheFullStop)
{
    EXPECT_EQ(errorBoxText(QString::fromUtf8(GetParam().message)), QString::fromUtf8(GetParam().shown));
}

INSTANTIATE_TEST_SUITE_P(
    Rule, ErrorBoxText,
    ::testing::Values(StopCase{"Letter", "Field 'GRIFFE' must have a value", "Field 'GRIFFE' must have a value."},
                      StopCase{"QuestionMark", "Really?", "Really?."}, StopCase{"Exclamation", "Stop!", "Stop!"},
                      StopCase{"ClosingParenthesis", "(code 5)", "(code 5)"}, StopCase{"FullStop", "Done.", "Done."},
                      StopCase{"Slash", "a/", "a/."}, StopCase{"Minus", "a-", "a-"}, StopCase{"Blank", "a ", "a "},
                      StopCase{"Digit", "I/O error 32", "I/O error 32."}, StopCase{"Accented", "Não", "Não."},
                      StopCase{"Empty", "", ""}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(ErrorHandler, ShowsFailuresInTheStopBoxAndNothingForASilentAbort)
{
    FakeDialogs dialogs;
    ErrorHandler handler(dialogs);
    handler.guarded([] { throw SilentAbort(); });
    EXPECT_TRUE(dialogs.shown.empty());

    dialogs.answers.push_back(Dialogs::Button::Ok);
    handler.guarded([] { throw Failure("I/O error 32"); });
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].caption, "Zelvora");
    EXPECT_EQ(dialogs.shown[0].icon, Dialogs::Icon::Critical);
    EXPECT_EQ(dialogs.shown[0].text, "I/O error 32.");
    ASSERT_EQ(dialogs.shown[0].buttons.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].buttons[0].text, "OK");

    dialogs.answers.push_back(Dialogs::Button::Ok);
    handler.guarded([] { throw std::runtime_error("out of luck"); });
    EXPECT_EQ(dialogs.shown.back().text, "out of luck.");
}

TEST(ApplicationError, NamesKindModulePositionAndText)
{
    QString text = applicationErrorText("Failure", "quorvel", 0x1A2B, "Cannot load the table service");
    EXPECT_EQ(text, "Exception Failure in module quorvel at 00001A2B.\r\nCannot load the table service.\r\n");
    EXPECT_EQ(applicationErrorText("Failure", "quorvel", 0, "Ends here."),
              "Exception Failure in module quorvel at 00000000.\r\nEnds here.\r\n");
}

TEST(Startup, FailureWhileBuildingShowsTheFatalBoxAndEndsWithStatusOne)
{
    FakeDialogs dialogs;
    dialogs.answers.push_back(Dialogs::Button::Ok);
    int status = runApplication(dialogs, []() -> std::unique_ptr<QWidget> { throw Failure("Table service missing"); });
    EXPECT_EQ(status, 1);
    ASSERT_EQ(dialogs.shown.size(), 1u);
    EXPECT_EQ(dialogs.shown[0].caption, "Application Error");
    EXPECT_EQ(dialogs.shown[0].icon, Dialogs::Icon::Critical);
    QRegularExpression pattern("^Exception Failure in module \\S+ at [0-9A-F]{8}\\.\\r\\nTable service missing\\.\\r\\n$");
    EXPECT_TRUE(pattern.match(dialogs.shown[0].text).hasMatch()) << dialogs.shown[0].text.toStdString();
}

TEST(Startup, ClosingTheWindowWithRowsEndsAtOnceWithStatusZero)
{
    FakeDialogs dialogs;
    TFrmLerEtiqueta* shown = nullptr;
    QTimer::singleShot(0, [&] {
        ASSERT_NE(shown, nullptr);
        shown->cdsEtqTemp->append();
        shown->cdsEtqTemp->setText(0, "X");
        shown->close();
    });
    const quorvel::test::Watchdog watchdog("the program's event loop");
    int status = runApplication(dialogs, [&] {
        auto window = std::make_unique<TFrmLerEtiqueta>(dialogs);
        shown = window.get();
        return window;
    });
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(dialogs.shown.empty()) << "no question on closing";
}

TEST(Jpeg, DecodesTheProgramsPicture)
{
    initResources();
    QFile file(":/quorvel/foto.jpg");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    QImage image = decodeJpeg(file.readAll());
    EXPECT_EQ(image.size(), QSize(564, 332));
    // The sky at the top left is blue, the label in the middle is near white.
    QColor sky = image.pixelColor(5, 5);
    EXPECT_GT(sky.blue(), sky.red());
    QColor label = image.pixelColor(200, 100);
    EXPECT_GT(label.red(), 200);
}

TEST(Jpeg, DataThatIsNoJpegFailsWithLibjpegsComplaint)
{
    try {
        decodeJpeg(QByteArray("certainly not a picture"));
        FAIL() << "no failure";
    } catch (const Failure& f) {
        EXPECT_TRUE(f.message().startsWith("JPEG: ")) << f.message().toStdString();
        EXPECT_GT(f.message().size(), 8);
    }
    QFile file(":/quorvel/foto.jpg");
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_THROW(decodeJpeg(file.readAll().left(2000)), Failure) << "a cut-off file";
}

struct PlaceCase
{
    const char* name;
    QRect screen;
    QSize outer;
    QPoint expected;
};

class Placement : public ::testing::TestWithParam<PlaceCase>
{
};

TEST_P(Placement, CentredButNeverOffTheTopLeft)
{
    EXPECT_EQ(centredPosition(GetParam().screen, GetParam().outer), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, Placement,
    ::testing::Values(PlaceCase{"Wide", {0, 0, 1280, 800}, {761, 574}, {259, 113}},
                      PlaceCase{"OddRemainderRoundsDown", {0, 0, 1025, 769}, {760, 572}, {132, 98}},
                      PlaceCase{"Narrow", {0, 0, 640, 800}, {761, 574}, {0, 113}},
                      PlaceCase{"Low", {0, 0, 1280, 480}, {761, 574}, {259, 0}},
                      PlaceCase{"ScreenNotAtOrigin", {1920, 0, 1280, 800}, {761, 574}, {2179, 113}}),
    [](const auto& row) { return std::string(row.param.name); });

// Under a window manager the frame is known only once the window is mapped: the window is
// centred again then.
TEST(Startup, WindowOpensCentredOnItsOuterSize)
{
    FakeDialogs dialogs;
    TFrmLerEtiqueta window(dialogs);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    auto centred = [&] { return window.frameGeometry().topLeft() == centredPosition(screen, window.frameGeometry().size()); };
    EXPECT_TRUE(QTest::qWaitFor(centred, 5000)) << "frame at " << window.frameGeometry().x() << "," << window.frameGeometry().y()
                                                << " size " << window.frameGeometry().width() << "x" << window.frameGeometry().height();
    EXPECT_EQ(window.size(), QSize(753, 545));
}

// Docks and task switchers find the desktop entry through the window's class and show its
// name: both are the application title, while the title bar shows the window caption.
TEST(Startup, DesktopEntryAndWindowClassNameTheApplicationTitle)
{
    QFile file(QStringLiteral(QUORVEL_SOURCE_DIR "/src/app/quorvel.desktop"));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly | QIODevice::Text));
    QHash<QString, QString> entry;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const qsizetype eq = line.indexOf('=');
        if (eq > 0)
            entry.insert(QString::fromUtf8(line.left(eq)), QString::fromUtf8(line.mid(eq + 1)));
    }
    const QString before = QCoreApplication::applicationName();
    setApplicationIdentity();
    EXPECT_EQ(entry.value(QStringLiteral("Name")), QString::fromLatin1(kApplicationTitle));
    EXPECT_EQ(entry.value(QStringLiteral("StartupWMClass")), QCoreApplication::applicationName());
    EXPECT_EQ(QGuiApplication::desktopFileName() + QStringLiteral(".desktop"), QFileInfo(file).fileName());
    FakeDialogs dialogs;
    TFrmLerEtiqueta window(dialogs);
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Quorvel"));
    QCoreApplication::setApplicationName(before);
}

} // namespace
} // namespace quorvel::app::test
