// Helpers shared by the fuzz targets: inputs as files, and the process's open descriptors.
#pragma once

#include "support/Descriptors.h"

#include <QString>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <variant>
#include <sys/mman.h>
#include <unistd.h>

namespace quorvel::fuzz {

/// An in-memory file holding the bytes, reachable by a path while the object lives.
class MemoryFile
{
public:
    MemoryFile(const std::uint8_t* data, std::size_t size)
    {
        m_fd = memfd_create("fuzz-input", MFD_CLOEXEC);
        if (m_fd < 0)
            std::abort();
        for (std::size_t done = 0; done < size;) {
            ssize_t n = ::write(m_fd, data + done, size - done);
            if (n <= 0)
                std::abort();
            done += static_cast<std::size_t>(n);
        }
    }
    ~MemoryFile() { ::close(m_fd); }
    MemoryFile(const MemoryFile&) = delete;
    MemoryFile& operator=(const MemoryFile&) = delete;

    QString path() const { return QStringLiteral("/proc/self/fd/%1").arg(m_fd); }

private:
    int m_fd = -1;
};

using test::openDescriptors;

[[noreturn]] inline void fail(const char* what)
{
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

/// Every item of every page refers to a font, symbol and image the description holds.
template<typename Doc, typename TextItem, typename SymbolItem, typename ImageItem>
void checkReferences(const Doc& doc)
{
    for (const auto& page : doc.pages) {
        for (const auto& item : page.items) {
            if (const auto* t = std::get_if<TextItem>(&item); t && t->font >= doc.fonts.size())
                fail("a text refers to a font the pages do not hold");
            if (const auto* s = std::get_if<SymbolItem>(&item); s && s->symbol >= doc.symbols.size())
                fail("a bar code refers to a symbol the pages do not hold");
            if (const auto* i = std::get_if<ImageItem>(&item); i && i->image >= doc.images.size())
                fail("an image item refers to an image the pages do not hold");
        }
    }
    for (const auto& symbol : doc.symbols)
        if (!symbol.captions.empty() && symbol.captionFont >= doc.fonts.size())
            fail("a bar code caption refers to a font the pages do not hold");
}

} // namespace quorvel::fuzz
