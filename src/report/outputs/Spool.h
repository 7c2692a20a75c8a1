// Bytes parked on disk while a document is being built and read back once when it is saved, so
// a run's page contents never have to fit in memory. Appends are buffered; reads go through a
// window that suits reading back in about the order of writing.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::report {

class Spool
{
public:
    /// An unnamed temporary file in the system's temporary folder. `what` names the document in
    /// failures: "Cannot write the PDF file \"<what>\": ...".
    explicit Spool(QString what);
    ~Spool();
    Spool(const Spool&) = delete;
    Spool& operator=(const Spool&) = delete;

    /// Appends `size` bytes and returns where they start. Fails with a clear text when the
    /// temporary folder is full.
    std::uint64_t append(const char* data, std::size_t size);

    /// Copies `size` bytes from `at`; false (the error kept for failure()) when they cannot be read.
    /// Never throws: the caller decides when a failed read ends the save.
    bool read(std::uint64_t at, char* to, std::size_t size) noexcept;

    /// True once a read failed; fail() then throws what went wrong.
    bool failed() const { return m_error != 0; }
    /// The failure a false read stands for.
    [[noreturn]] void fail() const;

private:
    void writeOut();

    QString m_what;
    int m_fd = -1;
    std::string m_pending;            ///< appended, not yet in the file
    std::uint64_t m_written = 0;      ///< bytes in the file
    std::vector<char> m_window;       ///< file bytes from m_windowAt
    std::uint64_t m_windowAt = 0;
    std::size_t m_windowSize = 0;
    int m_error = 0;
};

} // namespace quorvel::report
