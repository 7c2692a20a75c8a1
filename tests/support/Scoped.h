// Process-wide settings a test changes for its own cases and gives back when it ends, so that no
// test's outcome depends on which ran before it.
#pragma once

#include <QLocale>

namespace quorvel::test {

/// The default locale set for the fixture's life; the one before comes back at its end.
class ScopedLocale
{
public:
    /// Keeps the default locale as it is, to be given back at the end.
    ScopedLocale() = default;
    explicit ScopedLocale(const QLocale& locale) { QLocale::setDefault(locale); }
    ~ScopedLocale() { QLocale::setDefault(m_saved); }
    ScopedLocale(const ScopedLocale&) = delete;
    ScopedLocale& operator=(const ScopedLocale&) = delete;

    /// Another locale for the rest of the test; the saved one still comes back.
    void set(const QLocale& locale) { QLocale::setDefault(locale); }

private:
    QLocale m_saved;
};

inline QLocale brazil() { return QLocale(QLocale::Portuguese, QLocale::Brazil); }

} // namespace quorvel::test
