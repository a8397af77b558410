#pragma once
// Command identifiers of menus, toolbar and buttons, and the private window messages. The
// core carries out most commands, so they are defined here for both sides.

enum {
    CM_ACTIVATE_ALL = 3,
    CM_DEACTIVATE_ALL = 4,
    CM_TRANSFER_BACKUP = 5,
    CM_PROTOCOL = 6,
    CM_CONFIGURATION = 7,
    CM_SERVICE_ENABLE = 11,
    CM_SERVICE_DISABLE = 12,
    CM_SERVICE_START = 13,
    CM_SERVICE_SHOW = 14,
    CM_SERVICE_HIDE = 15,
    CM_SERVICE_END = 16,
    CM_SERVICE_KILL = 17,
    CM_RESTORE = 18,
    CM_STOP_ALL = 19,
    CM_END = 21,
    CM_KILL_PARTNER = 22,  // 22 to 31: partner n = id - 22
    IDC_PROBLEM_TEXT = 101,
    IDC_CONFIRM = 102,
    IDC_FILESYNC_LINE = 103,
    IDC_MACHINESYNC_LINE = 107,
    IDC_SERVICE_LIST = 42,
};

enum {
    MSG_SERVICE_STATUS = 0x0404,
    MSG_TRAY_READD = 0x0463,
    MSG_TRAYICON = 0x0495,
    MSG_LIST_SELECT = 0x04A8,
    MSG_LIST_ACTIVATE = 0x04A9,
    MSG_LIST_CONTEXT = 0x04AA,
    MSG_LIST_DELETE = 0x04AB,
    MSG_LIST_FOCUS = 0x04AD,
    MSG_LIST_SIZED = 0x04B4,
};
