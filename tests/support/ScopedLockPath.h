// The machine-wide data-communication lock moved to a test's own file for the fixture's life.
#pragma once

#include "report/engine/DataLock.h"

#include <QString>

namespace quorvel::test {

class ScopedLockPath
{
public:
    explicit ScopedLockPath(const QString& path) : m_saved(report::DataLock::path()) { report::DataLock::setPath(path); }
    ~ScopedLockPath() { report::DataLock::setPath(m_saved); }
    ScopedLockPath(const ScopedLockPath&) = delete;
    ScopedLockPath& operator=(const ScopedLockPath&) = delete;

private:
    QString m_saved;
};

} // namespace quorvel::test
