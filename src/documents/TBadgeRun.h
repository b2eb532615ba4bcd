#pragma once

#include "documents/TReportWindows.h"

#include <QList>
#include <QPageSize>
#include <QRectF>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <memory>

class QPagedPaintDevice;
class QPainter;
class TConfig;
class TDM;
class TDocuments;
struct TReportDefinition;

// The sheets badges are printed on.
enum class TBadgeSheet {
    A4Labels,     // A4, 2 by 7 labels of 99.1 by 38.1 mm
    LetterLabels, // US Letter, 2 by 5 labels of 4 by 2 in
    OnePerPage,   // a badge printer: one badge of 4 by 3 in per page
};

// Where a sheet's labels are.
struct TBadgeSheetLayout {
    QPageSize pageSize;
    int columns = 1;
    int rows = 1;
    QSizeF labelMm;
    QPointF firstMm; // top-left corner of the first label
    QSizeF pitchMm;  // from one label's corner to the next one's

    static TBadgeSheetLayout Of(TBadgeSheet sheet);
    int PerPage() const { return columns * rows; }
    QRectF LabelMm(int indexOnPage) const;
    // The sheet's name for the user ("A4, 2 × 7 labels").
    static QString Name(TBadgeSheet sheet);
    // The sheet chosen last time (quorvel.ini, [Badges] Sheet), and remembering a choice.
    static TBadgeSheet Remembered(const TConfig* config);
    static void Remember(TConfig* config, TBadgeSheet sheet);
};

// One run of badges for a list of participants at one conference, laid out by the report
// "BadgeReport" of cme.rav (the text of one badge) beside the badge's QR code. Participants
// without a badge code get one when the run starts. Output goes to the default printer, the
// preview or a PDF file; every failure is a TError.
class TBadgeRun : public TReportPages
{
public:
    // userIds in the order of the badges; unknown ids are left out. confId may be null (no
    // conference line on the badges).
    TBadgeRun(TDocuments& documents, const QList<int>& userIds, const QVariant& confId,
              TBadgeSheet sheet);
    ~TBadgeRun() override;

    // The participants of a conference (those signed in and, where the database keeps them,
    // those registered for it), ordered by last and first name: the list a badge run takes.
    static QList<int> ConferenceParticipants(TDM& dm, const QVariant& confId);

    int BadgeCount() const { return int(m_badges.size()); }
    // The codes on the badges, in order.
    QStringList Codes() const;

    // Writes the PDF file; an older file at path is replaced only by a complete new one.
    void ToPdf(const QString& path);
    void ToPreview();
    void ToDefaultPrinter();

    // TReportPages: the preview's pages.
    void PaintAll(QPrinter& printer) override;
    bool LayOutMore() override { return false; }
    int PageCount() const override;
    void PrintToDefaultPrinter() override { ToDefaultPrinter(); }
    QStringList SectionTexts() const override;

private:
    struct TBadge {
        int userId = 0;
        QString code;
        QString html;
        QString text;
    };
    void Paint(QPagedPaintDevice& device, QPainter& painter);
    void PaintBadge(QPainter& painter, const TBadge& badge, const QRectF& label, double pxPerMm);
    static const TReportDefinition& BuiltInReport();

    TDocuments& m_documents;
    TBadgeSheet m_sheet;
    TBadgeSheetLayout m_layout;
    const TReportDefinition* m_report = nullptr;
    std::vector<TBadge> m_badges;
};
