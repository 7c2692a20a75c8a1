// The words the operator reads about a row that will not print as expected, and the page limit.
#include "labels/ImportTable.h"
#include "printrun/Preflight.h"
#include "table/Failure.h"
#include "support/Scoped.h"

#include <QLocale>

#include <gtest/gtest.h>

using namespace quorvel;

namespace {

struct WordsCase
{
    const char* name;
    QString engine;
    QString operatorWords;
};

void PrintTo(const WordsCase& c, std::ostream* os) { *os << c.name; }

class BarcodeWords : public ::testing::TestWithParam<WordsCase>
{};

TEST_P(BarcodeWords, SayWhatIsWrongInPortuguese)
{
    EXPECT_EQ(labels::barcodeProblem(GetParam().engine), GetParam().operatorWords);
}

const QString kInvalid = QString::fromUtf8("Código de barras inválido: ");

INSTANTIATE_TEST_SUITE_P(
    EngineTexts, BarcodeWords,
    ::testing::Values(
        WordsCase{"CheckDigit", QStringLiteral("Error 275: Invalid check digit '2', expecting '9'"),
                  kInvalid + QString::fromUtf8("dígito verificador deveria ser 9")},
        WordsCase{"Length", QStringLiteral("EAN-13 needs 12 or 13 digits: \"12A\""),
                  kInvalid + QString::fromUtf8("EAN-13 precisa de 12 ou 13 dígitos")},
        WordsCase{"LengthRange", QStringLiteral("UPC-E needs 6 to 8 digits: \"1\""),
                  kInvalid + QString::fromUtf8("UPC-E precisa de 6 a 8 dígitos")},
        WordsCase{"OddItf", QStringLiteral("Interleaved 2 of 5 needs an even number of digits: \"123\""),
                  kInvalid + QString::fromUtf8("Interleaved 2 of 5 precisa de um número par de dígitos")},
        WordsCase{"Character", QStringLiteral("Code 39 cannot encode 'a' in \"abc\""),
                  kInvalid + QString::fromUtf8("o Code 39 não aceita o caractere 'a'")},
        WordsCase{"Empty", QStringLiteral("No bar code data"),
                  QString::fromUtf8("Código de barras vazio: a etiqueta sairia com uma caixa de erro")},
        WordsCase{"UnknownKeepsTheEngineText", QStringLiteral("Error 999: Something new"),
                  kInvalid + QStringLiteral("Error 999: Something new")}),
    [](const auto& row) { return std::string(row.param.name); });

TEST(PageLimit, RefusesOnlyPastTheLimitNamingBothNumbers)
{
    const quorvel::test::ScopedLocale locale(quorvel::test::brazil());
    EXPECT_NO_THROW(labels::checkPageCount(9999, 9999));
    try {
        labels::checkPageCount(12345, 9999);
        ADD_FAILURE() << "no failure";
    } catch (const Failure& f) {
        EXPECT_EQ(f.message(), QString::fromUtf8("A impressão teria 12.345 páginas, mais que o limite de 9.999 páginas por "
                                                 "impressão. Diminua as quantidades e imprima em partes."));
    }
}

TEST(Summary, CountsErrorBoxesOnlyOnRowsThatPrint)
{
    auto t = labels::makeImportTable();
    const auto row = [&](const char* code, std::int32_t qtd) {
        t->append();
        t->setText(labels::ImportField::DESC_COR_PRODUTO, "AZUL");
        t->setText(labels::ImportField::GRIFFE, "NORTE");
        t->setText(labels::ImportField::CODIGO_BARRA, code);
        t->setInteger(labels::ImportField::qtd, qtd);
        t->store();
    };
    row("7891000000002", 2);
    row("7891000000002", 3);
    row("7891000000003", 0);
    row("2000000012346", 4);
    labels::PrintPlan plan;
    plan.codeBarcodes = {report::BarcodeOptions{}};
    labels::CodeChecker codes;
    codes.setBarcodes(plan.codeBarcodes);
    const labels::PreflightSummary s = labels::summarize(*t, plan, codes);
    EXPECT_EQ(s.rows, 4);
    EXPECT_EQ(s.labels, 9);
    EXPECT_EQ(s.errorRows, 2);
    EXPECT_EQ(s.errorLabels, 5);
    EXPECT_EQ(s.errorCodes, QStringList{QStringLiteral("7891000000002")}) << "each code once";
    EXPECT_EQ(s.pages, 0) << "a plan that could not be read counts no pages";
}

} // namespace
