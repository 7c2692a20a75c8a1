// Shared main() for tests that need a QApplication: widgets, fonts, painting.
#include <QApplication>

#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // gtest_discover_tests lists the tests at build time: no application is needed for that.
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
