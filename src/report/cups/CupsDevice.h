// A CUPS print queue as a print device: each job is the PDF our own writer makes, handed to
// CUPS through libcups with options that keep each page as the definition lays it out.
#pragma once

#include "report/outputs/RenderPdf.h"
#include "report/cups/PrintDevice.h"

namespace quorvel::report {

/// The resolution `queue` prints at unless told otherwise, from its driver, in dpi; 0 when the
/// queue is unknown or its driver does not say.
int queueResolution(const QString& queue);

class CupsDevice : public PrintDevice
{
public:
    /// The queue `queueName`; printing fails when the print system has no such queue.
    explicit CupsDevice(QString queueName);

    /// Whether the queue makes copies itself (CUPS's "copies-supported" goes above 1).
    bool supportsMultipleCopies() const override;
    /// Fails with "The printer \"<name>\" cannot be used" (and CUPS's reason when it gave one),
    /// or "No printers installed!" without a name. Pages of different sizes go out as one CUPS
    /// job for each run of pages of the same size, each at its size. Pages move by the document's
    /// offset for this queue (PageDescription::queueOffsets), rounded to whole dots of the job's
    /// resolution; the saved choices of the queue's driver options go with each job.
    std::unique_ptr<PageSink> job(const QString& jobName, int copies) override;

    /// The ids CUPS gave the jobs sent so far, in order.
    const std::vector<int>& jobIds() const { return m_jobIds; }
    const QString& queue() const { return m_queue; }

    /// Fails as a job would when the queue does not exist, and with "The printer \"<name>\"
    /// cannot be used: it is stopped" (and the queue's own message) when it would hold a job.
    void checkReady() const;

    /// Whether the queue has, among this user's jobs it still remembers, one named `jobName`
    /// that was handed over whole: pending, printing, stopped with the printer or completed.
    /// A job of that name whose sender never finished it (held) is cancelled and does not
    /// count, nor do cancelled or aborted ones. Fails when the print system cannot be asked.
    bool hasJobNamed(const QString& jobName) const;

private:
    QString m_queue;
    RenderPdf m_pdf;
    std::vector<int> m_jobIds;
};

} // namespace quorvel::report
