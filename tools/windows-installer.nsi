; The Windows installer, made by tools/windows-build:
;   makensis -INPUTCHARSET UTF8 -DVERSION=1.1 -DDIST=<dist folder> -DOUTFILE=<setup.exe> <this>
; It installs the dist folder for the current user into %LOCALAPPDATA%\Programs\Orvane, so it
; needs no administrator rights, and lists an uninstaller under the user's own Uninstall key.
; /S installs silently; "Uninstall.exe /S" removes it silently. Neither touches a copy that is
; running: they ask the operator to close it, and a silent run ends with exit code 2.

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
; A file that cannot be replaced stops the installer rather than being skipped.
AllowSkipFiles off

!include "MUI2.nsh"
; makensis reads this from the script's own folder.
!define MUI_ICON "../app/myico.ico"
!define MUI_ABORTWARNING
; The folder chosen on this page may hold a copy that is running.
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE WaitUntilClosed
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN
!define MUI_FINISHPAGE_RUN_FUNCTION StartProgram
!insertmacro MUI_PAGE_FINISH
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE un.WaitUntilClosed
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
  !insertmacro ${Do} licenses LICENSE.txt
  !insertmacro ${Do} licenses THIRD-PARTY.txt
  !insertmacro ${Do} licenses Qt-LGPL-3.0.txt
  !insertmacro ${Do} licenses Qt-GPL-3.0.txt
  !insertmacro ${Do} licenses qt-zlib.txt
  !insertmacro ${Do} licenses qt-pcre2.txt
  !insertmacro ${Do} licenses qt-libpng.txt
  !insertmacro ${Do} licenses qt-libjpeg.txt
  !insertmacro ${Do} licenses qt-harfbuzz.txt
  !insertmacro ${Do} licenses qt-other-notices.txt
  !insertmacro ${Do} licenses gcc-runtime.txt
  !insertmacro ${Do} licenses mingw-w64-runtime.txt
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

; Windows keeps a running program's file open for its image and lets no one write to it: if
; Orvane.exe in the folder cannot be opened for writing, it runs. $R9 is 1 then, else 0.
!macro RunningCheck Un
  Function ${Un}ProgramRunning
    StrCpy $R9 0
    IfFileExists "$INSTDIR\Orvane.exe" 0 done
    ClearErrors
    FileOpen $R8 "$INSTDIR\Orvane.exe" a
    IfErrors 0 +3
      StrCpy $R9 1
      Goto done
    FileClose $R8
    done:
  FunctionEnd

  ; Returns once the program is closed. Otherwise the operator closes it and retries, or
  ; cancels; a silent run ends at once. Both leave with exit code 2, having changed nothing.
  Function ${Un}WaitUntilClosed
    again:
    Call ${Un}ProgramRunning
    StrCmp $R9 1 0 closed
    IfSilent leave
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "${RUNNING}" IDRETRY again
    leave:
    SetErrorLevel 2
    Quit
    closed:
  FunctionEnd
!macroend
!define RUNNING "${TITLE}正在运行。$\r$\n请先关闭它，再点“重试”；点“取消”则退出，不做任何改动。"
!insertmacro RunningCheck ""
!insertmacro RunningCheck "un."

Function .onInit
  Call WaitUntilClosed
FunctionEnd

Function un.onInit
  Call un.WaitUntilClosed
FunctionEnd

Section
  ; It may have been started since the last page.
  Call WaitUntilClosed
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
  Call un.WaitUntilClosed
  ; Delete sets the error flag only for a file that is there and stays. Then the entry, the
  ; shortcuts and the uninstaller stay too, so that the rest can still be removed.
  ClearErrors
  !insertmacro DistFiles RemoveFile
  IfErrors 0 removed
    SetErrorLevel 2
    DetailPrint "有文件正在使用，未能删除；关闭${TITLE}后请再次卸载。"
    Abort
  removed:
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR\platforms"
  RMDir "$INSTDIR\styles"
  RMDir "$INSTDIR\licenses"

  Delete "$SMPROGRAMS\${TITLE}.lnk"
  Delete "$DESKTOP\${TITLE}.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  ; Only if empty: whatever the operator put there stays, and the folder with it.
  RMDir "$INSTDIR"
SectionEnd
