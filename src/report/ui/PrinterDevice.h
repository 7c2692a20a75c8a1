// A print device backed by Qt's own PDF printer, writing a PDF file (it makes no copies itself).
// System print queues are CupsDevice.
#pragma once

#include "report/cups/PrintDevice.h"

namespace quorvel::report {

class PrinterDevice : public PrintDevice
{
public:
    /// Qt's PDF printer writing `path`.
    static PrinterDevice pdfFile(const QString& path);

    bool supportsMultipleCopies() const override;
    std::unique_ptr<PageSink> job(const QString& jobName, int copies) override;

private:
    explicit PrinterDevice(QString pdfPath);
    QString m_pdfPath;
};

} // namespace quorvel::report
