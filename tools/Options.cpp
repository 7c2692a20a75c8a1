#include "Options.h"

#include "Command.h"
#include "PageFiles.h"

#include <cstdio>

namespace quorvel::batch {

Options::Options(const Command& command) : m_command(command) {}

void Options::flag(const char* name, bool& set)
{
    set = false;
    m_options.push_back({QString::fromLatin1(name), false, [&set](const QString&) {
                             set = true;
                             return QString();
                         }});
}

void Options::text(const char* name, QString& value)
{
    m_options.push_back({QString::fromLatin1(name), true, [&value](const QString& v) {
                             value = v;
                             return QString();
                         }});
}

void Options::number(const char* name, double& value, double least, double most)
{
    const QString option = QString::fromLatin1(name);
    m_options.push_back({option, true, [&value, option, least, most](const QString& v) {
                             bool ok = false;
                             const double n = v.toDouble(&ok);
                             if (!ok || n < least || n > most)
                                 return QStringLiteral("%1 takes a number from %2 to %3").arg(option).arg(least).arg(most);
                             value = n;
                             return QString();
                         }});
}

void Options::wholeNumber(const char* name, int& value, int least, int most)
{
    const QString option = QString::fromLatin1(name);
    m_options.push_back({option, true, [&value, option, least, most](const QString& v) {
                             bool ok = false;
                             const int n = v.toInt(&ok);
                             if (ok && n >= least && n <= most) {
                                 value = n;
                                 return QString();
                             }
                             if (most == INT_MAX)
                                 return QStringLiteral("%1 takes a whole number from %2").arg(option).arg(least);
                             return QStringLiteral("%1 takes a whole number from %2 to %3").arg(option).arg(least).arg(most);
                         }});
}

void Options::pageOutputs(QString& pngDir, QString& output, double& dpi, QString* printer, int* copies)
{
    text("--png", pngDir);
    text("-o", output);
    number("--dpi", dpi, 10, 2400);
    if (printer) {
        text("--printer", *printer);
        wholeNumber("--copies", *copies, 1, 9999);
        *copies = 0;
        m_checks.push_back([&pngDir, &output, printer, copies] {
            if (printer->isEmpty() && *copies > 0)
                return QStringLiteral("--copies goes with --printer");
            if (!printer->isEmpty() && (!pngDir.isEmpty() || !output.isEmpty()))
                return QStringLiteral("--printer prints to a queue: give no --png or -o with it");
            return QString();
        });
    }
    m_checks.push_back([&pngDir, &output, printer] {
        if (printer && !printer->isEmpty())
            return QString();
        if (pngDir.isEmpty() && output.isEmpty())
            return printer ? QStringLiteral("name an output: --png DIR, -o FILE or --printer QUEUE")
                           : QStringLiteral("name an output: --png DIR or -o FILE");
        if (!output.isEmpty() && !isPageFileName(output))
            return QStringLiteral("-o writes a .pdf or a .ndr file");
        return QString();
    });
}

void Options::required(const char* name, const QString& value)
{
    const QString option = QString::fromLatin1(name);
    m_checks.push_back([&value, option] { return value.isEmpty() ? QStringLiteral("%1 must be given").arg(option) : QString(); });
}

void Options::lockWait(int& seconds)
{
    seconds = 0;
    wholeNumber("--wait", seconds, 0, 86400);
}

void Options::operands(QStringList& values, const char* noun, bool many)
{
    m_operands = &values;
    m_noun = QString::fromLatin1(noun);
    m_many = many;
}

bool Options::parse(const QStringList& args)
{
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& arg = args[i];
        if (!arg.startsWith(u'-')) {
            if (!m_operands)
                return fail(QStringLiteral("unexpected argument '%1'").arg(arg));
            if (!m_many && !m_operands->isEmpty())
                return fail(QStringLiteral("one %1 at a time").arg(m_noun));
            *m_operands << arg;
            continue;
        }
        const Option* option = nullptr;
        for (const Option& o : m_options)
            if (o.name == arg)
                option = &o;
        if (!option)
            return fail(QStringLiteral("unknown option '%1'").arg(arg));
        if (option->takesValue && i + 1 >= args.size())
            return fail(QStringLiteral("%1 needs a value").arg(arg));
        if (const QString why = option->store(option->takesValue ? args[++i] : QString()); !why.isEmpty())
            return fail(why);
    }
    if (m_operands && m_operands->isEmpty())
        return fail(QStringLiteral("no %1 named").arg(m_noun));
    for (const auto& check : m_checks)
        if (const QString why = check(); !why.isEmpty())
            return fail(why);
    return true;
}

bool Options::fail(const QString& why) const
{
    std::fprintf(stderr, "quorvel-batch %s: %s\nUsage: quorvel-batch %s\n", m_command.name, why.toUtf8().constData(),
                 m_command.usage);
    return false;
}

} // namespace quorvel::batch
