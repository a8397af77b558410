#pragma once
// Mailslot messaging: short text notices sent as mailslot datagrams to every machine of the
// domain, and the program's own slot that receives them.
//
// A datagram is three zero-terminated ANSI strings: sender, recipient ("*" for everybody, a
// computer or user name, or an "@" address) and text. Sender, recipient and text together
// hold at most MAILSLOT_MAX_CHARS characters, so a datagram is at most 423 bytes.
//
// All calls come from the window thread; the module state is process-wide and unguarded.
#include <windows.h>
#include <stdint.h>
#include "core/export.h"

enum {
    MAILSLOT_MAX_CHARS = 420,   // sender + recipient + text of one datagram
    MAILSLOT_READ_LIMIT = 429,  // the most bytes of one received datagram that are looked at
    MAILSLOT_FIELD_SIZE = 429,  // buffer size each output of MAILSLOT_Read must have
    MAILSLOT_NAME_SIZE = 200,   // own computer or user name, with its terminating zero
    MAILSLOT_RECIPIENT_SIZE = 260,
};

// Opens the own slot "\\.\mailslot\<name>" (or the per-user slot in user mode) and enables
// sending. Returns the slot handle, or INVALID_HANDLE_VALUE. The handle stays open for the
// life of the process.
CUSTOR_C HANDLE MAILSLOT_Open(const char* name, int noUserSlot);

// Reads the default recipient (registry "NotePop") and enables sending when it is not empty.
// With major != 0 and the system up for more than 100 s it broadcasts "Start <name> V1.56".
// Returns 1.
CUSTOR_C int MAILSLOT_Start(const char* name, int major, int minor, int build);

// Broadcasts one datagram. recipient null: the default recipient; sender null: the own name
// ("_"-prefixed when the recipient is the default); slotName null: the common slot "tarnwell".
// A recipient with "@" always goes to the chat gateway slot "talkgw". A text too long for the
// datagram is cut in the datagram; the caller's text is not changed. Returns 1 when written.
CUSTOR_C int MAILSLOT_Write(const char* text, const char* recipient, const char* sender,
                            const char* slotName);

// Reads at most one datagram from the slot. Returns 1 when another datagram is waiting after
// this one (callers loop while it returns 1). textOut is empty when nothing was delivered: no
// message, a repeated copy of the last datagram, or a message longer than any datagram
// (which is removed from the slot and dropped). Each output holds MAILSLOT_FIELD_SIZE bytes.
CUSTOR_C int MAILSLOT_Read(HANDLE slot, char* senderOut, char* recipientOut, char* textOut);

// MAILSLOT_Read with the size of each output buffer given (in bytes, with the terminating
// zero); longer fields are cut to fit. A null output or a size of 0 skips that field.
CUSTOR_C int MAILSLOT_ReadEx(HANDLE slot, char* senderOut, int senderSize, char* recipientOut,
                             int recipientSize, char* textOut, int textSize);

// 1 when sender is this process's own "_"-prefixed name and this process sent a datagram less
// than 1000 ms ago, that is when a received datagram is the echo of its own broadcast.
CUSTOR_C int MAILSLOT_ismymessage(const char* sender);

// Unregisters the per-user slot (user mode), disables sending and closes the slot. Returns 1.
CUSTOR_C int MAILSLOT_Exit(HANDLE slot, const char* name);

// The process-wide state of the library.
struct MailslotState {
    int enabled;                          // sending allowed (non-empty default recipient)
    int userMode;                         // own slot is the per-user slot; sender is the user
    char defaultRecipient[MAILSLOT_RECIPIENT_SIZE];
    int hasSent;                          // lastSendTicks is valid
    DWORD lastSendTicks;                  // tick count of the last successful send
    char lastDatagram[MAILSLOT_READ_LIMIT];
    DWORD lastDatagramSize;
    int32_t lastReadTime;                 // seconds clock of the last datagram read
    // Where the datagrams go. Empty: as on a Windows network, "\\*\mailslot\<slot>" for
    // broadcasts and "\\<computer>\mailslot\<slot>" for the user-slot announcement. Otherwise
    // every target is this prefix followed by the slot name, e.g. "\\.\mailslot\" to keep all
    // traffic on this machine (Wine cannot broadcast; tests use it for that).
    char targetPrefix[MAX_PATH];
};

extern MailslotState g_mailslot;

// Back to the state at program start (sending disabled, default recipient "*", no prefix).
void MAILSLOT_ResetState();
// Sets targetPrefix (cut to fit); null or "" restores the Windows network targets.
void MAILSLOT_SetTargetPrefix(const char* prefix);
