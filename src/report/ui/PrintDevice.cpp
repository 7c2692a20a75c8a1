#include "report/ui/PrintDevice.h"

#include "report/engine/PageSink.h"

namespace quorvel::report {

void printCopies(PrintDevice& device, const PageDescription& doc, const std::vector<std::size_t>& pages,
                 int copies, const QString& jobName)
{
    if (pages.empty() || copies < 1)
        return;
    if (copies == 1 || device.supportsMultipleCopies()) {
        writePages(doc, pages, *device.job(jobName, copies));
        return;
    }
    for (int copy = 0; copy < copies; ++copy)
        writePages(doc, pages, *device.job(jobName, 1));
}

} // namespace quorvel::report
