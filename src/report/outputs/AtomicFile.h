// A file written under a temporary name beside its final one and renamed into place only
// when complete, so a failed save never leaves a half-written file under the chosen name.
#pragma once

#include <QString>

#include <cstddef>
#include <cstdint>

namespace quorvel::report {

class AtomicFile
{
public:
    /// Creates the temporary file. Fails with "Cannot create file \"<full path>\". <system text>"
    /// when the final file could not be created (missing or unwritable folder, read-only file).
    explicit AtomicFile(const QString& path);
    /// Removes the temporary file unless it was committed.
    ~AtomicFile();
    AtomicFile(const AtomicFile&) = delete;
    AtomicFile& operator=(const AtomicFile&) = delete;

    QString finalPath() const { return m_finalPath; }
    QString tempPath() const { return m_tempPath; }
    /// The open descriptor of the temporary file; -1 after closeDescriptor().
    int descriptor() const { return m_fd; }
    /// Closes the descriptor, for writers that reopen the temporary file by name.
    void closeDescriptor();

    /// Writes all of `size` bytes; fails with the create text and the system's error text.
    void write(const char* data, std::size_t size);

    /// Overwrites bytes already written, at `offset` from the start of the file.
    void writeAt(std::uint64_t offset, const char* data, std::size_t size);

    /// Flushes to disk and renames the temporary file over the final one.
    void commit();

    /// The failure for this file with the system's text for `error` (an errno value).
    [[noreturn]] void fail(int error) const;

private:
    QString m_finalPath;
    QString m_tempPath;
    int m_fd = -1;
    bool m_committed = false;
};

} // namespace quorvel::report
