#include "report/ui/PrinterLine.h"

#include "report/engine/PageDescription.h"
#include "report/engine/ReportSystem.h"

#include <QPrinterInfo>

#include <cups/cups.h>

namespace quorvel::report {

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
    // Qt names no port: the device URI comes from the CUPS client library Qt itself uses.
    cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.toUtf8().constData(), nullptr);
    if (!dest)
        return {};
    const QString port = QString::fromUtf8(cupsGetOption("device-uri", dest->num_options, dest->options));
    cupsFreeDests(1, dest);
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
