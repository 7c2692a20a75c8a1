#include "report/engine/PageDescription.h"
#include "report/cups/CupsOptions.h"

#include <QByteArrayList>

#include <gtest/gtest.h>

#include <ostream>

using namespace quorvel::report;

namespace {

// The lines of a label printer's and an office printer's PPD that the options are chosen from.
const QByteArray officePpd = R"(*PPD-Adobe: "4.3"
*% *InputSlot Commented/Out: ""
*OpenUI *PageSize/Media Size: PickOne
*DefaultPageSize: w288h360
*PageSize A4/A4: "<</PageSize[595 842]>>setpagedevice"
*PaperDimension A4/A4: "595 842"
*PaperDimension w288h360/4.00x5.00": "288 360"
*PaperDimension w142h227/80x50mm: "142 227"
*PaperDimension w144h90/2.00x1.25": "144 90"
*CustomPageSize True: "pop pop pop <</PageSize[5 -2 roll]>>setpagedevice"
*OpenUI *InputSlot/Paper Source: PickOne
*DefaultInputSlot: Upper
*InputSlot Upper/Upper Tray: "<</MediaPosition 0>>setpagedevice"
*InputSlot Lower/Lower Tray: "<</MediaPosition 1>>setpagedevice"
*CloseUI: *InputSlot
*OpenUI *Darkness/Darkness: PickOne
*Darkness 25/25: ""
*CloseUI: *Darkness
*OpenUI *zePrintRate/Print Rate: PickOne
*CloseUI: *zePrintRate
*DefaultResolution: 203dpi
*Resolution 203dpi/203dpi: ""
*Resolution 300x600dpi/300 x 600: ""
)";

const QByteArray mediaSourcePpd = R"(*PPD-Adobe: "4.3"
*PaperDimension A4/A4: "595 842"
*MediaSource Tray1/Tray 1: ""
*MediaSource Manual/Manual Feed: ""
)";

struct OptionsCase
{
    const char* name;
    const QByteArray* ppd;   ///< null: a queue without a PPD
    double widthPt, heightPt;
    int bin = 0, quality = 0, copies = 1;
    const char* expected;    ///< the options in order, "name=value" separated by blanks
};

void PrintTo(const OptionsCase& c, std::ostream* os) { *os << c.name; }

constexpr const char* keep = "orientation-requested=3 print-scaling=none";

class JobOptionsTest : public ::testing::TestWithParam<OptionsCase>
{
};

TEST_P(JobOptionsTest, ChoosesFromWhatTheQueueOffers)
{
    const OptionsCase& c = GetParam();
    PrintSettings print;
    print.bin = c.bin;
    print.quality = c.quality;
    const JobOptions options = jobOptions(c.ppd ? parsePpd(*c.ppd) : QueueOffer{}, c.ppd != nullptr, c.widthPt,
                                          c.heightPt, print, c.copies);
    QByteArrayList text;
    for (const auto& [name, value] : options)
        text << name + '=' + value;
    EXPECT_EQ(text.join(' ').toStdString(), QByteArray(c.expected).replace("KEEP", keep).toStdString());
}

