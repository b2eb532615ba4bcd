#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Simple MAPI of MAPI32.DLL in plain C++ over Win32, without Qt, so that it builds alone with
// any Windows compiler. Texts are UTF-16. The library is loaded on first use, and only when the
// registry declares Simple MAPI (HKLM "SOFTWARE\Microsoft\Windows Messaging Subsystem", MAPI =
// "1"); a missing library or function yields 1. A message goes out through MAPISendMailW where
// the library has it (Windows 8 and later), so no text passes through the ANSI code page; the
// ANSI MAPISendMail is the fallback. MAPILogon and MAPIResolveName exist in ANSI only.
class TMapi32
{
public:
    // A Simple MAPI session handle: pointer-sized on 64-bit Windows.
    using TSession = std::uintptr_t;

    struct TRecipient {
        unsigned long recipClass = 1; // 0 originator, 1 to, 2 cc, 3 bcc
        std::wstring name;            // empty: handed over as no name
        std::wstring address;         // empty: handed over as no address
        std::string entryId;          // opaque bytes
    };
    struct TFile {
        long position = -1; // -1: the mail client places it
        std::wstring path;
        std::wstring fileName;
    };
    struct TMessage {
        std::wstring subject;
        std::wstring noteText;
        bool hasOriginator = false;
        TRecipient originator;
        std::vector<TRecipient> recipients;
        std::vector<TFile> files;
    };
    // What MAPIResolveName allocated; FreeBuffer releases it. The texts and the entry id are
    // copies, so they stay valid after the release.
    struct TResolved {
        std::wstring name;
        std::wstring address;
        std::string entryId;
        void* buffer = nullptr;
    };

    TMapi32() = default;
    ~TMapi32();
    TMapi32(const TMapi32&) = delete;
    TMapi32& operator=(const TMapi32&) = delete;

    // The current user's "DefaultProfile": from "Software\Microsoft\Windows Messaging
    // Subsystem\Profiles", or, only when that key does not open, from the same key under
    // "Software\Microsoft\Windows NT\CurrentVersion". A missing value is the empty name; a value
    // that cannot be read, or no key, finds no profile. No key is ever created.
    bool DefaultProfile(std::wstring& profile);
    unsigned long Logon(const std::wstring& profile, unsigned long flags, TSession& session);
    unsigned long Logoff(TSession session);
    unsigned long ResolveName(const std::wstring& name, unsigned long flags, TResolved& resolved);
    void FreeBuffer(TResolved& resolved);
    // The application's active window is the parent of any window the mail client shows.
    unsigned long SendMail(TSession session, const TMessage& message, unsigned long flags);
    // True when the library is there and offers MAPISendMailW.
    bool HasWideSend();

private:
    using TProcedure = void (*)();
    TProcedure Function(const char* name);

    void* m_library = nullptr;
    bool m_loadTried = false;
};
