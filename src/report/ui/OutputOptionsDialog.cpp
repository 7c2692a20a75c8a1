#include "report/ui/OutputOptionsDialog.h"

#include "report/engine/PageDescription.h"
#include "report/engine/ReportSystem.h"
#include "report/ui/PageRange.h"
#include "report/ui/PreviewDialogs.h"
#include "report/ui/PrinterLine.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>

namespace quorvel::report {

namespace {

QLineEdit* acceptingOnly(const QString& pattern, const QString& name, QWidget* parent)
{
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), box));
    return box;
}

// 0 is a count like any other: that print sends nothing, and later dialogs start with it.
std::optional<int> copiesCount(const QString& text)
{
    bool ok = false;
    const int value = text.toInt(&ok);
    return ok && value >= 0 ? std::optional<int>(value) : std::nullopt;
}

} // namespace

OutputOptionsDialog::OutputOptionsDialog(ReportSystem& system, const PageDescription& pages,
                                         const QString& printerName, PreviewDialogs& dialogs, QWidget* parent)
    : QDialog(parent)
    , m_system(system)
    , m_pageCount(pages.pages.size())
    , m_dialogs(dialogs)
    , m_printerName(printerName)
{
    setObjectName(QStringLiteral("outputOptionsDialog"));
    setWindowTitle(QStringLiteral("Output Options"));
    setModal(true);

    auto* printerGroup = new QGroupBox(QStringLiteral("Selected Printer"), this);
    m_printerLine = new QLabel(printerGroup);
    m_printerLine->setObjectName(QStringLiteral("printerLine"));
    m_setup = new QPushButton(QStringLiteral("&Setup"), printerGroup);
    m_setup->setObjectName(QStringLiteral("setupButton"));
    m_setup->setAutoDefault(false);
    auto* printerLayout = new QHBoxLayout(printerGroup);
    printerLayout->addWidget(m_printerLine, 1);
    printerLayout->addWidget(m_setup);

    auto* optionsGroup = new QGroupBox(QStringLiteral("Options"), this);
    auto* copiesLabel = new QLabel(QStringLiteral("&Copies"), optionsGroup);
    m_copies = acceptingOnly(QStringLiteral("[0-9]*"), QStringLiteral("copiesBox"), optionsGroup);
    m_copies->setText(QString::number(system.copies));
    copiesLabel->setBuddy(m_copies);
    m_collate = new QCheckBox(QStringLiteral("C&ollate"), optionsGroup);
    m_collate->setObjectName(QStringLiteral("collateBox"));
    m_collate->setEnabled(system.allowCollate);
    m_duplex = new QCheckBox(QStringLiteral("&Duplex"), optionsGroup);
    m_duplex->setObjectName(QStringLiteral("duplexBox"));
    m_duplex->setEnabled(system.allowDuplex);
    auto* optionsLayout = new QGridLayout(optionsGroup);
    optionsLayout->addWidget(copiesLabel, 0, 0);
    optionsLayout->addWidget(m_copies, 0, 1);
    optionsLayout->addWidget(m_collate, 1, 0, 1, 2);
    optionsLayout->addWidget(m_duplex, 2, 0, 1, 2);

    const QString count = QString::number(m_pageCount);
    auto* rangeGroup = new QGroupBox(QStringLiteral("Print Range"), this);
    m_all = new QRadioButton(QStringLiteral("All"), rangeGroup);
    m_all->setObjectName(QStringLiteral("allButton"));
    m_selection = new QRadioButton(QStringLiteral("Selection"), rangeGroup);
    m_selection->setObjectName(QStringLiteral("selectionButton"));
    m_selectionBox = acceptingOnly(QStringLiteral("[0-9,-]*"), QStringLiteral("selectionBox"), rangeGroup);
    m_selectionBox->setText(QStringLiteral("1-") + count);
    m_range = new QRadioButton(QStringLiteral("Pages"), rangeGroup);
    m_range->setObjectName(QStringLiteral("pagesButton"));
    m_fromLabel = new QLabel(QStringLiteral("From"), rangeGroup);
    m_fromBox = acceptingOnly(QStringLiteral("[0-9]*"), QStringLiteral("fromBox"), rangeGroup);
    m_fromBox->setText(QStringLiteral("1"));
    m_toLabel = new QLabel(QStringLiteral("to"), rangeGroup);
    m_toBox = acceptingOnly(QStringLiteral("[0-9]*"), QStringLiteral("toBox"), rangeGroup);
    m_toBox->setText(count);
    auto* rangeLayout = new QGridLayout(rangeGroup);
    rangeLayout->addWidget(m_all, 0, 0);
    rangeLayout->addWidget(m_selection, 1, 0);
    rangeLayout->addWidget(m_selectionBox, 1, 1, 1, 4);
    rangeLayout->addWidget(m_range, 2, 0);
    rangeLayout->addWidget(m_fromLabel, 2, 1);
    rangeLayout->addWidget(m_fromBox, 2, 2);
    rangeLayout->addWidget(m_toLabel, 2, 3);
    rangeLayout->addWidget(m_toBox, 2, 4);

    m_all->setChecked(true);
    m_selectionBox->setEnabled(false);
    m_fromLabel->hide();
    m_fromBox->hide();
    m_fromBox->setEnabled(false);
    m_toLabel->hide();
    m_toBox->hide();
    m_toBox->setEnabled(false);
    for (QRadioButton* choice : {m_all, m_selection, m_range})
        connect(choice, &QRadioButton::toggled, this, [this](bool on) {
            if (on)
                rangeChosen();
        });

    auto* ok = new QPushButton(QStringLiteral("   OK   "), this);
    ok->setObjectName(QStringLiteral("okButton"));
    ok->setDefault(true);
    auto* cancel = new QPushButton(QStringLiteral("Cancel"), this);
    cancel->setObjectName(QStringLiteral("cancelButton"));
    cancel->setAutoDefault(false);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_setup, &QPushButton::clicked, this, &OutputOptionsDialog::setupPrinter);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(printerGroup);
    auto* middle = new QHBoxLayout;
    middle->addWidget(optionsGroup);
    middle->addWidget(rangeGroup, 1);
    layout->addLayout(middle);
    layout->addLayout(buttons);

    refreshPrinter();
}

