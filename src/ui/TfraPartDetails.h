#pragma once

#include <QFrame>

class QGridLayout;
class QLabel;
class TDataSet;
class TDBEdit;
class TDBLookupComboBox;
class TDBRadioGroup;

// The details of one participant (panel pPartInfo): names, title, speciality, postal address,
// phone, fax, e-mail and the mailing option, all bound to the current row of a participants
// data set. The Participants page and the add-participant dialog of the live sign-in show it.
// The frame changes nothing by itself: its controls write to the row only while the data set
// is in edit or insert state, which the owner starts, posts and cancels.
class TfraPartDetails : public QFrame
{
    Q_OBJECT
public:
    // Mailing options as stored in mail_type.
    static constexpr int MailEmail = 1;
    static constexpr int MailPostal = 2;
    static constexpr int MailFax = 3;

    explicit TfraPartDetails(const QString& objectName, QWidget* parent = nullptr);

    // Binds every control to the current row of participants, and the title and speciality
    // lists to titles (title_id, t_name) and specialities (spec_id, s_name).
    void Bind(TDataSet* participants, TDataSet* titles, TDataSet* specialities);
    TDataSet* DataSet() const { return m_participants; }

    // Enables or disables every control of the frame together (disabled: a read-only display).
    void SetControlsEnabled(bool enabled);

    // The first control in tab order; the owner focuses it when an edit begins.
    TDBEdit* LastNameEdit() const { return dbePartLastName; }
    // The last control in tab order, so an owner can chain its own controls after the frame.
    QWidget* LastControl() const;

private:
    QLabel* AddLabel(const QString& caption, QWidget* buddy);
    // The caption above its field, both in the given column(s) of the grid.
    void AddField(QGridLayout* grid, const QString& caption, QWidget* field, int row, int column,
                  int columnSpan = 1);

    TDataSet* m_participants = nullptr;
    QFrame* pPartInfo = nullptr;
    TDBEdit* dbePartLastName = nullptr;
    TDBEdit* dbePartFirstName = nullptr;
    TDBLookupComboBox* jdblcPartTitle = nullptr;
    TDBLookupComboBox* jdblcSpeciality = nullptr;
    TDBEdit* dbePartAddress = nullptr;
    TDBEdit* dbePartCity = nullptr;
    TDBEdit* dbePartState = nullptr;
    TDBEdit* dbePartZip = nullptr;
    TDBEdit* dbePartPhone = nullptr;
    TDBEdit* dbeEmail = nullptr;
    TDBEdit* dbePartFax = nullptr;
    TDBRadioGroup* dbMailOptions = nullptr;
};
