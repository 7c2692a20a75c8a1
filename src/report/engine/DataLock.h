// The machine-wide data-communication lock: an flock on a fixed file in the temporary folder,
// so a holder that crashes never blocks anyone. Inside the process takes are counted and
// never block the process against itself.
#pragma once

#include <QString>

namespace quorvel::report {

class EngineUi;

class DataLock
{
public:
    /// How long one attempt of a run waits for the lock before the Retry/Cancel question.
    static constexpr int kAttemptMs = 5000;

    /// The lock file every Quorvel process on the machine shares.
    static QString defaultPath();
    /// For tests: another lock file (takes effect while the process holds no take).
    static void setPath(const QString& path);
    static QString path();

    /// Takes the lock (or counts one more take). Each attempt waits up to `attemptMs`, polling
    /// through `ui.wait`; after a failed attempt `ui.askRetryLock()` decides. False on Cancel, and
    /// at once when `ui` is abandoned.
    /// Fails only when the lock file cannot be created.
    static bool acquire(EngineUi& ui, int attemptMs);
    /// One take less; the last one unlocks.
    static void release();
    /// Takes held by this process.
    static int depth();
};

/// Holds one take from a successful acquire until it goes out of scope.
class DataLockHold
{
public:
    DataLockHold() = default;
    ~DataLockHold() { reset(); }
    DataLockHold(const DataLockHold&) = delete;
    DataLockHold& operator=(const DataLockHold&) = delete;

    bool acquire(EngineUi& ui, int attemptMs) { return m_held = DataLock::acquire(ui, attemptMs); }
    void reset()
    {
        if (m_held)
            DataLock::release();
        m_held = false;
    }

private:
    bool m_held = false;
};

} // namespace quorvel::report
