#pragma once

#include <QObject>
#include <QString>

#include <memory>

class TConfig;
class TConnection;
class TDataSet;

// The data module: owns the connection, the settings object and the twenty-three data sets of
// the catalogue. Exactly one exists for the run, reachable as DM.
class TDM : public QObject
{
    Q_OBJECT
public:
    // Runs DataModuleCreate on the given working directory (the process's current one by
    // default). Never throws: a failure is shown in the plain message box and sets OpenFailed.
    explicit TDM(const QString& workingDirectory = QString(), QObject* parent = nullptr);
    // DataModuleDestroy: closes the connection, then frees (and so flushes) Config.
    ~TDM() override;

    bool OpenFailed = false;
    TConnection* Conn = nullptr;
    // Null when start-up failed before the settings were read.
    TConfig* Config = nullptr;

    // The catalogue. All exist from construction on; the first sixteen are open after a
    // successful start-up.
    TDataSet* Participants = nullptr;
    TDataSet* PartConfs = nullptr;
    TDataSet* Conferences = nullptr;
    TDataSet* ConfParts = nullptr;
    TDataSet* Speakers = nullptr;
    TDataSet* ConfSpeakers = nullptr;
    TDataSet* ConfCredits = nullptr;
    TDataSet* Credits = nullptr;
    TDataSet* Titles = nullptr;
    TDataSet* Specialities = nullptr;
    TDataSet* ConfExtras = nullptr;
    TDataSet* Extras = nullptr;
    TDataSet* Attendances = nullptr;
    TDataSet* Transcripts = nullptr;
    TDataSet* CalendarConfs = nullptr;
    TDataSet* SignInConfs = nullptr;
    TDataSet* SignInParts = nullptr;
    TDataSet* TransParticipants = nullptr;
    TDataSet* TransConferences = nullptr;
    TDataSet* TransStatistics = nullptr;
    TDataSet* TransConfCredits = nullptr;
    TDataSet* TransConfExtras = nullptr;
    TDataSet* TransEmail = nullptr;

    const QString& WorkingDirectory() const { return m_workingDirectory; }
    // Every data set of the catalogue, in catalogue order.
    QList<TDataSet*> AllDataSets() const;
    // Links the detail data sets to their masters (the main window does this at creation).
    void LinkDetails();

private:
    void CreateCatalogue();
    void DataModuleCreate();
    void DataModuleDestroy();

    QString m_workingDirectory;
    std::unique_ptr<TConfig> m_config;
};

// The single instance, set while a TDM exists.
extern TDM* DM;
