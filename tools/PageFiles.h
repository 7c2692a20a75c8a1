// The page files a command writes: PNG pages with --png and a PDF or snapshot with -o, chosen by
// the file's name, all through the outputs' one way in.
#pragma once

#include "report/engine/PageSink.h"
#include "report/outputs/RenderPdf.h"

#include <QString>

#include <cstddef>
#include <memory>
#include <optional>

namespace quorvel::report {
class PngFiles;
}

namespace quorvel::batch {

/// True for a name ending in ".pdf" or ".ndr" (any case).
bool isPageFileName(const QString& path);

/// The pages go to each file named; either name may be empty. Counts the pages it is handed.
class PageFiles final : public report::PageSink
{
public:
    /// `output` names a snapshot (".ndr") or a PDF; check it with isPageFileName first.
    PageFiles(const QString& pngDir, double dpi, const QString& output);
    ~PageFiles() override;

    void begin(const report::PageDescription& doc) override;
    void add(const report::PageDescription& doc, const report::Page& page) override;
    void commit() override;
    void abandon() noexcept override;
    bool drawsSymbolsOnce() const override;

    std::size_t pages() const { return m_pages; }

private:
    report::RenderPdf m_pdf;
    std::unique_ptr<report::PngFiles> m_pngs;
    std::unique_ptr<report::PageSink> m_file;
    std::unique_ptr<report::PageSinks> m_all;
    std::size_t m_pages = 0;
};

} // namespace quorvel::batch
