// Texts for Win32 error codes, with the Windows Internet error numbers (12001 to 12171)
// answered from a table of short texts of our own because the system does not know them.
#include "core/lib.h"

#include <string.h>

#include "core/host.h"
#include "core/str.h"

namespace {

struct InternetErrorText {
    DWORD code;
    const char* text;
};

const InternetErrorText kInternetErrors[] = {
    {12001, "Out of handles"},
    {12002, "Timeout"},
    {12003, "Extended error"},
    {12004, "Internal error"},
    {12005, "Invalid URL"},
    {12006, "Unrecognized scheme"},
    {12007, "Name not resolved"},
    {12008, "Protocol not found"},
    {12009, "Invalid option"},
    {12010, "Bad option length"},
    {12011, "Option not settable"},
    {12012, "Shutdown"},
    {12013, "Incorrect user name"},
    {12014, "Incorrect password"},
    {12015, "Login failure"},
    {12016, "Invalid operation"},
    {12017, "Operation canceled"},
    {12018, "Incorrect handle type"},
    {12019, "Incorrect handle state"},
    {12020, "Not proxy request"},
    {12021, "Registry value not found"},
    {12022, "Bad registry parameter"},
    {12023, "No direct access"},
    {12024, "No context"},
    {12025, "No callback"},
    {12026, "Request pending"},
    {12027, "Incorrect format"},
    {12028, "Item not found"},
    {12029, "Cannot connect"},
    {12030, "Connection aborted"},
    {12031, "Connection reset"},
    {12032, "Force retry"},
    {12033, "Invalid proxy request"},
    {12034, "Need UI"},
    {12036, "Handle exists"},
    {12037, "SEC Cert date invalid"},
    {12038, "SEC Cert CN invalid"},
    {12039, "HTTP on HTTPS on redirection"},
    {12040, "HTTPS on HTTP on redirection"},
    {12041, "Mixed security"},
    {12042, "Changed post is non secure"},
    {12043, "Post is non secure"},
    {12044, "Client auth cert needed"},
    {12045, "Invalid CA"},
    {12046, "Client auth not setup"},
    {12047, "Async thread failed"},
    {12048, "Redirect scheme changed"},
    {12049, "Dialog pending"},
    {12050, "Retry dialog"},
    {12052, "HTTPS-HTTP submit redirection"},
    {12053, "INSERT CDROM"},
    {12110, "FTP transfer in progress"},
    {12111, "FTP dropped"},
    {12112, "FTP no passive mode"},
    {12150, "HTTP header not found"},
    {12151, "HTTP downlevel server"},
    {12152, "HTTP invalid server response"},
    {12153, "HTTP invalid header"},
    {12154, "HTTP invalid query request"},
    {12155, "HTTP header already exists"},
    {12156, "HTTP redirect failed"},
    {12157, "Sercurity channel errors"},
    {12158, "Unable to cache file"},
    {12159, "TCPIP not installed"},
    {12160, "HTTP not redirected"},
    {12161, "HTTP cookie needs confirmation"},
    {12162, "HTTP cookie declined"},
    {12163, "Disconnected"},
    {12164, "Server unreachable"},
    {12165, "Proxy server unreachable"},
    {12166, "Bad auto proxy script"},
    {12167, "Unable to download script"},
    {12168, "HTTP redirect needs confirmation"},
    {12169, "SEC invalid cert"},
    {12170, "SEC cert revoked"},
    {12171, "Failed security check"},
};

char g_errorText[2000];

const char* InternetErrorTextOf(DWORD code)
{
    for (const InternetErrorText& entry : kInternetErrors) {
        if (entry.code == code) return entry.text;
    }
    return nullptr;
}

// Line breaks of system messages become blanks and runs of blanks one blank, so the text
// fits on one log or status line.
void MakeOneLine(char* text)
{
    char* out = text;
    for (const char* in = text; *in; ++in) {
        const char c = (*in == '\r' || *in == '\n') ? ' ' : *in;
        if (c == ' ' && out > text && out[-1] == ' ') continue;
        *out++ = c;
    }
    *out = 0;
}

}  // namespace

char* LIB_WinApiErrorString(HWND window, DWORD code)
{
    // Taken first, before any call below can change it.
    if (code == 0) code = GetLastError();
    const char* internetText = InternetErrorTextOf(code);
    if (internetText) {
        STR_ncpy(g_errorText, internetText, sizeof(g_errorText) - 1);
        return g_errorText;
    }
    g_errorText[0] = 0;
    const DWORD length = FormatMessageA(
        FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
        MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), g_errorText, sizeof(g_errorText), nullptr);
    if (length == 0) g_errorText[0] = 0;
    g_errorText[sizeof(g_errorText) - 1] = 0;
    if (window != (HWND)-1) g_host.messageBox(window, g_errorText, "Error", MB_ICONASTERISK);
    MakeOneLine(g_errorText);
    return g_errorText;
}
