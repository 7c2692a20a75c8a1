// Snapshot files: exact round trips, and damaged or foreign files refused with a message.
#include "report/engine/ErrorBox.h"
#include "report/engine/TextMeasure.h"
#include "report/outputs/OutputFixtures.h"
#include "report/outputs/RenderPdf.h"
#include "report/outputs/Snapshot.h"
#include "table/Failure.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

void writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

/// Every kind of item and value a page description can hold.
PageDescription everything()
{
    PageDescription doc = labelDocument(3);
    doc.print = {QStringLiteral("Zebra ZD220"), 2, QStringLiteral("Custom"), Orientation::Landscape, 3, 203};
    doc.fonts.push_back({QStringLiteral("Times New Roman"), 7.25, true, true});
    doc.images.push_back({encodedPicture("png", 12, 9), 12, 9});
    Symbol failed;
    failed.widthPt = 90;
    failed.heightPt = 40;
    failed.error = QStringLiteral("Invalid character in data");
    doc.symbols.push_back(failed);
    Page& p = doc.pages[1];
    p.widthPt = 595.276;
    p.heightPt = 841.89;
    p.items.push_back(TextItem{1e-9, -3.5, 3, Rgb{1, 2, 3}, 270, QString()});
    // An unpaired surrogate must survive: text is kept as UTF-16 code units.
    p.items.push_back(TextItem{5, 6, 0, {}, 90, QStringLiteral("x") + QChar(0xD800) + QStringLiteral("ÇÃÍ€\r\n\t")});
    p.items.push_back(LineItem{1, 2, 3, 4, 0.25, Rgb{255, 0, 128}});
    p.items.push_back(RectItem{1, 2, 3, 4, 0, {}, true, Rgb{9, 8, 7}});
    p.items.push_back(SymbolItem{-10, 1e6, 2});
    p.items.push_back(ImageItem{1, 2, 3, 4, 0});
    doc.pages.push_back(Page{});
    return doc;
}

TEST(Snapshot, ReopensExactlyAsSaved)
{
    const QString dir = scratchDir(QStringLiteral("snapshot-roundtrip"));
    const PageDescription doc = everything();
    snapshot::write(doc, dir + QStringLiteral("/run.ndr"));
    const PageDescription back = snapshot::read(dir + QStringLiteral("/run.ndr"));
    EXPECT_TRUE(back == doc);
    EXPECT_EQ(back.pages.size(), 4u);
    EXPECT_EQ(QDir(dir).entryList(QDir::Files | QDir::Hidden), QStringList({QStringLiteral("run.ndr")}));
}

// Queue offsets come back with the run, in version 3; a run without any stays a version 2 file,
// which the versions before offsets open.
TEST(Snapshot, QueueOffsetsReopenAndARunWithoutThemStaysVersionTwo)
{
    const QString dir = scratchDir(QStringLiteral("snapshot-offsets"));
    PageDescription doc = everything();
    snapshot::write(doc, dir + QStringLiteral("/plain.ndr"));
    EXPECT_EQ(readAll(dir + QStringLiteral("/plain.ndr")).mid(8, 4), QByteArray("\x02\0\0\0", 4));
    doc.queueOffsets = {{QStringLiteral("QuorvelZPL"), 5.669, -2.835}, {QStringLiteral("Escrit\u00f3rio"), 0, 4.252}};
    snapshot::write(doc, dir + QStringLiteral("/moved.ndr"));
    EXPECT_EQ(readAll(dir + QStringLiteral("/moved.ndr")).mid(8, 4), QByteArray("\x03\0\0\0", 4));
    EXPECT_TRUE(snapshot::read(dir + QStringLiteral("/moved.ndr")) == doc);
}

TEST(Snapshot, AReopenedSnapshotMakesTheSamePdf)
{
    const QString dir = scratchDir(QStringLiteral("snapshot-pdf"));
    const PageDescription doc = everything();
    snapshot::write(doc, dir + QStringLiteral("/run.ndr"));
    RenderPdf pdf;
    pdf.write(doc, dir + QStringLiteral("/original.pdf"));
    pdf.write(snapshot::read(dir + QStringLiteral("/run.ndr")), dir + QStringLiteral("/reopened.pdf"));
    // Only the creation time may differ.
    const QRegularExpression date(QStringLiteral("/CreationDate \\([^)]*\\)"));
    QString a = QString::fromLatin1(readAll(dir + QStringLiteral("/original.pdf"))).replace(date, QString());
    QString b = QString::fromLatin1(readAll(dir + QStringLiteral("/reopened.pdf"))).replace(date, QString());
    EXPECT_GT(a.size(), 1000);
    EXPECT_TRUE(a == b);
}

