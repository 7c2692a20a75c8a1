#include "app/TFrmLerEtiqueta.h"

#include "app/DbGrid.h"
#include "app/Dialogs.h"
#include "app/JpegImage.h"
#include "app/ListMarks.h"
#include "app/WindowPlacement.h"
#include "labels/ImportTable.h"
#include "labels/LabelColumns.h"
#include "labels/LabelImport.h"
#include "labels/PrintTable.h"
#include "printrun/PrintRun.h"
#include "report/engine/DataSetConnection.h"
#include "report/outputs/RenderPdf.h"
#include "report/engine/ReportProject.h"
#include "report/engine/ReportSystem.h"
#include "report/ui/PrinterResolution.h"
#include "report/ui/WidgetEngineUi.h"
#include "table/Failure.h"
#include "table/Table.h"
#include "table/TableModel.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDate>
#include <QCryptographicHash>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QFocusEvent>
#include <QFontMetrics>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <limits>

using quorvel::Failure;
using quorvel::SilentAbort;
using quorvel::app::Dialogs;
namespace labels = quorvel::labels;
namespace table = quorvel::table;

// The resources live in a static library: they must be pulled in by hand.
static void initResources()
{
    Q_INIT_RESOURCE(quorvel);
}

namespace {

// The window's font where "MS Sans Serif" itself is missing.
void substituteFonts()
{
    if (!QFont::substitutes(QStringLiteral("MS Sans Serif")).contains(QStringLiteral("Liberation Sans")))
        QFont::insertSubstitution(QStringLiteral("MS Sans Serif"), QStringLiteral("Liberation Sans"));
}

QFont windowFont(bool bold)
{
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    font.setBold(bold);
    return font;
}

QGroupBox* groupBox(QWidget* parent, const QString& title, const QRect& geometry)
{
    auto* box = new QGroupBox(title, parent);
    box->setGeometry(geometry);
    box->setBackgroundRole(QPalette::Button);
    box->setAutoFillBackground(true);
    return box;
}

QFrame* panel(QWidget* parent, const QRect& geometry, QFrame::Shadow shadow)
{
    auto* frame = new QFrame(parent);
    frame->setGeometry(geometry);
    frame->setFrameStyle(QFrame::Panel | shadow);
    frame->setLineWidth(1);
    frame->setBackgroundRole(QPalette::Button);
    frame->setAutoFillBackground(true);
    return frame;
}

} // namespace

TFrmLerEtiqueta::TFrmLerEtiqueta(Dialogs& dialogs, QWidget* parent) : TFrmLerEtiqueta(dialogs, nullptr, parent) {}

TFrmLerEtiqueta::TFrmLerEtiqueta(Dialogs& dialogs, quorvel::report::EngineUi* engineUi, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint),
      m_dialogs(dialogs), m_errors(dialogs)
{
    setObjectName(QStringLiteral("FrmLerEtiqueta"));
    initResources();
    substituteFonts();
    setWindowTitle(QStringLiteral("Quorvel"));
    setFixedSize(753, 545);
    setFont(windowFont(false));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    cdsImpEtq = labels::makePrintTable();
    cdsEtqTemp = labels::makeImportTable();
    buildReportComponents(engineUi);
    buildControls();
    buildGrid();
    m_marks = new quorvel::app::ListMarks(*dsEtqTemp, *DBGrid1, [this] { return definitionPath(); }, m_errors, this);

    m_errors.beforeShow = [this](const Failure& failure) {
        const auto* missing = dynamic_cast<const table::MissingValue*>(&failure);
        if (missing && missing->table() == cdsEtqTemp.get())
            DBGrid1->showField(missing->field());
    };
    // Opening the import table raises its first data change.
    dsEtqTempDataChange(-1);
}

TFrmLerEtiqueta::~TFrmLerEtiqueta()
{
    delete m_marks;
    // The grid and its data source observe cdsEtqTemp, which goes before QWidget deletes children.
    delete DBGrid1;
    delete dsEtqTemp;
}

