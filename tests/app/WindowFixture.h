// A shown import window with scripted dialogs, and helpers to drive it like an operator.
#pragma once

#include "FakeDialogs.h"

#include "app/DbGrid.h"
#include "app/TFrmLerEtiqueta.h"
#include "labels/ImportTable.h"
#include "table/Table.h"
#include "table/TableModel.h"
#include "support/Scoped.h"

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace quorvel::app::test {

using Button = Dialogs::Button;

/// One label line as the reader expects it; fields in file order.
inline QByteArray labelLine(const QByteArray& grupo, const QByteArray& cor = "AZUL", const QByteArray& price = "39,90",
                            const QByteArray& qty = "2", const QByteArray& codigo = "2000000012346")
{
    return "X" + grupo + "|CAMISETAS|NORTE|" + cor + "|CM-204|BASICA|M|" + codigo + "|" + price + "|" + qty + "|\r\n";
}

class WindowTest : public ::testing::Test
{
protected:
    void SetUp() override { openWindow(nullptr); }

    /// Builds and shows the window under Brazilian settings, with the report engine's windows
    /// replaced by `engineUi` when given.
    void openWindow(report::EngineUi* engineUi)
    {
        locale.set(quorvel::test::brazil());
        window = engineUi ? std::make_unique<TFrmLerEtiqueta>(dialogs, engineUi) : std::make_unique<TFrmLerEtiqueta>(dialogs);
        window->show();
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    }

    void TearDown() override
    {
        EXPECT_TRUE(dialogs.answers.empty()) << "answers left unused";
        window.reset();
    }

    QString writeFile(const QByteArray& bytes)
    {
        QString path = dir.filePath(QStringLiteral("labels-%1.txt").arg(++m_files));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            ADD_FAILURE() << "cannot write " << path.toStdString();
        return path;
    }

    /// Chooses a file with these bytes in the dialog and confirms it.
    void import(const QByteArray& bytes)
    {
        dialogs.files.push_back(writeFile(bytes));
        dialogs.answers.push_back(Button::Yes);
        window->btnLocalizaClick();
    }

    table::Table& list() { return *window->cdsEtqTemp; }
    DbGrid* grid() { return window->DBGrid1; }
    table::TableModel* model() { return window->dsEtqTemp; }
    QWidget* focus() { return QApplication::focusWidget(); }

    void press(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(focus(), static_cast<Qt::Key>(key), modifiers);
    }

    /// Types text one character at a time into whatever has the focus.
    void type(const QString& text)
    {
        for (QChar c : text)
            QTest::keyClicks(focus(), QString(c));
    }

    QPoint cellCentre(int row, int column)
    {
        return grid()->visualRect(model()->index(row, column)).center();
    }

    /// Field text of a row, as the table holds it.
    std::string cell(int row, labels::ImportField::Id field) { return list().textAt(row, field); }

    QColor editColour() { return window->edtArquivo->palette().color(QPalette::Base); }
    QColor windowColour() { return QApplication::palette().color(QPalette::Base); }

    /// Waits for the queued announcements of new rows to reach the views.
    void settle() { QCoreApplication::processEvents(); }

    quorvel::test::ScopedLocale locale;
    FakeDialogs dialogs;
    std::unique_ptr<TFrmLerEtiqueta> window;
    QTemporaryDir dir;

private:
    int m_files = 0;
};

} // namespace quorvel::app::test
