#include "report/outputs/PdfSink.h"

#include "report/outputs/RenderPdf.h"

#include <utility>

namespace quorvel::report {

PdfSink::PdfSink(const RenderPdf& settings, QString path) : m_settings(settings), m_path(std::move(path)) {}

PdfSink::~PdfSink() = default;

void PdfSink::begin(const PageDescription&)
{
    m_stream = std::make_unique<PdfStream>(m_settings, m_path);
}

void PdfSink::add(const PageDescription& doc, const Page& page)
{
    m_stream->add(doc, page);
}

void PdfSink::commit()
{
    m_stream->commit();
    m_stream.reset();
}

void PdfSink::abandon() noexcept
{
    m_stream.reset();
}

std::unique_ptr<PageSink> RenderPdf::sink(const QString& path) const
{
    return std::make_unique<PdfSink>(*this, path);
}

} // namespace quorvel::report
