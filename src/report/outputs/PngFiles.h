// Pages as PNG pictures, one file a page, drawn by the painter the preview uses.
#pragma once

#include "report/engine/PageSink.h"

#include <QString>

#include <cstddef>

namespace quorvel::report {

class PngFiles final : public PageSink
{
public:
    /// "page-0001.png" and on, at `dpi`, into `dir` (created at begin when missing). Each file is
    /// written as its page comes.
    PngFiles(QString dir, double dpi);

    void begin(const PageDescription& doc) override;
    void add(const PageDescription& doc, const Page& page) override;
    void commit() override {}
    void abandon() noexcept override {}

    std::size_t pages() const { return m_pages; }

private:
    QString m_dir;
    double m_dpi;
    std::size_t m_pages = 0;
};

} // namespace quorvel::report
