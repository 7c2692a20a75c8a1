// A bound on one wait of a test: a wait that never ends is the fault, and such a wait need not
// serve events (a modal loop nobody answers, a blocked call), so the watchdog has its own thread.
#pragma once

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>

namespace quorvel::test {

/// Ends the whole test program with status 1 and names `what` on standard error when the object
/// still lives after `ms`.
class Watchdog
{
public:
    static constexpr int kDefaultMs = 60000;

    explicit Watchdog(const char* what, int ms = kDefaultMs)
        : m_thread([this, what, ms] {
              std::unique_lock lock(m_mutex);
              if (!m_done.wait_for(lock, std::chrono::milliseconds(ms), [this] { return m_finished; })) {
                  std::fprintf(stderr, "watchdog: %s did not end within %d s\n", what, ms / 1000);
                  std::fflush(stderr);
                  std::_Exit(1);
              }
          })
    {
    }
    ~Watchdog()
    {
        {
            const std::lock_guard lock(m_mutex);
            m_finished = true;
        }
        m_done.notify_one();
        m_thread.join();
    }
    Watchdog(const Watchdog&) = delete;
    Watchdog& operator=(const Watchdog&) = delete;

private:
    std::mutex m_mutex;
    std::condition_variable m_done;
    bool m_finished = false;
    std::thread m_thread;
};

} // namespace quorvel::test
