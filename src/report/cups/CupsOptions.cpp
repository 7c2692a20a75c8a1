#include "report/cups/CupsOptions.h"

#include "report/engine/PageDescription.h"

#include <QList>

#include <algorithm>
#include <charconv>
#include <cmath>

namespace quorvel::report {

namespace {

constexpr double kSizeTolerancePt = 1.0;   // PPDs give sizes in whole points: A4 is "595 842"

/// The option keyword of a main-keyword line "*Key option/Text: value", without the text.
QByteArray choiceOf(const QByteArray& line, qsizetype keyLength)
{
    QByteArray rest = line.mid(keyLength).trimmed();
    const qsizetype end = rest.indexOf(':');
    if (end >= 0)
        rest.truncate(end);
    const qsizetype slash = rest.indexOf('/');
    if (slash >= 0)
        rest.truncate(slash);
    return rest.trimmed();
}

/// The quoted value of "*Key option/Text: "value"".
QByteArray quotedValue(const QByteArray& line)
{
    const qsizetype open = line.indexOf('"');
    const qsizetype close = line.indexOf('"', open + 1);
    if (open < 0 || close < 0)
        return {};
    return line.mid(open + 1, close - open - 1);
}

bool parseDouble(const QByteArray& text, double& value)
{
    const auto [end, ec] = std::from_chars(text.constData(), text.constData() + text.size(), value);
    return ec == std::errc() && end == text.constData() + text.size();
}

QByteArray millimetres(double pt)
{
    QByteArray text = QByteArray::number(std::round(pt * 25.4 / 72.0 * 100.0) / 100.0, 'f', 2);
    while (text.endsWith('0'))
        text.chop(1);
    if (text.endsWith('.'))
        text.chop(1);
    return text;
}

/// "203dpi" as 203; 0 for anything else (non-square resolutions such as "300x600dpi" included).
int dotsPerInch(const QByteArray& choice)
{
    int dpi = 0;
    const auto [end, ec] = std::from_chars(choice.constData(), choice.constData() + choice.size(), dpi);
    if (ec != std::errc() || dpi <= 0 || QByteArray(end, choice.constData() + choice.size() - end) != "dpi")
        return 0;
    return dpi;
}

} // namespace

QueueOffer parsePpd(const QByteArray& ppd)
{
    QueueOffer offer;
    std::vector<QByteArray> inputSlots, mediaSources;
    for (QByteArray line : ppd.split('\n')) {
        if (line.endsWith('\r'))
            line.chop(1);
        if (!line.startsWith('*') || line.startsWith("*%"))
            continue;
        if (line.startsWith("*PaperDimension ")) {
            const QList<QByteArray> dims = quotedValue(line).simplified().split(' ');
            QueueOffer::Size size;
            size.name = choiceOf(line, 16);
            if (dims.size() == 2 && parseDouble(dims[0], size.widthPt) && parseDouble(dims[1], size.heightPt))
                offer.sizes.push_back(std::move(size));
        } else if (line.startsWith("*CustomPageSize True")) {
            offer.customSize = true;
        } else if (line.startsWith("*InputSlot ")) {
            inputSlots.push_back(choiceOf(line, 11));
        } else if (line.startsWith("*MediaSource ")) {
            mediaSources.push_back(choiceOf(line, 13));
        } else if (line.startsWith("*Resolution ")) {
            if (const int dpi = dotsPerInch(choiceOf(line, 12)))
                offer.resolutions.push_back(dpi);
        } else if (line.startsWith("*OpenUI *")) {
            offer.driverOptions.push_back(choiceOf(line, 9));
        } else if (line.startsWith("*DefaultResolution:")) {
            offer.defaultResolution = dotsPerInch(line.mid(19).trimmed());
        }
    }
    if (!inputSlots.empty()) {
        offer.sourceOption = "InputSlot";
        offer.sources = std::move(inputSlots);
    } else if (!mediaSources.empty()) {
        offer.sourceOption = "MediaSource";
        offer.sources = std::move(mediaSources);
    }
    return offer;
}

JobOptions jobOptions(const QueueOffer& offer, bool havePpd, double widthPt, double heightPt,
                      const PrintSettings& print, int copies)
{
    JobOptions options;
    const QByteArray custom = "Custom." + millimetres(widthPt) + 'x' + millimetres(heightPt) + "mm";
    if (havePpd) {
        QByteArray size = custom;
        for (const QueueOffer::Size& named : offer.sizes)
            if (std::abs(named.widthPt - widthPt) <= kSizeTolerancePt
                && std::abs(named.heightPt - heightPt) <= kSizeTolerancePt) {
                size = named.name;
                break;
            }
        options.emplace_back("PageSize", size);
    } else {
        options.emplace_back("media", custom);
    }
    // The page already has the size of the paper: any turn or fit would only spoil it.
    options.emplace_back("orientation-requested", "3");
    options.emplace_back("print-scaling", "none");
    options.emplace_back("copies", QByteArray::number(std::max(copies, 1)));
    // Copies of the whole job in order, as sending it that many times would give; uncollated
    // copies are left to the device, and a PDF or PostScript queue quietly makes only one.
    if (copies > 1)
        options.emplace_back("collate", "true");
    if (print.bin >= 1 && static_cast<std::size_t>(print.bin) <= offer.sources.size())
        options.emplace_back(offer.sourceOption, offer.sources[static_cast<std::size_t>(print.bin) - 1]);
    if (print.quality > 0)
        for (const int dpi : offer.resolutions)
            if (dpi == print.quality) {
                options.emplace_back("Resolution", QByteArray::number(dpi) + "dpi");
                break;
            }
    return options;
}

void addDriverChoices(JobOptions& options, const QueueOffer& offer, const JobOptions& saved)
{
    // PageRegion is PageSize under another name: the job's size decides both.
    const auto setByJob = [&](const QByteArray& name) {
        if (name == "PageRegion" || name == "media")
            return true;
        for (const auto& [set, value] : options)
            if (set == name || (name == "PageSize" && set == "media") || (name == "InputSlot" && set == "MediaSource")
                || (name == "MediaSource" && set == "InputSlot"))
                return true;
        return false;
    };
    for (const auto& [name, value] : saved) {
        if (value.isEmpty() || setByJob(name))
            continue;
        if (std::find(offer.driverOptions.begin(), offer.driverOptions.end(), name) != offer.driverOptions.end())
            options.emplace_back(name, value);
    }
}

} // namespace quorvel::report
