#include "labels/LabelFixtures.h"

#include <QFile>

#include <cstdio>

namespace quorvel::test {

std::string Files::path(const std::string& name) const
{
    return m_dir.filePath(QString::fromStdString(name)).toStdString();
}

std::string Files::write(const std::string& name, const std::string& bytes)
{
    std::string p = path(name);
    QFile file(QString::fromStdString(p));
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()))
        std::fprintf(stderr, "cannot write %s\n", p.c_str());
    return p;
}

std::string column(const table::Table& t, int field)
{
    std::string out;
    for (int row = 0; row < t.rowCount(); ++row) {
        if (row > 0)
            out += ',';
        out += t.textAt(row, field);
    }
    return out;
}

std::string escaped(const std::string& bytes)
{
    std::string out;
    for (char c : bytes) {
        auto b = static_cast<unsigned char>(c);
        if (c == '\r')
            out += "\\r";
        else if (c == '\n')
            out += "\\n";
        else if (b < 32 || b == 127) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\x%02X", b);
            out += buf;
        } else
            out.push_back(c);
    }
    return out;
}

} // namespace quorvel::test
