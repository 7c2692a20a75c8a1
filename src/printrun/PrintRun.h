// The print run, for every caller: the window's print button with its reprint loop,
// quorvel-batch print and the designer's test print. It owns the steps and their order: the
// label bound, one read of the report definition for the checks and the first pass, the page
// limit, the expansion of the import table into the print table, and each pass of the report
// (close, definition file, "loja", "data", open, then the run under the lock, laid out and
// handed to the preview or to an output). What surrounds it is the caller's: the confirmation,
// the cursor, the question about error boxes and the reprint question.
#pragma once

#include "printrun/Preflight.h"

#include <QDate>
#include <QString>

#include <memory>
#include <optional>

namespace quorvel::table {
class Table;
}

namespace quorvel::report {
class DataSetConnection;
class PageSink;
class ReportProject;
class ReportSystem;
} // namespace quorvel::report

namespace quorvel::printrun {

/// The report definition a print run uses: "Relatorios/tag_02_Quorvel.rav" in `programFolder`.
QString definitionBeside(const QString& programFolder);

/// The data connection "RvDataSetConnection1", through which reports read `printTable`. The table
/// is not owned and must outlive the connection.
std::unique_ptr<report::DataSetConnection> makeConnection(table::Table& printTable);

class PrintRun
{
public:
    /// Nothing is owned; all outlive the run. `project` runs the passes, with the print system
    /// and connections it was given; `definition` is the report definition file each pass sets.
    PrintRun(table::Table& importTable, table::Table& printTable, QString definition, report::ReportProject& project);
    /// A run that only checks its label bound and expands: it runs no pass.
    PrintRun(table::Table& importTable, table::Table& printTable);
    ~PrintRun();
    PrintRun(const PrintRun&) = delete;
    PrintRun& operator=(const PrintRun&) = delete;

    /// The label bound: fails, naming the total and the limit, when the import table asks for
    /// more labels than one run makes. Moves nothing; call it before expand().
    void checkLabels() const;

    /// What the definition does with the labels, from the run's one read of it (made on the first
    /// call); the first pass opens the project from that same read. A definition that cannot be
    /// read gives a plan that checks nothing: the first pass then fails with the reason.
    const labels::PrintPlan& plan();

    /// The page limit: fails, naming both numbers, when the labels would make more pages than
    /// `system` keeps (its lastPage), the first label in its startLabel slot.
    void checkPages(const report::ReportSystem& system);

    /// Empties the print table and fills it with qtd copies of every import-table row, walking
    /// the import table from its first row. That first move resolves a pending row and can fail
    /// with the table's message: the print table is then already empty.
    void expand();

    /// A pass up to the report itself, in this order: close the project, set its definition file,
    /// set "loja" to `loja`, set "data" to `today` as mm/yy with the regional date separator, open.
    /// Fails with the engine's texts (a missing or unreadable definition).
    void prepare(const QString& loja, const QDate& today);

    /// A pass as the window makes it: prepare, then the run through the preview (execute).
    void preview(const QString& loja, const QDate& today);
    /// A pass without a window: prepare, then the run's kept pages handed to `sink`. False when
    /// the lock could not be had (Cancel) or the run was stopped.
    bool write(const QString& loja, const QDate& today, report::PageSink& sink);

private:
    table::Table& m_importTable;
    table::Table& m_printTable;
    QString m_definition;
    report::ReportProject* m_project = nullptr;
    struct Read;
    std::unique_ptr<Read> m_read;   // the one read, until the first pass opens it
    std::optional<labels::PrintPlan> m_plan;
};

} // namespace quorvel::printrun
