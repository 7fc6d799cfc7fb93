; Quorvel's Windows installer: a per-user installation (no administrator
; rights asked), a Start-menu entry and an uninstaller that Windows lists
; under its installed programs. Built by scripts/package-windows, which
; defines VERSION, BIN (the folder holding the .exe files), ICON and OUTFILE.

; A 64-bit installer for a 64-bit program: it runs wherever the program does
; (a 64-bit-only Wine included) and sees the same registry view.
Target amd64-unicode
SetCompressor /SOLID lzma

!ifndef VERSION | BIN | ICON | OUTFILE
  !error "run scripts/package-windows"
!endif

!define NAME "Quorvel"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Quorvel"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
Icon "${ICON}"
UninstallIcon "${ICON}"
RequestExecutionLevel user
; The user's own program folder: writable without elevation, and what
; Windows itself offers for per-user programs.
InstallDir "$LOCALAPPDATA\Programs\${NAME}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Function .onInit
  SetShellVarContext current
FunctionEnd

Function un.onInit
  SetShellVarContext current
FunctionEnd

; A running copy holds its .exe files open and would keep them. It is asked
; to end the way the system asks it when the session ends: it takes its icon
; out of the tray and leaves its settings in order. The program (and
; quorvel-cli watching) holds the event named below for as long as it runs
; and ends when it is set; once nobody holds it, every copy has ended. Only a
; copy that has not ended after END_WAIT_TENTHS tenths of a second is ended
; by force.
!define END_REQUEST_EVENT "Local\Quorvel.EndRequest"
!define EVENT_MODIFY_STATE 2
!define END_WAIT_TENTHS 100

!macro EndRunningCopies un
Function ${un}EndRunningCopies
  StrCpy $1 0
  ask:
    System::Call 'kernel32::OpenEventW(i ${EVENT_MODIFY_STATE}, i 0, w "${END_REQUEST_EVENT}") p.r0'
    StrCmp $0 0 ended
    System::Call 'kernel32::SetEvent(p r0)'
    System::Call 'kernel32::CloseHandle(p r0)'
    IntOp $1 $1 + 1
    IntCmp $1 ${END_WAIT_TENTHS} force
    Sleep 100
    Goto ask
  force:
    nsExec::Exec '"$SYSDIR\taskkill.exe" /f /im quorvel.exe'
    Pop $0
    nsExec::Exec '"$SYSDIR\taskkill.exe" /f /im quorvel-cli.exe'
    Pop $0
  ended:
  ; The system lets go of a program's file a moment after the program has
  ; gone: wait (bounded) until each can be written.
  Push "$INSTDIR\quorvel.exe"
  Call ${un}WaitUntilWritable
  Push "$INSTDIR\quorvel-cli.exe"
  Call ${un}WaitUntilWritable
FunctionEnd

Function ${un}WaitUntilWritable
  Exch $2
  IfFileExists "$2" 0 done
  StrCpy $1 0
  try:
    ClearErrors
    FileOpen $0 "$2" a
    IfErrors 0 free
    IntOp $1 $1 + 1
    IntCmp $1 50 done
    Sleep 100
    Goto try
  free:
    FileClose $0
  done:
  Pop $2
FunctionEnd
!macroend
!insertmacro EndRunningCopies ""
!insertmacro EndRunningCopies "un."

Section "Quorvel"
  SetOutPath "$INSTDIR"
  Call EndRunningCopies
  File "${BIN}/quorvel.exe"
  File "${BIN}/quorvel-cli.exe"
  File "${BIN}/sound.wav"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortCut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\quorvel.exe" "" "$INSTDIR\quorvel.exe" 0

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${NAME}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\quorvel.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  Call un.EndRunningCopies
  Delete "$SMPROGRAMS\${NAME}.lnk"
  Delete "$INSTDIR\quorvel.exe"
  Delete "$INSTDIR\quorvel-cli.exe"
  Delete "$INSTDIR\sound.wav"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; The start-at-logon entry would start nothing now. It lives in the
  ; user's Run key; older versions wrote the machine's, which only an
  ; administrator may clear (for anyone else that does nothing). The user's
  ; settings stay.
  DeleteRegValue HKCU "Software\Microsoft\Windows\CurrentVersion\Run" "quorvel"
  DeleteRegValue HKLM "Software\Microsoft\Windows\CurrentVersion\Run" "quorvel"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
