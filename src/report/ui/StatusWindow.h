// The window that shows progress while pages are generated: one centred line and "Cancel".
#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

namespace quorvel::report {

class StatusWindow : public QWidget
{
    Q_OBJECT
public:
    explicit StatusWindow(const QString& caption, QWidget* parent = nullptr);

    void setStatus(const QString& text);
    QString status() const;
    /// True once the operator pressed "Cancel".
    bool cancelled() const { return m_cancelled; }

protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QLabel* m_status;
    QPushButton* m_cancel;
    bool m_cancelled = false;
};

} // namespace quorvel::report
