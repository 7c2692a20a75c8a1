// The label-file reader with its quantity and price rules, feeding the import table: any bytes
// end in rows, a clear failure or the empty-line stop; the file is closed on every way out.
#include "support/FuzzSupport.h"

#include "labels/LabelFileReader.h"
#include "labels/ImportTable.h"
#include "table/Failure.h"

#include <QLocale>

#include <algorithm>
#include <cstdint>
#include <string>
#include <string_view>

using namespace quorvel;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte picks the regional settings: comma or point as the decimal separator.
    QLocale::setDefault(QLocale((data[0] & 1) ? QLocale::Portuguese : QLocale::C,
                                (data[0] & 1) ? QLocale::Brazil : QLocale::AnyTerritory));
    fuzz::MemoryFile file(data + 1, size - 1);
    auto lines = static_cast<long>(std::count(data + 1, data + size, '\n')) + 1;
    auto importTable = labels::makeImportTable();
    long items = 0;
    int before = fuzz::openDescriptors();
    try {
        labels::readLabelFile(file.path(), [&](const labels::LabelItem& item) {
            ++items;
            if (items > lines)
                fuzz::fail("more items than lines");
            labels::insereItem(*importTable, item);
        });
    } catch (const SilentAbort&) {
        fuzz::fail("the reader ended silently");
    } catch (const Failure& failure) {
        if (failure.message().isEmpty())
            fuzz::fail("a failure without a message");
    }
    if (fuzz::openDescriptors() != before)
        fuzz::fail("the label file was left open");

    // Read a few bytes at a time every line goes byte by byte; the items must not change.
    auto itemsOf = [&](std::size_t bufferSize) {
        std::string record;
        try {
            auto end = labels::readLabelFile(file.path(), [&](const labels::LabelItem& item) {
                for (std::string_view v : {item.grupo, item.subgrupo, item.griffe, item.descCorProduto,
                                           item.referFabricante, item.tipo, item.tamanho, item.codigoBarra}) {
                    record.append(v);
                    record.push_back('\x1f');
                }
                record += std::to_string(item.qtd) + '\x1f' + std::to_string(item.preco) + '\n';
            }, bufferSize);
            record += end == labels::ReadEnd::EmptyLine ? "<empty line>" : "<end>";
        } catch (const Failure& failure) {
            record += failure.message().toStdString();
        }
        return record;
    };
    if (itemsOf(1 << 20) != itemsOf(7))
        fuzz::fail("a line read whole and read across reads gave different items");
    return 0;
}
