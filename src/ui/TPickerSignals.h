#pragma once

#include <QObject>

// What the speaker and additional-info pickers tell whoever edits a conference's lists. The
// pickers live from start-up to shutdown, independently of the page that listens, so both
// meet here instead of knowing each other.
class TPickerSignals : public QObject
{
    Q_OBJECT
public:
    static TPickerSignals& Instance();

Q_SIGNALS:
    // The current row of Speakers / Extras was double-clicked (or chosen with Enter).
    void speakerPicked();
    void extraPicked();
};
