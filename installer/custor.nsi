; Installer of Custor: the watchdog, the window closing tool, an example configuration and the
; start at logon. Build: makensis -DBIN_DIR=<folder of the programs> -DOUT_FILE=<setup.exe>
; -DSOURCE_DIR=<this folder> custor.nsi
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

!ifndef VERSION
  !define VERSION "1.56"
!endif
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Custor"

Name "Custor ${VERSION}"
OutFile "${OUT_FILE}"
; Custor writes its logs beside itself: a folder of the user's own, not Program Files.
InstallDir "$LOCALAPPDATA\Custor"
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; A running Custor holds its program file: it is asked to end (WM_COMMAND 21, the tray menu's
; "End"); the programs it supervises keep running.
!macro EndRunningCustor
  FindWindow $0 "CustorFrame" "Custor"
  StrCmp $0 0 +3
  SendMessage $0 0x0111 21 0 /TIMEOUT=10000
  Sleep 1000
!macroend

Section "Custor"
  !insertmacro EndRunningCustor
  SetOutPath "$INSTDIR"
  File "${BIN_DIR}/Custor.exe"
  File "${BIN_DIR}/shutter.exe"
  ; The operator's configuration is never replaced.
  IfFileExists "$INSTDIR\custor.ini" +2 0
  File "${SOURCE_DIR}/custor.ini"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  WriteRegStr HKCU "${RUN_KEY}" "Custor" '"$INSTDIR\Custor.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Custor"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Tarnwell"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Removes the programs and the start entry; the configuration and the logs stay.
Section "Uninstall"
  !insertmacro EndRunningCustor
  Delete "$INSTDIR\Custor.exe"
  Delete "$INSTDIR\shutter.exe"
  Delete "$INSTDIR\uninstall.exe"
  DeleteRegValue HKCU "${RUN_KEY}" "Custor"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  ; Only when nothing else is left in it.
  RMDir "$INSTDIR"
SectionEnd
