#include "report/ui/CupsDevice.h"

#include "report/engine/PageDescription.h"
#include "report/engine/ReportSystem.h"
#include "report/ui/CupsOptions.h"
#include "table/Failure.h"

#include <QFile>
#include <QPrinterInfo>
#include <QTemporaryFile>

#include <cups/cups.h>

#include <memory>

namespace quorvel::report {

namespace {

struct DestDeleter
{
    void operator()(cups_dest_t* dest) const { cupsFreeDests(1, dest); }
};
using Dest = std::unique_ptr<cups_dest_t, DestDeleter>;

struct DestInfoDeleter
{
    void operator()(cups_dinfo_t* info) const { cupsFreeDestInfo(info); }
};

class Options
{
public:
    explicit Options(const JobOptions& options)
    {
        for (const auto& [name, value] : options)
            m_count = cupsAddOption(name.constData(), value.constData(), m_count, &m_options);
    }
    ~Options() { cupsFreeOptions(m_count, m_options); }
    Options(const Options&) = delete;
    Options& operator=(const Options&) = delete;
    int count() const { return m_count; }
    cups_option_t* get() const { return m_options; }

private:
    int m_count = 0;
    cups_option_t* m_options = nullptr;
};

QString unusable(const QString& name, const char* reason = nullptr)
{
    if (name.isEmpty())
        return QStringLiteral("No printers installed!");
    QString text = QStringLiteral("The printer \"%1\" cannot be used").arg(name);
    if (reason && *reason)
        text += QStringLiteral(": ") + QString::fromUtf8(reason);
    return text;
}

Dest namedDest(const QString& queue)
{
    if (queue.isEmpty())
        return {};
    return Dest(cupsGetNamedDest(CUPS_HTTP_DEFAULT, queue.toUtf8().constData(), nullptr));
}

/// The queue's PPD as the scheduler serves it; empty for a queue without one.
QByteArray queuePpd(const QString& queue)
{
    QTemporaryFile file;
    if (!file.open())
        return {};
    const QByteArray resource = "/printers/" + queue.toUtf8() + ".ppd";
    if (cupsGetFd(CUPS_HTTP_DEFAULT, resource.constData(), file.handle()) != HTTP_STATUS_OK)
        return {};
    QFile ppd(file.fileName());
    return ppd.open(QIODevice::ReadOnly) ? ppd.readAll() : QByteArray();
}

/// Ends a started job that could not be completed, so it does not wait in the queue.
class JobGuard
{
public:
    JobGuard(const QByteArray& queue, int id) : m_queue(queue), m_id(id) {}
    ~JobGuard()
    {
        if (m_id > 0)
            cupsCancelJob2(CUPS_HTTP_DEFAULT, m_queue.constData(), m_id, 0);
    }
    JobGuard(const JobGuard&) = delete;
    JobGuard& operator=(const JobGuard&) = delete;
    void release() { m_id = 0; }

private:
    QByteArray m_queue;
    int m_id;
};

} // namespace

int queueResolution(const QString& queue)
{
    if (queue.isEmpty())
        return 0;
    return parsePpd(queuePpd(queue)).defaultResolution;
}

int printerResolution(const ReportSystem& system)
{
    return queueResolution(system.printerName.isEmpty() ? QPrinterInfo::defaultPrinterName() : system.printerName);
}

CupsDevice::CupsDevice(QString queueName)
    : m_queue(std::move(queueName))
{
    m_pdf.setActive(false);   // the print path's writer is no save choice
}

bool CupsDevice::supportsMultipleCopies() const
{
    const Dest dest = namedDest(m_queue);
    if (!dest)
        return false;   // printJob reports the printer
    const std::unique_ptr<cups_dinfo_t, DestInfoDeleter> info(cupsCopyDestInfo(CUPS_HTTP_DEFAULT, dest.get()));
    if (!info)
        return false;
    ipp_attribute_t* copies = cupsFindDestSupported(CUPS_HTTP_DEFAULT, dest.get(), info.get(), "copies");
    int upper = 1;
    if (copies && ippGetValueTag(copies) == IPP_TAG_RANGE)
        ippGetRange(copies, 0, &upper);
    return upper > 1;
}

void CupsDevice::printJob(const PageDescription& doc, const std::vector<std::size_t>& pages, int copies,
                          const QString& jobName)
{
    if (pages.empty())
        return;
    const Dest dest = namedDest(m_queue);
    if (!dest)
        throw Failure(unusable(m_queue));
    const QByteArray queue = m_queue.toUtf8();
    const QByteArray ppd = queuePpd(m_queue);
    const Page& first = doc.pages.at(pages.front());
    const Options options(jobOptions(parsePpd(ppd), !ppd.isEmpty(), first.widthPt, first.heightPt, doc.print, copies));

    const QByteArray title = jobName.toUtf8();
    const int id = cupsCreateJob(CUPS_HTTP_DEFAULT, queue.constData(), title.constData(), options.count(), options.get());
    if (id <= 0)
        throw Failure(unusable(m_queue, cupsLastErrorString()));
    JobGuard guard(queue, id);
    if (cupsStartDocument(CUPS_HTTP_DEFAULT, queue.constData(), id, title.constData(), CUPS_FORMAT_PDF, 1)
        != HTTP_STATUS_CONTINUE)
        throw Failure(unusable(m_queue, cupsLastErrorString()));
    bool sent = true;
    try {
        m_pdf.write(doc, pages, [&sent](const char* data, std::size_t size) {
            if (sent)
                sent = cupsWriteRequestData(CUPS_HTTP_DEFAULT, data, size) == HTTP_STATUS_CONTINUE;
        }, m_queue);
    } catch (...) {
        cupsFinishDocument(CUPS_HTTP_DEFAULT, queue.constData());   // ends the request; the guard cancels the job
        throw;
    }
    const ipp_status_t finished = cupsFinishDocument(CUPS_HTTP_DEFAULT, queue.constData());
    if (!sent || finished > IPP_STATUS_OK_CONFLICTING)
        throw Failure(unusable(m_queue, cupsLastErrorString()));
    guard.release();
    m_jobIds.push_back(id);
}

} // namespace quorvel::report
