#include "tools/TSealCommand.h"

#include "seal/TSealCode.h"
#include "seal/TSealKey.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QTextStream>

#include <poppler-document.h>
#include <poppler-image.h>
#include <poppler-page-renderer.h>
#include <poppler-page.h>
#include <zbar.h>

#include <memory>

namespace
{

QString Tr(const char* text)
{
    return QCoreApplication::translate("TSealCommand", text);
}

void PrintRecord(const TSealCheck& check, QTextStream& out)
{
    const TSealRecord& r = check.record;
    out << Tr("Issuer:      %1").arg(r.issuer) << Qt::endl
        << Tr("Key id:      %1").arg(QString::fromLatin1(check.keyId.toHex().toUpper()))
        << Qt::endl
        << Tr("Participant: %1").arg(r.name) << Qt::endl
        << Tr("Period:      %1").arg(r.period) << Qt::endl
        << Tr("Issued:      %1").arg(r.issued) << Qt::endl;
    if (r.HasDigest()) {
        out << Tr("Conferences: %1 lines, signed as their SHA-256 %2")
                   .arg(r.lineCount)
                   .arg(QString::fromLatin1(r.linesDigest.toHex()))
            << Qt::endl;
    } else {
        out << Tr("Conferences: %1").arg(r.lines.size()) << Qt::endl;
        for (const QStringList& line : r.lines)
            out << QStringLiteral("  ") << line.join(QStringLiteral(" | ")) << Qt::endl;
    }
    out << Tr("Units per credit type:") << Qt::endl;
    for (const auto& [credit, units] : r.totals)
        out << QStringLiteral("  ") << credit << QStringLiteral(" | ") << units << Qt::endl;
}

} // namespace

int TSealCommand::Keygen(const QStringList& arguments, QTextStream& out)
{
    if (arguments.size() > 1 || (!arguments.isEmpty() && arguments.first().startsWith(u'-')))
        throw EUsage(Tr("keygen takes one folder"));
    const QString folder = arguments.value(0, QStringLiteral("."));
    QDir().mkpath(folder);
    const TSealKey key = TSealKey::Generate();
    key.Save(folder);
    const QDir dir(folder);
    out << Tr("Wrote the office's signing key %1 (readable by you only; keep it safe)")
               .arg(QDir::toNativeSeparators(dir.absoluteFilePath(TSealKey::PrivateFileName())))
        << Qt::endl
        << Tr("and its public key %1 (give it to those who check your transcripts)")
               .arg(QDir::toNativeSeparators(dir.absoluteFilePath(TSealKey::PublicFileName())))
        << Qt::endl
        << Tr("Key fingerprint %1").arg(key.Fingerprint()) << Qt::endl;
    return 0;
}

QStringList TSealCommand::CodesInImage(const QImage& image)
{
    using namespace zbar;
    const QImage gray = image.convertToFormat(QImage::Format_Grayscale8);
    QByteArray pixels;
    pixels.reserve(qsizetype(gray.width()) * gray.height());
    for (int y = 0; y < gray.height(); ++y)
        pixels.append(reinterpret_cast<const char*>(gray.constScanLine(y)), gray.width());
    zbar_image_scanner_t* scanner = zbar_image_scanner_create();
    zbar_image_scanner_set_config(scanner, ZBAR_NONE, ZBAR_CFG_ENABLE, 0);
    zbar_image_scanner_set_config(scanner, ZBAR_QRCODE, ZBAR_CFG_ENABLE, 1);
    zbar_image_t* zimage = zbar_image_create();
    zbar_image_set_format(zimage, zbar_fourcc('Y', '8', '0', '0'));
    zbar_image_set_size(zimage, unsigned(gray.width()), unsigned(gray.height()));
    zbar_image_set_data(zimage, pixels.constData(), size_t(pixels.size()), nullptr);
    QStringList codes;
    if (zbar_scan_image(scanner, zimage) > 0)
        for (const zbar_symbol_t* symbol = zbar_image_first_symbol(zimage); symbol;
             symbol = zbar_symbol_next(symbol))
            codes << QString::fromUtf8(zbar_symbol_get_data(symbol),
                                       qsizetype(zbar_symbol_get_data_length(symbol)));
    zbar_image_destroy(zimage);
    zbar_image_scanner_destroy(scanner);
    return codes;
}