TEST(Snapshot, EveryTruncationAndEveryFlippedByteIsRefused)
{
    const QString dir = scratchDir(QStringLiteral("snapshot-damage"));
    const QString good = dir + QStringLiteral("/good.ndr");
    // Small, yet with one of everything, so that every length can be tried.
    PageDescription doc;
    doc.fonts = {{QStringLiteral("Arial"), 9, false, false}};
    Symbol symbol;
    symbol.widthPt = 10;
    symbol.bars = {{0, 0, 1, 8}, {2, 0, 1, 8}};
    symbol.captions = {{5, 9, QStringLiteral("12")}};
    doc.symbols = {symbol};
    doc.images = {{QByteArray("\x89PNG", 4), 1, 1}};
    Page page;
    page.items = {TextItem{1, 2, 0, {}, 0, QStringLiteral("Ç")}, LineItem{}, RectItem{}, SymbolItem{1, 1, 0}, ImageItem{1, 1, 1, 1, 0}};
    doc.pages = {page};
    snapshot::write(doc, good);
    const QByteArray bytes = readAll(good);
    ASSERT_GT(bytes.size(), 200);
    const QString bad = dir + QStringLiteral("/bad.ndr");
    auto refused = [&](const QByteArray& content) {
        writeBytes(bad, content);
        try {
            snapshot::read(bad);
            return false;
        } catch (const quorvel::Failure& f) {
            EXPECT_TRUE(f.message().contains(bad)) << f.message().toStdString();
            return true;
        }
    };
    for (qsizetype length = 0; length < bytes.size(); ++length)
        EXPECT_TRUE(refused(bytes.left(length))) << "truncated at " << length;
    for (qsizetype at = 0; at < bytes.size(); ++at) {
        QByteArray flipped = bytes;
        flipped[at] = static_cast<char>(flipped[at] ^ 0x10);
        EXPECT_TRUE(refused(flipped)) << "byte " << at << " flipped";
    }
    EXPECT_TRUE(refused(bytes + QByteArray(1, '\0')));
}

