// Report generation alone: 10,000 labels from the print table to a page description, with the
// shipped price tag (one label per page) and the A4 sheet of 3 x 10. Prints the time, pages per
// second, the growth of the peak resident size and the page description's own size.
#include "labels/PrintTable.h"
#include "report/engine/DataSetConnection.h"
#include "report/engine/PageDescription.h"
#include "report/engine/PageLayout.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "support/HeadlessUi.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QLocale>

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>
#include <sys/resource.h>

using namespace quorvel;

namespace {

long peakKb()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

/// Heap bytes the page description holds, counted from its parts.
std::size_t describedBytes(const report::PageDescription& doc)
{
    std::size_t bytes = sizeof doc;
    for (const auto& page : doc.pages) {
        bytes += sizeof page + page.items.capacity() * sizeof(report::PageItem);
        for (const auto& item : page.items)
            if (const auto* t = std::get_if<report::TextItem>(&item))
                bytes += static_cast<std::size_t>(t->text.capacity()) * 2 + 32;
    }
    for (const auto& s : doc.symbols)
        bytes += sizeof s + s.bars.capacity() * sizeof(report::Symbol::Bar) + s.captions.capacity() * 64;
    return bytes;
}

void fill(table::Table& t, int labels)
{
    char code[16];
    for (int i = 0; i < labels; ++i) {
        // 12 digits: the engine adds the EAN-13 check digit, so every label has its own code.
        std::snprintf(code, sizeof code, "789%09d", i / 3);
        t.append();
        t.setText(labels::PrintField::Codigo, code);
        t.setText(labels::PrintField::referencia, "CM-204");
        t.setText(labels::PrintField::cor, "AZUL MARINHO");
        t.setText(labels::PrintField::Tam, "GG");
        t.setText(labels::PrintField::Marca, "NORTE CONFECCOES");
        t.setText(labels::PrintField::preco, "139,9");
        t.store();
    }
}

void bench(const char* name, const QString& definition, const std::vector<report::DataSetConnection*>& connections)
{
    report::ReportSystem system;
    report::HeadlessUi ui;
    report::ReportProject project(system, ui);
    project.setProjectFile(definition);
    project.setParam(QStringLiteral("data"), QStringLiteral("06/24"));
    project.open();
    const long before = peakKb();
    QElapsedTimer timer;
    timer.start();
    report::PageLayout layout(project.workingCopy(), project.params(), connections, system);
    const std::optional<report::PageDescription> doc = report::layOutAll(layout);
    const qint64 generatedMs = timer.elapsed();
    const auto generated = static_cast<double>(layout.pageCount());
    std::printf("%-28s %6.0f pages generated, %5zu kept, %5zu symbols in %6lld ms = %8.0f pages/s; "
                "page description %6.1f MB, peak resident +%6.1f MB\n",
                name, generated, doc->pages.size(), doc->symbols.size(), static_cast<long long>(generatedMs),
                generated / (static_cast<double>(generatedMs) / 1000.0), static_cast<double>(describedBytes(*doc)) / 1048576.0,
                static_cast<double>(peakKb() - before) / 1024.0);
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    auto t = labels::makePrintTable();
    fill(*t, 10000);
    report::DataSetConnection connection(QStringLiteral("RvDataSetConnection1"), t.get());
    const std::vector<report::DataSetConnection*> connections{&connection};
    const QString source = QStringLiteral(QUORVEL_SOURCE_DIR);
    bench("price tag 50x30, 1 per page", source + QStringLiteral("/Relatorios/tag_02_Quorvel.rav"), connections);
    bench("A4 sheet 3x10", source + QStringLiteral("/examples/definitions/a4-3x10.rav"), connections);
    return 0;
}
