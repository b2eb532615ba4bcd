#pragma once

#include <QDialog>

class QGridLayout;
class QLabel;
class QPushButton;
class QWidget;
class TDataSet;
class TDBGrid;
class TSlidingPanel;

// A picker whose list can be extended and corrected in place: a double-click on a row picks
// it, "Add new" and "Edit" open an edit panel above the list for the list's current row, and
// "Save" or "Cancel" close it again. While the panel is open nothing can be picked and the
// dialog refuses to close, so a half-edited row is never left behind.
class TInlineEditPicker : public QDialog
{
    Q_OBJECT
public:
    ~TInlineEditPicker() override;

    // True while a row is being added or edited (the data set is in insert or edit state).
    bool Editing() const;
    TSlidingPanel* DetailsPanel() const { return pDetails; }
    TDBGrid* Grid() const { return m_grid; }

    void bNewClick();
    void bEditClick();
    // Posts the row; when the database refuses it the error propagates and the panel stays
    // open, so the user can correct the row or cancel.
    void bSaveClick();
    void bCancelClick();
    // Picks the current row of the list; does nothing while a row is being edited.
    void PickCurrentRow();

    void reject() override;

protected:
    // gridName and columns describe the list; detailsHeight is the open height of the panel.
    TInlineEditPicker(const QString& objectName, TDataSet* dataSet, const QString& gridName,
                      const QString& labelName, int detailsHeight, QWidget* parent);

    // The subclass puts its labels and editors into this layout (two columns: caption, editor)
    // and names the editor that takes the focus when the panel opens.
    QGridLayout* FieldsLayout() const { return m_fields; }
    void SetFirstField(QWidget* field) { m_firstField = field; }
    QLabel* ListLabel() const { return m_label; }

    // What a double-click on the list does.
    virtual void PickRow() = 0;

    void FormCloseQuery(bool& canClose);
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OpenDetails();
    void CloseDetails();
    void SetBrowseState(bool browsing);

    TDataSet* m_dataSet;
    int m_detailsHeight;
    TSlidingPanel* pDetails = nullptr;
    QWidget* pGrid = nullptr;
    QWidget* pBottom = nullptr;
    QLabel* m_label = nullptr;
    TDBGrid* m_grid = nullptr;
    QGridLayout* m_fields = nullptr;
    QPushButton* bSave = nullptr;
    QPushButton* bCancel = nullptr;
    QPushButton* bEdit = nullptr;
    QPushButton* bNew = nullptr;
    QWidget* m_firstField = nullptr;
};
