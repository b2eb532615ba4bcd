#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class TConfig;

// The participant field a column of an imported list goes to.
enum class TImportField {
    Ignore,
    LastName,
    FirstName,
    Email,
    Phone,
    Fax,
    Address,
    City,
    State,
    Zip,
    Title,
    Speciality
};

// Matching columns to fields by their captions ("Surname", "E-mail Address", "Postal code"),
// and remembering a user's mapping for the next file with the same captions.
namespace TImportMapping {

QList<TImportField> AllFields();
// The column of participants ("last_name"); empty for Ignore, and for Title and Speciality,
// which are stored as keys of their lists.
QString Column(TImportField field);
// The name shown to the user ("Last name", "(ignore)").
QString Caption(TImportField field);
// The field a caption names, letter case, blanks and punctuation aside; Ignore for none.
TImportField FieldForCaption(const QString& caption);
// One field per column; a field goes to the first column that names it.
QList<TImportField> ByCaptions(const QStringList& captions);
// A user's mapping for these captions in the settings, or the mapping by captions.
QList<TImportField> Remembered(const TConfig& config, const QStringList& captions);
void Remember(TConfig& config, const QStringList& captions, const QList<TImportField>& mapping);

} // namespace TImportMapping
