#pragma once

#include <QDialog>

class QButtonGroup;
class QDateEdit;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class TTimeFilter;

// The dialog that sets the one time filter shared by every filtered list. Created once at
// start-up and only hidden between uses, so it keeps its choices. "Ok" closes it with the
// result Accepted; the close box and Escape with Rejected.
class TfrmTimeFilter : public QDialog
{
    Q_OBJECT
public:
    // Items of rgPeriodType, top to bottom.
    enum TPeriodType { periodYears, periodDateRange, periodNone };
    // The years offered: the current one and the nine before it.
    static constexpr int YearCount = 10;

    explicit TfrmTimeFilter(QWidget* parent = nullptr);
    ~TfrmTimeFilter() override;

    // Shows the filter: its kind, and its years or its dates.
    void SetFilter(const TTimeFilter& filter);
    // Copies the dialog's choice into the filter; the fields of the other kinds keep their
    // values.
    void GetFilter(TTimeFilter& filter) const;

    int PeriodType() const;
    // Shows the controls of the selected period type.
    void rgPeriodTypeClick();
    void ShowYears();
    void ShowDateRange();
    void ShowNone();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void FormDestroy();
    void FormShow();
    // Closes the dialog with OK unless the choice cannot be a filter (no year checked, or a
    // range ending before it begins); then the user is told and the dialog stays.
    void bOkClick();
    void SelectPeriodType(int type);

    QGroupBox* rgPeriodType = nullptr;
    QButtonGroup* m_periodItems = nullptr;
    QLabel* lYear = nullptr;
    QListWidget* jclbYears = nullptr;
    QLabel* lBegin = nullptr;
    QDateEdit* dtpBegin = nullptr;
    QLabel* lEnd = nullptr;
    QDateEdit* dtpEnd = nullptr;
    QPushButton* bOk = nullptr;
};
