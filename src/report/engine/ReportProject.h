// The report project (RvPrjEtq): the definition file name, the parameter list, the loaded
// definition and the data connections it is handed; runs the active report as the window does:
// the lock, the layout with the status window, the preview.
#pragma once

#include "report/engine/DataLock.h"
#include "report/engine/Definition.h"
#include "report/engine/PageLayout.h"

#include <QDate>
#include <QLocale>
#include <QString>
#include <QStringList>

#include <cstdint>
#include <exception>

#include <memory>
#include <utility>
#include <vector>

namespace quorvel::report {

class DataSetConnection;
class EngineUi;
class PageSink;
class ReportSystem;

/// Today's date as the "data" parameter: "mm/yy" with the regional date separator.
QString dateParameter(const QDate& date, const QLocale& locale = QLocale());

/// The report a definition runs: the one its last active report names (compared without regard
/// to case), else its first; null when it holds none.
const ReportDef* activeReportOf(const Definition& def);
/// Pages `report` makes of `labels` labels (one per row of its data) when the first goes to slot
/// `startLabel` of its first label region. Shared pages the definition lacks count for nothing.
std::int64_t reportPageCount(const Definition& def, const ReportDef& report, std::int64_t labels, int startLabel = 1);
/// The bar codes of `report` whose data is the field `field` (compared without regard to case).
std::vector<BarcodeOptions> fieldBarcodes(const Definition& def, const ReportDef& report, const QString& field);

class ReportProject
{
public:
    using Parameters = report::Parameters;

    /// Neither is owned; both outlive the project.
    ReportProject(ReportSystem& engine, EngineUi& ui);
    ~ReportProject();
    ReportProject(const ReportProject&) = delete;
    ReportProject& operator=(const ReportProject&) = delete;

    /// Discards the loaded definition; the file name and the parameters stay. Never fails.
    void close();
    /// ".rav" is appended when the name has no "." anywhere; an empty name stays empty.
    void setProjectFile(const QString& name);
    const QString& projectFile() const { return m_projectFile; }

    /// A non-empty value sets the entry; an empty value removes it. Names ignore case.
    void setParam(const QString& name, const QString& value);
    /// "" for a name that is not in the list.
    QString param(const QString& name) const;
    const Parameters& params() const { return m_params; }

    /// Reads the definition file (a "\" in the name counts as a folder separator) unless open.
    /// Fails with the missing-definition, file-open and definition-format texts.
    void open();

    /// A definition file as open reads it, read once: what it holds, or the failure open would
    /// raise, and the messages open would show (an element of an unknown kind).
    struct FileRead
    {
        QString path;   ///< full path
        std::shared_ptr<const Definition> definition;
        std::exception_ptr failure;
        QStringList messages;
    };
    /// Reads `projectFile` (named as setProjectFile takes it) without opening anything or showing
    /// any message. Never fails: a failure is kept in the result.
    static FileRead read(const QString& projectFile);
    /// As open, from an earlier read of the project file: its messages are shown now and its
    /// failure raised now. A read of another file than the project's is not used: the project
    /// file is read again.
    void open(FileRead file);
    bool isOpen() const { return m_definition != nullptr; }
    /// The loaded definition; only while open.
    const Definition& definition() const { return *m_definition; }
    /// The report that execute runs; only while open. Null when the definition holds none.
    const ReportDef* activeReport() const;

    /// Pages the active report makes of `labels` labels (one per row of its data) when the first
    /// goes to slot `startLabel` of its first label region; only while open. Shared pages the
    /// definition lacks count for nothing (the run fails on them).
    std::int64_t pageCount(std::int64_t labels, int startLabel = 1) const;
    /// Labels a page of the active report's first label region holds; 0 without one, or when
    /// not open.
    std::int64_t labelsPerPage() const;
    /// The bar codes of the active report whose data is the field `field` (compared without
    /// regard to case); empty when not open.
    std::vector<BarcodeOptions> fieldBarcodes(const QString& field) const;

    /// The data connections a run may use, found by the names the definition's data views give.
    /// Not owned: each must outlive every run made while it is handed.
    void setConnections(std::vector<DataSetConnection*> connections) { m_connections = std::move(connections); }
    const std::vector<DataSetConnection*>& connections() const { return m_connections; }

    /// What a run lays out: the active report alone, with the data views and shared pages of the
    /// loaded definition; only while open. Fails when the definition holds no report.
    Definition workingCopy() const;

    /// Opens when needed and runs the active report: takes the lock, lays it out with the
    /// handed connections (PageLayout) under the status window when the print system shows
    /// one, and previews it. Returns normally after Cancel in the lock question or the status
    /// window, and when the UI is abandoned (EngineUi::abandon): then at once, or at the run's
    /// next poll. Fails with the run's failures (a missing data connection: SilentAbort).
    void execute();
    /// Runs the active report as execute does (open when needed, the lock, the layout with the
    /// handed connections), without a status window or preview: every page in order, each kept
    /// page handed to `sink` (begin, add, commit). The run's first label goes to the print
    /// system's startLabel slot. False after Cancel in the lock question (the sink never begun)
    /// and when the UI stopped the run (the sink abandoned). Fails as execute does.
    bool write(PageSink& sink);

    /// Waits of 100 ms for a data connection the definition names but nobody handed (600).
    void setConnectionWaits(int count) { m_connectionWaits = count; }
    /// How long one attempt at the data-communication lock waits (5000 ms).
    void setLockAttemptMs(int ms) { m_lockAttemptMs = ms; }

private:
    void install(std::unique_ptr<Definition> def);

    ReportSystem& m_engine;
    EngineUi& m_ui;
    QString m_projectFile;
    Parameters m_params;
    std::vector<DataSetConnection*> m_connections;
    std::unique_ptr<Definition> m_definition;
    int m_active = -1;
    int m_connectionWaits = 600;
    int m_lockAttemptMs = DataLock::kAttemptMs;
};

} // namespace quorvel::report
