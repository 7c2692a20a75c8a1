// What quorvel-batch answers when the engine asks: messages and errors go to standard error, the
// lock question is answered Cancel, waits sleep. It has no windows: batch lays pages out through
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
    bool askRetryLock() override { return false; }
    void beginGeneration(const report::ReportSystem&) override {}
    bool setStatus(const QString&) override { return true; }
    bool poll() override { return true; }
    void endGeneration() override {}
    void preview(const report::PageDescription&, report::ReportSystem&, const report::Relayout&) override {}
    void wait(int ms) override;

private:
    bool m_echo;
};

} // namespace quorvel::batch
