// Shared main() for tests that need a QApplication: widgets, fonts, painting.
#include "support/PrivateTempFolder.h"
#include "support/TestWatchdog.h"

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
    const quorvel::test::PrivateTempFolder temp;
    QApplication app(argc, argv);
    ::testing::UnitTest::GetInstance()->listeners().Append(new quorvel::test::TestWatchdog);
    return RUN_ALL_TESTS();
}
