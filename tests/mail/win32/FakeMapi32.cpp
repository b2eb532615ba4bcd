// A recording MAPI32.DLL for the Windows mail test. Every call is appended, in UTF-8, to the file
// that QUORVEL_FAKE_MAPI_LOG names, with what the caller handed over. Built twice: with
// MAPISendMailW (-DFAKE_MAPI_WIDE), and without it, as a library from before Windows 8.

// windows.h first: mapi.h uses its types without including it.
#include <windows.h>

#include <mapi.h>

#include <algorithm>
#include <cstdio>
#include <set>
#include <string>

#define FAKE_EXPORT extern "C" __declspec(dllexport)

namespace
{

// The session handle the fake hands out: above 2^32, so a caller that narrows it shows.
constexpr ULONG_PTR FakeSession = 0x12345678ABCDEF01;

struct TRecipDescW {
    ULONG ulReserved;
    ULONG ulRecipClass;
    PWSTR lpszName;
    PWSTR lpszAddress;
    ULONG ulEIDSize;
    LPVOID lpEntryID;
};
struct TFileDescW {
    ULONG ulReserved;
    ULONG flFlags;
    ULONG nPosition;
    PWSTR lpszPathName;
    PWSTR lpszFileName;
    LPVOID lpFileType;
};
struct TMessageW {
    ULONG ulReserved;
    PWSTR lpszSubject;
    PWSTR lpszNoteText;
    PWSTR lpszMessageType;
    PWSTR lpszDateReceived;
    PWSTR lpszConversationID;
    FLAGS flFlags;
    TRecipDescW* lpOriginator;
    ULONG nRecipCount;
    TRecipDescW* lpRecips;
    ULONG nFileCount;
    TFileDescW* lpFiles;
};

// What MAPIResolveName handed out and MAPIFreeBuffer has not yet taken back.
std::set<void*> g_buffers;

std::string Utf8(const std::wstring& text)
{
    if (text.empty())
        return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string result(size_t(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), result.data(), size, nullptr,
                        nullptr);
    return result;
}

std::wstring Wide(const char* text)
{
    const int size = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    std::wstring result(size_t(size), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text, -1, result.data(), size);
    result.resize(size_t(size) - 1);
    return result;
}
std::wstring Wide(const wchar_t* text)
{
    return text;
}

// A text as the log shows it: (none) for no text, line breaks spelled out.
template <typename TChar> std::string Shown(const TChar* text)
{
    if (!text)
        return "(none)";
    std::string shown;
    for (char c : Utf8(Wide(text))) {
        if (c == '\r')
            shown += "\\r";
        else if (c == '\n')
            shown += "\\n";
        else
            shown += c;
    }
    return "\"" + shown + "\"";
}

std::string Hex(unsigned long long value)
{
    char text[24];
    std::snprintf(text, sizeof text, "0x%llx", value);
    return text;
}

std::string Bytes(const void* data, ULONG size)
{
    if (!data)
        return "(none)";
    std::string text;
    for (ULONG i = 0; i < size; ++i) {
        char byte[4];
        std::snprintf(byte, sizeof byte, "%02x", static_cast<const unsigned char*>(data)[i]);
        text += byte;
    }
    return text;
}

// Where the file is, by its long name, and whether the caller had to use its short name.
template <typename TChar> std::string FilePath(const TChar* path)
{
    if (!path)
        return "(none)";
    const std::wstring given = Wide(path);
    wchar_t full[1024];
    const DWORD length = GetLongPathNameW(given.c_str(), full, 1024);
    if (length == 0 || length >= 1024)
        return Shown(path) + " missing";
    if (given == full)
        return Shown(path) + " exists";
    return Shown(full) + " exists, given by its short name";
}

void Record(const std::string& line)
{
    wchar_t path[1024];
    const DWORD length = GetEnvironmentVariableW(L"QUORVEL_FAKE_MAPI_LOG", path, 1024);
    if (length == 0 || length >= 1024)
        return;
    if (FILE* file = _wfopen(path, L"ab")) {
        std::fputs((line + "\n").c_str(), file);
        std::fclose(file);
    }
}

template <typename TRecip> std::string Recipient(const TRecip& recip)
{
    return "class=" + std::to_string(recip.ulRecipClass) + " name=" + Shown(recip.lpszName) +
           " address=" + Shown(recip.lpszAddress) +
           " entryid=" + Bytes(recip.lpEntryID, recip.ulEIDSize);
}

template <typename TMessage>
ULONG RecordSend(const char* call, LHANDLE session, ULONG_PTR parent, TMessage* message,
                 FLAGS flags, ULONG reserved)
{
    Record(std::string(call) + " session=" + Hex(session) + " parent=" + Hex(parent) +
           " flags=" + std::to_string(flags) + " reserved=" + std::to_string(reserved));
    if (!message)
        return MAPI_E_FAILURE;
    Record("  subject=" + Shown(message->lpszSubject));
    Record("  note=" + Shown(message->lpszNoteText));
    Record("  type=" + Shown(message->lpszMessageType) +
           " date=" + Shown(message->lpszDateReceived) + " conversation=" +
           Shown(message->lpszConversationID) + " flags=" + std::to_string(message->flFlags));
    if (message->lpOriginator)
        Record("  originator " + Recipient(*message->lpOriginator));
    for (ULONG i = 0; i < message->nRecipCount; ++i)
        Record("  recipient " + Recipient(message->lpRecips[i]));
    for (ULONG i = 0; i < message->nFileCount; ++i) {
        const auto& file = message->lpFiles[i];
        Record("  file position=" + std::to_string(static_cast<long>(file.nPosition)) +
               " name=" + Shown(file.lpszFileName) + " path=" + FilePath(file.lpszPathName));
    }
    return SUCCESS_SUCCESS;
}

} // namespace

