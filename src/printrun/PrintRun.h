// The print run that the window's print button and quorvel-batch print share: the label bound and
// the page limit, the expansion of the import table into the print table, and the report project
// made ready for one pass. What a pass does with the ready project (the window previews it,
// quorvel-batch writes its pages) is the caller's, as are the confirmation, the cursor and the
// reprint question.
#pragma once

#include <QDate>
#include <QString>

#include <memory>

namespace quorvel::table {
class Table;
}

namespace quorvel::labels {
struct PrintPlan;
}

namespace quorvel::report {
class DataSetConnection;
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
    /// Neither table is owned; both outlive the run. `definition`: the report definition file
    /// that prepare() sets (a run that only checks and expands needs none).
    PrintRun(table::Table& importTable, table::Table& printTable, QString definition = {});

    /// The label bound: fails, naming the total and the limit, when the import table asks for
    /// more labels than one run makes. Moves nothing; call it before expand().
    void checkLabels() const;

    /// The page limit: fails, naming both numbers, when under `plan` the labels would make more
    /// pages than `system` keeps (its lastPage), the first label in its startLabel slot. A plan
    /// that could not read its definition checks nothing: the pass then says why.
    void checkPages(const labels::PrintPlan& plan, const report::ReportSystem& system) const;

    /// Empties the print table and fills it with qtd copies of every import-table row, walking
    /// the import table from its first row. That first move resolves a pending row and can fail
    /// with the table's message: the print table is then already empty.
    void expand();

    /// One pass up to the report itself, in this order: close `project`, set its definition file,
    /// set "loja" to `loja`, set "data" to `today` as mm/yy with the regional date separator, open.
    /// Fails with the engine's texts (a missing or unreadable definition).
    void prepare(report::ReportProject& project, const QString& loja, const QDate& today) const;

private:
    table::Table& m_importTable;
    table::Table& m_printTable;
    QString m_definition;
};

} // namespace quorvel::printrun
