#pragma once

#include "mail/TSimpleMapi.h"

#include <QtGlobal>

// QUORVEL_WINDOWS_MAPI_CHECK compiles the adapter on other systems too (never linked there), so
// that every build sees it.
#if defined(Q_OS_WIN) || defined(QUORVEL_WINDOWS_MAPI_CHECK)
#include "win32/TMapi32.h"

// Simple MAPI of MAPI32.DLL (see TMapi32): this class only converts the values between Qt and
// the plain Win32 layer, whose texts are UTF-16.
class TWindowsMapi : public TSimpleMapi
{
public:
    bool DefaultProfile(QString& profile) override;
    unsigned long Logon(const QString& profile, unsigned long flags, TSession& session) override;
    unsigned long Logoff(TSession session) override;
    unsigned long ResolveName(const QString& name, unsigned long flags,
                              TResolved& resolved) override;
    void FreeBuffer(TResolved& resolved) override;
    unsigned long SendMail(TSession session, const TMessage& message, unsigned long flags) override;

private:
    TMapi32 m_mapi;
};
#endif
