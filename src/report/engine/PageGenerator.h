// Layout: the one report of a working copy, its data read through the data connections it is
// handed, made into a page description. It knows no window: it tells whoever runs it of each page
// and learns of Cancel through the hooks it is given.
#pragma once

#include "report/engine/Definition.h"
#include "report/engine/PageDescription.h"

#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <utility>
#include <vector>

namespace quorvel::report {

class DataSetConnection;
class ReportSystem;

/// Report parameters as name=value pairs; names compare without regard to case.
using Parameters = std::vector<std::pair<QString, QString>>;

/// The value of the parameter `name`; "" when there is none.
QString parameterValue(const Parameters& params, const QString& name);

/// The page a report's entry stands for: its own, or the shared page it names (compared without
/// regard to case); null when the definition holds no shared page of that name.
const PageDef* entryPage(const Definition& def, const PageEntry& entry);

/// Labels a page of the report's first label region holds; 0 without one.
std::int64_t firstRegionLabels(const Definition& def, const ReportDef& report);

/// How a layout talks to whoever runs it. Any member may stay empty: then no status is shown,
/// nothing stops the layout, messages are dropped and a wait sleeps.
struct LayoutHooks
{
    /// A page begins; `status` is its status line ("Generating page 3"). False stops the layout.
    std::function<bool(const QString& status)> pageBegun;
    /// After each drawn item, to let the GUI in. False stops the layout.
    std::function<bool()> poll;
    /// A plain message: an image file that cannot be read.
    std::function<void(const QString& text)> message;
    /// The error box shown before the layout gives up on a data connection it was not handed.
    std::function<void(const QString& text)> error;
    /// One wait of about `ms` milliseconds for that connection, the GUI live. False gives up at
    /// once, without the error box.
    std::function<bool(int ms)> wait;
};

/// Receives a layout's kept pages one at a time, in order, each as soon as it is complete.
/// `doc` holds the run's title and print settings and the fonts, symbols and images drawn so far
/// (those tables only grow, so an index a page uses stays valid); its page list is empty.
using PageSink = std::function<void(const PageDescription& doc, const Page& page)>;

class PageGenerator
{
public:
    /// `working` holds exactly one report, the one to lay out (ReportProject::workingCopy), and
    /// what it uses; `params` are the values the run sees. `connections` and `system` are not
    /// copied and must outlive the generator: the list is looked into again after each wait, so
    /// a connection handed over meanwhile is found, and the settings (status format, kept page
    /// range, device resolution, title) are read at each generate.
    PageGenerator(Definition working, Parameters params, const std::vector<DataSetConnection*>& connections,
                  const ReportSystem& system, LayoutHooks hooks = {});
    /// Restores every data view it opened (the connection's restore), on every way out.
    ~PageGenerator();
    PageGenerator(const PageGenerator&) = delete;
    PageGenerator& operator=(const PageGenerator&) = delete;

    /// Waits of 100 ms for a data connection the definition names but the list lacks (600).
    void setConnectionWaits(int count);

    /// Lays the report out with its first label in slot `startLabel` (1-based, in the fill order)
    /// of its first label region; may be called again for another start. The first call opens
    /// the data views, waiting for a missing connection. Empty when a hook stopped the layout.
    /// Fails when the report uses a shared page or data view the definition lacks, and with
    /// SilentAbort after the error box for a connection that never came.
    std::optional<PageDescription> generate(int startLabel = 1);
    /// As generate, but the pages are made again whenever they are asked for: the result holds
    /// where each page starts in the print table and the run's fonts, symbols and pictures, not
    /// what the pages draw, and keeps the last few pages asked for. The pages are exactly those
    /// generate makes. A copy that outlives the generator holds its pages from the generator's
    /// end. The print table must not change while the pages may be asked for.
    std::optional<PageDescription> generateOnDemand(int startLabel = 1);
    /// As generate, but hands each kept page to `sink` once it is complete and keeps none of
    /// them: memory then follows a page, not the run. The result holds everything but the pages.
    /// A sink's failure stops the layout and is passed on.
    std::optional<PageDescription> generate(int startLabel, const PageSink& sink);

    /// With a sink: whether a symbol's bars and captions stay in the tables once the page that
    /// first draws it was handed over (they do by default). A sink that draws each symbol once,
    /// as the PDF writer makes one form of it, lets them go: a run of distinct codes then does
    /// not hold every code's drawing. Its size, place and error stay. generateOnDemand keeps
    /// them whatever this says, as its pages may be drawn again.
    void setSymbolDrawingsKept(bool kept);

    /// Pages the last generate began, including those past the kept range that were not stored.
    int pagesMade() const;
    /// Labels a page of the report's first label region holds; 0 without one.
    std::int64_t labelsPerPage() const;

    class Run;

private:
    std::unique_ptr<Run> m_run;
};

} // namespace quorvel::report
