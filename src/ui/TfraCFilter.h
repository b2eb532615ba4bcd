#pragma once

#include <QFrame>

#include <memory>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class TConfFilter;
class TIdList;

// The conference filter panel of the Conferences, Live sign-in, Transcripts and Calendar pages:
// title, series, speaker and additional-info texts and the credit types with their and/or mode.
// The page that owns a panel connects ApplyClicked / ClearClicked to its own handlers.
class TfraCFilter : public QFrame
{
    Q_OBJECT
public:
    explicit TfraCFilter(const QString& objectName, QWidget* parent = nullptr);

    // "Filter", or "Conference filter" on the Transcripts page.
    void SetCaption(const QString& caption);
    // Replaces the credit lines (sharing their key objects), all unchecked, then sets the mode.
    void SetCredits(const TIdList& lines, const QString& mode);
    // Copies the panel's criteria into the filter object.
    void GetFilter(TConfFilter& filter) const;
    void SetAndMode();
    void SetOrMode();
    // Empties the four texts and unchecks every credit type; the and/or mode stays.
    void bClearClick();
    // Toggles the and/or mode.
    void stCreditsAndOrClick();

    QString Mode() const;
    QPushButton* ApplyButton() const { return bApply; }
    QPushButton* ClearButton() const { return bClear; }

Q_SIGNALS:
    void ApplyClicked();
    void ClearClicked();

private:
    QGroupBox* gbFilter = nullptr;
    QLineEdit* eFName = nullptr;
    QLineEdit* eFSerie = nullptr;
    QLineEdit* eFSpeaker = nullptr;
    QLineEdit* eFExtra = nullptr;
    QListWidget* jclbFCredits = nullptr;
    QLabel* stCreditsAndOr = nullptr;
    QPushButton* bClear = nullptr;
    QPushButton* bApply = nullptr;
    std::shared_ptr<TIdList> m_credits;
};
