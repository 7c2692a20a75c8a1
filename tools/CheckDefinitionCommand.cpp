// quorvel-batch check-definition: reads a report definition and reports what would print badly
// on a label printer, each finding with the line of its element, as compilers do.
#include "Command.h"
#include "Options.h"

#include "labels/LabelColumns.h"
#include "report/engine/DefinitionCheck.h"
#include "report/engine/DefinitionReader.h"
#include "report/engine/MessageSink.h"
#include "report/engine/TextMeasure.h"
#include "table/Failure.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

namespace quorvel::batch {
namespace {

/// The reader's messages, reported as warnings with the findings.
struct Messages final : report::MessageSink
{
    void showMessage(const QString& text) override { texts << text; }
    QStringList texts;
};

/// The print table's text fields and the characters each keeps.
report::FieldWidths printFieldWidths()
{
    report::FieldWidths widths;
    for (const labels::LabelColumn& c : labels::kLabelColumns)
        if (c.printField != labels::LabelColumn::kNoField && c.print.type == table::FieldType::Text)
            widths[QString::fromLatin1(c.print.name).toLower()] = c.print.width;
    return widths;
}

int runCheck(const QStringList& args)
{
    QStringList paths;
    int dpi = 0;
    Options options(checkDefinitionCommand);
    options.wholeNumber("--dpi", dpi, 50, 2400);
    options.operands(paths, "definition", false);
    if (!options.parse(args))
        return 2;
    const QString& path = paths.front();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot open file \"%1\". %2").arg(QDir::toNativeSeparators(path), file.errorString()));
    Messages messages;
    const report::Definition def = report::readDefinition(file.readAll(), QFileInfo(path).absoluteFilePath(), messages);
    for (const QString& m : messages.texts)
        std::printf("%s: warning: %s\n", qPrintable(path), qPrintable(m));
    report::TextMeasure measure;
    int errors = 0, warnings = static_cast<int>(messages.texts.size());
    for (const report::DefinitionFinding& f : report::checkDefinition(def, dpi, measure, printFieldWidths())) {
        const bool error = f.severity == report::DefinitionFinding::Severity::Error;
        ++(error ? errors : warnings);
        std::printf("%s:%lld: %s: %s\n", qPrintable(path), static_cast<long long>(f.line), error ? "error" : "warning",
                    f.reason.toUtf8().constData());
    }
    std::printf("%s: %d error(s), %d warning(s)\n", qPrintable(path), errors, warnings);
    return errors > 0 ? 1 : 0;
}

} // namespace

const Command checkDefinitionCommand{
    "check-definition",
    "check-definition DEF [--dpi N]",
    "Reports, with each element's line, what would print badly on a label printer: a bar code\n"
    "      module under one dot, an EAN/UPC X-dimension under 0.264 mm (80 % of 0.33 mm), a module\n"
    "      rounded to whole dots (warning), quiet zones that overlap another item or the label's\n"
    "      edge, a bar-code box too narrow for 13 digits, items outside their label, and on pages\n"
    "      printed at 300 dpi or less (quality, else --dpi) grey or colour and text under 5 pt; a\n"
    "      field's text box too narrow for the field's full width without shrink-to-fit (warning).\n"
    "      --dpi N: the printer's resolution, for pages without quality. Exit 1 on any error.",
    true,
    runCheck,
};

} // namespace quorvel::batch
