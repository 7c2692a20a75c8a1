#include "report/ui/PrinterResolution.h"

#include "report/cups/CupsDevice.h"
#include "report/engine/ReportSystem.h"

#include <QPrinterInfo>

namespace quorvel::report {

int printerResolution(const ReportSystem& system)
{
    return queueResolution(system.printerName.isEmpty() ? QPrinterInfo::defaultPrinterName() : system.printerName);
}

} // namespace quorvel::report
