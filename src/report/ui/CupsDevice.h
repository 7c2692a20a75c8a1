// A CUPS print queue as a print device: each job is the PDF our own writer makes, handed to
// CUPS through libcups with options that keep each page as the definition lays it out.
#pragma once

#include "report/outputs/RenderPdf.h"
#include "report/ui/PrintDevice.h"

namespace quorvel::report {

class ReportSystem;

/// The resolution `queue` prints at unless told otherwise, from its driver, in dpi; 0 when the
/// queue is unknown or its driver does not say.
int queueResolution(const QString& queue);
/// The resolution of the printer a run's output options start with: the one chosen through
/// "&Setup", else the system's default printer; 0 when there is none or its driver does not say.
int printerResolution(const ReportSystem& system);

class CupsDevice : public PrintDevice
{
public:
    /// The queue `queueName`; printing fails when the print system has no such queue.
    explicit CupsDevice(QString queueName);

    /// Whether the queue makes copies itself (CUPS's "copies-supported" goes above 1).
    bool supportsMultipleCopies() const override;
    /// Fails with "The printer \"<name>\" cannot be used" (and CUPS's reason when it gave one),
    /// or "No printers installed!" without a name. Pages of different sizes go out as one CUPS
    /// job for each run of pages of the same size, each at its size.
    std::unique_ptr<PageSink> job(const QString& jobName, int copies) override;

    /// The ids CUPS gave the jobs sent so far, in order.
    const std::vector<int>& jobIds() const { return m_jobIds; }

private:
    QString m_queue;
    RenderPdf m_pdf;
    std::vector<int> m_jobIds;
};

} // namespace quorvel::report
