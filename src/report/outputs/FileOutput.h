// File outputs, offered by the preview's Save As and taken by quorvel-batch. Whoever opens the preview hands it its outputs
// in creation order; an active one is listed among the save choices.
#pragma once

#include <QString>

#include <memory>

namespace quorvel::report {

struct PageDescription;
class PageSink;

class FileOutput
{
public:
    FileOutput() = default;
    virtual ~FileOutput() = default;
    FileOutput(const FileOutput&) = delete;
    FileOutput& operator=(const FileOutput&) = delete;

    virtual QString displayName() const = 0;     ///< "Adobe Acrobat (PDF)"
    virtual QString fileExtension() const = 0;   ///< "*.pdf"
    bool isActive() const { return m_active; }
    void setActive(bool active) { m_active = active; }

    /// Writes the pages to `path`, never leaving a half-written file under that name.
    /// Fails with "Cannot create file \"<full path>\". <system error text>".
    virtual void write(const PageDescription& pages, const QString& path) const = 0;
    /// The way out to a file at `path`, for a run to hand its pages to as they come; the file
    /// appears at commit only. By default the pages are held and written at commit; an output
    /// that can write as they come does so, and fails at begin for a name it cannot write.
    virtual std::unique_ptr<PageSink> sink(const QString& path) const;

private:
    bool m_active = true;
};

} // namespace quorvel::report