// 50 x 30 mm is 141.73 x 85.04 pt; A4 is 595.28 x 841.89 pt.
INSTANTIATE_TEST_SUITE_P(
    Cases, JobOptionsTest,
    ::testing::Values(
        OptionsCase{"LandscapeLabelTakesItsCustomSizeNotTheNearestStock", &officePpd, 141.73, 85.04, 0, 0, 1,
                    "PageSize=Custom.50x30mm KEEP copies=1"},
        OptionsCase{"A4SheetTakesTheNamedSize", &officePpd, 595.28, 841.89, 0, 0, 1, "PageSize=A4 KEEP copies=1"},
        OptionsCase{"NamedSizeTheOtherWayRoundIsNotUsed", &officePpd, 226.77, 141.73, 0, 0, 1,
                    "PageSize=Custom.80x50mm KEEP copies=1"},
        OptionsCase{"PortraitNamedSizeMatches", &officePpd, 141.73, 226.77, 0, 0, 1, "PageSize=w142h227 KEEP copies=1"},
        OptionsCase{"FractionalMillimetres", &officePpd, 144.5, 72.0, 0, 0, 1,
                    "PageSize=Custom.50.98x25.4mm KEEP copies=1"},
        OptionsCase{"CopiesGoToTheQueue", &officePpd, 595.28, 841.89, 0, 0, 3, "PageSize=A4 KEEP copies=3 collate=true"},
        OptionsCase{"BinIsTheNthInputSlot", &officePpd, 595.28, 841.89, 2, 0, 1,
                    "PageSize=A4 KEEP copies=1 InputSlot=Lower"},
        OptionsCase{"BinTheQueueDoesNotOfferIsIgnored", &officePpd, 595.28, 841.89, 3, 0, 1, "PageSize=A4 KEEP copies=1"},
        OptionsCase{"BinOnAQueueWithOneSourceIsIgnored", &mediaSourcePpd, 141.73, 85.04, 0, 0, 1,
                    "PageSize=Custom.50x30mm KEEP copies=1"},
        OptionsCase{"BinIsTheNthMediaSourceWithoutInputSlots", &mediaSourcePpd, 595.28, 841.89, 2, 0, 1,
                    "PageSize=A4 KEEP copies=1 MediaSource=Manual"},
        OptionsCase{"OfferedResolutionIsChosen", &officePpd, 141.73, 85.04, 0, 203, 1,
                    "PageSize=Custom.50x30mm KEEP copies=1 Resolution=203dpi"},
        OptionsCase{"ResolutionNotOfferedIsLeftToTheQueue", &officePpd, 141.73, 85.04, 0, 300, 1,
                    "PageSize=Custom.50x30mm KEEP copies=1"},
        OptionsCase{"WithoutAPpdTheSizeGoesAsMedia", nullptr, 141.73, 85.04, 1, 203, 2,
                    "media=Custom.50x30mm KEEP copies=2 collate=true"}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(QueueOfferTest, TheDriversDefaultResolutionSetsTheDotGrid)
{
    EXPECT_EQ(parsePpd(officePpd).defaultResolution, 203);
    EXPECT_EQ(parsePpd(mediaSourcePpd).defaultResolution, 0);
    EXPECT_EQ(parsePpd("*DefaultResolution: 300x600dpi\n").defaultResolution, 0);
    EXPECT_EQ(parsePpd("*DefaultResolution: 600dpi\r\n").defaultResolution, 600);
}

struct ChoicesCase
{
    const char* name;
    const char* saved;      ///< the destination's options, "name=value" separated by blanks
    const char* expected;   ///< what the job adds to its own options
};

void PrintTo(const ChoicesCase& c, std::ostream* os) { *os << c.name; }

class DriverChoicesTest : public ::testing::TestWithParam<ChoicesCase> {};

// The saved choices of the driver's own options go with the job; the destination's other
// attributes, options the driver does not have, and whatever the job sets itself do not.
TEST_P(DriverChoicesTest, AddsOnlyTheDriversOwnOptionsTheJobLeavesOpen)
{
    const QueueOffer offer = parsePpd(officePpd);
    PrintSettings print;
    print.bin = 1;
    print.quality = 203;
    JobOptions options = jobOptions(offer, true, 141.73, 85.04, print, 1);
    const std::size_t own = options.size();
    JobOptions saved;
    for (const QByteArray& pair : QByteArray(GetParam().saved).split(' '))
        if (const qsizetype eq = pair.indexOf('='); eq > 0)
            saved.emplace_back(pair.left(eq), pair.mid(eq + 1));
    addDriverChoices(options, offer, saved);
    QByteArrayList added;
    for (std::size_t i = own; i < options.size(); ++i)
        added << options[i].first + '=' + options[i].second;
    EXPECT_EQ(added.join(' '), QByteArray(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Saved, DriverChoicesTest,
    ::testing::Values(
        ChoicesCase{"DarknessAndPrintRate", "Darkness=25 zePrintRate=2", "Darkness=25 zePrintRate=2"},
        ChoicesCase{"PrinterAttributesStayOut", "printer-info=Zebra printer-state=3 device-uri=socket://x Darkness=25",
                    "Darkness=25"},
        ChoicesCase{"OptionsTheDriverLacksStayOut", "zeMediaTracking=Web", ""},
        ChoicesCase{"TheJobsOwnSizeSourceAndResolutionWin", "PageSize=A4 PageRegion=A4 InputSlot=Lower Resolution=300x600dpi", ""}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
