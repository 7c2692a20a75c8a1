// Snapshot files, and what is done with a snapshot once it is open: any bytes are refused with
// a message or give pages whose references hold, that save to the same bytes again, and that
// the PDF writer and the painter draw without fault.
#include "support/FuzzSupport.h"

#include "report/engine/PageDescription.h"
#include "report/outputs/PagePainter.h"
#include "report/outputs/RenderPdf.h"
#include "report/outputs/Snapshot.h"
#include "table/Failure.h"

#include <QFile>
#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>

#include <cstdlib>
#include <string>

using namespace quorvel;

namespace {

QTemporaryDir* g_dir = nullptr;

// A file around `payload`: signature, version 1, length, payload, CRC-32.
std::string framed(const std::uint8_t* payload, std::size_t size)
{
    std::string file("\x89QNDR\r\n\x1a", 8);
    auto little = [&file](std::uint64_t v, int bytes) {
        for (int i = 0; i < bytes; ++i)
            file.push_back(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    little(1, 4);
    little(size, 8);
    file.append(reinterpret_cast<const char*>(payload), size);
    std::uint32_t crc = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= payload[i];
        for (int k = 0; k < 8; ++k)
            crc = (crc & 1) ? 0xEDB88320u ^ (crc >> 1) : crc >> 1;
    }
    little(crc ^ 0xFFFFFFFFu, 4);
    return file;
}

QByteArray contents(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fuzz::fail("a saved snapshot cannot be read back");
    return file.readAll();
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    g_dir = new QTemporaryDir;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    // The first byte says whether the rest is a whole file or a payload to frame correctly, so
    // that the fuzzer reaches past the checksum.
    std::string bytes = (data[0] & 1) ? std::string(reinterpret_cast<const char*>(data + 1), size - 1)
                                      : framed(data + 1, size - 1);
    fuzz::MemoryFile file(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
    report::PageDescription doc;
    int before = fuzz::openDescriptors();
    try {
        doc = report::snapshot::read(file.path());
    } catch (const Failure& failure) {
        if (failure.message().isEmpty())
            fuzz::fail("a failure without a message");
        if (fuzz::openDescriptors() != before)
            fuzz::fail("a refused snapshot was left open");
        return 0;
    }
    if (fuzz::openDescriptors() != before)
        fuzz::fail("a snapshot was left open");
    fuzz::checkReferences<report::PageDescription, report::TextItem, report::SymbolItem, report::ImageItem>(doc);

    const QString first = g_dir->filePath(QStringLiteral("first.ndr"));
    const QString second = g_dir->filePath(QStringLiteral("second.ndr"));
    report::snapshot::write(doc, first);
    report::snapshot::write(report::snapshot::read(first), second);
    if (contents(first) != contents(second))
        fuzz::fail("a snapshot does not save to the same bytes after reopening");

    try {
        report::RenderPdf().write(doc, g_dir->filePath(QStringLiteral("out.pdf")));
    } catch (const Failure& failure) {
        if (failure.message().isEmpty())
            fuzz::fail("a PDF failure without a message");
    }
    QImage image(32, 32, QImage::Format_ARGB32_Premultiplied);
    for (std::size_t i = 0; i < doc.pages.size() && i < 3; ++i) {
        QPainter painter(&image);
        painter.scale(0.05, 0.05);
        report::paintPage(painter, doc, i);
    }
    return 0;
}
