// The marks of the label list: the grid's indicator column marks every row that will not print as
// the operator expects (a bar code the active definition cannot print, no labels, no price), with
// the reason as its tool tip; and the checks a print run makes before it empties the print table.
#pragma once

#include "printrun/Preflight.h"

#include <QObject>
#include <QString>

#include <functional>
#include <vector>

class QFileSystemWatcher;
class QTableView;

namespace quorvel::printrun {
class PrintRun;
}

namespace quorvel::report {
class ReportSystem;
}

namespace quorvel::table {
class TableModel;
}

namespace quorvel::app {

class Dialogs;
class ErrorHandler;

class ListMarks : public QObject
{
    Q_OBJECT

public:
    /// Where the definition is, asked at every reading.
    using PathSource = std::function<QString()>;

    /// Marks the rows of `model` shown in `grid` under the definition `definitionPath` names,
    /// read now and again whenever that file changes. All three must outlive the marks.
    ListMarks(table::TableModel& model, QTableView& grid, PathSource definitionPath, ErrorHandler& errors,
              QObject* parent = nullptr);
    ~ListMarks() override;

    /// Reads the definition again (from where the path source says now) and marks every row anew.
    void reload();

    /// Marks the rows [first, end) as lines of a file imported before; the mark stays with each
    /// row as rows come and go, and leaves with it.
    void markRepeated(int first, int end);
    /// The texts of the row's label line that the import table cut: the row's marks name them
    /// whole while the row holds what the import kept of them.
    void setOriginals(int row, labels::OriginalTexts texts);

    /// Why the row (table index) is marked; empty when it is not.
    QString reasons(int row);

    /// Before `run` empties the print table: takes the definition as the run read it, has the run check its
    /// page limit under it and `system` (which fails with the limit's message), and asks whether
    /// to print anyway when labels would carry a bar-code error box. False when the operator
    /// declines.
    bool approvesRun(Dialogs& dialogs, printrun::PrintRun& run, const report::ReportSystem& system);

private:
    /// Reads the definition at m_path and watches it.
    void readDefinition();
    void watch();

    table::TableModel& m_model;
    PathSource m_pathSource;
    QString m_path;
    ErrorHandler& m_errors;
    QFileSystemWatcher* m_watcher;
    labels::PrintPlan m_plan;
    labels::CodeChecker m_codes;
    std::vector<char> m_repeated;   ///< by view row: a line of a file imported again
    std::vector<labels::OriginalTexts> m_originals;   ///< by view row
    int m_subscription = -1;
};

} // namespace quorvel::app