void TFrmLerEtiqueta::buildReportComponents(quorvel::report::EngineUi* engineUi)
{
    namespace report = quorvel::report;
    programFolder = QCoreApplication::applicationDirPath();
    RvSystemEtq = std::make_unique<report::ReportSystem>();
    RvRenderPDF1 = std::make_unique<report::RenderPdf>();
    RvDataSetConnection1 = quorvel::printrun::makeConnection(*cdsImpEtq);
    if (!engineUi) {
        // The preview's failures reach the operator like any other escaped failure.
        auto widgetUi = std::make_unique<report::WidgetEngineUi>(this, [this](const Failure& failure) {
            if (dynamic_cast<const SilentAbort*>(&failure))
                return;
            m_errors.handle(std::make_exception_ptr(failure));
        });
        widgetUi->setOutputs({RvRenderPDF1.get()});
        engineUi = widgetUi.get();
        m_ownEngineUi = std::move(widgetUi);
    }
    m_engineUi = engineUi;
    RvPrjEtq = std::make_unique<report::ReportProject>(*RvSystemEtq, *engineUi);
    RvPrjEtq->setConnections({RvDataSetConnection1.get()});
}

void TFrmLerEtiqueta::buildControls()
{
    GroupBoxEntrada = groupBox(this, QString(), QRect(0, 0, 753, 545));
    GroupBoxEntrada->setObjectName(QStringLiteral("GroupBoxEntrada"));
    GroupBoxEntrada->setFont(windowFont(true));

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    Exclui1 = PopupMenu1->addAction(QStringLiteral("Excluir"));
    Exclui1->setObjectName(QStringLiteral("Exclui1"));
    connect(Exclui1, &QAction::triggered, this, &TFrmLerEtiqueta::Exclui1Click);

    Panel2 = panel(GroupBoxEntrada, QRect(2, 525, 749, 18), QFrame::Sunken);
    Panel2->setObjectName(QStringLiteral("Panel2"));

    DBGrid1 = new quorvel::app::DbGrid(m_errors, GroupBoxEntrada);
    DBGrid1->setObjectName(QStringLiteral("DBGrid1"));
    DBGrid1->setGeometry(2, 184, 749, 341);

    grpLocalizarArq = groupBox(GroupBoxEntrada, QStringLiteral(" Localizar Arquivo de Etiquetas"), QRect(6, 22, 451, 41));
    grpLocalizarArq->setObjectName(QStringLiteral("grpLocalizarArq"));

    edtArquivo = new QLineEdit(grpLocalizarArq);
    edtArquivo->setObjectName(QStringLiteral("edtArquivo"));
    edtArquivo->setGeometry(8, 14, 402, 21);
    edtArquivo->setReadOnly(true);
    edtArquivo->setMaxLength(std::numeric_limits<int>::max());
    QPalette white = edtArquivo->palette();
    white.setColor(QPalette::Base, QColor(255, 255, 255));
    edtArquivo->setPalette(white);
    edtArquivo->installEventFilter(this);

    btnLocaliza = new QPushButton(QStringLiteral("..."), grpLocalizarArq);
    btnLocaliza->setObjectName(QStringLiteral("btnLocaliza"));
    btnLocaliza->setGeometry(416, 13, 25, 22);
    btnLocaliza->setAutoDefault(false);
    btnLocaliza->installEventFilter(this);
    connect(btnLocaliza, &QPushButton::clicked, this, &TFrmLerEtiqueta::btnLocalizaClick);

    OpenDialog1 = new QFileDialog(this);
    OpenDialog1->setObjectName(QStringLiteral("OpenDialog1"));
    OpenDialog1->setFileMode(QFileDialog::AnyFile);
    OpenDialog1->setAcceptMode(QFileDialog::AcceptOpen);
    OpenDialog1->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog1->setOption(QFileDialog::ReadOnly, false);
    OpenDialog1->setSizeGripEnabled(true);

    Panel1 = panel(GroupBoxEntrada, QRect(464, 10, 284, 168), QFrame::Raised);
    Panel1->setObjectName(QStringLiteral("Panel1"));

    imgFoto = new QLabel(Panel1);
    imgFoto->setObjectName(QStringLiteral("imgFoto"));
    imgFoto->setGeometry(1, 1, 282, 166);
    imgFoto->setScaledContents(true);
    QFile picture(QStringLiteral(":/quorvel/foto.jpg"));
    if (!picture.open(QIODevice::ReadOnly))
        throw Failure(QStringLiteral("The picture resource is missing"));
    imgFoto->setPixmap(QPixmap::fromImage(quorvel::app::decodeJpeg(picture.readAll())));

    GroupBox3 = groupBox(this, QStringLiteral("Etiqueta: "), QRect(7, 80, 450, 78));
    GroupBox3->setObjectName(QStringLiteral("GroupBox3"));
    GroupBox3->raise();

    btnTag_2 = new QPushButton(QString::fromUtf8("&PADRÃO"), GroupBox3);
    btnTag_2->setObjectName(QStringLiteral("btnTag_2"));
    btnTag_2->setGeometry(9, 20, 424, 44);
    btnTag_2->setFont(windowFont(true));
    btnTag_2->setFocusPolicy(Qt::NoFocus);
    btnTag_2->setAutoDefault(false);
    connect(btnTag_2, &QPushButton::clicked, this, &TFrmLerEtiqueta::BtnSalvarClick);

    setTabOrder(edtArquivo, btnLocaliza);
    setTabOrder(btnLocaliza, DBGrid1);
    setTabOrder(DBGrid1, edtArquivo);
}

