// Snapshot files for the windows' tests while the report library has none: page sizes only.
#include "report/Snapshot.h"

#include "report/PageDescription.h"
#include "table/Failure.h"

#include <QDataStream>
#include <QFile>
#include <QFileInfo>

namespace quorvel::report::snapshot {

void write(const PageDescription& pages, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        throw Failure(QStringLiteral("Cannot create file \"%1\". %2")
                          .arg(QFileInfo(path).absoluteFilePath(), file.errorString()));
    QDataStream out(&file);
    out << QByteArray("stand-in") << pages.title << static_cast<quint32>(pages.pages.size());
    for (const Page& page : pages.pages)
        out << page.widthPt << page.heightPt;
}

PageDescription read(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("Cannot open file \"%1\". %2")
                          .arg(QFileInfo(path).absoluteFilePath(), file.errorString()));
    QDataStream in(&file);
    QByteArray magic;
    PageDescription pages;
    quint32 count = 0;
    in >> magic >> pages.title >> count;
    if (magic != "stand-in" || count > 100000)
        throw Failure(QStringLiteral("Invalid snapshot"));
    pages.pages.resize(count);
    for (Page& page : pages.pages)
        in >> page.widthPt >> page.heightPt;
    return pages;
}

} // namespace quorvel::report::snapshot
