; The Windows installer of printer-tool: a per-user install without
; administrator rights, a Start-menu entry and an uninstaller. It leaves
; printer-tool.installed beside the exe, which makes the tool keep its configuration
; in %APPDATA%\printer-tool and its logs in %LOCALAPPDATA%\printer-tool; an
; uninstall or an update never touches those. A folder that holds a portable
; copy (a printer-tool.ini without that marker) is refused: installing there
; would replace its configuration. A silent install then exits with 2.
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

Page directory "" "" DirectoryLeave
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

; $0 = 1 when $INSTDIR holds a portable copy, else 0.
Function IsPortableCopy
  StrCpy $0 0
  IfFileExists "$INSTDIR\printer-tool.ini" 0 done
  IfFileExists "$INSTDIR\printer-tool.installed" done 0
  StrCpy $0 1
done:
FunctionEnd

!define PORTABLE_TEXT "$INSTDIR holds a portable copy of printer-tool: its printer-tool.ini is that copy's configuration, which an install would replace. Choose another folder, or keep using the portable copy."

; A silent install gets its folder (/D=) before this runs.
Function .onInit
  IfSilent 0 done
  Call IsPortableCopy
  StrCmp $0 1 0 done
  SetErrorLevel 2
  Quit
done:
FunctionEnd

Function DirectoryLeave
  Call IsPortableCopy
  StrCmp $0 1 0 done
  MessageBox MB_OK|MB_ICONSTOP "${PORTABLE_TEXT}"
  Abort
done:
FunctionEnd

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
  ; Only the programs the installer put there. No configuration is deleted,
  ; the shipped one beside the exe included: it may have been edited, and the
  ; user's own configuration and logs are under the profile anyway.
  Delete "$INSTDIR\printer-tool.exe"
  Delete "$INSTDIR\printer-cli.exe"
  Delete "$INSTDIR\ok.wav"
  Delete "$INSTDIR\error.wav"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\printer-tool.installed"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\printer-tool.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  DeleteRegKey HKCU "Software\printer-tool"
SectionEnd
