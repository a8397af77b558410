// Mailslot messaging, sending side: the own slot, the default recipient, the datagram format,
// the per-user slot announcements and the own-echo test.
#include "partner/mailslot.h"

#include <stdarg.h>
#include <stdio.h>
#include <string.h>

#include "core/host.h"
#include "core/lib.h"
#include "core/str.h"

MailslotState g_mailslot = {0, 0, "*", 0, 0, {0}, 0, 0, {0}};

void MAILSLOT_ResetState()
{
    memset(&g_mailslot, 0, sizeof(g_mailslot));
    STR_ncpy(g_mailslot.defaultRecipient, "*", sizeof(g_mailslot.defaultRecipient) - 1);
}

void MAILSLOT_SetTargetPrefix(const char* prefix)
{
    STR_ncpy(g_mailslot.targetPrefix, prefix ? prefix : "", sizeof(g_mailslot.targetPrefix) - 1);
}

// The registry values of the library live under "Software\Tarnwell\Tarnwell" (machine).
static const char kRegistryKey[] = "Tarnwell";
static const char kCommonSlot[] = "tarnwell";
static const char kChatGatewaySlot[] = "talkgw";

// Formats into a MAX_PATH buffer; false when the result would not fit (a cut slot path would
// name another slot).
static bool FormatPath(char* path, const char* format, ...)
{
    va_list args;
    va_start(args, format);
    int n = vsnprintf(path, MAX_PATH, format, args);
    va_end(args);
    return n > 0 && n < MAX_PATH;
}

// The path a datagram for slotName goes to. host is "*" for a domain broadcast or a computer
// name; a configured target prefix replaces the whole "\\host\mailslot\" part.
static bool TargetPath(char* path, const char* host, const char* slotName)
{
    if (g_mailslot.targetPrefix[0])
        return FormatPath(path, "%s%s", g_mailslot.targetPrefix, slotName);
    return FormatPath(path, "\\\\%s\\mailslot\\%s", host, slotName);
}

// The computer name as the system gives it (at most 15 characters); "" when unavailable.
static void ComputerName(char* name, DWORD size)
{
    DWORD length = size;
    if (!GetComputerNameA(name, &length))
        name[0] = 0;
    name[size - 1] = 0;
}

// The logon user name (at most MAILSLOT_NAME_SIZE - 2 characters); "" when unavailable.
static void UserName(char* name)
{
    DWORD length = MAILSLOT_NAME_SIZE - 1;
    if (!GetUserNameA(name, &length))
        name[0] = 0;
    name[MAILSLOT_NAME_SIZE - 1] = 0;
}

// The name this process sends under: the user name in user mode, else the computer name with
// every character after the first in lower case (SERVER1 sends as Server1). name holds
// MAILSLOT_NAME_SIZE bytes.
static void OwnName(char* name)
{
    if (g_mailslot.userMode) {
        UserName(name);
        return;
    }
    ComputerName(name, MAILSLOT_NAME_SIZE);
    if (name[0])
        CharLowerA(name + 1);
}

// Opens the target, writes the whole datagram in one message and closes it again.
static int WriteDatagram(const char* path, const char* data, DWORD size)
{
    HANDLE target = CreateFileA(path, GENERIC_WRITE, FILE_SHARE_READ, NULL, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, NULL);
    if (target == INVALID_HANDLE_VALUE)
        return 0;
    DWORD written = 0;
    BOOL ok = WriteFile(target, data, size, &written, NULL);
    if (!CloseHandle(target))
        ok = FALSE;
    return ok ? 1 : 0;
}

// Tells the process that holds the common slot name on this computer that this user now
// receives on a per-user slot (kind ':') or no longer does (kind '!'). The announcement is a
// single string: ":" kind user.
static int Announce(const char* slotName, char kind)
{
    char user[MAILSLOT_NAME_SIZE];
    UserName(user);
    char text[MAILSLOT_NAME_SIZE + 2];
    snprintf(text, sizeof(text), ":%c%s", kind, user);

    char computer[MAX_COMPUTERNAME_LENGTH + 1];
    ComputerName(computer, sizeof(computer));
    char path[MAX_PATH];
    if (!TargetPath(path, computer, slotName))
        return 0;
    return WriteDatagram(path, text, (DWORD)strlen(text) + 1);
}

static HANDLE CreateSlot(const char* path)
{
    return CreateMailslotA(path, 0, MAILSLOT_WAIT_FOREVER, NULL);
}

