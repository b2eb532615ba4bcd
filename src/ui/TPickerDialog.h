#pragma once

#include "ui/TColumnWidths.h"
#include "db/TDataSetModel.h"

#include <QDialog>
#include <QPoint>

class QLabel;
class QLineEdit;
class QVBoxLayout;
class TDBGrid;
class TDM;
class TDataSet;

// What a picker shows and where it keeps its state.
struct TPickerSetup {
    QString objectName;
    QString caption;
    TDataSet* dataSet = nullptr;
    QString gridName;
    QList<TDataSetModel::TColumn> columns;
    // The label above the list, saying what a double-click does.
    QString labelName;
    QString labelText;
    // The settings keys of the list's column widths.
    QList<TColumnWidths::TKey> widthKeys;
    // Where the picker stands, from the main window's top-left corner at its creation.
    QPoint offset;
};

// A dialog that picks rows of a list by double-click (or Enter on the list): each pick takes
// effect at once and the dialog stays open for the next, until its close box. It places itself
// beside the main window once, at creation, reads its column widths from the settings then and
// writes them back (in memory) when it is destroyed. It may carry a search box above the list,
// which acts on Enter only and is emptied each time the dialog is shown.
class TPickerDialog : public QDialog
{
    Q_OBJECT
public:
    ~TPickerDialog() override;

    TDBGrid* Grid() const { return m_grid; }
    TDataSet* DataSet() const { return m_dataSet; }
    // Picks the list's current row, as a double-click does; nothing on an empty list or while
    // the picker cannot pick.
    void PickCurrentRow();

protected:
    // mainWindow, when given, is the window the picker places itself beside.
    TPickerDialog(TDM& dm, const TPickerSetup& setup, const QWidget* mainWindow, QWidget* parent);

    // What a pick of the current row does.
    virtual void PickRow() = 0;
    virtual bool CanPick() const { return true; }
    // The search of the search box's text (Enter in the box).
    virtual void Search(const QString& text);

    // Adds the search box above the list.
    void AddSearch(const QString& labelName, const QString& caption, const QString& editName);
    QLabel* ListLabel() const { return m_label; }
    // The label and the list, which a picker may disable as one.
    QWidget* ListPanel() const { return m_listPanel; }
    QVBoxLayout* DialogLayout() const { return m_layout; }

    void showEvent(QShowEvent* event) override;
    // Enter is the dialog's own key: no button takes it as the default.
    void keyPressEvent(QKeyEvent* event) override;
    // Sees the key presses of the list and the search box before they do.
    bool eventFilter(QObject* watched, QEvent* event) override;

    TDM& m_dm;

private:
    void PickRowAt(int row);

    TDataSet* m_dataSet;
    QList<TColumnWidths::TKey> m_widthKeys;
    QVBoxLayout* m_layout = nullptr;
    QWidget* m_listPanel = nullptr;
    QLabel* m_label = nullptr;
    TDBGrid* m_grid = nullptr;
    QLineEdit* m_search = nullptr;
};
