#include "documents/TSealPrint.h"

#include "seal/TSealCode.h"

#include <QAbstractTextDocumentLayout>
#include <QCache>
#include <QCoreApplication>
#include <QPaintDevice>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextObjectInterface>
#include <QUrl>

#include <algorithm>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TSealPrint", text);
}

const QString kScheme = QStringLiteral("quorvel-seal:");
constexpr int kObjectType = QTextFormat::UserObject + 23;
constexpr int kTextProperty = QTextFormat::UserProperty + 23;
constexpr int kQuietModules = 4;

// The matrices of the last codes made: the signing made each one, and a layout and its
// painting ask for it again.
QCache<QString, std::shared_ptr<const TSealMatrix>>& Matrices()
{
    static QCache<QString, std::shared_ptr<const TSealMatrix>> cache(64);
    return cache;
}

std::shared_ptr<const TSealMatrix> MatrixOf(const QString& text)
{
    if (auto* found = Matrices().object(text))
        return *found;
    auto matrix = std::make_shared<const TSealMatrix>(TSealFormat::Matrix(text));
    Matrices().insert(text, new std::shared_ptr<const TSealMatrix>(matrix));
    return matrix;
}

double DotsPerMm(const QTextDocument* doc)
{
    const QPaintDevice* device = doc->documentLayout()->paintDevice();
    return (device ? device->logicalDpiX() : 96) / 25.4;
}

class TSealObject : public QObject, public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)
public:
    using QObject::QObject;

    QSizeF intrinsicSize(QTextDocument* doc, int, const QTextFormat& format) override
    {
        const auto matrix = MatrixOf(format.property(kTextProperty).toString());
        const double side = TSealPrint::SideMm(*matrix) * DotsPerMm(doc);
        return {side, side};
    }

    void drawObject(QPainter* painter, const QRectF& rect, QTextDocument*, int,
                    const QTextFormat& format) override
    {
        const auto matrix = MatrixOf(format.property(kTextProperty).toString());
        if (matrix->width == 0)
            return;
        const double module = rect.width() / (matrix->width + 2 * kQuietModules);
        const QPointF origin = rect.topLeft() + QPointF(kQuietModules, kQuietModules) * module;
        // The dark runs of each row, as one rectangle each.
        QList<QRectF> runs;
        runs.reserve(matrix->width * matrix->width / 4);
        for (int y = 0; y < matrix->width; ++y) {
            for (int x = 0; x < matrix->width;) {
                if (!matrix->Dark(x, y)) {
                    ++x;
                    continue;
                }
                int run = 1;
                while (x + run < matrix->width && matrix->Dark(x + run, y))
                    ++run;
                runs.append(QRectF(origin.x() + x * module, origin.y() + y * module,
                                   run * module, module));
                x += run;
            }
        }
        painter->save();
        painter->setRenderHint(QPainter::Antialiasing, false);
        painter->setPen(Qt::NoPen);
        painter->setBrush(Qt::black);
        painter->drawRects(runs.constData(), int(runs.size()));
        painter->restore();
    }
};

} // namespace

double TSealPrint::SideMm(const TSealMatrix& matrix)
{
    const int modules = matrix.width + 2 * kQuietModules;
    // About 40 mm whatever the version, never less than 0.5 mm nor more than 1 mm a module.
    const double module = std::clamp(40.0 / std::max(modules, 1), 0.5, 1.0);
    return modules * module;
}

QString TSealPrint::Html(const TSealCode& code, const QString& fingerprint, const QString& issued)
{
    if (code.matrix.width > 0 && !Matrices().contains(code.text))
        Matrices().insert(code.text, new std::shared_ptr<const TSealMatrix>(
                                         std::make_shared<const TSealMatrix>(code.matrix)));
    return QStringLiteral(
               "<table cellspacing=\"0\" cellpadding=\"0\"><tr>"
               "<td valign=\"middle\"><img src=\"%1%2\"/></td>"
               "<td valign=\"middle\">&nbsp;&nbsp;</td>"
               "<td valign=\"middle\">%3<br/><span style=\"font-size:7pt\">%4</span></td>"
               "</tr></table>")
        .arg(kScheme, QString::fromLatin1(QUrl::toPercentEncoding(code.text)),
             Tr("Verify this transcript: scan the code or run quorvel-admin verify")
                 .toHtmlEscaped(),
             Tr("Issued %1. Key fingerprint %2").arg(issued, fingerprint).toHtmlEscaped());
}

void TSealPrint::Attach(QTextDocument& document)
{
    struct TPlace {
        int position;
        int length;
        QString text;
    };
    QList<TPlace> places;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!format.isImageFormat())
                continue;
            const QString name = format.toImageFormat().name();
            if (name.startsWith(kScheme))
                places.append({fragment.position(), fragment.length(),
                               QString::fromUtf8(QByteArray::fromPercentEncoding(
                                   name.mid(kScheme.size()).toLatin1()))});
        }
    }
    if (places.isEmpty())
        return;
    QAbstractTextDocumentLayout* layout = document.documentLayout();
    if (!layout->handlerForObject(kObjectType))
        layout->registerHandler(kObjectType, new TSealObject(layout));
    for (const TPlace& place : places) {
        QTextCursor cursor(&document);
        cursor.setPosition(place.position);
        cursor.setPosition(place.position + place.length, QTextCursor::KeepAnchor);
        QTextCharFormat format;
        format.setObjectType(kObjectType);
        format.setProperty(kTextProperty, place.text);
        cursor.setCharFormat(format);
    }
}

#include "TSealPrint.moc"
