// Readable Qt strings in GoogleTest's failure messages, control characters escaped so that a
// stray CR shows as \r. Declared in the global namespace, where QString lives, for gtest to find.
#pragma once

#include <QString>
#include <QStringList>

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* os)
{
    *os << '"';
    for (QChar c : text) {
        switch (c.unicode()) {
        case u'\r': *os << "\\r"; break;
        case u'\n': *os << "\\n"; break;
        case u'\t': *os << "\\t"; break;
        case u'"': *os << "\\\""; break;
        case u'\\': *os << "\\\\"; break;
        default:
            if (c.unicode() < 0x20)
                *os << "\\x" << std::hex << static_cast<unsigned>(c.unicode()) << std::dec;
            else
                *os << QString(c).toUtf8().constData();
        }
    }
    *os << '"';
}

inline void PrintTo(const QStringList& list, std::ostream* os)
{
    *os << '{';
    for (const QString& s : list) {
        PrintTo(s, os);
        *os << ' ';
    }
    *os << '}';
}
