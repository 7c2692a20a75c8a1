// The PDF writer as a way out of a run: a PDF file written page by page as the pages come.
#pragma once

#include "report/engine/PageSink.h"

#include <QString>

#include <memory>

namespace quorvel::report {

class PdfStream;
class RenderPdf;

class PdfSink final : public PageSink
{
public:
    /// `settings` must outlive the sink. The file appears under `path` at commit only; a name
    /// that cannot be written fails at begin, before any page is made.
    PdfSink(const RenderPdf& settings, QString path);
    ~PdfSink() override;

    void begin(const PageDescription& doc) override;
    void add(const PageDescription& doc, const Page& page) override;
    void commit() override;
    void abandon() noexcept override;
    /// Each code is one form, written with the first page that draws it.
    bool drawsSymbolsOnce() const override { return true; }

private:
    const RenderPdf& m_settings;
    QString m_path;
    std::unique_ptr<PdfStream> m_stream;
};

} // namespace quorvel::report
