#include "import/TImportMapping.h"

#include "settings/TConfig.h"

#include <QCoreApplication>
#include <QCryptographicHash>
#include <QHash>

namespace {

const QString kSection = QStringLiteral("ImportMapping");

// A caption reduced to its lower-case letters and digits: "E-mail Address" -> "emailaddress".
QString Reduced(const QString& caption)
{
    QString out;
    for (const QChar c : caption.toCaseFolded())
        if (c.isLetterOrNumber())
            out += c;
    return out;
}

const QHash<QString, TImportField>& Variants()
{
    static const QHash<QString, TImportField> variants = [] {
        QHash<QString, TImportField> v;
        auto add = [&v](TImportField field, std::initializer_list<const char*> names) {
            for (const char* name : names)
                v.insert(QString::fromLatin1(name), field);
        };
        add(TImportField::LastName, {"lastname", "surname", "familyname", "last"});
        add(TImportField::FirstName, {"firstname", "givenname", "forename", "first"});
        add(TImportField::Email, {"email", "emailaddress", "mail", "emailadress"});
        add(TImportField::Phone, {"phone", "telephone", "phonenumber", "tel", "telephonenumber"});
        add(TImportField::Fax, {"fax", "faxnumber"});
        add(TImportField::Address, {"address", "street", "streetaddress", "address1", "addressline1"});
        add(TImportField::City, {"city", "town"});
        add(TImportField::State, {"state", "st"});
        add(TImportField::Zip, {"zip", "zipcode", "postalcode", "postcode", "zippostalcode"});
        add(TImportField::Title, {"title", "credentials", "credential", "degree"});
        add(TImportField::Speciality, {"specialty", "speciality", "specialities", "specialties"});
        return v;
    }();
    return variants;
}

QString Key(const QStringList& captions)
{
    QStringList reduced;
    for (const QString& caption : captions)
        reduced << Reduced(caption);
    return QString::fromLatin1(
        QCryptographicHash::hash(reduced.join(u'|').toUtf8(), QCryptographicHash::Sha1).toHex().left(20));
}

} // namespace

QList<TImportField> TImportMapping::AllFields()
{
    return {TImportField::Ignore,   TImportField::LastName, TImportField::FirstName,
            TImportField::Email,    TImportField::Phone,    TImportField::Fax,
            TImportField::Address,  TImportField::City,     TImportField::State,
            TImportField::Zip,      TImportField::Title,    TImportField::Speciality};
}

QString TImportMapping::Column(TImportField field)
{
    switch (field) {
    case TImportField::LastName: return QStringLiteral("last_name");
    case TImportField::FirstName: return QStringLiteral("first_name");
    case TImportField::Email: return QStringLiteral("email");
    case TImportField::Phone: return QStringLiteral("phone");
    case TImportField::Fax: return QStringLiteral("fax");
    case TImportField::Address: return QStringLiteral("address");
    case TImportField::City: return QStringLiteral("city");
    case TImportField::State: return QStringLiteral("state");
    case TImportField::Zip: return QStringLiteral("zip");
    default: return {};
    }
}

QString TImportMapping::Caption(TImportField field)
{
    auto tr = [](const char* text) { return QCoreApplication::translate("TImportMapping", text); };
    switch (field) {
    case TImportField::Ignore: return tr("(ignore)");
    case TImportField::LastName: return tr("Last name");
    case TImportField::FirstName: return tr("First name");
    case TImportField::Email: return tr("E-mail");
    case TImportField::Phone: return tr("Phone");
    case TImportField::Fax: return tr("Fax");
    case TImportField::Address: return tr("Address");
    case TImportField::City: return tr("City");
    case TImportField::State: return tr("State");
    case TImportField::Zip: return tr("ZIP");
    case TImportField::Title: return tr("Title");
    case TImportField::Speciality: return tr("Speciality");
    }
    return {};
}

TImportField TImportMapping::FieldForCaption(const QString& caption)
{
    return Variants().value(Reduced(caption), TImportField::Ignore);
}

QList<TImportField> TImportMapping::ByCaptions(const QStringList& captions)
{
    QList<TImportField> mapping;
    for (const QString& caption : captions) {
        const TImportField field = FieldForCaption(caption);
        mapping << (mapping.contains(field) ? TImportField::Ignore : field);
    }
    return mapping;
}

QList<TImportField> TImportMapping::Remembered(const TConfig& config, const QStringList& captions)
{
    const QStringList names = config.ReadString(kSection, Key(captions)).split(u',');
    if (names.size() != captions.size())
        return ByCaptions(captions);
    QList<TImportField> mapping;
    for (const QString& name : names) {
        TImportField field = TImportField::Ignore;
        for (const TImportField f : AllFields())
            if (QString::number(int(f)) == name)
                field = f;
        mapping << field;
    }
    return mapping;
}

void TImportMapping::Remember(TConfig& config, const QStringList& captions,
                              const QList<TImportField>& mapping)
{
    QStringList names;
    for (const TImportField field : mapping)
        names << QString::number(int(field));
    config.WriteString(kSection, Key(captions), names.join(u','));
}