TSealCommand::TPdfContent TSealCommand::ReadPdf(const QString& path)
{
    const QByteArray name = QFile::encodeName(path);
    std::unique_ptr<poppler::document> doc(
        poppler::document::load_from_file(std::string(name.constData(), size_t(name.size()))));
    if (!doc || doc->is_locked())
        throw TError(Tr("%1 cannot be read as a PDF file.").arg(QDir::toNativeSeparators(path)));
    TPdfContent content;
    poppler::page_renderer renderer;
    renderer.set_image_format(poppler::image::format_gray8);
    for (int i = 0; i < doc->pages(); ++i) {
        std::unique_ptr<poppler::page> page(doc->create_page(i));
        if (!page)
            continue;
        const std::vector<char> text =
            page->text(poppler::rectf(), poppler::page::raw_order_layout).to_utf8();
        QString pageText = QString::fromUtf8(text.data(), qsizetype(text.size()));
        while (pageText.endsWith(u'\f') || pageText.endsWith(u'\n'))
            pageText.chop(1);
        content.text += pageText + QStringLiteral("\n\f");
        poppler::image picture = renderer.render_page(page.get(), 300, 300);
        if (!picture.is_valid())
            continue;
        const QImage image(reinterpret_cast<const uchar*>(picture.const_data()), picture.width(),
                           picture.height(), picture.bytes_per_row(),
                           QImage::Format_Grayscale8);
        content.codes << CodesInImage(image);
    }
    return content;
}

int TSealCommand::Verify(const QStringList& givenArguments, QTextStream& out)
{
    QStringList arguments = givenArguments;
    QString keyPath;
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        if (arguments.at(i) == QStringLiteral("--key")) {
            if (i + 1 >= arguments.size())
                throw EUsage(Tr("--key needs the public key file"));
            keyPath = arguments.at(i + 1);
            arguments.remove(i, 2);
            break;
        }
        if (arguments.at(i).startsWith(QStringLiteral("--key="))) {
            keyPath = arguments.at(i).mid(6);
            arguments.remove(i);
            break;
        }
    }
    if (keyPath.isEmpty())
        throw EUsage(Tr("verify needs --key office.pub"));
    if (arguments.size() != 1)
        throw EUsage(Tr("verify takes one PDF file, picture or code text"));
    const QByteArray publicKey = TSealKey::LoadPublic(keyPath);
    const QString input = arguments.first();

    QStringList codes;
    QString pageText;
    bool fromPdf = false;
    const QFileInfo file(input);
    if (!input.startsWith(TSealFormat::Prefix(), Qt::CaseInsensitive) && file.isFile()) {
        QFile f(input);
        if (!f.open(QIODevice::ReadOnly))
            throw TError(Tr("%1 cannot be read: %2").arg(input, f.errorString()));
        const QByteArray head = f.peek(8);
        if (head.startsWith("%PDF")) {
            const TPdfContent pdf = ReadPdf(input);
            codes = pdf.codes;
            pageText = pdf.text;
            fromPdf = true;
        } else if (head.startsWith("CE1:") || head.startsWith("ce1:")) {
            codes << QString::fromLatin1(f.readAll()).trimmed();
        } else {
            QImageReader reader(input);
            const QImage image = reader.read();
            if (image.isNull())
                throw TError(Tr("%1 is neither a PDF file, a picture nor a code: %2")
                                 .arg(input, reader.errorString()));
            codes = CodesInImage(image);
        }
        if (codes.isEmpty()) {
            out << Tr("NOT VALID: no signed code was found in %1 (the code is missing or "
                      "damaged)")
                       .arg(QDir::toNativeSeparators(input))
                << Qt::endl;
            return 1;
        }
    } else {
        codes << input;
    }

    bool allValid = true;
    for (const QString& code : codes) {
        TSealCheck check = TSealFormat::Check(code, publicKey);
        // From a PDF file the page's own lines are checked too: a long transcript's code
        // holds only their digest, and a short one's lines must be the ones the page shows.
        const TSealRecord& record = check.record;
        const int lineCount = record.HasDigest() ? record.lineCount : int(record.lines.size());
        if (check.Ok() && fromPdf &&
            !TSealFormat::PageTextMatches(
                pageText, lineCount,
                record.HasDigest() ? record.linesDigest
                                   : TSealFormat::Sha256(TSealFormat::CanonicalLines(record.lines)),
                record.dateFormat)) {
            check.status = TSealCheck::LinesChanged;
            check.reason = Tr("the conference lines of the PDF's text do not match the %1 "
                              "signed lines (a line was changed, added or removed)")
                               .arg(lineCount);
        }
        if (!check.Ok()) {
            out << Tr("NOT VALID: %1").arg(check.reason) << Qt::endl;
            allValid = false;
            continue;
        }
        PrintRecord(check, out);
        if (fromPdf)
            out << Tr("The %1 conference lines of the PDF's text match the signed ones.")
                       .arg(lineCount)
                << Qt::endl;
        else if (record.HasDigest())
            out << Tr("The lines were signed as a digest: verify the PDF file to check them.")
                << Qt::endl;
        out << Tr("valid") << Qt::endl;
    }
    return allValid ? 0 : 1;
}
