#pragma once

#include "db/TConnection.h"
#include "data/TDM.h"
#include "db/TDataSet.h"
#include "support/TTempDatabase.h"
#include "support/TTestPrompts.h"

#include <QObject>
#include <QStringList>
#include <QTest>

#include <memory>

// A small database that every data-operation test starts from: conferences over three years
// with credits, speakers and additional info, and participants whose names test quoting and
// letter case in several alphabets.
namespace TDataFixture
{

inline void Seed(TTempDatabase& db)
{
    db.Exec("insert into credits (credit_id, c_name) values (1, 'AMA'), (2, 'ANCC'), (3, 'CME'), "
            "(7, 'CNE')");
    db.Exec("insert into titles (title_id, t_name) values (1, 'MD'), (2, 'RN')");
    db.Exec("insert into specialities (spec_id, s_name) values (1, 'Cardiology'), (2, 'Oncology')");
    db.Exec(
        "insert into conferences (conf_id, conf_name, begin_date, end_date, series, units) "
        "values "
        "(1, 'Cardiology Update', '2005-03-07 09:00:00', '2005-03-07 17:00:00', 'Heart Series', "
        "1.5), "
        "(2, 'Oncology Day', '2005-04-01 09:00:00', '2005-04-01 18:00:00', 'Cancer', 2), "
        "(3, 'Card Games', '2004-06-01 08:00:00', '2004-06-01 12:00:00', 'Fun', 0.75), "
        "(4, 'Pediatric Care', '2003-05-05 10:00:00', '2003-05-05 11:00:00', 'Kids', 1), "
        "(5, 'Range End', '2005-03-31 09:00:00', '2005-03-31 10:00:00', 'Bounds', 1), "
        "(6, 'Range Start', '2005-01-01 00:00:00', '2005-01-01 10:00:00', 'Bounds', 1), "
        "(7, 'O''Brien Lecture', '2005-02-02 10:00:00', '2005-02-02 11:00:00', 'O''Neill Series', "
        "1), "
        "(8, 'Ärztetag Überblick', '2005-05-05 10:00:00', '2005-05-05 11:00:00', 'Öffentlich', 1), "
        "(9, 'Quiz x'' or ''1''=''1 night', '2004-09-09 19:00:00', '2004-09-09 21:00:00', 'Fun', "
        "0.5)");
    db.Exec("insert into conf_credits (conf_id, credit_id) values (1, 3), (2, 7), (3, 3), (3, 7), "
            "(4, 1), (5, 3), (7, 7)");
    db.Exec("insert into speakers (speak_id, last_name, first_name, place, title_id) values "
            "(1, 'Doe', 'Jane', 'Boston', 1), (2, 'O''Brien', 'Liam', 'Cork', 2), "
            "(3, 'Müller', 'Jörg', 'Bern', 1), (4, 'DOE', 'JANE', 'Austin', NULL)");
    db.Exec("insert into conf_speakers (conf_id, speak_id) values (1, 1), (2, 2), (3, 1), (3, 3), "
            "(7, 2)");
    db.Exec("insert into extras (extra_id, e_name) values (1, 'Lunch provided'), "
            "(2, 'Bring O''Reilly book'), (3, 'Öffentliche Führung')");
    db.Exec("insert into conf_extras (conf_id, extra_id) values (1, 1), (2, 2), (3, 1), (8, 3)");
    db.Exec("insert into participants (user_id, last_name, first_name, mail_type, title_id, "
            "spec_id) values "
            "(1, 'Smith', 'Anna', 1, 1, 1), (2, 'Müller', 'Jörg', 2, 2, 2), "
            "(3, 'O''Brien', 'Liam', 3, NULL, 1), (4, 'smithers', 'Bob', 1, NULL, NULL), "
            "(5, 'Östberg', 'Ulla', 2, NULL, NULL), (6, ' Smith', 'Zed', 1, NULL, NULL)");
    db.Exec("insert into attendances (conf_id, user_id, sign_in_date) values "
            "(1, 1, '2005-03-07 08:00:00'), (1, 2, '2005-03-07 08:01:00'), "
            "(1, 3, '2005-03-07 08:02:00'), (1, 6, '2005-03-07 08:03:00'), "
            "(2, 1, '2005-04-01 08:30:00'), (3, 2, '2004-06-01 07:55:00'), "
            "(5, 4, '2005-03-31 08:50:00'), (4, 5, '2003-05-05 09:50:00')");
}

// The values of one column over the visible rows of a data set, in order.
inline QStringList Column(TDataSet* ds, const char* field)
{
    QStringList values;
    const int index = ds->FieldByName(QLatin1String(field)).Index();
    for (int row = 0; row < ds->RecordCount(); ++row)
        values << ds->RowValue(row, index).toString();
    return values;
}

inline int Count(TConnection& conn, const QString& sql)
{
    return conn.ScalarQuery(sql).toInt();
}

} // namespace TDataFixture

// Writes down the name of every data set of a data module each time it fetches rows, so tests
// can check which lists were requeried and in what order.
class TRequeryLog : public QObject
{
public:
    explicit TRequeryLog(TDM& dm)
    {
        for (TDataSet* ds : dm.AllDataSets())
            connect(ds, &TDataSet::Fetched, this, [this, ds] { names << ds->Name(); });
    }
    QStringList names;
};

// A fresh seeded database with a data module open on it, for one test function.
class TDataModuleFixture
{
public:
    TDataModuleFixture()
    {
        TDataFixture::Seed(db);
        dm = std::make_unique<TDM>(db.Dir());
        if (dm->OpenFailed)
            qFatal("The data module did not open: %s", qPrintable(prompts.LastText()));
    }
    TTestPrompts prompts;
    TTempDatabase db;
    std::unique_ptr<TDM> dm;
};
