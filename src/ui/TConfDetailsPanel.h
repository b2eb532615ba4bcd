#pragma once

#include "data/TConferenceDetails.h"
#include "data/TIdList.h"

#include <QWidget>

class QDateEdit;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTimeEdit;
class TDBEdit;
class TDataSet;

// The conference editor of the Conferences page (pConfInfo): title and series bound to the
// conference row, and the plain controls for dates, times, units, additional info, speakers and
// credit types. The lists keep their TIdList lines beside the widgets, so every line carries
// its key. Every control has a tag: tag 0 controls are enabled only while editing; the tag 1
// controls (units and credits) always look normal but take input only while editing.
class TConfDetailsPanel : public QWidget
{
    Q_OBJECT
public:
    static constexpr int TagSwitched = 0;
    static constexpr int TagKeepsLook = 1;

    TConfDetailsPanel(TDataSet* conferences, QWidget* parent = nullptr);

    // Replaces the credit types offered; lines of the same keys keep their check marks.
    void SetCreditLines(const TIdList& lines);
    const TIdList& CreditLines() const { return m_credits; }
    // Shows the plain values of one conference (Credits: the offered lines with their marks).
    void ShowDetails(const TConferenceDetails& details);
    // What the controls hold now; title and series stay empty, their edits write to the row.
    TConferenceDetails Details() const;
    // The empty conference that "Add new" starts from: no lines, no credit, units 0, today
    // from 09:00 to 18:00.
    void ShowNewConference();
    void SetEditState(bool editing);

    const TIdList& Speakers() const { return m_speakers; }
    const TIdList& Extras() const { return m_extras; }
    void SetSpeakers(const TIdList& speakers);
    void SetExtras(const TIdList& extras);
    // The line the user selected, or -1 when no line is selected.
    int SelectedSpeaker() const;
    int SelectedExtra() const;
    void RemoveSpeaker(int index);
    void RemoveExtra(int index);

    TDBEdit* dbeConfName = nullptr;
    QDateEdit* dtpBeginDate = nullptr;
    QTimeEdit* dtpBeginTime = nullptr;
    QDateEdit* dtpEndDate = nullptr;
    QTimeEdit* dtpEndTime = nullptr;
    QDoubleSpinBox* jseUnits = nullptr;
    TDBEdit* dbeSerie = nullptr;
    QListWidget* lbExtras = nullptr;
    QPushButton* bExtraAdd = nullptr;
    QPushButton* bExtraDel = nullptr;
    QListWidget* lbSpeakers = nullptr;
    QPushButton* bSpeakAdd = nullptr;
    QPushButton* bSpeakDel = nullptr;
    QListWidget* jclbCredits = nullptr;

private:
    QLabel* MakeLabel(const QString& caption, const QString& objectName, QWidget* buddy);
    QPushButton* MakeListButton(const QString& caption, const QString& objectName);
    void ShowLines(QListWidget* list, const TIdList& lines);
    void ShowCredits();
    void SetDate(QDateEdit* picker, const QDate& date);
    QDate PickedDate(const QDateEdit* picker) const;

    TIdList m_speakers;
    TIdList m_extras;
    TIdList m_credits;
    bool m_editing = false;
};
