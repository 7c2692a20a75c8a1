#include "report/ui/StatusWindow.h"

#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace quorvel::report {

StatusWindow::StatusWindow(const QString& caption, QWidget* parent)
    // A tool window of its own, with a title but no close box.
    : QWidget(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint)
    , m_status(new QLabel(this))
    , m_cancel(new QPushButton(QStringLiteral("Cancel"), this))
{
    setObjectName(QStringLiteral("statusWindow"));
    setWindowTitle(caption);
    setWindowModality(Qt::NonModal);
    m_status->setObjectName(QStringLiteral("statusLine"));
    m_status->setAlignment(Qt::AlignCenter);
    m_status->setMinimumWidth(260);
    m_cancel->setObjectName(QStringLiteral("cancelButton"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_status);
    layout->addWidget(m_cancel, 0, Qt::AlignHCenter);

    connect(m_cancel, &QPushButton::clicked, this, [this] {
        m_cancelled = true;
        m_cancel->setEnabled(false);
    });
}

void StatusWindow::setStatus(const QString& text) { m_status->setText(text); }

QString StatusWindow::status() const { return m_status->text(); }

void StatusWindow::closeEvent(QCloseEvent* event)
{
    // No close box: only the engine hides it, when generation ends.
    event->ignore();
}

void StatusWindow::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        m_cancel->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace quorvel::report
