; SPDX-License-Identifier: GPL-3.0-or-later
; The per-user installer of Wingscribe, made by scripts/windows/package.sh:
;   makensis -DVERSION=1.0.0 -DSOURCE=<program folder> -DOUTFILE=<setup.exe> -DICON=<.ico> \
;            -DINSTALL_FILES=<.nsh> -DREMOVE_FILES=<.nsh> wingscribe.nsi
; INSTALL_FILES and REMOVE_FILES install and remove every file of the program folder but the
; program itself, which this script handles.
; Wingscribe keeps its settings file beside its program, so it goes where the user may write:
; %LOCALAPPDATA%\Programs\Wingscribe, without an administrator prompt, never Program Files.
; /S installs or uninstalls silently. The uninstaller keeps the user's settings unless the box
; "Remove my settings" is ticked (or /REMOVESETTINGS is given).
Unicode true
Target amd64-unicode ; the program is 64-bit, and so is the installer
SetCompressor /SOLID lzma
AllowSkipFiles off ; a file that cannot be written is never skipped in silence

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"
!include "WinMessages.nsh"

!define PRODUCT "Wingscribe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Wingscribe"
!define COPYRIGHT "Copyright (C) 2026 Wingscribe developers. GPL-3.0-or-later."

Name "${PRODUCT}"
OutFile "${OUTFILE}"
RequestExecutionLevel user
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "CompanyName" "Wingscribe developers"
VIAddVersionKey "LegalCopyright" "${COPYRIGHT}"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
; The GPL asks for no consent: the page shows it and goes on with Next.
!define MUI_LICENSEPAGE_TEXT_TOP "Wingscribe is free software under the GNU General Public License."
!define MUI_LICENSEPAGE_TEXT_BOTTOM "You need not accept this licence to install or use Wingscribe: \
it gives you the right to share and change it. The licences of the parts that come with \
Wingscribe are in its licenses folder."
!define MUI_LICENSEPAGE_BUTTON "$(^NextBtn)"
!insertmacro MUI_PAGE_LICENSE "${SOURCE}/licenses/GPL-3.0.txt"
!define DIRECTORY_TEXT "Setup will install Wingscribe for you alone in the following folder, where it also keeps its settings. To install it in another folder of your own, click Browse and choose it. Click Install to start the installation."
!define PROGRAM_FILES_TEXT "Wingscribe installs for you alone and keeps its settings file beside the program, so it needs a folder you can write to. Program Files is not one: choose another folder, such as $LOCALAPPDATA\Programs\${PRODUCT}."
!define MUI_DIRECTORYPAGE_TEXT_TOP "${DIRECTORY_TEXT}"
!define MUI_PAGE_CUSTOMFUNCTION_SHOW DirectoryShow
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE DirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\wingscribe.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Wingscribe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_TEXT_TOP "Your settings (wingscribe.ini: the simulator PC, colours, \
font and message options) stay for a later installation unless you tick the box."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Var DirectoryText ; the text above the folder box

; A running program keeps its .exe open, so Windows lets nobody replace or delete it then, and
; lets nobody open it for writing either. That open is the test, made before anything changes:
; $9 then holds the .exe for writing, which also keeps it from being started until
; ReleaseProgram, so that no copy starts from a half-changed folder. $8 is "refused" when the
; user gave up (no message and no retry in a silent run). The program's own single-instance
; lock cannot serve here: its name comes from a hash of the program's path.
!macro HoldProgram un
Function ${un}HoldProgram
  StrCpy $8 ""
  StrCpy $9 ""
  ${IfNot} ${FileExists} "$INSTDIR\wingscribe.exe"
    Return
  ${EndIf}
  retry:
  ClearErrors
  FileOpen $9 "$INSTDIR\wingscribe.exe" a
  ${IfNot} ${Errors}
    Return
  ${EndIf}
  MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "Wingscribe is running from \
$INSTDIR\wingscribe.exe, and Windows does not let a running program be replaced or \
removed.$\r$\n$\r$\nEnd it (right-click its text and choose End Wingscribe), then choose \
Retry." /SD IDCANCEL IDRETRY retry
  StrCpy $8 "refused"
  StrCpy $9 ""
FunctionEnd

Function ${un}ReleaseProgram
  ${If} $9 != ""
    FileClose $9
  ${EndIf}
FunctionEnd
!macroend
!insertmacro HoldProgram ""
!insertmacro HoldProgram "un."

Function .onInit
  SetShellVarContext current
FunctionEnd

