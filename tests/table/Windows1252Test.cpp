// The code page's tricky bytes, 0x80 to 0x9F, as Python's cp1252 and iconv's CP1252 decode
// them; both leave 0x81, 0x8D, 0x8F, 0x90 and 0x9D undefined.
#include "table/Windows1252.h"

#include <gtest/gtest.h>

#include <string>

using namespace quorvel::table;

namespace {

struct CodePageCase
{
    const char* name;
    std::string bytes;    ///< as a label file holds them
    QString text;         ///< as they are shown
    std::string glyphs;   ///< as a font of the code page draws them
    bool decodes = true;  ///< false: `bytes` is only what `text` encodes to
};

void PrintTo(const CodePageCase& c, std::ostream* os) { *os << c.name; }

class CodePage : public ::testing::TestWithParam<CodePageCase>
{};

TEST_P(CodePage, DecodesEncodesAndDrawsAsTheCodecDoes)
{
    const CodePageCase& c = GetParam();
    if (c.decodes) {
        EXPECT_EQ(fromWindows1252(c.bytes), c.text);
    }
    EXPECT_EQ(toWindows1252(c.text), c.bytes);
    EXPECT_EQ(toWindows1252Glyphs(c.text), c.glyphs);
}

const std::string kDefinedHigh = "\x80\x82\x83\x84\x85\x86\x87\x88\x89\x8A\x8B\x8C\x8E"
                                 "\x91\x92\x93\x94\x95\x96\x97\x98\x99\x9A\x9B\x9C\x9E\x9F";

INSTANTIATE_TEST_SUITE_P(
    Bytes, CodePage,
    ::testing::Values(
        CodePageCase{"DefinedHighBytes", kDefinedHigh,
                     QString::fromUtf16(u"\u20AC\u201A\u0192\u201E\u2026\u2020\u2021\u02C6\u2030\u0160\u2039\u0152\u017D"
                                        u"\u2018\u2019\u201C\u201D\u2022\u2013\u2014\u02DC\u2122\u0161\u203A\u0153\u017E\u0178"),
                     kDefinedHigh},
        CodePageCase{"UndefinedBytesStandForTheirC1Controls", "\x81\x8D\x8F\x90\x9D",
                     QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D"), "?????"},
        CodePageCase{"UpperHalfIsLatin1", "\xA0\xC7\xE3\xFF", QString::fromUtf16(u"\u00A0\u00C7\u00E3\u00FF"), "\xA0\xC7\xE3\xFF"},
        CodePageCase{"ControlsHaveNoGlyph", "a\tb\r\x7F", QStringLiteral("a\tb\r\x7F"), "a?b??"},
        CodePageCase{"OutsideTheCodePage", "a?\x96z", QString::fromUtf16(u"a\u4E2D\u2013z"), "a?\x96z", false},
        CodePageCase{"SurrogatePairIsOneCharacter", "a?z", QString::fromUtf16(u"a\U0001F600z"), "a?z", false},
        CodePageCase{"LoneSurrogate", "a?z", QStringLiteral("a") + QChar(0xD800) + QStringLiteral("z"), "a?z", false}),
    [](const auto& row) { return std::string(row.param.name); });

} // namespace
