// Shared helpers of the engine tests: a print table like cdsImpEtq, definition snippets,
// pages drawn to images and zbarimg.
#pragma once

#include "report/engine/PageDescription.h"
#include "support/PageImages.h"
#include "table/Table.h"

#include <QImage>
#include <QString>
#include <QStringList>

#include <memory>
#include <ostream>
#include <vector>

namespace quorvel::report::testing {

struct LabelRow
{
    const char* codigo = nullptr;
    const char* referencia = nullptr;
    const char* cor = nullptr;
    const char* tam = nullptr;
    const char* marca = nullptr;
    const char* preco = nullptr;   ///< text with the regional separator; null: no price
};

/// A table with the print table's ten fields, holding `rows`.
std::unique_ptr<table::Table> makeLabelTable(const std::vector<LabelRow>& rows = {});

/// A definition document: `body` inside the root element of the current format.
QByteArray definitionXml(const QString& body);

/// Writes `bytes` to a new file under `dir` and returns its full path.
QString writeFile(const QString& dir, const QString& name, const QByteArray& bytes);

using test::inkBounds;
using test::rasterPage;

/// Every symbol zbarimg reads in `image`, as "TYPE:DATA" lines; empty when none.
QStringList zbarDecode(const QImage& image);

} // namespace quorvel::report::testing
