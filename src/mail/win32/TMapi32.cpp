#include "mail/win32/TMapi32.h"

// windows.h first: mapi.h uses its types without including it.
#include <windows.h>

#include <mapi.h>

#include <deque>

namespace
{

// The wide structures of MAPISendMailW: the ANSI ones with UTF-16 texts. Not every SDK's mapi.h
// declares them, so they are laid out here under names of our own.
struct TMapiRecipDescW {
    ULONG ulReserved;
    ULONG ulRecipClass;
    PWSTR lpszName;
    PWSTR lpszAddress;
    ULONG ulEIDSize;
    LPVOID lpEntryID;
};
struct TMapiFileDescW {
    ULONG ulReserved;
    ULONG flFlags;
    ULONG nPosition;
    PWSTR lpszPathName;
    PWSTR lpszFileName;
    LPVOID lpFileType;
};
struct TMapiMessageW {
    ULONG ulReserved;
    PWSTR lpszSubject;
    PWSTR lpszNoteText;
    PWSTR lpszMessageType;
    PWSTR lpszDateReceived;
    PWSTR lpszConversationID;
    FLAGS flFlags;
    TMapiRecipDescW* lpOriginator;
    ULONG nRecipCount;
    TMapiRecipDescW* lpRecips;
    ULONG nFileCount;
    TMapiFileDescW* lpFiles;
};
using TMapiSendMailW = ULONG(WINAPI*)(LHANDLE, ULONG_PTR, TMapiMessageW*, FLAGS, ULONG);

// Looks in the application's folder and the system folders, never in the current folder, where
// a document folder could plant a library of that name. Windows 7 without KB2533623 refuses the
// flag and searches as it always did.
HMODULE LoadMapiLibrary()
{
    HMODULE library = LoadLibraryExW(L"MAPI32.DLL", nullptr, LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
    if (!library && GetLastError() == ERROR_INVALID_PARAMETER)
        library = LoadLibraryW(L"MAPI32.DLL");
    return library;
}

// The text in the ANSI code page, the best that an ANSI entry point can take; lossy tells
// whether a character had to become the substitute. No best-fit mapping: a path must not turn
// into the name of another file.
std::string ToAnsi(const std::wstring& text, const char* substitute = "?", bool* lossy = nullptr)
{
    if (lossy)
        *lossy = false;
    if (text.empty())
        return {};
    const bool utf8 = GetACP() == CP_UTF8; // takes every character, but no substitute
    const DWORD flags = utf8 ? 0 : WC_NO_BEST_FIT_CHARS;
    BOOL usedSubstitute = FALSE;
    const int length = static_cast<int>(text.size());
    const int size =
        WideCharToMultiByte(CP_ACP, flags, text.data(), length, nullptr, 0,
                            utf8 ? nullptr : substitute, utf8 ? nullptr : &usedSubstitute);
    std::string result(static_cast<size_t>(size), '\0');
    WideCharToMultiByte(CP_ACP, flags, text.data(), length, result.data(), size,
                        utf8 ? nullptr : substitute, utf8 ? nullptr : &usedSubstitute);
    if (lossy)
        *lossy = usedSubstitute != FALSE;
    return result;
}

// A path for an ANSI entry point: the file's short (8.3) name when the ANSI code page cannot
// hold its long one, so that the attachment is still found. Failing that, "?" stands for what
// the code page lacks: no file name holds it, so the client reports the file missing instead of
// attaching another one.
std::string PathToAnsi(const std::wstring& path)
{
    bool lossy = false;
    std::string result = ToAnsi(path, "?", &lossy);
    if (!lossy)
        return result;
    const DWORD size = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (size == 0)
        return result;
    std::wstring shortPath(size, L'\0');
    const DWORD length = GetShortPathNameW(path.c_str(), shortPath.data(), size);
    if (length == 0 || length >= size)
        return result;
    shortPath.resize(length);
    std::string shortAnsi = ToAnsi(shortPath, "?", &lossy);
    return lossy ? result : shortAnsi;
}

std::wstring FromAnsi(const char* text)
{
    if (!text || !*text)
        return {};
    const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (size <= 1)
        return {};
    std::wstring result(static_cast<size_t>(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, result.data(), size);
    result.resize(static_cast<size_t>(size) - 1);
    return result;
}

// How texts reach each kind of entry point.
struct TWideTexts {
    using TText = std::wstring;
    static TText Text(const std::wstring& text) { return text; }
    static TText Path(const std::wstring& path) { return path; }
    static TText FileName(const std::wstring& name) { return name; }
};
struct TAnsiTexts {
    using TText = std::string;
    static TText Text(const std::wstring& text) { return ToAnsi(text); }
    static TText Path(const std::wstring& path) { return PathToAnsi(path); }
    static TText FileName(const std::wstring& name) { return ToAnsi(name, "_"); }
};

// Lays a message out in Simple MAPI's structures, ANSI or wide. Every text they point to lives
// in this object, so it must outlive the call.
template <typename TTexts, typename TMessageDesc, typename TRecipDesc, typename TFileDesc>
class TMessageLayout
{
public:
    explicit TMessageLayout(const TMapi32::TMessage& message)
    {
        m_message.lpszSubject = Keep(TTexts::Text(message.subject), false);
        m_message.lpszNoteText = Keep(TTexts::Text(message.noteText), false);
        if (message.hasOriginator) {
            m_originator = Recipient(message.originator);
            m_message.lpOriginator = &m_originator;
        }
        for (const TMapi32::TRecipient& recipient : message.recipients)
            m_recipients.push_back(Recipient(recipient));
        for (const TMapi32::TFile& file : message.files) {
            TFileDesc desc = {};
            desc.nPosition = static_cast<ULONG>(file.position);
            desc.lpszPathName = Keep(TTexts::Path(file.path), false);
            desc.lpszFileName = Keep(TTexts::FileName(file.fileName), true);
            m_files.push_back(desc);
        }
        m_message.nRecipCount = static_cast<ULONG>(m_recipients.size());
        m_message.lpRecips = m_recipients.empty() ? nullptr : m_recipients.data();
        m_message.nFileCount = static_cast<ULONG>(m_files.size());
        m_message.lpFiles = m_files.empty() ? nullptr : m_files.data();
    }
    TMessageLayout(const TMessageLayout&) = delete;
    TMessageLayout& operator=(const TMessageLayout&) = delete;

    TMessageDesc* Message() { return &m_message; }

private:
    using TText = typename TTexts::TText;

    // A pointer to the kept text; no text at all for an empty one where emptyIsNone.
    typename TText::value_type* Keep(TText text, bool emptyIsNone)
    {
        if (emptyIsNone && text.empty())
            return nullptr;
        return m_texts.emplace_back(std::move(text)).data();
    }
    TRecipDesc Recipient(const TMapi32::TRecipient& recipient)
    {
        TRecipDesc desc = {};
        desc.ulRecipClass = recipient.recipClass;
        desc.lpszName = Keep(TTexts::Text(recipient.name), true);
        desc.lpszAddress = Keep(TTexts::Text(recipient.address), true);
        desc.ulEIDSize = static_cast<ULONG>(recipient.entryId.size());
        desc.lpEntryID =
            recipient.entryId.empty() ? nullptr : m_entryIds.emplace_back(recipient.entryId).data();
        return desc;
    }

    std::deque<TText> m_texts; // a deque never moves what it holds
    std::deque<std::string> m_entryIds;
    TMessageDesc m_message = {};
    TRecipDesc m_originator = {};
    std::vector<TRecipDesc> m_recipients;
    std::vector<TFileDesc> m_files;
};

bool ReadProfile(const wchar_t* path, std::wstring& profile, bool& keyOpened)
{
    HKEY key = nullptr;
    keyOpened = RegOpenKeyExW(HKEY_CURRENT_USER, path, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (!keyOpened)
        return false;
    wchar_t buffer[257] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t); // a value may lack its terminating zero
    DWORD type = 0;
    const LONG result = RegQueryValueExW(key, L"DefaultProfile", nullptr, &type,
                                         reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (result == ERROR_FILE_NOT_FOUND) {
        profile.clear(); // a missing value reads as the empty name
        return true;
    }
    if (result != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    profile.assign(buffer);
    return true;
}

template <typename TFunction> TFunction As(void (*procedure)())
{
    return reinterpret_cast<TFunction>(procedure);
}

} // namespace

TMapi32::~TMapi32()
{
    if (m_library)
        FreeLibrary(static_cast<HMODULE>(m_library));
}

TMapi32::TProcedure TMapi32::Function(const char* name)
{
    if (!m_loadTried) {
        m_loadTried = true;
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows Messaging Subsystem",
                          0, KEY_READ, &key) == ERROR_SUCCESS) {
            wchar_t value[8] = {};
            DWORD size = sizeof(value) - sizeof(wchar_t);
            DWORD type = 0;
            if (RegQueryValueExW(key, L"MAPI", nullptr, &type, reinterpret_cast<BYTE*>(value),
                                 &size) == ERROR_SUCCESS &&
                type == REG_SZ && std::wstring(value) == L"1")
                m_library = LoadMapiLibrary();
            RegCloseKey(key);
        }
    }
    if (!m_library)
        return nullptr;
    return reinterpret_cast<TProcedure>(GetProcAddress(static_cast<HMODULE>(m_library), name));
}

bool TMapi32::DefaultProfile(std::wstring& profile)
{
    bool opened = false;
    const bool found =
        ReadProfile(L"Software\\Microsoft\\Windows Messaging Subsystem\\Profiles", profile, opened);
    if (opened)
        return found;
    return ReadProfile(L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging "
                       L"Subsystem\\Profiles",
                       profile, opened);
}

unsigned long TMapi32::Logon(const std::wstring& profile, unsigned long flags, TSession& session)
{
    const auto logon = As<LPMAPILOGON>(Function("MAPILogon"));
    if (!logon)
        return 1;
    std::string name = ToAnsi(profile);
    LHANDLE handle = 0;
    const ULONG result = logon(0, name.data(), nullptr, flags, 0, &handle);
    session = static_cast<TSession>(handle);
    return result;
}

unsigned long TMapi32::Logoff(TSession session)
{
    const auto logoff = As<LPMAPILOGOFF>(Function("MAPILogoff"));
    return logoff ? logoff(static_cast<LHANDLE>(session), 0, 0, 0) : 1;
}

unsigned long TMapi32::ResolveName(const std::wstring& name, unsigned long flags,
                                   TResolved& resolved)
{
    const auto resolve = As<LPMAPIRESOLVENAME>(Function("MAPIResolveName"));
    if (!resolve)
        return 1;
    std::string text = ToAnsi(name);
    lpMapiRecipDesc descriptor = nullptr;
    const ULONG result = resolve(0, 0, text.data(), flags, 0, &descriptor);
    if (result == SUCCESS_SUCCESS && descriptor) {
        resolved.name = FromAnsi(descriptor->lpszName);
        resolved.address = FromAnsi(descriptor->lpszAddress);
        resolved.entryId = descriptor->lpEntryID
                               ? std::string(static_cast<const char*>(descriptor->lpEntryID),
                                             descriptor->ulEIDSize)
                               : std::string();
        resolved.buffer = descriptor;
    }
    return result;
}

void TMapi32::FreeBuffer(TResolved& resolved)
{
    const auto freeBuffer = As<LPMAPIFREEBUFFER>(Function("MAPIFreeBuffer"));
    if (freeBuffer && resolved.buffer)
        freeBuffer(resolved.buffer);
    resolved.buffer = nullptr;
}

bool TMapi32::HasWideSend()
{
    return Function("MAPISendMailW") != nullptr;
}

unsigned long TMapi32::SendMail(TSession session, const TMessage& message, unsigned long flags)
{
    const auto parent = reinterpret_cast<ULONG_PTR>(GetActiveWindow());
    if (const auto sendWide = As<TMapiSendMailW>(Function("MAPISendMailW"))) {
        TMessageLayout<TWideTexts, TMapiMessageW, TMapiRecipDescW, TMapiFileDescW> layout(message);
        return sendWide(static_cast<LHANDLE>(session), parent, layout.Message(), flags, 0);
    }
    const auto send = As<LPMAPISENDMAIL>(Function("MAPISendMail"));
    if (!send)
        return 1;
    TMessageLayout<TAnsiTexts, MapiMessage, MapiRecipDesc, MapiFileDesc> layout(message);
    return send(static_cast<LHANDLE>(session), parent, layout.Message(), flags, 0);
}
