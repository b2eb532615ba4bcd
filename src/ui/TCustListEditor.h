#pragma once

#include "db/TDataSetModel.h"

#include <QWidget>

#include <functional>

class QFormLayout;
class QFrame;
class QPushButton;
class QTabWidget;
class TDataSet;
class TDBEdit;
class TDBGrid;
class TDBLookupComboBox;
class TPrompts;

// The editor of one reference list on the Configure page: a read-only grid on the left, the
// details of the current row in the middle and the buttons Edit, Add new, Remove, Save and
// Cancel on the right. The buttons run the click handlers below; what differs between the lists
// (the removal steps, what a post refreshes) comes from the page that builds the editor.
class TCustListEditor : public QWidget
{
    Q_OBJECT
public:
    struct TSetup {
        QString buttonStem; // names the buttons: "bCredit" gives bCreditEdit ... bCreditCancel
        QString gridName;   // jdbgCredits
        QString panelName;  // pCustCreditInfo
        TDataSet* dataSet = nullptr;
        QList<TDataSetModel::TColumn> columns;
        QString removeQuestion; // "Remove credit?"
        // The Titles and Specialities editors also hide the other sub-pages while editing.
        bool hidesOtherSubPages = false;
    };

    TCustListEditor(TPrompts& prompts, QTabWidget& subPages, const TSetup& setup,
                    QWidget* parent = nullptr);

    // Details controls, added in tab order; the first one added is the name control that
    // Edit and Add new focus.
    TDBEdit* AddEdit(const QString& caption, const QString& objectName, const QString& fieldName,
                     bool autoEdit = false);
    TDBLookupComboBox* AddLookup(const QString& caption, const QString& objectName,
                                 const QString& fieldName, TDataSet* listDataSet,
                                 const QString& keyField, const QString& displayField);

    // What Remove does after the user answered Yes, and what Save refreshes after the post.
    void SetRemoveSteps(std::function<void()> steps) { m_removeSteps = std::move(steps); }
    void SetAfterPost(std::function<void()> refresh) { m_afterPost = std::move(refresh); }

    // The handlers of the five buttons. A refused edit, insert or post throws to the caller
    // (the program-wide handler for a click); a refused post keeps the edit state.
    void EditClick();
    void NewClick();
    void DeleteClick();
    void SaveClick();
    void CancelClick();
    void SetEditState();
    void SetBrowseState();

    TDBGrid* Grid() const { return m_grid; }

Q_SIGNALS:
    // The editor has entered / left its edit state; the window's other pages are hidden
    // meanwhile.
    void editingStarted();
    void editingFinished();

private:
    QPushButton* MakeButton(const QString& caption, const QString& objectName);
    // Enables the controls of one state; the tabs are left to the state routines.
    void ApplyControls(bool editing);
    void FocusNameControl();
    void AddDetail(QWidget* control);

    TPrompts& m_prompts;
    QTabWidget& m_subPages;
    TDataSet* m_dataSet;
    bool m_hidesOtherSubPages;
    QString m_removeQuestion;
    TDBGrid* m_grid;
    QFrame* m_panel;
    QFormLayout* m_details;
    QWidget* m_nameControl = nullptr;
    QList<QWidget*> m_detailControls;
    QPushButton* m_edit;
    QPushButton* m_new;
    QPushButton* m_delete;
    QPushButton* m_save;
    QPushButton* m_cancel;
    std::function<void()> m_removeSteps;
    std::function<void()> m_afterPost;
};
