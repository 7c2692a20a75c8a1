// What quorvel-batch answers when the engine asks: messages and errors go to standard error, the
// lock question is answered Retry while the wait it was given lasts, then Cancel; waits sleep. It has no windows: batch lays pages out through
// the layout itself and never previews.
#pragma once

#include "report/engine/EngineUi.h"

namespace quorvel::batch {

class BatchUi final : public report::EngineUi
{
public:
    /// `echo` false: messages and errors are dropped.
    explicit BatchUi(bool echo = true) : m_echo(echo) {}

    void showMessage(const QString& text) override;
    void showError(const QString& text) override;
    /// How long runs wait for the data-communication lock: whole attempts of the lock's own length
    /// (DataLock::kAttemptMs) as long as they fit in `seconds`, at least the first one.
    void setLockWait(int seconds) { m_lockWaitMs = static_cast<long long>(seconds) * 1000; }
    /// Retry while another attempt fits in the wait, saying once on standard error that it waits.
    bool askRetryLock() override;
    void beginGeneration(const report::ReportSystem&) override {}
    bool setStatus(const QString&) override { return true; }
    bool poll() override { return true; }
    void endGeneration() override {}
    void preview(const report::PageDescription&, report::ReportSystem&, const report::Relayout&) override {}
    void wait(int ms) override;

private:
    bool m_echo;
    long long m_lockWaitMs = 0;
    int m_failedAttempts = 0;
    bool m_saidWaiting = false;
};

} // namespace quorvel::batch
