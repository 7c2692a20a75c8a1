// Page descriptions built by hand, and stand-ins for the preview's dialogs and printers.
#pragma once

#include "report/engine/PageDescription.h"
#include "report/ui/OutputOptionsDialog.h"
#include "report/ui/PreviewDialogs.h"
#include "report/engine/PageSink.h"
#include "report/cups/PrintDevice.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

class QTimer;

namespace quorvel::report::testing {

/// `count` pages of one 70 x 40 mm label each, as a label printer gets them.
PageDescription labelPages(int count);
/// `count` A4 sheets of 3 x 8 labels.
PageDescription labelSheets(int count);

/// How long whenModal waits for its box to show up, and then for the answered box to close.
constexpr int kModalWaitMs = 30000;

/// Calls `answer` once with the first modal widget that shows up (from a timer, so it runs
/// inside the dialog's own loop). The test fails, and the box is closed so that its loop ends,
/// when no box shows up or the answered one stays open past kModalWaitMs. Returns the timer,
/// owned by the application.
QTimer* whenModal(std::function<void(QWidget*)> answer);

class FakeDialogs : public PreviewDialogs
{
public:
    std::optional<QString> pageAnswer;
    int pageAskedWith = -1;

    /// What the output-options dialog does before it is "closed": by default OK.
    std::function<bool(OutputOptionsDialog&)> onOutputOptions = [](OutputOptionsDialog& d) {
        d.accept();
        return true;
    };
    /// What the printer-setup dialog does; by default the operator cancels it.
    std::function<bool(QPrinter&)> onSetup = [](QPrinter&) { return false; };

    std::optional<SaveTarget> saveAnswer;
    QStringList offeredFilters;
    std::optional<QString> openAnswer;

    std::optional<QString> askPage(QWidget*, int currentPage) override;
    bool runOutputOptions(OutputOptionsDialog& dialog) override;
    bool setupPrinter(QWidget*, QPrinter& printer) override;
    std::optional<SaveTarget> askSaveFile(QWidget*, const QStringList& filters) override;
    std::optional<QString> askOpenFile(QWidget*, const QString&) override;
};

struct Job
{
    std::vector<std::size_t> pages;
    int copies = 0;
    QString name;
};

/// A printer driver that records the jobs it is sent.
class FakeDevice : public PrintDevice
{
public:
    FakeDevice(bool makesCopies, std::vector<Job>& jobs) : m_makesCopies(makesCopies), m_jobs(jobs) {}
    bool supportsMultipleCopies() const override { return m_makesCopies; }
    std::unique_ptr<PageSink> job(const QString& jobName, int copies) override
    {
        return std::make_unique<Recorded>(m_jobs, Job{{}, copies, jobName});
    }

private:
    /// A job that records which of the description's pages it was handed, at commit.
    class Recorded final : public PageSink
    {
    public:
        Recorded(std::vector<Job>& jobs, Job job) : m_jobs(jobs), m_job(std::move(job)) {}
        void begin(const PageDescription&) override {}
        void add(const PageDescription& doc, const Page& page) override
        {
            for (std::size_t i = 0; i < doc.pages.size(); ++i)
                if (doc.pages[i] == page) {
                    m_job.pages.push_back(i);
                    return;
                }
            ADD_FAILURE() << "a page that is not the document's";
        }
        void commit() override { m_jobs.push_back(m_job); }
        void abandon() noexcept override {}

    private:
        std::vector<Job>& m_jobs;
        Job m_job;
    };

    bool m_makesCopies;
    std::vector<Job>& m_jobs;
};

} // namespace quorvel::report::testing
