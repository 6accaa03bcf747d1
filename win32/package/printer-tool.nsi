; The Windows installer of printer-tool: a per-user install without
; administrator rights, a Start-menu entry and an uninstaller. It leaves
; printer-tool.installed beside the exe, which makes the tool keep its configuration
; in %APPDATA%\printer-tool and its logs in %LOCALAPPDATA%\printer-tool; an
; uninstall or an update never touches those.
;   makensis -DVERSION=1.0.0 -DSTAGE=folder -DOUTFILE=setup.exe printer-tool.nsi
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user

Name "printer-tool ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\printer-tool"
InstallDirRegKey HKCU "Software\printer-tool" "InstallDir"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\printer-tool"

Page directory
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

Section "printer-tool"
  SetShellVarContext current
  SetOutPath "$INSTDIR"
  File "${STAGE}\printer-tool.exe"
  File "${STAGE}\printer-cli.exe"
  File "${STAGE}\ok.wav"
  File "${STAGE}\error.wav"
  File "${STAGE}\printer-tool.ini"
  File "${STAGE}\README.txt"
  FileOpen $0 "$INSTDIR\printer-tool.installed" w
  FileWrite $0 "Installed by the printer-tool installer: the configuration lives in %APPDATA%\printer-tool.$\r$\n"
  FileClose $0
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortcut "$SMPROGRAMS\printer-tool.lnk" "$INSTDIR\printer-tool.exe"
  WriteRegStr HKCU "Software\printer-tool" "InstallDir" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "printer-tool"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  SetShellVarContext current
  ; Only what the installer put there: the user's configuration and logs stay.
  Delete "$INSTDIR\printer-tool.exe"
  Delete "$INSTDIR\printer-cli.exe"
  Delete "$INSTDIR\ok.wav"
  Delete "$INSTDIR\error.wav"
  Delete "$INSTDIR\printer-tool.ini"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\printer-tool.installed"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\printer-tool.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\printer-tool"
SectionEnd
