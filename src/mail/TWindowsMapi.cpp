#include "TWindowsMapi.h"

#ifdef Q_OS_WIN

#include <mapi.h>
#include <windows.h>

#include <vector>

namespace
{

bool ReadProfile(HKEY root, const wchar_t* path, QString& profile, bool& keyOpened)
{
    HKEY key = nullptr;
    keyOpened = RegOpenKeyExW(root, path, 0, KEY_READ, &key) == ERROR_SUCCESS;
    if (!keyOpened)
        return false;
    wchar_t buffer[257] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    DWORD type = 0;
    const LONG result = RegQueryValueExW(key, L"DefaultProfile", nullptr, &type,
                                         reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (result == ERROR_FILE_NOT_FOUND) {
        profile.clear(); // a missing value reads as the empty name
        return true;
    }
    if (result != ERROR_SUCCESS)
        return false;
    profile = QString::fromWCharArray(buffer);
    return true;
}

} // namespace

TWindowsMapi::TWindowsMapi() = default;

TWindowsMapi::~TWindowsMapi()
{
    if (m_library)
        FreeLibrary(static_cast<HMODULE>(m_library));
}

void* TWindowsMapi::Function(const char* name)
{
    if (!m_loadTried) {
        m_loadTried = true;
        HKEY key = nullptr;
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows Messaging Subsystem",
                          0, KEY_READ, &key) == ERROR_SUCCESS) {
            wchar_t value[8] = {};
            DWORD size = sizeof(value) - sizeof(wchar_t);
            if (RegQueryValueExW(key, L"MAPI", nullptr, nullptr, reinterpret_cast<BYTE*>(value),
                                 &size) == ERROR_SUCCESS &&
                QString::fromWCharArray(value) == QLatin1String("1"))
                m_library = LoadLibraryW(L"MAPI32.DLL");
            RegCloseKey(key);
        }
    }
    return m_library
               ? reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(m_library), name))
               : nullptr;
}

bool TWindowsMapi::DefaultProfile(QString& profile)
{
    bool opened = false;
    const bool found =
        ReadProfile(HKEY_CURRENT_USER,
                    L"Software\\Microsoft\\Windows Messaging Subsystem\\Profiles", profile, opened);
    if (opened)
        return found;
    return ReadProfile(HKEY_CURRENT_USER,
                       L"Software\\Microsoft\\Windows NT\\CurrentVersion\\Windows Messaging "
                       L"Subsystem\\Profiles",
                       profile, opened);
}

unsigned long TWindowsMapi::Logon(const QString& profile, unsigned long flags,
                                  TSession& session)
{
    auto logon = reinterpret_cast<LPMAPILOGON>(Function("MAPILogon"));
    if (!logon)
        return 1;
    QByteArray name = profile.toLocal8Bit();
    LHANDLE handle = 0;
    const ULONG result = logon(0, name.data(), nullptr, flags, 0, &handle);
    session = static_cast<TSession>(handle);
    return result;
}

unsigned long TWindowsMapi::Logoff(TSession session)
{
    auto logoff = reinterpret_cast<LPMAPILOGOFF>(Function("MAPILogoff"));
    return logoff ? logoff(session, 0, 0, 0) : 1;
}

unsigned long TWindowsMapi::ResolveName(const QString& name, unsigned long flags,
                                        TResolved& resolved)
{
    auto resolve = reinterpret_cast<LPMAPIRESOLVENAME>(Function("MAPIResolveName"));
    if (!resolve)
        return 1;
    QByteArray text = name.toLocal8Bit();
    lpMapiRecipDesc descriptor = nullptr;
    const ULONG result = resolve(0, 0, text.data(), flags, 0, &descriptor);
    if (result == SUCCESS_SUCCESS && descriptor) {
        resolved.name = QString::fromLocal8Bit(descriptor->lpszName);
        resolved.address = QString::fromLocal8Bit(descriptor->lpszAddress);
        resolved.entryId = QByteArray(static_cast<const char*>(descriptor->lpEntryID),
                                      qsizetype(descriptor->ulEIDSize));
        resolved.buffer = descriptor;
    }
    return result;
}

void TWindowsMapi::FreeBuffer(TResolved& resolved)
{
    auto freeBuffer = reinterpret_cast<LPMAPIFREEBUFFER>(Function("MAPIFreeBuffer"));
    if (freeBuffer && resolved.buffer)
        freeBuffer(resolved.buffer);
    resolved.buffer = nullptr;
}

unsigned long TWindowsMapi::SendMail(TSession session, const TMessage& message,
                                     unsigned long flags)
{
    auto send = reinterpret_cast<LPMAPISENDMAIL>(Function("MAPISendMail"));
    if (!send)
        return 1;
    // Every text lives in this list until the call returns.
    std::vector<QByteArray> texts;
    texts.reserve(8 + 3 * (message.recipients.size() + message.files.size()));
    auto keep = [&texts](const QString& text) {
        texts.push_back(text.toLocal8Bit());
        return texts.back().data();
    };
    auto describe = [&](const TRecipient& recipient) {
        MapiRecipDesc desc = {};
        desc.ulRecipClass = recipient.recipClass;
        desc.lpszName = recipient.name.isEmpty() ? nullptr : keep(recipient.name);
        desc.lpszAddress = recipient.address.isEmpty() ? nullptr : keep(recipient.address);
        desc.ulEIDSize = ULONG(recipient.entryId.size());
        desc.lpEntryID = recipient.entryId.isEmpty()
                             ? nullptr
                             : const_cast<char*>(recipient.entryId.constData());
        return desc;
    };
    MapiMessage mapiMessage = {};
    mapiMessage.lpszSubject = keep(message.subject);
    mapiMessage.lpszNoteText = keep(message.noteText);
    MapiRecipDesc originator = {};
    if (message.hasOriginator) {
        originator = describe(message.originator);
        mapiMessage.lpOriginator = &originator;
    }
    std::vector<MapiRecipDesc> recipients;
    for (const TRecipient& recipient : message.recipients)
        recipients.push_back(describe(recipient));
    std::vector<MapiFileDesc> files;
    for (const TFile& file : message.files) {
        MapiFileDesc desc = {};
        desc.nPosition = ULONG(file.position);
        desc.lpszPathName = keep(file.path);
        desc.lpszFileName = keep(file.fileName);
        files.push_back(desc);
    }
    mapiMessage.nRecipCount = ULONG(recipients.size());
    mapiMessage.lpRecips = recipients.empty() ? nullptr : recipients.data();
    mapiMessage.nFileCount = ULONG(files.size());
    mapiMessage.lpFiles = files.empty() ? nullptr : files.data();
    return send(session, reinterpret_cast<ULONG_PTR>(GetActiveWindow()), &mapiMessage, flags, 0);
}

#endif