void TFrmLerEtiqueta::buildGrid()
{
    using Column = table::TableModel::Column;
    // Values of number fields stand to the right; a width of 0 takes the default for the field's
    // width in characters.
    using labels::LabelColumn;
    constexpr auto kGridColumns = labels::columnsBy<labels::placed(&LabelColumn::gridPosition)>(&LabelColumn::gridPosition);
    std::vector<Column> columns;
    std::vector<int> widths;
    for (const LabelColumn* c : kGridColumns) {
        Column column{c->importField, QString::fromUtf8(c->gridTitle)};
        if (c->import.type != table::FieldType::Text)
            column.alignment = Qt::AlignRight | Qt::AlignVCenter;
        columns.push_back(column);
        widths.push_back(c->gridWidthPx);
    }

    dsEtqTemp = new table::TableModel(*cdsEtqTemp, columns, this);
    dsEtqTemp->setObjectName(QStringLiteral("dsEtqTemp"));
    dsEtqTemp->setChangeHandler([this](int field) { dsEtqTempDataChange(field); });
    DBGrid1->setDataSource(dsEtqTemp);
    connect(DBGrid1, &quorvel::app::DbGrid::contextMenuRequestedAt, this, [this](const QPoint& pos) { PopupMenu1->popup(pos); });

    QFontMetrics metrics(DBGrid1->font());
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
        int width = widths[static_cast<std::size_t>(c)];
        if (width == 0) {
            int chars = cdsEtqTemp->field(columns[static_cast<std::size_t>(c)].field).width;
            width = qMax(metrics.horizontalAdvance(QLatin1Char('0')) * chars + 4,
                         metrics.horizontalAdvance(columns[static_cast<std::size_t>(c)].title) + 4);
        }
        DBGrid1->setColumnWidth(c, width);
    }
    DBGrid1->verticalHeader()->setMinimumSectionSize(metrics.height());
    DBGrid1->verticalHeader()->setDefaultSectionSize(metrics.height() + 4);
    DBGrid1->verticalHeader()->setFixedWidth(metrics.horizontalAdvance(QStringLiteral("\u25B6")) + 8);
}

void TFrmLerEtiqueta::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    FormShow();
    if (!m_placed) {
        m_placed = true;
        placeOnScreen();
        // A window manager frames the window only after it is mapped; once the frame shows,
        // the window is centred again on its outer size.
        if (QWindow* handle = windowHandle())
            handle->installEventFilter(this);
    }
}

void TFrmLerEtiqueta::closeEvent(QCloseEvent* event)
{
    // Once the program is told to quit every nested event loop returns at once, questions
    // unanswered: a print run under way must learn that it ends, not take that for a Yes.
    m_closing = true;
    if (m_printing)
        m_engineUi->abandon();
    m_dialogs.dismiss();
    QWidget::closeEvent(event);
}

