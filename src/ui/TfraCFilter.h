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
// The page that owns a panel connects applyClicked / clearClicked to its own handlers; the
// panel itself changes no list.
class TfraCFilter : public QFrame
{
    Q_OBJECT
public:
    static constexpr int PanelWidth = 218;
    static constexpr int PanelHeight = 158;

    explicit TfraCFilter(const QString& objectName, QWidget* parent = nullptr);

    // "Filter", or "Conference filter" on the Transcripts page.
    void SetCaption(const QString& caption);
    // Replaces the credit lines (sharing their key objects), all unchecked, then sets the mode:
    // "or" gives the or mode, any other text the and mode.
    void SetCredits(const TIdList& lines, const QString& mode);
    // Copies the panel's criteria into the filter object: the four texts as typed, the
    // checked credit lines in list order with their key objects, and the mode's caption.
    void GetFilter(TConfFilter& filter) const;
    void SetAndMode();
    void SetOrMode();
    // Empties the four texts and unchecks every credit type; the and/or mode stays.
    void bClearClick();
    // Toggles the and/or mode (a click on stCreditsAndOr, or Space while it has the focus).
    void stCreditsAndOrClick();
    // The Apply caption in maroon, as on the Conferences page.
    void SetApplyMaroon(bool maroon);

    QString Mode() const;
    QPushButton* ApplyButton() const { return bApply; }
    QPushButton* ClearButton() const { return bClear; }

    // The colours of the two modes, on stCreditsAndOr and the credit list.
    static QColor AndColor() { return QColor(192, 220, 192); }
    static QColor OrColor() { return QColor(166, 202, 240); }

Q_SIGNALS:
    void applyClicked();
    void clearClicked();

private:
    void ShowMode(const QString& caption, const QColor& color);

    QGroupBox* gbFilter = nullptr;
    QLineEdit* eFName = nullptr;
    QLineEdit* eFSerie = nullptr;
    QLineEdit* eFSpeaker = nullptr;
    QLineEdit* eFExtra = nullptr;
    QListWidget* jclbFCredits = nullptr;
    QPushButton* stCreditsAndOr = nullptr;
    QPushButton* bClear = nullptr;
    QPushButton* bApply = nullptr;
    // The credit lines shown, with their shared key objects; row i of jclbFCredits is line i.
    std::shared_ptr<TIdList> m_credits;
};