HANDLE MAILSLOT_Open(const char* name, int noUserSlot)
{
    if (!name)
        name = "";
    MAILSLOT_Start(name, 0, 0, 0);

    // A remote-desktop session shares the machine with the console session, which normally
    // holds the slot: such a process receives on a per-user slot.
    if (GetSystemMetrics(SM_REMOTESESSION) != 0) {
        if (noUserSlot)
            return INVALID_HANDLE_VALUE;
        g_mailslot.userMode = 1;
    }
    char force[MAILSLOT_NAME_SIZE];
    LIB_GetRegistryString(kRegistryKey, "SlotProxy_Force", "0", force, sizeof(force), TRUE);
    force[sizeof(force) - 1] = 0;
    if (force[0] == '1')
        g_mailslot.userMode = 1;

    HANDLE slot = INVALID_HANDLE_VALUE;
    char path[MAX_PATH];
    if (!g_mailslot.userMode) {
        if (FormatPath(path, "\\\\.\\mailslot\\%s", name)) {
            slot = CreateSlot(path);
            if (slot == INVALID_HANDLE_VALUE) {
                // The previous instance may still be ending; give it a moment.
                g_host.sleep(1000);
                slot = CreateSlot(path);
            }
        }
        // Another process holds the name: receive through it on a per-user slot.
        if (slot == INVALID_HANDLE_VALUE)
            g_mailslot.userMode = 1;
    }
    if (g_mailslot.userMode && !noUserSlot) {
        char user[MAILSLOT_NAME_SIZE];
        UserName(user);
        slot = INVALID_HANDLE_VALUE;
        if (FormatPath(path, "\\\\.\\mailslot\\%s_usr\\%s", name, user))
            slot = CreateSlot(path);
        if (slot != INVALID_HANDLE_VALUE)
            Announce(name, ':');
    }
    return slot;
}

int MAILSLOT_Start(const char* name, int major, int minor, int build)
{
    LIB_GetRegistryString(kRegistryKey, "NotePop", "*", g_mailslot.defaultRecipient,
                          sizeof(g_mailslot.defaultRecipient), TRUE);
    g_mailslot.defaultRecipient[sizeof(g_mailslot.defaultRecipient) - 1] = 0;
    g_mailslot.enabled = g_mailslot.defaultRecipient[0] != 0;

    // Right after a boot every machine starts at once; only a later start is worth a notice.
    if (major != 0 && Host_Ticks() > 100000) {
        char text[MAILSLOT_MAX_CHARS];
        snprintf(text, sizeof(text), "Start %s V%d.%d%d", name ? name : "", major, minor, build);
        MAILSLOT_Write(text, NULL, NULL, kCommonSlot);
    }
    return 1;
}

int MAILSLOT_Write(const char* text, const char* recipient, const char* sender,
                   const char* slotName)
{
    if (!g_mailslot.enabled)
        return 0;
    const char* to = recipient ? recipient : g_mailslot.defaultRecipient;

    char path[MAX_PATH];
    const char* target = kCommonSlot;
    if (strchr(to, '@'))
        target = kChatGatewaySlot;
    else if (slotName)
        target = slotName;
    if (!TargetPath(path, "*", target))
        return 0;

    // Notices to the default recipient carry a leading "_" so that receivers (and this
    // process, for its own echo) can tell them from addressed messages.
    char own[MAILSLOT_NAME_SIZE + 1];
    const char* from = sender;
    if (!from) {
        own[0] = '_';
        OwnName(own + 1);
        from = recipient ? own + 1 : own;
    }
    if (!text)
        text = "";

    size_t senderLength = strlen(from);
    size_t recipientLength = strlen(to);
    size_t textLength = strlen(text);
    // Sender and recipient are addresses: cutting them would deliver to or from someone else.
    if (senderLength + recipientLength > MAILSLOT_MAX_CHARS)
        return 0;
    if (textLength > MAILSLOT_MAX_CHARS - senderLength - recipientLength)
        textLength = MAILSLOT_MAX_CHARS - senderLength - recipientLength;

    // sender \0 recipient \0 text \0; underscores inside the fields stay as they are.
    char datagram[MAILSLOT_MAX_CHARS + 3];
    char* p = datagram;
    memcpy(p, from, senderLength);
    p += senderLength;
    *p++ = 0;
    memcpy(p, to, recipientLength);
    p += recipientLength;
    *p++ = 0;
    memcpy(p, text, textLength);
    p += textLength;
    *p++ = 0;

    if (!WriteDatagram(path, datagram, (DWORD)(p - datagram)))
        return 0;
    g_mailslot.lastSendTicks = Host_Ticks();
    g_mailslot.hasSent = 1;
    return 1;
}

int MAILSLOT_ismymessage(const char* sender)
{
    if (!sender)
        return 0;
    char own[MAILSLOT_NAME_SIZE + 1];
    own[0] = '_';
    OwnName(own + 1);
    if (STR_cmp(own, sender) != 0)
        return 0;
    // Broadcasts come back to the sender within moments; older ones are someone else's.
    return g_mailslot.hasSent && Host_Ticks() - g_mailslot.lastSendTicks < 1000 ? 1 : 0;
}

int MAILSLOT_Exit(HANDLE slot, const char* name)
{
    if (g_mailslot.userMode) {
        Announce(name ? name : "", '!');
        // Let the slot holder take the announcement before this slot disappears.
        g_host.sleep(500);
    }
    g_mailslot.enabled = 0;
    if (slot != INVALID_HANDLE_VALUE && slot != NULL)
        CloseHandle(slot);
    return 1;
}