void TFrmLerEtiqueta::placeOnScreen()
{
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QWindow* handle = windowHandle();
    const QMargins frame = handle ? handle->frameMargins() : QMargins();
    const QSize outer = size().grownBy(frame);
    const QPoint at = quorvel::app::centredPosition(screen->geometry(), outer);
    if (handle)
        handle->setFramePosition(at);
    else
        move(at);
}

void TFrmLerEtiqueta::FormShow()
{
    m_errors.guarded([this] {
        cdsEtqTemp->clear();
        dsEtqTemp->flush();
        edtArquivo->setFocus(Qt::OtherFocusReason);
        // Before the window is active the focus only lands when it activates, and that kind of
        // focus change leaves the colour alone: the highlight comes now.
        if (!edtArquivo->hasFocus())
            edtArquivoEnter(Qt::OtherFocusReason);
    });
}

bool TFrmLerEtiqueta::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == windowHandle() && event->type() == QEvent::Expose && !windowHandle()->frameMargins().isNull()) {
        watched->removeEventFilter(this);
        placeOnScreen();
        return false;
    }
    if (watched == edtArquivo && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        auto reason = static_cast<QFocusEvent*>(event)->reason();
        // Focus that goes to another window, a popup, or comes back from one changes nothing.
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason) {
            if (event->type() == QEvent::FocusIn)
                m_errors.guarded([&] { edtArquivoEnter(reason); });
            else
                m_errors.guarded([&] { edtArquivoExit(); });
        }
    } else if (watched == btnLocaliza && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_P && !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier))) {
            if (btnTag_2->isEnabled())
                btnTag_2->click();
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void TFrmLerEtiqueta::edtArquivoEnter(Qt::FocusReason reason)
{
    QPalette p = edtArquivo->palette();
    p.setColor(QPalette::Base, QColor(255, 255, 0));
    edtArquivo->setPalette(p);
    if (reason != Qt::MouseFocusReason)
        edtArquivo->selectAll();
}

void TFrmLerEtiqueta::edtArquivoExit()
{
    // The desktop's window-background colour, looked up whenever the edit is drawn.
    edtArquivo->setPalette(QPalette());
}

void TFrmLerEtiqueta::dsEtqTempDataChange(int)
{
    bool enabled = !m_printing && !cdsEtqTemp->isEmpty();
    if (btnTag_2->isEnabled() != enabled)
        btnTag_2->setEnabled(enabled);
}

void TFrmLerEtiqueta::btnLocalizaClick()
{
    m_errors.guarded([this] {
        OpenDialog1->selectFile(m_openDialogFileName);
        if (auto chosen = m_dialogs.chooseFile(*OpenDialog1))
            m_openDialogFileName = *chosen;
        edtArquivo->setText(m_openDialogFileName);
        if (edtArquivo->text().isEmpty()) {
            m_dialogs.show(Dialogs::selectFileRequired());
            edtArquivo->setFocus(Qt::OtherFocusReason);
            throw SilentAbort();
        }
        if (m_dialogs.show(Dialogs::confirmFile()) == Dialogs::Button::No || m_closing) {
            edtArquivo->setFocus(Qt::OtherFocusReason);
            return;
        }
        m_marks->reload();
        LeArquivo();
    });
}

void TFrmLerEtiqueta::LeArquivo()
{
    // Views learn of the rows once, however the reading ends.
    struct Announce
    {
        table::TableModel* model;
        ~Announce() { model->flush(); }
    } announce{dsEtqTemp};
    // The same path with the same bytes again is almost always Enter pressed out of habit: its
    // rows are marked, as nothing else shows they are there twice.
    const QString path = edtArquivo->text();
    QString key;
    if (QFile file(path); file.open(QIODevice::ReadOnly))
        key = QFileInfo(path).absoluteFilePath() + u'\n'
              + QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex());
    const int first = cdsEtqTemp->rowCount();
    struct MarkRepeated
    {
        TFrmLerEtiqueta* w;
        const QString& key;
        int first;
        ~MarkRepeated()
        {
            if (key.isEmpty())
                return;
            if (w->m_importedFiles.contains(key))
                w->m_marks->markRepeated(first, w->cdsEtqTemp->rowCount());
            w->m_importedFiles.insert(key);
        }
    } markRepeated{this, key, first};
    const auto stored = [this](int row, const labels::LabelItem& item) {
        if (labels::OriginalTexts cut = labels::cutOnImport(item); !cut.empty())
            m_marks->setOriginals(row, std::move(cut));
    };
    if (labels::importLabelFile(path, *cdsEtqTemp, stored) == labels::ReadEnd::EmptyLine)
        m_dialogs.show(Dialogs::plain(labels::emptyLineMessage()));
}

