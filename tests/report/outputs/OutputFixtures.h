// Small page descriptions built by hand for the output tests, and the external tools that
// check what the outputs wrote.
#pragma once

#include "report/engine/PageDescription.h"
#include "support/QtPrinters.h"

#include <QString>
#include <QStringList>

#include <ostream>


namespace quorvel::report::testing {

/// An EAN-13 (12 or 13 digits) encoded with libzint: one unit per module scaled to `modulePt`,
/// captions placed by the left end of their baselines, as the engine records them, for
/// digits of Helvetica (or a metric twin) at `captionSizePt`.
Symbol ean13(const char* digits, double modulePt, std::uint32_t captionFont, double captionSizePt);

/// A label page: an accented text line, a price, a frame and an EAN-13.
PageDescription labelDocument(int pages = 1);

/// Makes `symbol` one that could not be encoded, with `error`, and puts the error box layout
/// gives such a symbol (ErrorBox.h) after every item that places it.
void markUnencodable(PageDescription& doc, std::uint32_t symbol, const QString& error);

/// A tiny PNG or JPEG (the format name as QImageWriter knows it) of w x h pixels.
QByteArray encodedPicture(const char* format, int w, int h);

struct ToolResult
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};
/// Runs a program and waits for it; exitCode -1 when it could not start.
ToolResult runTool(const QString& program, const QStringList& args);

/// The bytes of a file; empty when it cannot be read.
QByteArray readAll(const QString& path);

/// A fresh folder under the test binary's folder, emptied first.
QString scratchDir(const QString& name);

} // namespace quorvel::report::testing
