// The options a print job hands CUPS, chosen from what the queue's driver (its PPD) offers, so
// the page reaches the driver at the size and the way round the definition lays it out.
#pragma once

#include <QByteArray>

#include <utility>
#include <vector>

namespace quorvel::report {

struct PrintSettings;

/// What a queue's PPD offers for the options a job sets.
struct QueueOffer
{
    struct Size
    {
        QByteArray name;
        double widthPt = 0, heightPt = 0;
    };
    std::vector<Size> sizes;
    bool customSize = false;
    QByteArray sourceOption;            ///< "InputSlot" or "MediaSource"; empty: one source only
    std::vector<QByteArray> sources;    ///< the source choices, in the PPD's order
    std::vector<int> resolutions;       ///< dpi, square resolutions only
    int defaultResolution = 0;          ///< dpi the driver prints at unless told; 0: not said
    std::vector<QByteArray> driverOptions;   ///< the PPD's own options (*OpenUI keywords), in order
};

/// Reads the offer from a PPD file's text; an empty or unreadable text offers nothing.
QueueOffer parsePpd(const QByteArray& ppd);

using JobOptions = std::vector<std::pair<QByteArray, QByteArray>>;

/// The job's options for pages of `widthPt` x `heightPt` (as laid out, width across) under the
/// definition's `print` settings and `copies`:
/// - the page size: the PPD's named size when one matches within a point, else the custom size
///   "Custom.<w>x<h>mm"; without a PPD, the custom size as `media`;
/// - nothing turned or scaled: portrait orientation (the page as it is) and no print scaling;
/// - the copies, collated;
/// - `bin` n (1-based) as the n-th paper source the queue offers; a bin it does not offer is left out;
/// - the definition's resolution when the queue offers it.
JobOptions jobOptions(const QueueOffer& offer, bool havePpd, double widthPt, double heightPt,
                      const PrintSettings& print, int copies);

/// `options` with the choices saved for the queue's driver options (the destination's options as
/// libcups gives them: what lpoptions and the printers' settings dialogs keep, such as Darkness,
/// zePrintRate or zeMediaTracking on the ZPL driver), each one the PPD offers and the job does
/// not set already: the page size, orientation, copies, source and resolution stay the job's.
void addDriverChoices(JobOptions& options, const QueueOffer& offer, const JobOptions& saved);

} // namespace quorvel::report
