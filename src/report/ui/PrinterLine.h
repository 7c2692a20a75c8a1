// Which printer a print goes to, and how the output-options dialog names it.
#pragma once

#include <QString>

namespace quorvel::report {

class ReportSystem;
struct PageDescription;

/// "<name> on <port>", the name alone when no port is known, "No printers installed!" without a name.
QString printerLine(const QString& name, const QString& port);

/// The printer's port as the print system knows it (its device URI), empty when unknown.
QString printerPort(const QString& name);

/// The printer a print goes to: the definition's own, else the one chosen through "&Setup",
/// else the system's default, else any installed one; empty when none is installed.
QString currentPrinter(const ReportSystem& system, const PageDescription& pages);

} // namespace quorvel::report