// A CRC-32 of our own, so the tests can forge files whose checksum is right but whose
// content is not.
std::uint32_t crc32(const QByteArray& data)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (char ch : data) {
        crc ^= static_cast<std::uint8_t>(ch);
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

QByteArray le32(std::uint32_t v)
{
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    return b;
}

QByteArray le64(std::uint64_t v) { return le32(static_cast<std::uint32_t>(v)) + le32(static_cast<std::uint32_t>(v >> 32)); }

/// A file with our signature, the given version and payload, and a correct checksum.
QByteArray forged(const QByteArray& payload, std::uint32_t version = 2)
{
    return QByteArray("\x89QNDR\r\n\x1a", 8) + le32(version) + le64(static_cast<std::uint64_t>(payload.size())) + payload
           + le32(crc32(payload));
}

/// The payload of an empty page description: empty title, print settings, four empty lists.
QByteArray emptyPayload(std::uint32_t fontCount = 0)
{
    return le32(0) + le32(0) + le32(0) + le32(0) + QByteArray(1, '\0') + le32(0) + le32(0) + le32(fontCount) + le32(0)
           + le32(0) + le32(0);
}

struct BadFile
{
    const char* name;
    QByteArray content;
    const char* message;   ///< %1: the file's full path
};

void PrintTo(const BadFile& row, std::ostream* os) { *os << row.name; }

class SnapshotRefuses : public ::testing::TestWithParam<BadFile> {};

TEST_P(SnapshotRefuses, WithAClearMessage)
{
    const QString path = scratchDir(QStringLiteral("snapshot-refuse-") + QString::fromLatin1(GetParam().name)) + QStringLiteral("/file.ndr");
    writeBytes(path, GetParam().content);
    try {
        snapshot::read(path);
        ADD_FAILURE() << "accepted";
    } catch (const quorvel::Failure& f) {
        EXPECT_EQ(f.message(), QString::fromUtf8(GetParam().message).arg(path));
    }
}

const char* kNotSnapshot = "\"%1\" is not a report snapshot file.";
const char* kDamaged = "The report snapshot file \"%1\" is damaged.";

INSTANTIATE_TEST_SUITE_P(
    Files, SnapshotRefuses,
    ::testing::Values(
        BadFile{"empty", QByteArray(), kNotSnapshot},
        BadFile{"pdf", QByteArray("%PDF-1.3\n%\xe2\xe3\xcf\xd3\n1 0 obj\n<<>>\nendobj\n"), kNotSnapshot},
        BadFile{"text", QByteArray("GRUPO|SUB|MARCA|AZUL|REF|T|M|7891000315507|39,90|2|\r\n"), kNotSnapshot},
        BadFile{"signatureOnly", QByteArray("\x89QNDR\r\n\x1a", 8), kDamaged},
        BadFile{"versionZero", forged(emptyPayload(), 0), kDamaged},
        BadFile{"newerVersion", forged(emptyPayload(), 4),
                "The report snapshot file \"%1\" was written by a newer version of Quorvel."},
        BadFile{"lengthBeyondTheFile", QByteArray("\x89QNDR\r\n\x1a", 8) + le32(1) + le64(1ull << 62) + emptyPayload() + le32(0), kDamaged},
        BadFile{"absurdCount", forged(emptyPayload(0xFFFFFFF0u)), kDamaged},
        BadFile{"trailingBytes", forged(emptyPayload() + QByteArray(3, '\0')), kDamaged}),
    [](const auto& row) { return std::string(row.param.name); });

// Version 1 left the error box of a symbol that could not be encoded to the outputs; such a file
// reopens with the box that layout now puts on the page.
TEST(Snapshot, AVersionOneFileGainsTheErrorBoxesOfItsFailedSymbols)
{
    PageDescription doc = labelDocument(2);
    doc.symbols[1].bars.clear();
    doc.symbols[1].captions.clear();
    doc.symbols[1].error = QStringLiteral("Invalid check digit '3', expecting '1'");
    const QString path = scratchDir(QStringLiteral("snapshot-version-1")) + QStringLiteral("/old.ndr");
    snapshot::write(doc, path);
    QByteArray bytes = readAll(path);
    bytes.replace(8, 4, le32(1));
    writeBytes(path, bytes);

    PageDescription expected = doc;
    const auto font = static_cast<std::uint32_t>(expected.fonts.size());
    expected.fonts.push_back(errorBoxFont());
    TextMeasure measure;
    const SymbolItem at = std::get<SymbolItem>(expected.pages[1].items.back());
    appendErrorBox(expected.pages[1].items, at, expected.symbols[1], font, measure);
    const PageDescription back = snapshot::read(path);
    EXPECT_TRUE(back == expected);
    EXPECT_GT(back.pages[1].items.size(), doc.pages[1].items.size() + 1);
    EXPECT_TRUE(back.pages[0] == doc.pages[0]) << "a page without a failed symbol stays as it was";
}

TEST(Snapshot, AnEmptyDescriptionRoundTrips)
{
    const QString path = scratchDir(QStringLiteral("snapshot-empty")) + QStringLiteral("/empty.ndr");
    snapshot::write(PageDescription{}, path);
    EXPECT_EQ(readAll(path), forged(emptyPayload()));
    EXPECT_TRUE(snapshot::read(path) == PageDescription{});
}

TEST(Snapshot, IndexesOutsideTheDocumentAreRefused)
{
    // Written by a faulty program: the checksum is right, the text names a font that is not there.
    const QString path = scratchDir(QStringLiteral("snapshot-index")) + QStringLiteral("/file.ndr");
    PageDescription doc;
    Page page;
    page.items.push_back(TextItem{1, 2, 5, {}, 0, QStringLiteral("x")});
    doc.pages.push_back(page);
    snapshot::write(doc, path);
    try {
        snapshot::read(path);
        ADD_FAILURE() << "accepted";
    } catch (const quorvel::Failure& f) {
        EXPECT_EQ(f.message(), QString::fromLatin1(kDamaged).arg(path));
    }
}

TEST(Snapshot, MissingFileAndUncreatableFile)
{
    const QString dir = scratchDir(QStringLiteral("snapshot-files"));
    const QString missing = dir + QStringLiteral("/none.ndr");
    try {
        snapshot::read(missing);
        ADD_FAILURE() << "read a missing file";
    } catch (const quorvel::Failure& f) {
        EXPECT_EQ(f.message(), QStringLiteral("Cannot open file \"%1\". No such file or directory").arg(missing));
    }
    const QString uncreatable = dir + QStringLiteral("/no/such/folder/run.ndr");
    try {
        snapshot::write(labelDocument(1), uncreatable);
        ADD_FAILURE() << "wrote into a missing folder";
    } catch (const quorvel::Failure& f) {
        EXPECT_EQ(f.message(), QStringLiteral("Cannot create file \"%1\". No such file or directory").arg(uncreatable));
    }
    EXPECT_TRUE(QDir(dir).isEmpty(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot));
}

} // namespace
