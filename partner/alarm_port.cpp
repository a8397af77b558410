// The serial keep-alive for an external alarm device: while all is in order the
// line carries a continuous stream of "U" at 9600 baud 8N1; when the problem state stops
// calling the keep-alive, the line falls silent and the device sounds.
//
// The writes are overlapped, so the supervision tick never waits for the line. At 9600 baud a
// 1500-byte block lasts about 1.5 s; a new one is queued whenever less than 1024 bytes are
// left in the driver's output queue, so one call per second keeps the line busy without gaps.
#include "partner/alarm_port.h"
#include "core/config.h"
#include "core/eventlog.h"
#include "core/lib.h"
#include "core/supervision.h"
#include <stdio.h>
#include <string.h>

namespace {

const DWORD kBaudRate = 9600;
const DWORD kInputQueue = 1024;
const DWORD kOutputQueue = 3072;
// A new block is queued only when less than this is still waiting in the output queue.
const DWORD kQueueLimit = 1024;
const DWORD kReadTotalConstantMs = 5;
enum { kBlockSize = 1500, kValueSize = CONFIG_VALUE_SIZE };
const char kKeepAliveByte = 'U';  // 0x55: alternating bits, an even tone on the line

// The port's process-wide state. The write record and the block stay in place for the life of
// the process: an overlapped write still pending when the port is closed may touch them.
struct ALARM_PORT_STATE {
    HANDLE port;          // INVALID_HANDLE_VALUE: no keep-alive
    HANDLE writeEvent;    // manual reset, named "WATCHCOM"
    DWORD lastError;      // the last error reported; each distinct error is reported once
    OVERLAPPED write;     // the one record of all writes
    char block[kBlockSize];
};
ALARM_PORT_STATE g_port = {INVALID_HANDLE_VALUE, nullptr, 0, {}, {}};

// The system's text for the error on the status line and as event code 9 ("Comport %s").
void ReportError(DWORD code)
{
    const char* text = LIB_WinApiErrorString((HWND)-1, code);
    char fallback[32];
    if (!text || !text[0]) {
        snprintf(fallback, sizeof(fallback), "error %lu", (unsigned long)code);
        text = fallback;
    }
    Status_Set(text);
    EventLog(EVENT_COMPORT, text, false, 0);
}

// True when the error is the normal state of an overlapped write or repeats the last one;
// otherwise remembers and reports it and returns false.
bool ErrorIsKnown(DWORD code)
{
    if (code == ERROR_IO_PENDING || code == g_port.lastError) return true;
    g_port.lastError = code;
    ReportError(code);
    return false;
}

// The line settings of the alarm device; all other fields as the driver reports them.
bool SetLine(HANDLE port)
{
    DCB dcb;
    memset(&dcb, 0, sizeof(dcb));
    dcb.DCBlength = sizeof(dcb);
    if (!GetCommState(port, &dcb)) return false;
    dcb.BaudRate = kBaudRate;
    dcb.ByteSize = 8;
    dcb.Parity = NOPARITY;
    dcb.StopBits = ONESTOPBIT;
    dcb.fBinary = TRUE;
    dcb.fParity = FALSE;
    dcb.fOutxCtsFlow = FALSE;
    dcb.fOutxDsrFlow = FALSE;
    dcb.fDtrControl = DTR_CONTROL_ENABLE;
    dcb.fDsrSensitivity = FALSE;
    dcb.fOutX = FALSE;
    dcb.fInX = FALSE;
    dcb.fRtsControl = RTS_CONTROL_ENABLE;
    dcb.fAbortOnError = FALSE;
    if (!SetCommState(port, &dcb)) return false;
    return SetupComm(port, kInputQueue, kOutputQueue) != FALSE;
}

// Reads return at once; writes have no total constant. The write multiplier stays as the
// driver has it. A refusal is of no consequence for a line that is only written.
void SetTimeouts(HANDLE port)
{
    COMMTIMEOUTS timeouts;
    memset(&timeouts, 0, sizeof(timeouts));
    GetCommTimeouts(port, &timeouts);
    timeouts.ReadIntervalTimeout = MAXDWORD;
    timeouts.ReadTotalTimeoutMultiplier = MAXDWORD;
    timeouts.ReadTotalTimeoutConstant = kReadTotalConstantMs;
    timeouts.WriteTotalTimeoutConstant = 0;
    SetCommTimeouts(port, &timeouts);
}

}  // namespace

bool AlarmPort_Open(const char* section)
{
    AlarmPort_Close();
    g_port.lastError = 0;
    g_port.writeEvent = CreateEventA(nullptr, TRUE, FALSE, "WATCHCOM");

    char value[kValueSize] = "";
    Config_GetText(section ? section : "", "WatchCom", "", value, sizeof(value));
    if (!value[0]) return false;
    CharUpperBuffA(value, (DWORD)strlen(value));
    // Only serial ports: "LPT1" or " COM3" (a leading blank) name nothing.
    if (strncmp(value, "COM", 3) != 0) return false;

    char device[kValueSize + 8];
    snprintf(device, sizeof(device), "\\\\.\\%s", value);
    HANDLE port = CreateFileA(device, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_FLAG_OVERLAPPED, nullptr);
    if (port == INVALID_HANDLE_VALUE) return false;
    if (!SetLine(port)) {
        CloseHandle(port);
        return false;
    }
    SetTimeouts(port);
    g_port.write.hEvent = g_port.writeEvent;
    g_port.port = port;
    return true;
}

bool AlarmPort_KeepAlive()
{
    if (g_port.port == INVALID_HANDLE_VALUE) return true;

    DWORD errors = 0;
    COMSTAT status;
    memset(&status, 0, sizeof(status));
    if (!ClearCommError(g_port.port, &errors, &status)) return ErrorIsKnown(GetLastError());
    // The line is still busy for more than a second: nothing to add now.
    if (status.cbOutQue >= kQueueLimit) return true;

    if (g_port.block[0] != kKeepAliveByte) memset(g_port.block, kKeepAliveByte, kBlockSize);
    if (WriteFile(g_port.port, g_port.block, kBlockSize, nullptr, &g_port.write)) return true;
    return ErrorIsKnown(GetLastError());
}

void AlarmPort_Close()
{
    if (g_port.port != INVALID_HANDLE_VALUE) {
        // Closing cancels a write still pending; its record stays valid (process-wide).
        CloseHandle(g_port.port);
        g_port.port = INVALID_HANDLE_VALUE;
    }
    if (g_port.writeEvent) {
        CloseHandle(g_port.writeEvent);
        g_port.writeEvent = nullptr;
    }
    g_port.write.hEvent = nullptr;
}
