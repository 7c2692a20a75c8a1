// Shared main() for tests without a QApplication.
#include "support/PrivateTempFolder.h"
#include "support/TestWatchdog.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    if (::testing::GTEST_FLAG(list_tests))
        return RUN_ALL_TESTS();
    const quorvel::test::PrivateTempFolder temp;
    ::testing::UnitTest::GetInstance()->listeners().Append(new quorvel::test::TestWatchdog);
    return RUN_ALL_TESTS();
}
