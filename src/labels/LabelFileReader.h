// Reads a label file line by line, handing each complete line to a sink.
#pragma once

#include "labels/ImportTable.h"

#include <QString>

#include <cstddef>
#include <functional>

namespace quorvel::labels {

enum class ReadEnd {
    Completed,   ///< end of file, a Ctrl-Z at the start of a line, or a line with too few separators
    EmptyLine,   ///< an empty line stopped the reading; the caller shows emptyLineMessage()
};

/// "Estrutura de arquivo não foi programada!" CR "Entrar em contato com a Tarbelo!"
QString emptyLineMessage();

/// Reads `path`, calling `sink` once per complete line. Input/output failures and bad numbers
/// throw Failure with the operator's texts; the file is closed on every way out. The regional
/// decimal separator is taken once, when the reading starts (a DecimalSeparatorScope held by the
/// caller wins). Memory grows with the rows kept, not the line length. The cursor is not moved:
/// after Completed the caller moves the import table to its first row.
ReadEnd readLabelFile(const QString& path, const std::function<void(const LabelItem&)>& sink);

/// As above, reading at most `bufferSize` bytes at a time. Lines that lie whole in one read are
/// split in place, the others byte by byte: both ways give the same items and the same end.
ReadEnd readLabelFile(const QString& path, const std::function<void(const LabelItem&)>& sink,
                      std::size_t bufferSize);

} // namespace quorvel::labels