; The settings file could not be written in Program Files: that folder is refused, and the
; directory page says why.
Function InProgramFiles ; $0 = 1 when $INSTDIR is a Program Files folder or inside one
  StrCpy $0 0
  ${ForEach} $R0 1 2 + 1
    ${If} $R0 == 1
      StrCpy $R1 "$PROGRAMFILES64"
    ${Else}
      StrCpy $R1 "$PROGRAMFILES32"
    ${EndIf}
    StrLen $R2 $R1
    StrCpy $R3 "$INSTDIR" $R2
    StrCpy $R4 "$INSTDIR" 1 $R2
    ${If} $R3 == $R1
      ${If} $R4 == ""
      ${OrIf} $R4 == "\"
        StrCpy $0 1
      ${EndIf}
    ${EndIf}
  ${Next}
FunctionEnd

Function ExplainFolder ; on the directory page, after InProgramFiles
  ${If} $0 == 1
    SendMessage $DirectoryText ${WM_SETTEXT} 0 "STR:${PROGRAM_FILES_TEXT}"
  ${Else}
    SendMessage $DirectoryText ${WM_SETTEXT} 0 "STR:${DIRECTORY_TEXT}"
  ${EndIf}
FunctionEnd

Function DirectoryShow
  FindWindow $0 "#32770" "" $HWNDPARENT
  GetDlgItem $DirectoryText $0 1006
  Call InProgramFiles
  Call ExplainFolder
FunctionEnd

Function .onVerifyInstDir
  Call InProgramFiles
  ${If} $DirectoryText != ""
    Call ExplainFolder
  ${EndIf}
  ${If} $0 == 1
    Abort
  ${EndIf}
FunctionEnd

Function DirectoryLeave ; says so and stays on the page while a copy runs there
  Call HoldProgram
  Call ReleaseProgram
  ${If} $8 == "refused"
    Abort
  ${EndIf}
FunctionEnd

Section "Wingscribe" SecProgram
  SectionIn RO
  Call InProgramFiles ; (a silent installation has no directory page)
  ${If} $0 == 1
    Abort "Program Files is not for Wingscribe: it needs a folder you can write to."
  ${EndIf}
  Call HoldProgram
  ${If} $8 == "refused"
    Abort "Wingscribe is running from $INSTDIR: nothing was changed."
  ${EndIf}
  !include "${INSTALL_FILES}"
  Call ReleaseProgram
  SetOutPath "$INSTDIR"
  File "${SOURCE}/wingscribe.exe"
  WriteUninstaller "$INSTDIR\uninstall.exe"
  CreateShortCut "$SMPROGRAMS\Wingscribe.lnk" "$INSTDIR\wingscribe.exe"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Wingscribe developers"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\wingscribe.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "un.Wingscribe" UnSecProgram
  SectionIn RO
  Call un.HoldProgram
  ${If} $8 == "refused"
    Abort "Wingscribe is running from $INSTDIR: nothing was removed."
  ${EndIf}
  !include "${REMOVE_FILES}"
  Call un.ReleaseProgram
  Delete "$INSTDIR\wingscribe.exe"
  Delete "$SMPROGRAMS\Wingscribe.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

; The settings, the saved window position, and the instance locks of copies that no longer
; run (the lock of a running copy cannot be deleted, and stays with its folder).
Section /o "un.Remove my settings" UnSecSettings
  Delete "$INSTDIR\wingscribe.ini"
  Delete "$APPDATA\Wingscribe\layouts.ini"
  RMDir "$APPDATA\Wingscribe"
  Delete "$LOCALAPPDATA\Wingscribe\instance-*.lock"
  RMDir "$LOCALAPPDATA\Wingscribe"
SectionEnd

; The uninstaller goes last, so that an uninstallation cut short can be run again.
Section "-un.Uninstaller"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR" ; stays while the settings file is in it
SectionEnd

; After the sections: it selects one of them, and gives both their real sizes.
Function un.onInit
  SetShellVarContext current
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecSettings}
  ${EndIf}
  ${GetSize} "$INSTDIR" "/M=wingscribe.ini /S=0K /G=0" $2 $0 $1
  ${GetSize} "$APPDATA\Wingscribe" "/M=layouts.ini /S=0K /G=0" $3 $0 $1
  IntOp $3 $3 + $2
  SectionSetSize ${UnSecSettings} $3
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntOp $0 $0 - $3
  SectionSetSize ${UnSecProgram} $0
FunctionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecProgram} "The program and its Start-menu entry."
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecSettings} \
    "Also delete wingscribe.ini and the saved window position."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END
