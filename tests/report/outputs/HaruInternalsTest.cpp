// The PDF writer's reach past libharu's public calls, proved on the library in use: a libharu
// whose private structures differ from the ones HaruInternals.cpp was written against fails here
// by name, not as a damaged PDF in the field.
#include "report/outputs/HaruInternals.h"
#include "report/outputs/OutputFixtures.h"
#include "report/outputs/Spool.h"
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

    /// Saved through haru::save, the way the PDF writer saves.
    QByteArray save()
    {
        QByteArray bytes;
        const auto append = [](void* to, const char* data, std::size_t size) {
            static_cast<QByteArray*>(to)->append(data, static_cast<qsizetype>(size));
            return true;
        };
        EXPECT_TRUE(haru::save(m_doc, append, &bytes)) << kUpgrade;
        return bytes;
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

TEST(HaruInternals, PagesAndFormsOfOursReachTheFileAsWritten)
{
    Document pdf;
    HPDF_Font font = HPDF_GetFont(pdf.get(), "Helvetica", "WinAnsiEncoding");
    ASSERT_TRUE(font);

    Spool spool(QStringLiteral("page.pdf"));
    haru::Handle shared = haru::newPageResources(pdf.get());
    haru::Handle formResources = haru::newFormResources(pdf.get(), font);
    const std::string form = "0 g\n1 2 3 4 re\nf\nBT\n/F0 8 Tf\n(9) Tj\nET\n";
    const std::uint64_t formAt = spool.append(form.data(), form.size());
    haru::Handle xObject = haru::newForm(pdf.get(), {-5, -6, 70, 80}, formResources, spool, formAt, form.size());
    ASSERT_TRUE(shared && formResources && xObject) << kUpgrade;
    EXPECT_EQ(haru::addFont(shared, font), 1u);
    EXPECT_EQ(haru::addXObject(shared, xObject), 1u);

    // Two pages to a node, the third of another size (its text lies off the page): a page tree in
    // miniature.
    haru::PageTree pages(pdf.get(), 2);
    const std::string first = "BT\n/F1 12 Tf\n72 700 Td\n(Quorvel) Tj\nET\nq\n1 0 0 1 100 100 cm\n/X1 Do\nQ\n";
    const std::string second = "BT\n/F1 12 Tf\n72 700 Td\n(two) Tj\nET\n";
    // Spooled after the form, as a page's contents are: the save reads the spool out of order.
    const std::uint64_t firstAt = spool.append(first.data(), first.size());
    const std::uint64_t secondAt = spool.append(second.data(), second.size());
    EXPECT_TRUE(pages.add(shared, 595.276, 841.89, spool, firstAt, first.size())) << kUpgrade;
    EXPECT_TRUE(pages.add(shared, 595.276, 841.89, spool, secondAt, second.size())) << kUpgrade;
    EXPECT_TRUE(pages.add(shared, 141.73228, 85.03937, spool, secondAt, second.size())) << kUpgrade;
    ASSERT_EQ(pdf.error(), HPDF_OK) << kUpgrade;

    const QByteArray bytes = pdf.save();
    EXPECT_TRUE(bytes.contains("/Length " + QByteArray::number(qsizetype(first.size())) + "\n>>\nstream\r\n"
                               + QByteArray::fromStdString(first) + "\nendstream"))
        << kUpgrade << "\n" << bytes.constData();
    EXPECT_TRUE(bytes.contains("/Subtype /Form/BBox[-5 -6 70 80]/Resources ")) << kUpgrade << "\n" << bytes.constData();
    EXPECT_TRUE(bytes.contains(" 0 R/Length " + QByteArray::number(qsizetype(form.size())) + "\n>>\nstream\r\n"
                               + QByteArray::fromStdString(form) + "\nendstream"))
        << "the form's length is written in place\n" << bytes.constData();
    EXPECT_EQ(bytes.count("/MediaBox"), 2) << "the document's size once, and the one page that differs\n" << bytes.constData();
    EXPECT_TRUE(bytes.contains("/MediaBox[0 0 141.73228 85.03937]")) << bytes.constData();

    const QString path = scratchDir(QStringLiteral("haru-internals")) + QStringLiteral("/page.pdf");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    file.close();
    const auto check = runTool(QStringLiteral("qpdf"), {QStringLiteral("--check"), path});
    EXPECT_EQ(check.exitCode, 0) << kUpgrade << "\n" << check.out.constData() << check.err.constData();
    const auto text = runTool(QStringLiteral("pdftotext"), {path, QStringLiteral("-")});
    EXPECT_EQ(QString::fromUtf8(text.out).simplified(), QStringLiteral("Quorvel 9 two")) << kUpgrade;
    const auto info = runTool(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QStringLiteral("1"), QStringLiteral("-l"),
                                                          QStringLiteral("3"), path});
    EXPECT_TRUE(QString::fromUtf8(info.out).simplified().contains(QStringLiteral("Pages: 3"))) << info.out.constData();
    EXPECT_TRUE(QString::fromUtf8(info.out).simplified().contains(QStringLiteral("Page 2 size: 595.276 x 841.89 pts"))) << "inherited\n" << info.out.constData();
    EXPECT_TRUE(QString::fromUtf8(info.out).simplified().contains(QStringLiteral("Page 3 size: 141.732 x 85.0394 pts"))) << info.out.constData();
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
