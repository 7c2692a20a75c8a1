// How a definition's font family is matched by the outputs: the PDF's standard fonts and the
// metric-compatible screen fonts that stand in for them, so preview and PDF measure alike.
#pragma once

#include <QString>

namespace quorvel::report {

enum class StandardFamily { Sans, Serif, Mono, None };

/// Arial, Helvetica (and their stand-ins) -> Sans; Times -> Serif; Courier -> Mono.
StandardFamily standardFamily(const QString& family);

/// The family the painter asks Qt for: Liberation Sans/Serif/Mono for the standard ones,
/// the family as named otherwise.
QString screenFamily(const QString& family);

} // namespace quorvel::report
