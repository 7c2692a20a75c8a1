// Report definition files: read from disk by the report project and run over a small print
// table, as a print does. Any bytes end in a report or a failure with a message; every page
// item refers to a font, symbol and image the page description holds.
#include "support/FuzzSupport.h"

#include "labels/ImportTable.h"
#include "labels/PrintTable.h"
#include "report/engine/DataLock.h"
#include "report/engine/DataSetConnection.h"
#include "report/engine/PageDescription.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "support/HeadlessUi.h"
#include "table/Failure.h"

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QLocale>
#include <QTemporaryDir>

#include <cstdlib>
#include <memory>

using namespace quorvel;

namespace {

struct World
{
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<table::Table> importTable = labels::makeImportTable();
    std::unique_ptr<table::Table> printTable = labels::makePrintTable();
    std::unique_ptr<report::DataSetConnection> connection;
};

World* g_world = nullptr;

void checkPages(const report::PageDescription& doc)
{
    fuzz::checkReferences<report::PageDescription, report::TextItem, report::SymbolItem, report::ImageItem>(doc);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    if (!std::getenv("QT_QPA_PLATFORM"))
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    QLocale::setDefault(QLocale(QLocale::Portuguese, QLocale::Brazil));
    g_world = new World;
    g_world->dir = std::make_unique<QTemporaryDir>();
    report::DataLock::setPath(g_world->dir->filePath(QStringLiteral("data.lock")));
    labels::LabelItem a{"VESTUARIO", "CAMISETAS", "BASICA", "CM-204", "AZUL", "NORTE", "7891234009005", "M", 2, 39.9, std::nullopt};
    labels::LabelItem b{"CALCADOS", "TENIS", "CORRIDA", "TN-9001", "BRANCO/AZUL", "PASSO", "12345", "39", 1, 279.9, std::nullopt};
    labels::insereItem(*g_world->importTable, a);
    labels::insereItem(*g_world->importTable, b);
    labels::expand(*g_world->importTable, *g_world->printTable);
    g_world->connection = std::make_unique<report::DataSetConnection>(QStringLiteral("RvDataSetConnection1"),
                                                                      g_world->printTable.get());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QString path = g_world->dir->filePath(QStringLiteral("tag.rav"));
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
            fuzz::fail("cannot write the definition");
        file.write(reinterpret_cast<const char*>(data), static_cast<qint64>(size));
    }
    report::ReportSystem system;
    report::HeadlessUi ui;
    ui.onPreview = checkPages;
    report::ReportProject project(system, ui);
    project.setConnections({g_world->connection.get()});
    project.setConnectionWaits(0);
    project.setLockAttemptMs(0);
    project.setProjectFile(path);
    project.setParam(QStringLiteral("data"), QStringLiteral("06/24"));
    int before = fuzz::openDescriptors();
    try {
        project.open();
        project.execute();
    } catch (const SilentAbort&) {
    } catch (const Failure& failure) {
        if (failure.message().isEmpty())
            fuzz::fail("a failure without a message");
    }
    if (report::DataLock::depth() != 0)
        fuzz::fail("the run left the data lock taken");
    if (fuzz::openDescriptors() != before)
        fuzz::fail("the run left a file open");
    return 0;
}
