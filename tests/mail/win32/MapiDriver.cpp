// Drives the Simple MAPI layer as the desktop-mail handler does, for the Windows mail test.
// "send": default profile, logon, one message as a transcript goes out (to, cc and bcc
// recipients, texts in several scripts, an attachment in a Greek folder), a second message in
// the session to a resolved recipient, logoff. "undeclared": the registry declares no Simple
// MAPI, so every call must yield 1 without loading the library. Prints each result.

#include "mail/win32/TMapi32.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace
{

void Print(const char* what, unsigned long code)
{
    std::printf("%s: %lu\n", what, code);
}

// The attachment, written where the message says it is.
const std::wstring Folder = L"C:\\Βεβαιώσεις κατάρτισης";
const std::wstring FileName = L"Сертификат 研修.pdf";

bool WriteAttachment()
{
    CreateDirectoryW(Folder.c_str(), nullptr);
    const HANDLE file = CreateFileW((Folder + L"\\" + FileName).c_str(), GENERIC_WRITE, 0, nullptr,
                                    CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    WriteFile(file, "%PDF-1.4\n", 9, &written, nullptr);
    CloseHandle(file);
    return true;
}

TMapi32::TRecipient Recipient(unsigned long recipClass, const wchar_t* name, const wchar_t* address)
{
    TMapi32::TRecipient recipient;
    recipient.recipClass = recipClass;
    recipient.name = name;
    recipient.address = address;
    return recipient;
}

int Send()
{
    TMapi32 mapi;
    if (!WriteAttachment()) {
        std::printf("cannot write the attachment\n");
        return 1;
    }
    std::wstring profile;
    TMapi32::TSession session = 0;
    const bool found = mapi.DefaultProfile(profile);
    std::printf("profile: %s\n", found ? "found" : "none");
    if (found)
        Print("logon", mapi.Logon(profile, 2, session));

    // As a transcript leaves: session 0, MAPI_LOGON_UI only after a logon.
    TMapi32::TMessage transcript;
    transcript.subject = L"Βεβαίωση παρακολούθησης · Сертификат · 修了証";
    transcript.noteText = L"Αγαπητή κυρία Παπαδοπούλου,\r\nσας στέλνουμε τη βεβαίωση.\r\n";
    transcript.hasOriginator = true;
    transcript.originator = Recipient(0, L"Γραμματεία ΣΕΚ", L"office@example.org");
    transcript.recipients.push_back(Recipient(1, L"Ζωή Παπαδοπούλου", L"smtp:zoe@example.org"));
    transcript.recipients.push_back(Recipient(2, L"Jürgen Müller-Ōta", L"smtp:jm@example.org"));
    transcript.recipients.push_back(Recipient(3, L"Иван Петров", L"smtp:ivan@example.org"));
    TMapi32::TFile file;
    file.path = Folder + L"\\" + FileName;
    file.fileName = FileName;
    transcript.files.push_back(file);
    Print("send", mapi.SendMail(0, transcript, found ? 1 : 3));

    // A resolved recipient, asked again with the client's dialog, sent in the session.
    TMapi32::TResolved resolved;
    unsigned long code = mapi.ResolveName(L"unknown Zoë", 0, resolved);
    Print("resolve", code);
    code = mapi.ResolveName(L"unknown Zoë", 8, resolved);
    Print("resolve with dialog", code);
    TMapi32::TMessage note;
    note.subject = L"Zweite Nachricht für Zoë";
    TMapi32::TRecipient to = Recipient(1, resolved.name.c_str(), resolved.address.c_str());
    to.entryId = resolved.entryId;
    mapi.FreeBuffer(resolved);
    note.recipients.push_back(to);
    Print("send in session", mapi.SendMail(session, note, 1 | 8));

    if (found)
        Print("logoff", mapi.Logoff(session));
    std::printf("wide send: %s\n", mapi.HasWideSend() ? "yes" : "no");
    return 0;
}

int Undeclared()
{
    TMapi32 mapi;
    std::wstring profile;
    std::printf("profile: %s\n", mapi.DefaultProfile(profile) ? "found" : "none");
    TMapi32::TSession session = 0;
    Print("logon", mapi.Logon(L"", 2, session));
    TMapi32::TResolved resolved;
    Print("resolve", mapi.ResolveName(L"ann", 0, resolved));
    TMapi32::TMessage message;
    message.subject = L"nothing";
    Print("send", mapi.SendMail(0, message, 3));
    Print("logoff", mapi.Logoff(session));
    std::printf("wide send: %s\n", mapi.HasWideSend() ? "yes" : "no");
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    const std::string mode = argc > 1 ? argv[1] : "";
    if (mode == "send")
        return Send();
    if (mode == "undeclared")
        return Undeclared();
    std::printf("usage: MapiDriver send|undeclared\n");
    return 2;
}
