#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QtGlobal>

#include <memory>

// The five Simple MAPI calls and the default-profile lookup that TMAPIMail needs, as plain
// values. The Windows backend hands them to MAPI32.DLL; elsewhere the local mail command takes
// the message; tests record them.
class TSimpleMapi
{
public:
    enum : unsigned long {
        SuccessSuccess = 0,
        UnknownRecipient = 14,
        AmbiguousRecipient = 21,
    };
    // Recipient classes and flags as Simple MAPI numbers them.
    enum RecipientClass : unsigned long { Orig = 0, To = 1, Cc = 2, Bcc = 3 };
    enum Flags : unsigned long { LogonUi = 1, NewSession = 2, Dialog = 8 };

    // A Simple MAPI session handle (pointer-sized on 64-bit Windows).
    using TSession = quintptr;

    struct TRecipient {
        unsigned long recipClass = To;
        QString name;
        QString address;
        QByteArray entryId; // kept by value, so it outlives the resolved descriptor
    };
    struct TFile {
        long position = -1;
        QString path;
        QString fileName;
    };
    struct TMessage {
        QString subject;
        QString noteText;
        bool hasOriginator = false;
        TRecipient originator;
        QList<TRecipient> recipients;
        QList<TFile> files;
    };
    // What MAPIResolveName allocated; FreeBuffer releases it.
    struct TResolved {
        QString name;
        QString address;
        QByteArray entryId;
        void* buffer = nullptr;
    };

    virtual ~TSimpleMapi() = default;

    // The profile named by "DefaultProfile" in the registry; false when none is found.
    virtual bool DefaultProfile(QString& profile) = 0;
    virtual unsigned long Logon(const QString& profile, unsigned long flags,
                                TSession& session) = 0;
    virtual unsigned long Logoff(TSession session) = 0;
    virtual unsigned long ResolveName(const QString& name, unsigned long flags,
                                      TResolved& resolved) = 0;
    virtual void FreeBuffer(TResolved& resolved) = 0;
    // May throw EMailError where the backend itself fails (the local mail command).
    virtual unsigned long SendMail(TSession session, const TMessage& message,
                                   unsigned long flags) = 0;
};

// The text for a Simple MAPI result code ("Logon failure"; "Unknown Error Code: 7").
QString MapiErrorText(unsigned long code);

// This platform's Simple MAPI: MAPI32.DLL on Windows; elsewhere the local mail command
// (sendmailCommand, or "/usr/sbin/sendmail -t -i" when empty).
std::unique_ptr<TSimpleMapi> CreatePlatformMapi(const QString& sendmailCommand = {});
