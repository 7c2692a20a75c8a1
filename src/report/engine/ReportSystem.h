// The print system's settings (RvSystemEtq) and what outlives a run: copies and printer.
#pragma once

#include <QString>

namespace quorvel::report {

class ReportSystem
{
public:
    // Setups
    bool allowCopies = true;
    bool allowDestPrinter = true;
    bool allowDestFile = true;
    bool allowPrinterSetup = true;
    bool allowPreviewSetup = true;
    bool allowSetup = false;
    bool allowCollate = false;
    bool allowDuplex = false;
    bool allowDestPreview = false;

    // Options
    bool showStatus = true;   ///< a status window shows while pages are generated
    bool allowPrintFromPreview = true;
    bool previewModal = true;

    QString titleSetup = QStringLiteral("Opções de Impressão");
    QString titleStatus = QStringLiteral("Status de Impressão");
    QString titlePreview = QStringLiteral("Visualização de Impressão");
    QString filerStatusFormat = QStringLiteral("Generating page %p");
    QString printerStatusFormat = QStringLiteral("Printing page %p");

    // SystemPrinter
    QString printerTitle = QStringLiteral("Etiquetas");
    int copies = 1;
    int firstPage = 1;
    int lastPage = 9999;
    int scaleX = 100, scaleY = 100, unitsFactor = 1;
    /// The printer chosen through "&Setup"; empty: the system's default printer.
    QString printerName;
    /// The resolution of the printer the run is for, in dpi; 0 when not known. Layout puts bar
    /// codes on this dot grid unless a page names its own `quality`; with neither, 300 dpi.
    int deviceDpi = 0;
    /// The slot of the first label region's first page that takes the first label (1: the first
    /// slot in the region's fill order), for a partly used sheet; the slots before it stay blank.
    /// Every run starts at 1 again once it ends.
    int startLabel = 1;

    // SystemPreview
    bool previewMaximized = true;
    int zoomFactor = 100;
    int zoomInc = 10;
};

} // namespace quorvel::report