FAKE_EXPORT ULONG WINAPI MAPILogon(ULONG_PTR parent, LPSTR profile, LPSTR password, FLAGS flags,
                                   ULONG reserved, LPLHANDLE session)
{
    Record("MAPILogon parent=" + Hex(parent) + " profile=" + Shown(profile) +
           " password=" + Shown(password) + " flags=" + std::to_string(flags) +
           " reserved=" + std::to_string(reserved));
    *session = FakeSession;
    return SUCCESS_SUCCESS;
}

FAKE_EXPORT ULONG WINAPI MAPILogoff(LHANDLE session, ULONG_PTR parent, FLAGS flags, ULONG reserved)
{
    Record("MAPILogoff session=" + Hex(session) + " parent=" + Hex(parent) +
           " flags=" + std::to_string(flags) + " reserved=" + std::to_string(reserved));
    return session == FakeSession ? SUCCESS_SUCCESS : MAPI_E_INVALID_SESSION;
}

// A name that begins with "unknown" is unknown until the caller lets the mail client ask
// (MAPI_DIALOG); every other name resolves to one fixed entry.
FAKE_EXPORT ULONG WINAPI MAPIResolveName(LHANDLE session, ULONG_PTR parent, LPSTR name, FLAGS flags,
                                         ULONG reserved, lpMapiRecipDesc* recip)
{
    Record("MAPIResolveName session=" + Hex(session) + " parent=" + Hex(parent) +
           " name=" + Shown(name) + " flags=" + std::to_string(flags) +
           " reserved=" + std::to_string(reserved));
    if (name && std::string(name).rfind("unknown", 0) == 0 && !(flags & MAPI_DIALOG))
        return MAPI_E_UNKNOWN_RECIPIENT;
    struct TBlock {
        MapiRecipDesc desc;
        char name[32];
        char address[32];
        unsigned char entryId[6];
    };
    auto* block = new TBlock{};
    // "Zoë Ångström" in the ANSI code page of the test (1252).
    std::snprintf(block->name, sizeof block->name, "Zo\xeb \xc5ngstr\xf6m");
    std::snprintf(block->address, sizeof block->address, "SMTP:zoe@example.org");
    const unsigned char entryId[6] = {0x00, 0x01, 0x7f, 0x80, 0xfe, 0xff};
    std::copy(entryId, entryId + 6, block->entryId);
    block->desc.ulRecipClass = MAPI_TO;
    block->desc.lpszName = block->name;
    block->desc.lpszAddress = block->address;
    block->desc.ulEIDSize = 6;
    block->desc.lpEntryID = block->entryId;
    g_buffers.insert(block);
    *recip = &block->desc;
    return SUCCESS_SUCCESS;
}

FAKE_EXPORT ULONG WINAPI MAPIFreeBuffer(LPVOID buffer)
{
    const bool ours = g_buffers.erase(buffer) == 1;
    Record(std::string("MAPIFreeBuffer ") + (ours ? "a resolved descriptor" : "an unknown buffer"));
    return SUCCESS_SUCCESS;
}

FAKE_EXPORT ULONG WINAPI MAPISendMail(LHANDLE session, ULONG_PTR parent, lpMapiMessage message,
                                      FLAGS flags, ULONG reserved)
{
    return RecordSend("MAPISendMail", session, parent, message, flags, reserved);
}

#ifdef FAKE_MAPI_WIDE
FAKE_EXPORT ULONG WINAPI MAPISendMailW(LHANDLE session, ULONG_PTR parent, TMessageW* message,
                                       FLAGS flags, ULONG reserved)
{
    return RecordSend("MAPISendMailW", session, parent, message, flags, reserved);
}
#endif
