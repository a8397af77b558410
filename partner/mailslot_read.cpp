// Mailslot messaging, receiving side: polls the own slot, drops repeated copies of a
// broadcast and splits a datagram into sender, recipient and text.
#include "partner/mailslot.h"

#include <string.h>

#include "core/host.h"
#include "core/str.h"

static void Clear(char* out, int size)
{
    if (out && size > 0)
        out[0] = 0;
}

// Copies a field, cut to the caller's buffer.
static void CopyField(char* out, int size, const char* field)
{
    if (out && size > 0)
        STR_ncpy(out, field, size - 1);
}

// Whether a message is waiting. The next-message size decides, not the message count: Wine
// counts an empty message as none, which would leave it in the slot for good.
static bool MessageWaiting(HANDLE slot, DWORD* nextSize)
{
    DWORD next = MAILSLOT_NO_MESSAGE;
    DWORD count = 0;
    if (!GetMailslotInfo(slot, NULL, &next, &count, NULL))
        return false;
    if (nextSize)
        *nextSize = next;
    return next != MAILSLOT_NO_MESSAGE;
}

// Takes a message longer than any datagram out of the slot so that the messages behind it
// can be read. Windows refuses to read a message into a smaller buffer and keeps it queued.
static bool DropMessage(HANDLE slot, DWORD size)
{
    HANDLE heap = GetProcessHeap();
    void* buffer = HeapAlloc(heap, 0, size);
    if (!buffer)
        return false;
    DWORD got = 0;
    BOOL ok = ReadFile(slot, buffer, size, &got, NULL);
    HeapFree(heap, 0, buffer);
    return ok != FALSE;
}

int MAILSLOT_Read(HANDLE slot, char* senderOut, char* recipientOut, char* textOut)
{
    return MAILSLOT_ReadEx(slot, senderOut, MAILSLOT_FIELD_SIZE, recipientOut,
                           MAILSLOT_FIELD_SIZE, textOut, MAILSLOT_FIELD_SIZE);
}

int MAILSLOT_ReadEx(HANDLE slot, char* senderOut, int senderSize, char* recipientOut,
                    int recipientSize, char* textOut, int textSize)
{
    Clear(senderOut, senderSize);
    Clear(recipientOut, recipientSize);
    Clear(textOut, textSize);
    if (slot == INVALID_HANDLE_VALUE || slot == NULL)
        return 0;

    // The slot waits forever on a read, so read only what is known to be there.
    DWORD announced = 0;
    if (!MessageWaiting(slot, &announced))
        return 0;
    if (announced > MAILSLOT_READ_LIMIT) {
        if (!DropMessage(slot, announced))
            return 0;
        return MessageWaiting(slot, NULL) ? 1 : 0;
    }

    char data[MAILSLOT_READ_LIMIT + 1];
    DWORD got = 0;
    if (!ReadFile(slot, data, MAILSLOT_READ_LIMIT, &got, NULL))
        return 0;
    DWORD size = got < announced ? got : announced;
    data[size] = 0;

    // A broadcast arrives once per network transport, so the same datagram often comes two
    // or three times within a second. The clock difference is taken unsigned so that a clock
    // set back does not hold back every repeated report until it catches up.
    int32_t now = Host_Now();
    if ((uint32_t)(now - g_mailslot.lastReadTime) < 2 && size == g_mailslot.lastDatagramSize &&
        memcmp(data, g_mailslot.lastDatagram, size) == 0)
        return 1;
    memcpy(g_mailslot.lastDatagram, data, size);
    g_mailslot.lastDatagramSize = size;
    g_mailslot.lastReadTime = now;

    // Three strings: sender, recipient, text. Two: sender and text, to everybody. One: the
    // text alone, from an unknown sender. data[size] ends the last string in any case.
    const char* sender = "?";
    const char* recipient = "*";
    const char* text = data;
    size_t first = strlen(data);
    if (first + 1 < size) {
        sender = data;
        text = data + first + 1;
        size_t second = strlen(text);
        if (first + 1 + second + 1 < size) {
            recipient = text;
            text += second + 1;
        }
    }
    CopyField(senderOut, senderSize, sender);
    CopyField(recipientOut, recipientSize, recipient);
    CopyField(textOut, textSize, text);

    return MessageWaiting(slot, NULL) ? 1 : 0;
}
