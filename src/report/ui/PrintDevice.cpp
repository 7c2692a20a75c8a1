#include "report/ui/PrintDevice.h"

namespace quorvel::report {

void printCopies(PrintDevice& device, const PageDescription& doc, const std::vector<std::size_t>& pages,
                 int copies, const QString& jobName)
{
    if (pages.empty() || copies < 1)
        return;
    if (copies == 1 || device.supportsMultipleCopies()) {
        device.printJob(doc, pages, copies, jobName);
        return;
    }
    for (int copy = 0; copy < copies; ++copy)
        device.printJob(doc, pages, 1, jobName);
}

} // namespace quorvel::report
