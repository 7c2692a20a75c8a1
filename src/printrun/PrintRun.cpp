#include "printrun/PrintRun.h"

#include "labels/PrintTable.h"
#include "printrun/Preflight.h"
#include "report/engine/DataSetConnection.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "table/Failure.h"
#include "table/Table.h"

#include <utility>

namespace quorvel::printrun {

QString definitionBeside(const QString& programFolder)
{
    return programFolder + QStringLiteral("/Relatorios/tag_02_Quorvel.rav");
}

std::unique_ptr<report::DataSetConnection> makeConnection(table::Table& printTable)
{
    return std::make_unique<report::DataSetConnection>(QStringLiteral("RvDataSetConnection1"), &printTable);
}

struct PrintRun::Read
{
    report::ReportProject::FileRead file;
};

PrintRun::PrintRun(table::Table& importTable, table::Table& printTable, QString definition, report::ReportProject& project)
    : m_importTable(importTable), m_printTable(printTable), m_definition(std::move(definition)), m_project(&project)
{
}

PrintRun::PrintRun(table::Table& importTable, table::Table& printTable) : m_importTable(importTable), m_printTable(printTable) {}

PrintRun::~PrintRun() = default;

void PrintRun::checkLabels() const
{
    labels::checkLabelCount(m_importTable);
}

const labels::PrintPlan& PrintRun::plan()
{
    if (m_plan)
        return *m_plan;
    m_read = std::make_unique<Read>(Read{report::ReportProject::read(m_definition)});
    labels::PrintPlan plan;
    const std::shared_ptr<const report::Definition> def = m_read->file.definition;
    if (const report::ReportDef* report = def ? report::activeReportOf(*def) : nullptr) {
        plan.codeBarcodes = report::fieldBarcodes(*def, *report, QStringLiteral("Codigo"));
        plan.labelsPerPage = report::firstRegionLabels(*def, *report);
        plan.pages = [def, report](std::int64_t labels, int startLabel) {
            return report::reportPageCount(*def, *report, labels, startLabel);
        };
    }
    m_plan = std::move(plan);
    return *m_plan;
}

void PrintRun::checkPages(const report::ReportSystem& system)
{
    const labels::PrintPlan& p = plan();
    if (p.pages)
        labels::checkPageCount(p.pages(labels::countLabels(m_importTable), system.startLabel), system.lastPage);
}

void PrintRun::expand()
{
    labels::expand(m_importTable, m_printTable);
}

void PrintRun::prepare(const QString& loja, const QDate& today)
{
    if (!m_project)
        throw Failure(QStringLiteral("This print run has no report project to run."));
    m_project->close();
    m_project->setProjectFile(m_definition);
    m_project->setParam(QStringLiteral("loja"), loja);
    m_project->setParam(QStringLiteral("data"), report::dateParameter(today));
    // The first pass opens what the checks read; every later pass reads the file again.
    if (m_read) {
        const std::unique_ptr<Read> read = std::move(m_read);
        m_project->open(std::move(read->file));
    } else {
        m_project->open();
    }
}

void PrintRun::preview(const QString& loja, const QDate& today)
{
    prepare(loja, today);
    m_project->execute();
}

bool PrintRun::write(const QString& loja, const QDate& today, report::PageSink& sink)
{
    prepare(loja, today);
    return m_project->write(sink);
}

} // namespace quorvel::printrun
