// A print device backed by QPrinter: a system print queue, or a PDF file through Qt's own
// PDF printer (which makes no copies itself).
#pragma once

#include "report/ui/PrintDevice.h"

namespace quorvel::report {

class PrinterDevice : public PrintDevice
{
public:
    /// The installed printer `printerName`; printing fails when there is no such printer.
    static PrinterDevice queue(const QString& printerName);
    /// Qt's PDF printer writing `path`.
    static PrinterDevice pdfFile(const QString& path);

    bool supportsMultipleCopies() const override;
    void printJob(const PageDescription& doc, const std::vector<std::size_t>& pages, int copies,
                  const QString& jobName) override;

private:
    PrinterDevice(QString printerName, QString pdfPath);
    QString m_printerName;
    QString m_pdfPath;
};

} // namespace quorvel::report
