#include "BatchTables.h"

#include "labels/LabelImport.h"
#include "printrun/PrintRun.h"
#include "table/Failure.h"
#include "table/Numbers.h"
#include "table/Windows1252.h"

#include <QCoreApplication>

#include <string>

namespace quorvel::batch {

QString defaultDefinition()
{
    return printrun::definitionBeside(QCoreApplication::applicationDirPath());
}

QString withFullStop(const QString& message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + QLatin1Char('.');
    return message;
}

QString importStop(const QStringList& files, table::Table& importTable,
                   const std::function<void(int row, const labels::LabelItem& item)>& stored)
{
    try {
        for (const QString& file : files)
            if (labels::importLabelFile(file, importTable, stored) == labels::ReadEnd::EmptyLine)
                return labels::emptyLineMessage();
        return {};
    } catch (const Failure& failure) {
        if (importTable.state() == table::Table::State::Inserting)
            importTable.abandon();
        if (dynamic_cast<const SilentAbort*>(&failure) != nullptr)
            return QStringLiteral(" ");
        const QString text = withFullStop(failure.message());
        return text.isEmpty() ? QStringLiteral(" ") : text;
    }
}

int importFiles(const QStringList& files, table::Table& importTable)
{
    const QString stop = importStop(files, importTable);
    if (stop.isEmpty())
        return 0;
    if (stop != QLatin1String(" "))
        std::fprintf(stderr, "%s\n", stop.toUtf8().constData());
    return 1;
}

void printTable(const table::Table& t, std::FILE* out)
{
    table::DecimalSeparatorScope separator;
    std::string line;
    for (int f = 0; f < t.fieldCount(); ++f) {
        if (f > 0)
            line.push_back('\t');
        line += t.field(f).name;
    }
    line.push_back('\n');
    std::fwrite(line.data(), 1, line.size(), out);
    for (int row = 0; row < t.rowCount(); ++row) {
        line.clear();
        for (int f = 0; f < t.fieldCount(); ++f) {
            if (f > 0)
                line.push_back('\t');
            table::appendUtf8FromWindows1252(line, t.textAt(row, f));
        }
        line.push_back('\n');
        std::fwrite(line.data(), 1, line.size(), out);
    }
    std::fflush(out);
}

} // namespace quorvel::batch