void TFrmLerEtiqueta::InsereItem(const labels::LabelItem& item)
{
    labels::insereItem(*cdsEtqTemp, item);
}

void TFrmLerEtiqueta::Exclui1Click()
{
    m_errors.guarded([this] {
        if (m_dialogs.show(Dialogs::confirmDeleteItem()) == Dialogs::Button::No || m_closing)
            return;
        DBGrid1->discardEditor();
        cdsEtqTemp->remove();
        dsEtqTemp->flush();
    });
}

void TFrmLerEtiqueta::BtnSalvarClick()
{
    // The report keeps the window live while it generates pages: a second run started then
    // would rebuild the print table under it.
    if (m_printing)
        return;
    m_errors.guarded([this] {
        // Only Yes prints: closing the box by its frame answers nothing.
        if (m_dialogs.show(Dialogs::confirmPrint()) != Dialogs::Button::Yes || m_closing)
            return;
        DBGrid1->writeEditor();
        quorvel::printrun::PrintRun run(*cdsEtqTemp, *cdsImpEtq, definitionPath(), *RvPrjEtq);
        run.checkLabels();
        if (!m_marks->approvesRun(m_dialogs, run, *RvSystemEtq))
            return;
        {
            // The grid learns where the walk ended, not of each row it passed.
            struct Announce
            {
                table::TableModel* model;
                ~Announce()
                {
                    model->holdCurrent(false);
                    model->flush();
                }
            } announce{dsEtqTemp};
            dsEtqTemp->holdCurrent(true);
            run.expand();
        }
        runReports(run);
    });
}

void TFrmLerEtiqueta::runReports(quorvel::printrun::PrintRun& run)
{
    struct Running
    {
        TFrmLerEtiqueta* w;
        explicit Running(TFrmLerEtiqueta* window) : w(window)
        {
            w->m_printing = true;
            w->btnTag_2->setEnabled(false);
        }
        ~Running()
        {
            w->m_printing = false;
            w->dsEtqTempDataChange(-1);
        }
    } running(this);
    bool waiting = false;
    auto restoreCursor = [&waiting] {
        if (waiting)
            QApplication::restoreOverrideCursor();
        waiting = false;
    };
    try {
        for (;;) {
            if (!waiting)
                QApplication::setOverrideCursor(Qt::WaitCursor);
            waiting = true;
            // Bar codes go on the dot grid of the printer the labels are for, unless the
            // definition names its own resolution.
            RvSystemEtq->deviceDpi = quorvel::report::printerResolution(*RvSystemEtq);
            run.preview(Loja, QDate::currentDate());
            // A closing window has nobody left to ask, and an answer given meanwhile is a No.
            if (m_closing || m_dialogs.show(Dialogs::printAgain()) == Dialogs::Button::No || m_closing) {
                restoreCursor();
                if (!m_closing)
                    close();
                return;
            }
        }
    } catch (const Failure& failure) {
        restoreCursor();
        if (!m_closing)
            m_dialogs.show(Dialogs::plain(failure.message()));
    } catch (const std::exception& e) {
        restoreCursor();
        if (!m_closing)
            m_dialogs.show(Dialogs::plain(QString::fromLocal8Bit(e.what())));
    }
}

QString TFrmLerEtiqueta::definitionPath() const
{
    return quorvel::printrun::definitionBeside(programFolder);
}
