// Snapshot files (*.ndr): a page description saved as it is, to reopen, print or save as PDF.
#pragma once

#include "report/engine/PageDescription.h"
#include "report/engine/PageSink.h"

#include <QString>

#include <memory>

namespace quorvel::report {

class AtomicFile;

namespace snapshot {

/// A snapshot file written as a run hands its pages over. The pages wait in a temporary file
/// until commit writes the file, so a run of any size holds no page. Nothing appears under the
/// name unless commit succeeds; a name that cannot be written fails at begin, with the create
/// text of write.
class Sink final : public PageSink
{
public:
    explicit Sink(QString path);
    ~Sink() override;

    void begin(const PageDescription& doc) override;
    void add(const PageDescription& doc, const Page& page) override;
    void commit() override;
    void abandon() noexcept override;

private:
    struct Parked;
    QString m_path;
    std::unique_ptr<AtomicFile> m_file;
    std::unique_ptr<Parked> m_parked;
    PageDescription m_doc;   // title, settings and tables; no pages
};

/// Fails with "Cannot create file ..." and never leaves a partial file under `path`.
void write(const PageDescription& pages, const QString& path);
/// Fails with a clear message for a missing, damaged or foreign file; never crashes.
PageDescription read(const QString& path);

} // namespace snapshot
} // namespace quorvel::report
