// Small label-file fixtures shared by the label tests.
#pragma once

#include "table/Table.h"

#include <QTemporaryDir>

#include <initializer_list>
#include <ostream>
#include <string>
#include <vector>

namespace quorvel::test {

/// One label line: a discarded first character, then each field ended by "|".
inline std::string labelLine(std::initializer_list<std::string> fields, char first = 'X')
{
    std::string line(1, first);
    for (const std::string& f : fields)
        line += f + '|';
    return line;
}

/// A valid line whose group is `grupo`; the rest are everyday values.
inline std::string item(const std::string& grupo, const std::string& qtd = "2", const std::string& preco = "39,90")
{
    return labelLine({grupo, "CAMISETAS", "NORTE", "AZUL MARINHO", "CM-204", "BASICA", "M", "2000000012346", preco, qtd});
}

/// Writes byte strings to files of a temporary folder.
class Files
{
public:
    std::string write(const std::string& name, const std::string& bytes);
    std::string path(const std::string& name) const;

private:
    QTemporaryDir m_dir;
};

/// The values of one field over the rows in view, joined by ",".
std::string column(const table::Table& t, int field);

/// Control characters escaped, so a stray CR shows as \r.
std::string escaped(const std::string& bytes);

} // namespace quorvel::test
