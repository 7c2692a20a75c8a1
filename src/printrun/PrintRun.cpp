#include "printrun/PrintRun.h"

#include "labels/PrintTable.h"
#include "printrun/Preflight.h"
#include "report/engine/DataSetConnection.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "table/Table.h"

namespace quorvel::printrun {

QString definitionBeside(const QString& programFolder)
{
    return programFolder + QStringLiteral("/Relatorios/tag_02_Quorvel.rav");
}

std::unique_ptr<report::DataSetConnection> makeConnection(table::Table& printTable)
{
    return std::make_unique<report::DataSetConnection>(QStringLiteral("RvDataSetConnection1"), &printTable);
}

PrintRun::PrintRun(table::Table& importTable, table::Table& printTable, QString definition)
    : m_importTable(importTable), m_printTable(printTable), m_definition(std::move(definition))
{
}

void PrintRun::checkLabels() const
{
    labels::checkLabelCount(m_importTable);
}

void PrintRun::checkPages(const labels::PrintPlan& plan, const report::ReportSystem& system) const
{
    if (plan.pages)
        labels::checkPageCount(plan.pages(labels::countLabels(m_importTable), system.startLabel), system.lastPage);
}

void PrintRun::expand()
{
    labels::expand(m_importTable, m_printTable);
}

void PrintRun::prepare(report::ReportProject& project, const QString& loja, const QDate& today) const
{
    project.close();
    project.setProjectFile(m_definition);
    project.setParam(QStringLiteral("loja"), loja);
    project.setParam(QStringLiteral("data"), report::dateParameter(today));
    project.open();
}

} // namespace quorvel::printrun
