#include "PageFiles.h"

#include "report/engine/PageDescription.h"
#include "report/outputs/PngFiles.h"
#include "report/outputs/Snapshot.h"

#include <vector>

namespace quorvel::batch {

bool isPageFileName(const QString& path)
{
    return path.endsWith(QStringLiteral(".pdf"), Qt::CaseInsensitive)
        || path.endsWith(QStringLiteral(".ndr"), Qt::CaseInsensitive);
}

PageFiles::PageFiles(const QString& pngDir, double dpi, const QString& output)
{
    std::vector<report::PageSink*> sinks;
    if (!pngDir.isEmpty()) {
        m_pngs = std::make_unique<report::PngFiles>(pngDir, dpi);
        sinks.push_back(m_pngs.get());
    }
    if (!output.isEmpty()) {
        if (output.endsWith(QStringLiteral(".ndr"), Qt::CaseInsensitive))
            m_file = std::make_unique<report::snapshot::Sink>(output);
        else
            m_file = m_pdf.sink(output);
        sinks.push_back(m_file.get());
    }
    m_all = std::make_unique<report::PageSinks>(std::move(sinks));
}

PageFiles::~PageFiles() = default;

void PageFiles::begin(const report::PageDescription& doc)
{
    m_pages = 0;
    m_all->begin(doc);
}

void PageFiles::add(const report::PageDescription& doc, const report::Page& page)
{
    m_all->add(doc, page);
    ++m_pages;
}

void PageFiles::commit()
{
    m_all->commit();
}

void PageFiles::abandon() noexcept
{
    m_all->abandon();
}

bool PageFiles::drawsSymbolsOnce() const
{
    return m_all->drawsSymbolsOnce();
}

} // namespace quorvel::batch
