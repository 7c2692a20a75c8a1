#include "report/ui/PrinterLine.h"

#include "report/engine/PageDescription.h"
#include "report/engine/ReportSystem.h"

#include <QLibrary>
#include <QPrinterInfo>

namespace quorvel::report {

namespace {

// Qt names no port, so the device URI is read from the CUPS client library Qt itself uses,
// resolved at run time so that building needs no CUPS headers.
struct CupsOption
{
    char* name;
    char* value;
};
struct CupsDest
{
    char* name;
    char* instance;
    int isDefault;
    int optionCount;
    CupsOption* options;
};
using GetNamedDest = CupsDest* (*)(void*, const char*, const char*);
using GetOption = const char* (*)(const char*, int, CupsOption*);
using FreeDests = void (*)(int, CupsDest*);

} // namespace

QString printerLine(const QString& name, const QString& port)
{
    if (name.isEmpty())
        return QStringLiteral("No printers installed!");
    if (port.isEmpty())
        return name;
    return QStringLiteral("%1 on %2").arg(name, port);
}

QString printerPort(const QString& name)
{
    if (name.isEmpty())
        return {};
    static QLibrary cups(QStringLiteral("cups"), 2);
    auto getNamedDest = reinterpret_cast<GetNamedDest>(cups.resolve("cupsGetNamedDest"));
    auto getOption = reinterpret_cast<GetOption>(cups.resolve("cupsGetOption"));
    auto freeDests = reinterpret_cast<FreeDests>(cups.resolve("cupsFreeDests"));
    if (!getNamedDest || !getOption || !freeDests)
        return {};
    CupsDest* dest = getNamedDest(nullptr, name.toUtf8().constData(), nullptr);
    if (!dest)
        return {};
    const QString port = QString::fromUtf8(getOption("device-uri", dest->optionCount, dest->options));
    freeDests(1, dest);
    return port;
}

QString currentPrinter(const ReportSystem& system, const PageDescription& pages)
{
    if (!pages.print.printerName.isEmpty())
        return pages.print.printerName;
    if (!system.printerName.isEmpty())
        return system.printerName;
    const QString fallback = QPrinterInfo::defaultPrinterName();
    if (!fallback.isEmpty())
        return fallback;
    const QStringList names = QPrinterInfo::availablePrinterNames();
    return names.isEmpty() ? QString() : names.constFirst();
}

} // namespace quorvel::report
