; The Windows installer, made by tools/windows-build:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.1 -DDIST=<dist folder> -DOUTFILE=<setup.exe> <this>
; It installs the dist folder for the current user into %LOCALAPPDATA%\Programs\Orvane, so it
; needs no administrator rights, and lists an uninstaller under the user's own Uninstall key.
; /S installs silently; "Uninstall.exe /S" removes it silently.

Target amd64-unicode
!ifndef VERSION | DIST | OUTFILE
  !error "makensis needs -DVERSION=, -DDIST= and -DOUTFILE= (tools/windows-build passes them)"
!endif

!define TITLE "声速仪显示配置终端"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Orvane"

Name "${TITLE} ${VERSION}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\Orvane"
; A copy installed elsewhere with /D= is replaced where it lies, not installed twice.
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
SetCompressor /SOLID lzma

!include "MUI2.nsh"
; makensis reads this from the script's own folder.
!define MUI_ICON "../app/myico.ico"
!define MUI_ABORTWARNING
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "SimpChinese"

; Every file of the dist folder, in one list: the uninstaller removes exactly these, never
; anything else the operator may have put in the folder.
!macro DistFiles Do
  !insertmacro ${Do} "" Orvane.exe
  !insertmacro ${Do} "" Qt5Core.dll
  !insertmacro ${Do} "" Qt5Gui.dll
  !insertmacro ${Do} "" Qt5Widgets.dll
  !insertmacro ${Do} "" Qt5SerialPort.dll
  !insertmacro ${Do} "" libgcc_s_seh-1.dll
  !insertmacro ${Do} "" libstdc++-6.dll
  !insertmacro ${Do} "" libwinpthread-1.dll
  !insertmacro ${Do} platforms qwindows.dll
  !insertmacro ${Do} styles qwindowsvistastyle.dll
!macroend
!macro PutFile Sub Name
  !if "${Sub}" == ""
    SetOutPath "$INSTDIR"
    File "${DIST}/${Name}"
  !else
    SetOutPath "$INSTDIR\${Sub}"
    File "${DIST}/${Sub}/${Name}"
  !endif
!macroend
!macro RemoveFile Sub Name
  !if "${Sub}" == ""
    Delete "$INSTDIR\${Name}"
  !else
    Delete "$INSTDIR\${Sub}\${Name}"
  !endif
!macroend

Section
  !insertmacro DistFiles PutFile
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  ; Written afresh, so nothing of an earlier version's entry is left over.
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${TITLE}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Orvane.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1

  ; The shortcuts start the program in Documents (the output path is their start folder), so
  ; its first save dialog opens there and not in the program's folder.
  SetOutPath "$DOCUMENTS"
  CreateShortcut "$SMPROGRAMS\${TITLE}.lnk" "$INSTDIR\Orvane.exe"
  CreateShortcut "$DESKTOP\${TITLE}.lnk" "$INSTDIR\Orvane.exe"
SectionEnd

; "Run" on the finish page: the same start folder as the shortcuts.
Function StartProgram
  SetOutPath "$DOCUMENTS"
  Exec '"$INSTDIR\Orvane.exe"'
FunctionEnd

; The record files live in Documents, out of reach of all this.
Section "Uninstall"
  !insertmacro DistFiles RemoveFile
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR\platforms"
  RMDir "$INSTDIR\styles"

  Delete "$SMPROGRAMS\${TITLE}.lnk"
  Delete "$DESKTOP\${TITLE}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  ; Only if empty: whatever the operator put there stays, and the folder with it.
  RMDir "$INSTDIR"
SectionEnd