int OutputOptionsDialog::copies() const
{
    return copiesCount(m_copies->text()).value_or(m_system.copies);
}

std::vector<std::size_t> OutputOptionsDialog::pages() const
{
    if (m_selection->isChecked())
        return selectionPages(m_selectionBox->text(), m_pageCount);
    if (m_range->isChecked()) {
        bool fromOk = false, toOk = false;
        const long long from = m_fromBox->text().toLongLong(&fromOk);
        const long long to = m_toBox->text().toLongLong(&toOk);
        if (!fromOk || !toOk)
            return {};
        return pagesFromTo(from, to, m_pageCount);
    }
    return allPages(m_pageCount);
}

void OutputOptionsDialog::accept()
{
    if (const auto count = copiesCount(m_copies->text()))
        m_system.copies = *count;
    QDialog::accept();
}

void OutputOptionsDialog::setupPrinter()
{
    QPrinter printer;
    if (!m_printerName.isEmpty())
        printer.setPrinterName(m_printerName);
    if (!m_dialogs.setupPrinter(this, printer))
        return;
    if (printer.outputFormat() == QPrinter::NativeFormat && !printer.printerName().isEmpty()) {
        m_printerName = printer.printerName();
        m_system.printerName = m_printerName;
    }
    refreshPrinter();
}

void OutputOptionsDialog::refreshPrinter()
{
    m_printerLine->setText(printerLine(m_printerName, printerPort(m_printerName)));
    const bool havePrinter = !m_printerName.isEmpty();
    m_copies->setEnabled(havePrinter && m_system.allowCopies);
    m_setup->setEnabled(havePrinter && m_system.allowPrinterSetup);
}

void OutputOptionsDialog::rangeChosen()
{
    if (m_selection->isChecked()) {
        m_selectionBox->show();
        m_selectionBox->setEnabled(true);
        for (QWidget* w : {static_cast<QWidget*>(m_fromLabel), static_cast<QWidget*>(m_fromBox),
                           static_cast<QWidget*>(m_toLabel), static_cast<QWidget*>(m_toBox)})
            w->hide();
        m_fromBox->setEnabled(false);
        m_toBox->setEnabled(false);
    } else if (m_range->isChecked()) {
        m_selectionBox->hide();
        m_selectionBox->setEnabled(false);
        for (QWidget* w : {static_cast<QWidget*>(m_fromLabel), static_cast<QWidget*>(m_fromBox),
                           static_cast<QWidget*>(m_toLabel), static_cast<QWidget*>(m_toBox)})
            w->show();
        m_fromBox->setEnabled(true);
        m_toBox->setEnabled(true);
    } else {
        m_selectionBox->setEnabled(false);
        m_fromBox->setEnabled(false);
        m_toBox->setEnabled(false);
    }
}

} // namespace quorvel::report
