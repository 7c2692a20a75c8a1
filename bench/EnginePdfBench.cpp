// Label data to PDF through the engine: fills a print table, runs a definition over it as the
// print run does (headless, no preview window) and writes the generated pages as PDF.
//
//   bench_engine_pdf --definition FILE.rav --labels N [--per-item Q] [--out FILE.pdf]
#include "report/engine/DataSetConnection.h"
#include "report/engine/PageDescription.h"
#include "report/engine/PageLayout.h"
#include "report/outputs/RenderPdf.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "support/HeadlessUi.h"
#include "table/Table.h"

#include <QDate>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLocale>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <vector>

#include <sys/resource.h>

using namespace quorvel;
using Clock = std::chrono::steady_clock;

namespace {

double msBetween(Clock::time_point a, Clock::time_point b) { return std::chrono::duration<double, std::milli>(b - a).count(); }

rusage usage()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u;
}

double cpuMs(const rusage& u)
{
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1000.0
           + static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1000.0;
}

} // namespace

int main(int argc, char** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    QGuiApplication app(argc, argv);
    QString definition, out = QStringLiteral("engine.pdf");
    int labels = 10000, perItem = 5;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--definition"))
            definition = QString::fromLocal8Bit(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--labels"))
            labels = std::atoi(argv[i + 1]);
        else if (!std::strcmp(argv[i], "--per-item"))
            perItem = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--out"))
            out = QString::fromLocal8Bit(argv[i + 1]);
    }
    if (definition.isEmpty()) {
        std::fprintf(stderr, "usage: bench_engine_pdf --definition FILE.rav --labels N [--per-item Q] [--out FILE.pdf]\n");
        return 2;
    }
    const auto start = Clock::now();
    using table::FieldType;
    table::Table print(QStringLiteral("cdsImpEtq"),
                       {{"Codigo", FieldType::Text, 25}, {"Descricao", FieldType::Text, 50}, {"referencia", FieldType::Text, 20},
                        {"cor", FieldType::Text, 20}, {"Tam", FieldType::Text, 2}, {"Marca", FieldType::Text, 20},
                        {"preco", FieldType::Currency}, {"tipo", FieldType::Text, 20}, {"grupo", FieldType::Text, 20},
                        {"subgrupo", FieldType::Text, 20}});
    static const char* colours[] = {"AZUL", "PRETO", "BRANCO", "VERMELHO", "VERDE"};
    static const char* sizes[] = {"P", "M", "G", "GG", "XG"};
    const QString decimal = QLocale().decimalPoint();
    for (int k = 0; k < labels; ++k) {
        const int i = k / perItem;
        print.append();
        print.setText(0, QStringLiteral("789%1").arg(i, 9, 10, QLatin1Char('0')).toStdString());
        print.setText(1, "CAMISETA MANGA CURTA");
        print.setText(2, QStringLiteral("REF-%1").arg(i, 6, 10, QLatin1Char('0')).toStdString());
        print.setText(3, colours[i % 5]);
        print.setText(4, sizes[i % 5]);
        print.setText(5, "QUORVEL");
        print.setText(6, (QString::number(19 + i % 80) + decimal + QStringLiteral("90")).toStdString());
        print.setText(7, "MALHA");
        print.setText(8, "CAMISETA");
        print.setText(9, "MANGA CURTA");
        print.store();
    }
    report::DataSetConnection connection(QStringLiteral("RvDataSetConnection1"), &print);
    const std::vector<report::DataSetConnection*> connections{&connection};
    report::ReportSystem system;
    report::HeadlessUi ui;
    ui.echo = true;
    const auto filled = Clock::now();
    report::ReportProject project(system, ui);
    project.setProjectFile(definition);
    project.setParam(QStringLiteral("loja"), QStringLiteral("LOJA 01"));
    project.setParam(QStringLiteral("data"), report::dateParameter(QDate::currentDate()));
    project.open();
    report::LayoutHooks hooks;
    hooks.message = hooks.error = [](const QString& text) { std::fprintf(stderr, "%s\n", text.toUtf8().constData()); };
    report::PageLayout layout(project.workingCopy(), project.params(), connections, system, 1, hooks);
    const std::optional<report::PageDescription> doc = report::layOutAll(layout);
    const auto generated = Clock::now();
    const std::size_t pages = doc->pages.size();
    report::RenderPdf().write(*doc, out);
    const auto written = Clock::now();
    const rusage u = usage();
    std::printf("definition=%s labels=%d pages=%zu table_ms=%.0f generate_ms=%.0f pdf_ms=%.0f total_ms=%.0f cpu_ms=%.0f "
                "peak_mb=%.1f pdf_mb=%.2f\n",
                qPrintable(QFileInfo(definition).fileName()), labels, pages, msBetween(start, filled), msBetween(filled, generated),
                msBetween(generated, written), msBetween(start, written), cpuMs(u), static_cast<double>(u.ru_maxrss) / 1024.0,
                static_cast<double>(QFileInfo(out).size()) / 1e6);
    return 0;
}
