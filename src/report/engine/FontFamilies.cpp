#include "report/engine/FontFamilies.h"

namespace quorvel::report {

StandardFamily standardFamily(const QString& family)
{
    const QString f = family.trimmed().toLower();
    if (f == u"arial" || f == u"helvetica" || f == u"liberation sans" || f == u"arimo"
        || f == u"ms sans serif" || f == u"sans" || f == u"sans-serif")
        return StandardFamily::Sans;
    if (f == u"times" || f == u"times new roman" || f == u"times-roman" || f == u"liberation serif"
        || f == u"tinos" || f == u"serif")
        return StandardFamily::Serif;
    if (f == u"courier" || f == u"courier new" || f == u"liberation mono" || f == u"cousine"
        || f == u"monospace")
        return StandardFamily::Mono;
    return StandardFamily::None;
}

QString screenFamily(const QString& family)
{
    switch (standardFamily(family)) {
    case StandardFamily::Sans: return QStringLiteral("Liberation Sans");
    case StandardFamily::Serif: return QStringLiteral("Liberation Serif");
    case StandardFamily::Mono: return QStringLiteral("Liberation Mono");
    case StandardFamily::None: break;
    }
    return family.isEmpty() ? QStringLiteral("Liberation Sans") : family;
}

} // namespace quorvel::report
