// quorvel-batch check: what the window would mark in the label files, and whether a run of them
// would waste labels or pass the page limit, for a system that hands files to a shop.
#include "BatchTables.h"
#include "BatchUi.h"
#include "CheckReport.h"
#include "Command.h"
#include "Options.h"

#include "labels/ImportTable.h"
#include "printrun/Preflight.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "table/Failure.h"
#include "table/Windows1252.h"

#include <QFileInfo>

#include <cstdio>

namespace quorvel::batch {

namespace {

/// One row as check names it: its file and line, its bar code and why.
QString rowLine(const QString& file, int line, const std::string& code, const QString& why)
{
    return QStringLiteral("%1:%2\t%3\t%4\n")
        .arg(QFileInfo(file).fileName())
        .arg(line)
        .arg(table::fromWindows1252(code), QString(why).replace(QLatin1Char('\n'), QStringLiteral("; ")));
}

} // namespace

QString errorBoxRows(const QStringList& files, const QString& definition)
{
    auto importTable = labels::makeImportTable();
    std::vector<std::pair<QString, int>> firstRows;
    for (const QString& file : files) {
        firstRows.emplace_back(file, importTable->rowCount());
        // The run itself says why an import stops.
        if (!importStop({file}, *importTable).isEmpty())
            return {};
    }
    labels::CodeChecker codes;
    codes.setBarcodes(labels::PrintPlan::read(definition).codeBarcodes);
    QString rows;
    std::size_t file = 0;
    for (int row = 0; row < importTable->rowCount(); ++row) {
        while (file + 1 < firstRows.size() && row >= firstRows[file + 1].second)
            ++file;
        if (importTable->integerAt(row, labels::ImportField::qtd) < 1)
            continue;
        const std::string code = importTable->textAt(row, labels::ImportField::CODIGO_BARRA);
        if (const QString& why = codes.problem(code); !why.isEmpty())
            rows += rowLine(firstRows[file].first, row - firstRows[file].second + 1, code, why);
    }
    return rows;
}

CheckReport checkFiles(const QStringList& files, const QString& definition)
{
    CheckReport report;
    // The definition's own failure, in the engine's words, before anything is counted under it.
    report::ReportSystem system;
    {
        BatchUi ui(false);
        report::ReportProject project(system, ui);
        project.setProjectFile(definition);
        project.open();
    }
    const labels::PrintPlan plan = labels::PrintPlan::read(definition);

    // Every complete line of a file gives one row: a row's line is its place among the file's rows.
    auto importTable = labels::makeImportTable();
    std::vector<std::pair<QString, int>> firstRows;   // file, its first row
    QString stopped;
    std::vector<labels::OriginalTexts> originals;
    const auto stored = [&originals](int row, const labels::LabelItem& item) {
        originals.resize(static_cast<std::size_t>(row) + 1);
        originals[static_cast<std::size_t>(row)] = labels::cutOnImport(item);
    };
    for (const QString& file : files) {
        const int first = importTable->rowCount();
        firstRows.emplace_back(file, first);
        if (const QString stop = importStop({file}, *importTable, stored); !stop.isEmpty()) {
            // The line after the file's last stored row is the one that stopped it; what came
            // before is still worth checking.
            if (stop != QLatin1String(" "))
                stopped = QStringLiteral("%1:%2: %3\n").arg(QFileInfo(file).fileName()).arg(importTable->rowCount() - first + 1).arg(stop);
            else
                stopped = QStringLiteral(" ");
            break;
        }
    }

    labels::CodeChecker codes;
    codes.setBarcodes(plan.codeBarcodes);
    std::size_t file = 0;
    for (int row = 0; row < importTable->rowCount(); ++row) {
        while (file + 1 < firstRows.size() && row >= firstRows[file + 1].second)
            ++file;
        const auto r = static_cast<std::size_t>(row);
        const QString why = labels::rowProblems(*importTable, row, codes, r < originals.size() ? &originals[r] : nullptr);
        if (why.isEmpty())
            continue;
        report.out += rowLine(firstRows[file].first, row - firstRows[file].second + 1,
                              importTable->textAt(row, labels::ImportField::CODIGO_BARRA), why);
    }
    const labels::PreflightSummary summary = labels::summarize(*importTable, plan, codes);
    report.out += QStringLiteral("rows: %1\nlabels: %2\npages: %3\nlabels with an error box: %4\n")
                      .arg(summary.rows)
                      .arg(summary.labels)
                      .arg(summary.pages)
                      .arg(summary.errorLabels);
    report.status = summary.errorLabels > 0 ? 1 : 0;
    if (!stopped.isEmpty()) {
        if (stopped != QLatin1String(" "))
            report.err += stopped;
        report.status = 1;
        return report;
    }
    try {
        labels::checkPageCount(summary.pages, system.lastPage);
    } catch (const Failure& failure) {
        report.err += failure.message() + u'\n';
        report.status = 1;
    }
    return report;
}

namespace {

int runCheck(const QStringList& args)
{
    QStringList files;
    QString definition;
    Options options(checkCommand);
    options.text("--definition", definition);
    options.operands(files, "label file", true);
    if (!options.parse(args))
        return 2;
    if (definition.isEmpty())
        definition = defaultDefinition();
    const CheckReport report = checkFiles(files, definition);
    std::fputs(report.out.toUtf8().constData(), stdout);
    std::fflush(stdout);
    std::fputs(report.err.toUtf8().constData(), stderr);
    return report.status;
}

} // namespace

const Command checkCommand{
    "check",
    "check [--definition PATH] FILE...",
    "Imports like list and prints each row the window would mark: its file and line, the bar code\n"
    "      and why; then the totals of rows, labels, pages under the definition (default: the one\n"
    "      beside the program) and labels that would print an error box. Exit status 1 when a label\n"
    "      would print an error box, the run would pass the page limit or an import stopped (its\n"
    "      FILE:LINE and message on standard error, after the rows before it). Values the tag will\n"
    "      cut are marked too, without changing the exit status.",
    false,
    runCheck,
};

} // namespace quorvel::batch
