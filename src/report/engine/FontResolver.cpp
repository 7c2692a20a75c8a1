#include "report/engine/FontResolver.h"

#include <QHash>
#include <QMutex>

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <optional>

namespace quorvel::report {

namespace {

std::optional<StandardFamily> standardFamily(const QString& family)
{
    const QString f = family.trimmed().toLower();
    if (f.isEmpty() || f == u"arial" || f == u"helvetica" || f == u"liberation sans" || f == u"arimo"
        || f == u"ms sans serif" || f == u"sans" || f == u"sans-serif")
        return StandardFamily::Sans;
    if (f == u"times" || f == u"times new roman" || f == u"times-roman" || f == u"liberation serif"
        || f == u"tinos" || f == u"serif")
        return StandardFamily::Serif;
    if (f == u"courier" || f == u"courier new" || f == u"liberation mono" || f == u"cousine"
        || f == u"monospace")
        return StandardFamily::Mono;
    return std::nullopt;
}

QString twinOf(StandardFamily family)
{
    switch (family) {
    case StandardFamily::Serif: return QStringLiteral("Liberation Serif");
    case StandardFamily::Mono: return QStringLiteral("Liberation Mono");
    case StandardFamily::Sans: break;
    }
    return QStringLiteral("Liberation Sans");
}

/// The TrueType file of an installed family, with that family's name as fontconfig spells it;
/// nothing when the family is not installed (fontconfig would offer another family) or only
/// as another kind of font file.
std::optional<std::pair<QString, QByteArray>> trueTypeFile(const QString& family, bool bold, bool italic)
{
    std::optional<std::pair<QString, QByteArray>> found;
    const QByteArray name = family.toUtf8();
    FcPattern* pattern = FcPatternCreate();
    if (!pattern)
        return found;
    FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(name.constData()));
    FcPatternAddInteger(pattern, FC_WEIGHT, bold ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
    FcPatternAddInteger(pattern, FC_SLANT, italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
    FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
    FcDefaultSubstitute(pattern);
    FcResult result = FcResultNoMatch;
    if (FcPattern* match = FcFontMatch(nullptr, pattern, &result)) {
        FcChar8* matchedFamily = nullptr;
        FcChar8* file = nullptr;
        if (FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch
            && FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch) {
            const QString matched = QString::fromUtf8(reinterpret_cast<const char*>(matchedFamily));
            const QByteArray path(reinterpret_cast<const char*>(file));
            if (matched.compare(family.trimmed(), Qt::CaseInsensitive) == 0 && path.toLower().endsWith(".ttf"))
                found.emplace(matched, path);
        }
        FcPatternDestroy(match);
    }
    FcPatternDestroy(pattern);
    return found;
}

ResolvedFont lookUp(const FontSpec& wanted)
{
    if (const auto standard = standardFamily(wanted.family))
        return {twinOf(*standard), {}, *standard};
    if (auto file = trueTypeFile(wanted.family, wanted.bold, wanted.italic))
        return {std::move(file->first), std::move(file->second), StandardFamily::Sans};
    return {twinOf(StandardFamily::Sans), {}, StandardFamily::Sans};
}

} // namespace

ResolvedFont resolveFont(const FontSpec& wanted)
{
    static QMutex mutex;
    static QHash<QString, ResolvedFont> known;
    const QString key = wanted.family.toLower() + u'|' + (wanted.bold ? u'b' : u'-') + (wanted.italic ? u'i' : u'-');
    QMutexLocker lock(&mutex);
    if (auto it = known.constFind(key); it != known.constEnd())
        return *it;
    return *known.insert(key, lookUp(wanted));
}

QFont toQFont(const FontSpec& wanted)
{
    QFont font(resolveFont(wanted).family);
    font.setPointSizeF(std::max(wanted.sizePt, 0.1));
    font.setBold(wanted.bold);
    font.setItalic(wanted.italic);
    font.setKerning(false);
    font.setHintingPreference(QFont::PreferNoHinting);
    return font;
}

} // namespace quorvel::report
