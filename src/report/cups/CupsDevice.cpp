#include "report/cups/CupsDevice.h"

#include "report/engine/DeviceGrid.h"
#include "report/engine/PageDescription.h"
#include "report/engine/PageSink.h"
#include "report/cups/CupsOptions.h"
#include "table/Failure.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTemporaryFile>

#include <cups/cups.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

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

CupsDevice::CupsDevice(QString queueName)
    : m_queue(std::move(queueName))
{
    m_pdf.setActive(false);   // the print path's writer is no save choice
}

void CupsDevice::checkReady() const
{
    const Dest dest = namedDest(m_queue);
    if (!dest)
        throw Failure(unusable(m_queue));
    const char* state = cupsGetOption("printer-state", dest->num_options, dest->options);
    if (state && QByteArray(state).toInt() == IPP_PSTATE_STOPPED) {
        QByteArray why = "it is stopped";
        const char* message = cupsGetOption("printer-state-message", dest->num_options, dest->options);
        if (message && *message)
            why += QByteArray(" (") + message + ')';
        throw Failure(unusable(m_queue, why.constData()));
    }
}

bool CupsDevice::hasJobNamed(const QString& jobName) const
{
    const QByteArray queue = m_queue.toUtf8();
    const QByteArray title = jobName.toUtf8();
    cups_job_t* jobs = nullptr;
    const int count = cupsGetJobs2(CUPS_HTTP_DEFAULT, &jobs, queue.constData(), 1, CUPS_WHICHJOBS_ALL);
    if (count < 0)
        throw Failure(unusable(m_queue, cupsLastErrorString()));
    bool found = false;
    for (int i = 0; i < count; ++i) {
        if (!jobs[i].title || title != jobs[i].title)
            continue;
        switch (jobs[i].state) {
        case IPP_JSTATE_PENDING:
        case IPP_JSTATE_PROCESSING:
        case IPP_JSTATE_STOPPED:
        case IPP_JSTATE_COMPLETED:
            found = true;
            break;
        case IPP_JSTATE_HELD:
            cupsCancelJob2(CUPS_HTTP_DEFAULT, queue.constData(), jobs[i].id, 0);
            break;
        case IPP_JSTATE_CANCELED:
        case IPP_JSTATE_ABORTED:
            break;
        }
    }
    cupsFreeJobs(count, jobs);
    return found;
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

namespace {

// A print job on a CUPS queue. The pages become PDF files, one for each run of pages of the same
// size: a queue prints a job at one paper size, so pages of another size go as a job of their
// own, each with the options that bring its page out at its size. Nothing is sent before commit.
class CupsJob final : public PageSink
{
public:
    CupsJob(QString queue, const RenderPdf& pdf, QString name, int copies, std::vector<int>& ids)
        : m_queue(std::move(queue)), m_pdf(pdf), m_name(std::move(name)), m_copies(copies), m_ids(ids)
    {
    }

    void begin(const PageDescription& doc) override
    {
        if (!namedDest(m_queue))
            throw Failure(unusable(m_queue));
        if (!m_dir.isValid())
            throw Failure(unusable(m_queue, "no temporary folder for the job"));
        m_print = doc.print;
        m_parts.clear();
        m_ppd = queuePpd(m_queue);
        m_offer = parsePpd(m_ppd);
        m_dxPt = m_dyPt = 0;
        if (const QueueOffset* offset = queueOffset(doc, m_queue)) {
            // Whole dots keep the bar codes on the printer's dot grid.
            const int dpi = std::find(m_offer.resolutions.begin(), m_offer.resolutions.end(), m_print.quality)
                                    != m_offer.resolutions.end()
                                ? m_print.quality
                                : m_offer.defaultResolution;
            m_dxPt = dpi > 0 ? wholeDots(offset->xPt, dpi) * dotPt(dpi) : offset->xPt;
            m_dyPt = dpi > 0 ? wholeDots(offset->yPt, dpi) * dotPt(dpi) : offset->yPt;
        }
    }

    void add(const PageDescription& doc, const Page& page) override
    {
        if (m_parts.empty() || m_parts.back().widthPt != page.widthPt || m_parts.back().heightPt != page.heightPt) {
            if (!m_parts.empty())
                m_parts.back().close();
            Part& part = m_parts.emplace_back();
            part.widthPt = page.widthPt;
            part.heightPt = page.heightPt;
            part.path = m_dir.filePath(QStringLiteral("part-%1.pdf").arg(m_parts.size()));
            part.stream = std::make_unique<PdfStream>(m_pdf, part.path);
        }
        if (m_dxPt != 0 || m_dyPt != 0)
            m_parts.back().stream->add(doc, shifted(page, m_dxPt, m_dyPt));
        else
            m_parts.back().stream->add(doc, page);
    }

    void commit() override
    {
        if (m_parts.empty())
            return;
        m_parts.back().close();
        const Dest dest = namedDest(m_queue);
        if (!dest)
            throw Failure(unusable(m_queue));
        const QByteArray queue = m_queue.toUtf8();
        const QByteArray& ppd = m_ppd;
        const QueueOffer& offer = m_offer;
        JobOptions saved;
        for (int i = 0; i < dest->num_options; ++i)
            saved.emplace_back(dest->options[i].name, dest->options[i].value);
        // Until every part is sent, the parts sent are taken back on failure.
        std::vector<std::unique_ptr<JobGuard>> sent;
        std::vector<int> ids;
        for (const Part& part : m_parts) {
            JobOptions chosen = jobOptions(offer, !ppd.isEmpty(), part.widthPt, part.heightPt, m_print, m_copies);
            addDriverChoices(chosen, offer, saved);
            const Options options(chosen);
            const int id = send(queue, part.path, options);
            sent.push_back(std::make_unique<JobGuard>(queue, id));
            ids.push_back(id);
        }
        for (const auto& guard : sent)
            guard->release();
        m_ids.insert(m_ids.end(), ids.begin(), ids.end());
        m_parts.clear();
    }

    void abandon() noexcept override { m_parts.clear(); }

private:
    struct Part
    {
        double widthPt = 0, heightPt = 0;
        QString path;
        std::unique_ptr<PdfStream> stream;
        void close()
        {
            if (stream)
                stream->commit();
            stream.reset();
        }
    };

    /// Sends the PDF at `path` as one job; its id.
    int send(const QByteArray& queue, const QString& path, const Options& options) const
    {
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            throw Failure(unusable(m_queue, file.errorString().toUtf8().constData()));
        const QByteArray title = m_name.toUtf8();
        const int id = cupsCreateJob(CUPS_HTTP_DEFAULT, queue.constData(), title.constData(), options.count(), options.get());
        if (id <= 0)
            throw Failure(unusable(m_queue, cupsLastErrorString()));
        JobGuard guard(queue, id);
        if (cupsStartDocument(CUPS_HTTP_DEFAULT, queue.constData(), id, title.constData(), CUPS_FORMAT_PDF, 1)
            != HTTP_STATUS_CONTINUE)
            throw Failure(unusable(m_queue, cupsLastErrorString()));
        bool written = true;
        std::vector<char> chunk(std::size_t{1} << 16);
        for (qint64 n; written && (n = file.read(chunk.data(), static_cast<qint64>(chunk.size()))) > 0;)
            written = cupsWriteRequestData(CUPS_HTTP_DEFAULT, chunk.data(), static_cast<std::size_t>(n)) == HTTP_STATUS_CONTINUE;
        const ipp_status_t finished = cupsFinishDocument(CUPS_HTTP_DEFAULT, queue.constData());
        if (!written || file.error() != QFileDevice::NoError || finished > IPP_STATUS_OK_CONFLICTING)
            throw Failure(unusable(m_queue, cupsLastErrorString()));
        guard.release();
        return id;
    }

    QString m_queue;
    const RenderPdf& m_pdf;
    QString m_name;
    int m_copies;
    std::vector<int>& m_ids;
    QTemporaryDir m_dir;
    PrintSettings m_print;
    QByteArray m_ppd;
    QueueOffer m_offer;
    double m_dxPt = 0, m_dyPt = 0;   ///< the queue's offset, in whole dots
    std::vector<Part> m_parts;
};

} // namespace

std::unique_ptr<PageSink> CupsDevice::job(const QString& jobName, int copies)
{
    return std::make_unique<CupsJob>(m_queue, m_pdf, jobName, copies, m_jobIds);
}

} // namespace quorvel::report
