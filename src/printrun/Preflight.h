// What the import table will print under the active report definition, known before a run:
// why a row will not print as the operator expects, how many labels would carry a bar-code
// error box, and how many pages the run needs.
#pragma once

#include "report/engine/Definition.h"
#include "table/Table.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace quorvel::labels {

struct LabelItem;

/// What a report definition does with the print table's labels.
struct PrintPlan
{
    /// The bar codes drawn from the field Codigo; none: no code can fail.
    std::vector<report::BarcodeOptions> codeBarcodes;
    /// Pages the active report makes of a number of labels, for each start slot 1..; empty when
    /// the definition could not be read (the run itself then says why).
    std::function<std::int64_t(std::int64_t labels, int startLabel)> pages;
    std::int64_t labelsPerPage = 0;

    /// Reads the definition at `path` without a word: a file that cannot be read, or holds no
    /// report, gives a plan that checks nothing.
    static PrintPlan read(const QString& path);
};

/// Checks each distinct bar code once against the plan's bar codes, with the engine's own check.
class CodeChecker
{
public:
    /// Forgets what was checked when the bar codes differ from the ones checked so far.
    void setBarcodes(std::vector<report::BarcodeOptions> barcodes);
    /// Why `code` (Windows-1252 bytes, as the table holds it) would print as an error box, in
    /// Portuguese; empty when every bar code prints it.
    const QString& problem(const std::string& code);
    /// The engine's own text for the code's error box; empty when it prints.
    QString engineError(const std::string& code) const;

private:
    std::vector<report::BarcodeOptions> m_barcodes;
    std::unordered_map<std::string, QString> m_checked;
};

/// The operator's words for the engine's error text of a bar code.
QString barcodeProblem(const QString& engineError);

/// The texts of a label line longer than the import table keeps (field of the import table,
/// the line's bytes); most lines have none.
using OriginalTexts = std::vector<std::pair<int, std::string>>;
OriginalTexts cutOnImport(const LabelItem& item);

/// The values of the row the tag will show shorter than the line gave them (`originals`, while
/// the row still holds what the import kept of them) or than the grid shows, each as the
/// operator reads it: the grid's title, the value and what the tag will show.
QStringList cutValues(const table::Table& importTable, int row, const OriginalTexts* originals = nullptr);

/// Why the row of the import table will not print as expected, one reason a line (LF); empty
/// when it will.
QString rowProblems(const table::Table& importTable, int row, CodeChecker& codes, const OriginalTexts* originals = nullptr);

struct PreflightSummary
{
    int rows = 0;
    std::int64_t labels = 0;
    std::int64_t pages = 0;             ///< under the plan; 0 when the plan could not be read
    int errorRows = 0;                  ///< rows printing at least one label with an error box
    std::int64_t errorLabels = 0;
    QStringList errorCodes;             ///< the codes of those rows, in table order, each once
};

/// Whether the row gives every value the import table requires: only a pending row can fail to.
bool storable(const table::Table& importTable, int row);

/// Walks the rows in view without moving the cursor; a pending row counts only when it can be
/// stored.
PreflightSummary summarize(const table::Table& importTable, const PrintPlan& plan, CodeChecker& codes);

/// Fails, naming both numbers, when a run would make more pages than `limit`.
void checkPageCount(std::int64_t pages, std::int64_t limit);

} // namespace quorvel::labels
