#pragma once

#include <QString>

// Where a database server is and who connects to it: the [Database] settings of quorvel.ini, or
// a libpq connection text ("host=/run/pg port=5433 dbname=cme user=desk").
struct TServerAddress
{
    QString host;
    int port = 0;
    QString name;
    QString user;
    QString password;
    QString passFile;
    QString service;

    // Reads "key=value" pairs (values may be single-quoted); unknown keys are refused.
    static TServerAddress FromConnectText(const QString& text);
    // The libpq connection text again, quoting values that need it.
    QString ConnectText() const;
    // The host as a person names it: the host name, or "the local server" for a socket folder.
    QString HostForPeople() const;
};
