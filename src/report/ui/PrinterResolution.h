// The dot grid a window's run lays bar codes on: the printer its output options start with.
#pragma once

namespace quorvel::report {

class ReportSystem;

/// The resolution of the printer a run's output options start with: the one chosen through
/// "&Setup", else the system's default printer; 0 when there is none or its driver does not say.
int printerResolution(const ReportSystem& system);

} // namespace quorvel::report
