// Reads report definition files: XML in UTF-8 under the root element <quorvel-report> with
// version="1". The format is described for shop developers in docs/report-definition.md.
#pragma once

#include "report/engine/Definition.h"

#include <QByteArray>
#include <QString>

namespace quorvel::report {

class MessageSink;

/// Parses a definition's bytes. `path` is the file's full path: images are resolved beside it.
/// Zero bytes give Definition::blank(). An element of an unknown kind is reported through
/// `messages` and skipped. Fails with "Invalid Project Format" (not XML, or another root),
/// "Invalid Project Header Code" (missing or unsupported version), or a text naming the line
/// for a damaged or inconsistent file.
Definition readDefinition(const QByteArray& bytes, const QString& path, MessageSink& messages);

/// The message for an element of an unknown kind.
QString unknownClassMessage(const QString& name);

} // namespace quorvel::report
