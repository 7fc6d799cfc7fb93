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

Section "Quorvel"
  SetOutPath "$INSTDIR"
  ; A running copy holds its .exe open and would keep it. Its settings are
  ; written as they change, so ending it loses nothing.
  nsExec::Exec '"$SYSDIR\taskkill.exe" /f /im quorvel.exe'
  Pop $0
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
  nsExec::Exec '"$SYSDIR\taskkill.exe" /f /im quorvel.exe'
  Pop $0
  Delete "$SMPROGRAMS\${NAME}.lnk"
  Delete "$INSTDIR\quorvel.exe"
  Delete "$INSTDIR\quorvel-cli.exe"
  Delete "$INSTDIR\sound.wav"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  ; The start-at-logon entry would start nothing now. It lives in the
  ; machine's Run key, which only an administrator could have written; for
  ; anyone else this does nothing. The user's settings stay.
  DeleteRegValue HKLM "Software\Microsoft\Windows\CurrentVersion\Run" "quorvel"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
