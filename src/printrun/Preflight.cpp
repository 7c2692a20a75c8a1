#include "printrun/Preflight.h"

#include "labels/ImportTable.h"
#include "labels/LabelColumns.h"
#include "labels/PrintTable.h"
#include "report/engine/BarcodeEncoder.h"
#include "report/engine/EngineUi.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "table/Failure.h"
#include "table/Windows1252.h"

#include <QRegularExpression>
#include <QSet>

#include <algorithm>
#include <memory>

namespace quorvel::labels {

namespace {

/// A plan is read without a word: the definition's messages are the run's to show. It never
/// runs a report, so nothing else of a UI is ever asked.
class Quiet final : public report::EngineUi
{
public:
    void showMessage(const QString&) override {}
    void showError(const QString&) override {}
    bool askRetryLock() override { return false; }
    void beginGeneration(const report::ReportSystem&) override {}
    bool setStatus(const QString&) override { return false; }
    bool poll() override { return false; }
    void endGeneration() override {}
    void preview(const report::PageDescription&, report::ReportSystem&, const report::Relayout&) override {}
    void wait(int) override {}
};

} // namespace

PrintPlan PrintPlan::read(const QString& path)
{
    PrintPlan plan;
    auto system = std::make_shared<report::ReportSystem>();
    auto ui = std::make_shared<Quiet>();
    auto project = std::make_shared<report::ReportProject>(*system, *ui);
    try {
        project->setProjectFile(path);
        project->open();
    } catch (const Failure&) {
        return plan;
    }
    if (!project->activeReport())
        return plan;
    plan.codeBarcodes = project->fieldBarcodes(QStringLiteral("Codigo"));
    plan.labelsPerPage = project->labelsPerPage();
    plan.pages = [system, ui, project](std::int64_t labels, int startLabel) { return project->pageCount(labels, startLabel); };
    return plan;
}

void CodeChecker::setBarcodes(std::vector<report::BarcodeOptions> barcodes)
{
    if (barcodes == m_barcodes)
        return;
    m_barcodes = std::move(barcodes);
    m_checked.clear();
}

QString CodeChecker::engineError(const std::string& code) const
{
    const QString data = table::fromWindows1252(code);
    for (const report::BarcodeOptions& options : m_barcodes)
        if (QString error = report::barcodeError(options, data); !error.isEmpty())
            return error;
    return {};
}

const QString& CodeChecker::problem(const std::string& code)
{
    auto it = m_checked.find(code);
    if (it == m_checked.end()) {
        const QString error = engineError(code);
        it = m_checked.emplace(code, error.isEmpty() ? QString() : barcodeProblem(error)).first;
    }
    return it->second;
}

QString barcodeProblem(const QString& engineError)
{
    static const QString prefix = QString::fromUtf8("Código de barras inválido: ");
    if (engineError == QLatin1String("No bar code data"))
        return QString::fromUtf8("Código de barras vazio: a etiqueta sairia com uma caixa de erro");
    struct Rule
    {
        QRegularExpression pattern;
        const char* words;   // UTF-8, with \\1 ... for the captures
    };
    static const std::vector<Rule> rules = {
        {QRegularExpression(QStringLiteral("[Cc]heck digit '.*', expecting '(.)'")), "dígito verificador deveria ser \\1"},
        {QRegularExpression(QStringLiteral("^(\\S+) needs (\\d+) or (\\d+) digits")), "\\1 precisa de \\2 ou \\3 dígitos"},
        {QRegularExpression(QStringLiteral("^(\\S+) needs (\\d+) to (\\d+) digits")), "\\1 precisa de \\2 a \\3 dígitos"},
        {QRegularExpression(QStringLiteral("^PostNet needs 5, 9 or 11 digits")), "PostNet precisa de 5, 9 ou 11 dígitos"},
        {QRegularExpression(QStringLiteral("^Interleaved 2 of 5 needs an even number of digits")),
         "Interleaved 2 of 5 precisa de um número par de dígitos"},
        {QRegularExpression(QStringLiteral("^UPC-E number system must be 0 or 1")), "o UPC-E deve começar por 0 ou 1"},
        {QRegularExpression(QStringLiteral("^(Code \\d+) cannot encode '(.)'")), "o \\1 não aceita o caractere '\\2'"},
    };
    for (const Rule& rule : rules) {
        const QRegularExpressionMatch m = rule.pattern.match(engineError);
        if (!m.hasMatch())
            continue;
        QString words = QString::fromUtf8(rule.words);
        for (int i = m.lastCapturedIndex(); i >= 1; --i)
            words.replace(QStringLiteral("\\%1").arg(i), m.captured(i));
        return prefix + words;
    }
    return prefix + engineError;
}

OriginalTexts cutOnImport(const LabelItem& item)
{
    OriginalTexts out;
    for (const LabelColumn& c : kLabelColumns)
        if (c.item != nullptr && (item.*c.item).size() > static_cast<std::size_t>(c.import.width))
            out.emplace_back(c.importField, std::string(item.*c.item));
    return out;
}

QStringList cutValues(const table::Table& t, int row, const OriginalTexts* originals)
{
    QStringList cuts;
    for (const LabelColumn* c : columnsBy(&LabelColumn::gridPosition)) {
        if (c == nullptr || c->item == nullptr || c->printField == LabelColumn::kNoField)
            continue;
        const auto kept = static_cast<std::size_t>(std::min(c->print.width, c->import.width));
        std::string value = t.textAt(row, c->importField);
        if (originals)
            for (const auto& [field, text] : *originals)
                if (field == c->importField && value == text.substr(0, static_cast<std::size_t>(c->import.width)))
                    value = text;
        if (value.size() <= kept)
            continue;
        cuts << QString::fromUtf8("%1 \"%2\" sairá como \"%3\" na etiqueta")
                    .arg(QString::fromUtf8(c->gridTitle), table::fromWindows1252(value),
                         table::fromWindows1252(value.substr(0, kept)));
    }
    return cuts;
}

QString rowProblems(const table::Table& t, int row, CodeChecker& codes, const OriginalTexts* originals)
{
    QStringList reasons;
    if (const QString& code = codes.problem(t.textAt(row, ImportField::CODIGO_BARRA)); !code.isEmpty())
        reasons << code;
    if (t.isNullAt(row, ImportField::qtd)) {
        reasons << QString::fromUtf8("Quantidade vazia: esta linha não gera etiquetas");
    } else if (const std::int32_t n = t.integerAt(row, ImportField::qtd); n == 0) {
        reasons << QString::fromUtf8("Quantidade 0: esta linha não gera etiquetas");
    } else if (n < 0) {
        reasons << QString::fromUtf8("Quantidade negativa (%1): esta linha não gera etiquetas").arg(n);
    }
    if (t.isNullAt(row, ImportField::PRECO1))
        reasons << QString::fromUtf8("Preço vazio: a etiqueta sairá sem preço");
    reasons << cutValues(t, row, originals);
    return reasons.join(QLatin1Char('\n'));
}

bool storable(const table::Table& t, int row)
{
    for (const LabelColumn& c : kLabelColumns) {
        if (!c.required)
            continue;
        if (t.isNullAt(row, c.importField) || (c.import.type == table::FieldType::Text && t.textAt(row, c.importField).empty()))
            return false;
    }
    return true;
}

PreflightSummary summarize(const table::Table& t, const PrintPlan& plan, CodeChecker& codes)
{
    PreflightSummary s;
    s.rows = t.rowCount();
    QSet<QString> listed;
    for (int row = 0; row < s.rows; ++row) {
        const std::int32_t n = t.integerAt(row, ImportField::qtd);
        if (n < 1 || (row == t.pendingRow() && !storable(t, row)))
            continue;
        s.labels += n;
        const std::string code = t.textAt(row, ImportField::CODIGO_BARRA);
        if (codes.problem(code).isEmpty())
            continue;
        ++s.errorRows;
        s.errorLabels += n;
        const QString shown = table::fromWindows1252(code);
        if (!listed.contains(shown)) {
            listed.insert(shown);
            s.errorCodes << shown;
        }
    }
    if (plan.pages)
        s.pages = plan.pages(s.labels, 1);
    return s;
}

void checkPageCount(std::int64_t pages, std::int64_t limit)
{
    checkBound(pages, limit,
               "A impressão teria %1 páginas, mais que o limite de %2 páginas por impressão. "
               "Diminua as quantidades e imprima em partes.");
}

} // namespace quorvel::labels
