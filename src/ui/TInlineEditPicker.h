#pragma once

#include "ui/TPickerDialog.h"

class QGridLayout;
class QPushButton;
class TSlidingPanel;

// A picker whose list can be extended and corrected in place: a double-click on a row picks
// it, "Add new" and "Edit" open an edit panel above the list for the list's current row, and
// "Save" or "Cancel" close it again. While the panel is open nothing can be picked and the
// dialog refuses to close, so a half-edited row is never left behind.
class TInlineEditPicker : public TPickerDialog
{
    Q_OBJECT
public:
    ~TInlineEditPicker() override;

    // True while a row is being added or edited (the data set is in insert or edit state).
    bool Editing() const;
    TSlidingPanel* DetailsPanel() const { return pDetails; }

    void bNewClick();
    void bEditClick();
    // Posts the row; when the database refuses it the error propagates and the panel stays
    // open, so the user can correct the row or cancel.
    void bSaveClick();
    void bCancelClick();

    void reject() override;

protected:
    // detailsHeight is the open height of the panel, which starts closed.
    TInlineEditPicker(TDM& dm, const TPickerSetup& setup, int detailsHeight,
                      const QWidget* mainWindow, QWidget* parent);

    // The subclass puts its labels and editors into this layout (two columns: caption, editor)
    // and names the editor that takes the focus when the panel opens.
    QGridLayout* FieldsLayout() const { return m_fields; }
    void SetFirstField(QWidget* field) { m_firstField = field; }
    // Nothing can be picked while a row is being edited.
    bool CanPick() const override { return !Editing(); }

    void FormCloseQuery(bool& canClose);
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void OpenDetails();
    void CloseDetails();
    void SetBrowseState(bool browsing);

    int m_detailsHeight;
    TSlidingPanel* pDetails = nullptr;
    QWidget* pBottom = nullptr;
    QGridLayout* m_fields = nullptr;
    QPushButton* bSave = nullptr;
    QPushButton* bCancel = nullptr;
    QPushButton* bEdit = nullptr;
    QPushButton* bNew = nullptr;
    QWidget* m_firstField = nullptr;
};
