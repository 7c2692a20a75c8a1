// The last bound on every test's waits, installed by the shared main()s: a test still running
// after kTestLimitSeconds is named on standard error and its program ends with status 1. The
// waits inside the tests have bounds of their own, well below it; ctest's TIMEOUT is later still.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>

namespace quorvel::test {

class TestWatchdog : public ::testing::EmptyTestEventListener
{
public:
    static constexpr int kTestLimitSeconds = 280;

    TestWatchdog() : m_thread([this] { watch(); }) {}
    ~TestWatchdog() override
    {
        {
            const std::lock_guard lock(m_mutex);
            m_quit = true;
        }
        m_changed.notify_all();
        m_thread.join();
    }
    TestWatchdog(const TestWatchdog&) = delete;
    TestWatchdog& operator=(const TestWatchdog&) = delete;

    void OnTestStart(const ::testing::TestInfo& test) override
    {
        {
            const std::lock_guard lock(m_mutex);
            m_test = std::string(test.test_suite_name()) + '.' + test.name();
            ++m_generation;
        }
        m_changed.notify_all();
    }
    void OnTestEnd(const ::testing::TestInfo&) override
    {
        {
            const std::lock_guard lock(m_mutex);
            m_test.clear();
            ++m_generation;
        }
        m_changed.notify_all();
    }

private:
    void watch()
    {
        std::unique_lock lock(m_mutex);
        while (!m_quit) {
            if (m_test.empty()) {
                m_changed.wait(lock);
                continue;
            }
            const unsigned generation = m_generation;
            const bool moved = m_changed.wait_for(lock, std::chrono::seconds(kTestLimitSeconds),
                                                  [&] { return m_quit || m_generation != generation; });
            if (!moved) {
                std::fprintf(stderr, "\nwatchdog: %s is still running after %d s: one of its waits never ended\n",
                             m_test.c_str(), kTestLimitSeconds);
                std::fflush(stderr);
                ::_exit(1);
            }
        }
    }

    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::string m_test;
    unsigned m_generation = 0;
    bool m_quit = false;
    std::thread m_thread;
};

} // namespace quorvel::test
