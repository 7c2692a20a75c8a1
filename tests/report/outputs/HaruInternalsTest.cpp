// The PDF writer's reach past libharu's public calls, proved on the library in use: a libharu
// whose private structures differ from the ones HaruInternals.cpp was written against fails here
// by name, not as a damaged PDF in the field.
#include "report/outputs/HaruInternals.h"
#include "report/outputs/OutputFixtures.h"
#include "table/Failure.h"

#include <QFile>

#define HPDF_SHARED
#include <hpdf.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quorvel::report;
using namespace quorvel::report::testing;

namespace {

constexpr const char* kUpgrade = "HaruInternals.cpp reaches into libharu's private structures: read them again in this "
                                 "version's headers before changing the version it expects";

void recordError(HPDF_STATUS error, HPDF_STATUS, void* user)
{
    auto* first = static_cast<HPDF_STATUS*>(user);
    if (*first == HPDF_OK)
        *first = error;
}

class Document
{
public:
    Document() : m_doc(HPDF_New(recordError, &m_error)) { HPDF_SetCompressionMode(m_doc, HPDF_COMP_NONE); }
    ~Document() { HPDF_Free(m_doc); }
    Document(const Document&) = delete;
    Document& operator=(const Document&) = delete;

    HPDF_Doc get() const { return m_doc; }
    HPDF_STATUS error() const { return m_error != HPDF_OK ? m_error : HPDF_GetError(m_doc); }

    QByteArray save()
    {
        HPDF_SaveToStream(m_doc);
        std::vector<HPDF_BYTE> bytes(HPDF_GetStreamSize(m_doc));
        auto size = static_cast<HPDF_UINT32>(bytes.size());
        HPDF_ReadFromStream(m_doc, bytes.data(), &size);
        return QByteArray(reinterpret_cast<const char*>(bytes.data()), static_cast<qsizetype>(size));
    }

private:
    HPDF_STATUS m_error = HPDF_OK;
    HPDF_Doc m_doc;
};

} // namespace

TEST(HaruInternals, ExpectTheLibraryInUse)
{
    EXPECT_STREQ(haru::libraryVersion(), haru::expectedVersion()) << kUpgrade;
    EXPECT_NO_THROW(haru::checkLibrary()) << kUpgrade;
}

TEST(HaruInternals, OperatorsAndAFormReachThePageAsWritten)
{
    Document pdf;
    HPDF_Page page = HPDF_AddPage(pdf.get());
    HPDF_Font font = HPDF_GetFont(pdf.get(), "Helvetica", "WinAnsiEncoding");
    ASSERT_TRUE(page && font);

    const char* fontName = haru::fontName(page, font);
    haru::Handle resources = haru::newFormResources(pdf.get(), font);
    const std::string form = "0 g\n1 2 3 4 re\nf\nBT\n/F0 8 Tf\n(9) Tj\nET\n";
    haru::Handle xObject = haru::newForm(pdf.get(), {-5, -6, 70, 80}, resources, form.data(), form.size());
    const char* formName = haru::xObjectName(page, xObject);
    ASSERT_TRUE(fontName && resources && xObject && formName) << kUpgrade;
    EXPECT_STREQ(haru::xObjectName(page, xObject), formName) << "a second use names the same form";

    // Written in two parts, the first far smaller than libharu's own stream buffer.
    const std::string first = std::string("BT\n/") + fontName + " 12 Tf\n72 700 Td\n(Quorvel) Tj\nET\n";
    const std::string second = std::string("q\n1 0 0 1 100 100 cm\n/") + formName + " Do\nQ\n";
    EXPECT_TRUE(haru::writeContent(pdf.get(), page, first.data(), first.size())) << kUpgrade;
    EXPECT_TRUE(haru::writeContent(pdf.get(), page, second.data(), second.size())) << kUpgrade;
    // libharu's own operators still land after ours.
    HPDF_Page_Rectangle(page, 10, 10, 20, 20);
    HPDF_Page_Stroke(page);
    ASSERT_EQ(pdf.error(), HPDF_OK) << kUpgrade;

    const QByteArray bytes = pdf.save();
    const QByteArray contents = QByteArray::fromStdString(first + second) + "10 10 20 20 re\nS\n";
    EXPECT_TRUE(bytes.contains("stream\r\n" + contents + "\nendstream")) << kUpgrade << "\n" << bytes.constData();
    EXPECT_TRUE(bytes.contains("/Subtype /Form\n/BBox [ -5 -6 70 80 ]\n/Resources ")) << kUpgrade << "\n" << bytes.constData();
    EXPECT_TRUE(bytes.contains("stream\r\n" + QByteArray::fromStdString(form) + "\nendstream")) << kUpgrade;

    const QString path = scratchDir(QStringLiteral("haru-internals")) + QStringLiteral("/page.pdf");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const auto check = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path});
    EXPECT_EQ(check.exitCode, 0) << kUpgrade << "\n" << check.out.constData() << check.err.constData();
    const auto text = runTool(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    EXPECT_EQ(QString::fromUtf8(text.out).simplified(), QStringLiteral("Quorvel 9")) << kUpgrade;
}

TEST(HaruInternals, TrueTypeDefinitionNamesAreTheLoadedFontsOwn)
{
    const char* file = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
    if (!QFile::exists(QString::fromLatin1(file)))
        GTEST_SKIP() << file << " is not installed";
    Document pdf;
    const char* loaded = HPDF_LoadTTFontFromFile(pdf.get(), file, HPDF_FALSE);
    ASSERT_NE(loaded, nullptr);
    const std::string name = loaded;
    const auto names = haru::fontDefinitionNames(pdf.get(), loaded);
    ASSERT_TRUE(names[0] && names[1]) << kUpgrade;
    EXPECT_EQ(std::string(names[0]), name) << kUpgrade;
    EXPECT_EQ(std::string(names[1]), name) << kUpgrade;
    EXPECT_EQ(haru::fontDefinitionNames(pdf.get(), "NoSuchFont")[0], nullptr);
}
