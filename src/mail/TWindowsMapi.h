#pragma once

#include "TSimpleMapi.h"

#include <QtGlobal>

#ifdef Q_OS_WIN
// Simple MAPI of MAPI32.DLL, loaded on first use and only when the registry declares it
// (HKLM "SOFTWARE\Microsoft\Windows Messaging Subsystem", MAPI = "1"); a missing library or
// function yields 1. The default profile comes from the current user's registry.
class TWindowsMapi : public TSimpleMapi
{
public:
    TWindowsMapi();
    ~TWindowsMapi() override;

    bool DefaultProfile(QString& profile) override;
    unsigned long Logon(const QString& profile, unsigned long flags,
                        TSession& session) override;
    unsigned long Logoff(TSession session) override;
    unsigned long ResolveName(const QString& name, unsigned long flags,
                              TResolved& resolved) override;
    void FreeBuffer(TResolved& resolved) override;
    unsigned long SendMail(TSession session, const TMessage& message,
                           unsigned long flags) override;

private:
    void* Function(const char* name);
    void* m_library = nullptr;
    bool m_loadTried = false;
};
#endif
