#include "report/cups/PrintDevice.h"

#include "report/engine/PageDescription.h"
#include "report/engine/PageSink.h"

#include <algorithm>
#include <utility>

namespace quorvel::report {

namespace {

class CopiesJob final : public PageSink
{
public:
    CopiesJob(PrintDevice& device, QString name, int copies) : m_device(device), m_name(std::move(name)), m_copies(copies) {}

    void begin(const PageDescription& doc) override
    {
        m_jobs.clear();
        const int copies = m_copies > 0 ? m_copies : std::max(doc.print.copies, 1);
        if (copies == 1 || m_device.supportsMultipleCopies())
            m_jobs.push_back(m_device.job(m_name, copies));
        else
            for (int copy = 0; copy < copies; ++copy)
                m_jobs.push_back(m_device.job(m_name, 1));
        for (const auto& job : m_jobs)
            job->begin(doc);
    }
    void add(const PageDescription& doc, const Page& page) override
    {
        for (const auto& job : m_jobs)
            job->add(doc, page);
    }
    void commit() override
    {
        for (const auto& job : m_jobs)
            job->commit();
        m_jobs.clear();
    }
    void abandon() noexcept override
    {
        for (const auto& job : m_jobs)
            job->abandon();
        m_jobs.clear();
    }

private:
    PrintDevice& m_device;
    QString m_name;
    int m_copies;
    std::vector<std::unique_ptr<PageSink>> m_jobs;
};

} // namespace

std::unique_ptr<PageSink> copiesJob(PrintDevice& device, const QString& jobName, int copies)
{
    return std::make_unique<CopiesJob>(device, jobName, copies);
}

void printCopies(PrintDevice& device, const PageDescription& doc, const std::vector<std::size_t>& pages,
                 int copies, const QString& jobName)
{
    if (pages.empty() || copies < 1)
        return;
    writePages(doc, pages, *copiesJob(device, jobName, copies));
}

} // namespace quorvel::report
