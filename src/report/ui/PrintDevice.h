// Where printed pages go. The printer driver is one device; tests put their own in its place
// to see how many jobs with how many copies a print sends.
#pragma once

#include <QString>

#include <cstddef>
#include <vector>

namespace quorvel::report {

struct PageDescription;

class PrintDevice
{
public:
    virtual ~PrintDevice() = default;

    /// Whether the driver makes more than one copy of a job itself.
    virtual bool supportsMultipleCopies() const = 0;
    /// Sends one job of `pages` (0-based, in order) with `copies` copies made by the driver.
    /// Fails with quorvel::Failure when the device cannot be used.
    virtual void printJob(const PageDescription& doc, const std::vector<std::size_t>& pages,
                          int copies, const QString& jobName) = 0;
};

/// Sends the pages `copies` times: as one job when the driver makes the copies, otherwise as
/// that many jobs of one copy. Nothing is sent for no pages or no copies.
void printCopies(PrintDevice& device, const PageDescription& doc, const std::vector<std::size_t>& pages,
                 int copies, const QString& jobName);

} // namespace quorvel::report
