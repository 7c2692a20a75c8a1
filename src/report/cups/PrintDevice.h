// Where printed pages go. A print queue is one device; tests put their own in its place to see
// how many jobs with how many copies a print sends. A job is an output like any other: the pages
// are handed to it one by one and it is sent at commit.
#pragma once

#include <QString>

#include <cstddef>
#include <memory>
#include <vector>

namespace quorvel::report {

class PageSink;
struct PageDescription;

class PrintDevice
{
public:
    virtual ~PrintDevice() = default;

    /// Whether the driver makes more than one copy of a job itself.
    virtual bool supportsMultipleCopies() const = 0;
    /// A job named `jobName` with `copies` copies made by the driver. Each page handed to it
    /// prints at its own size. Failures (quorvel::Failure) when the device cannot be used come
    /// at begin or at commit; nothing is printed unless commit succeeds.
    virtual std::unique_ptr<PageSink> job(const QString& jobName, int copies) = 0;
};

/// Sends the pages (0-based, in order) `copies` times: as one job when the driver makes the
/// copies, otherwise as that many jobs of one copy. Nothing is sent for no pages or no copies.
void printCopies(PrintDevice& device, const PageDescription& doc, const std::vector<std::size_t>& pages,
                 int copies, const QString& jobName);

/// The same rule for pages handed over as they are laid out: one job of `copies` copies when the
/// driver makes them, otherwise that many jobs of one copy, each given every page. `copies` 0:
/// the run's own (its print settings' copies at begin), else one. Nothing is sent before commit.
std::unique_ptr<PageSink> copiesJob(PrintDevice& device, const QString& jobName, int copies);

} // namespace quorvel::report
