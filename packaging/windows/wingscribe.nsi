; SPDX-License-Identifier: GPL-3.0-or-later
; The per-user installer of Wingscribe, made by scripts/windows/package.sh:
;   makensis -DVERSION=1.0.0 -DSOURCE=<program folder> -DOUTFILE=<setup.exe> -DICON=<.ico> \
;            wingscribe.nsi
; Wingscribe keeps its settings file beside its program, so it goes where the user may write:
; %LOCALAPPDATA%\Programs\Wingscribe, without an administrator prompt, never Program Files.
; /S installs or uninstalls silently. The uninstaller keeps the user's settings unless the box
; "Remove my settings" is ticked (or /REMOVESETTINGS is given).
Unicode true
Target amd64-unicode ; the program is 64-bit, and so is the installer
SetCompressor /SOLID lzma

!include "MUI2.nsh"
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "Sections.nsh"

!define PRODUCT "Wingscribe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Wingscribe"

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
VIAddVersionKey "LegalCopyright" "Wingscribe developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\wingscribe.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Wingscribe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!define MUI_COMPONENTSPAGE_TEXT_TOP "Your settings (wingscribe.ini: the simulator PC, colours, \
font and message options) stay for a later installation unless you tick the box."
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function .onInit
  SetShellVarContext current
FunctionEnd

; The settings file could not be written in Program Files: that folder is not offered.
Function .onVerifyInstDir
  ${ForEach} $R0 1 2 + 1
    ${If} $R0 == 1
      StrCpy $R1 "$PROGRAMFILES64"
    ${Else}
      StrCpy $R1 "$PROGRAMFILES32"
    ${EndIf}
    StrLen $R2 $R1
    StrCpy $R3 "$INSTDIR" $R2
    ${If} $R3 == $R1
      Abort
    ${EndIf}
  ${Next}
FunctionEnd

Section "Wingscribe" SecProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File /r "${SOURCE}/*"
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
  Delete "$INSTDIR\wingscribe.exe"
  Delete "$INSTDIR\Qt6Core.dll"
  Delete "$INSTDIR\Qt6Gui.dll"
  Delete "$INSTDIR\Qt6Widgets.dll"
  Delete "$INSTDIR\Qt6Network.dll"
  Delete "$INSTDIR\libstdc++-6.dll"
  Delete "$INSTDIR\libgcc_s_seh-1.dll"
  Delete "$INSTDIR\libwinpthread-1.dll"
  Delete "$INSTDIR\platforms\qwindows.dll"
  RMDir "$INSTDIR\platforms"
  Delete "$SMPROGRAMS\Wingscribe.lnk"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd

Section /o "un.Remove my settings" UnSecSettings
  Delete "$INSTDIR\wingscribe.ini"
  Delete "$APPDATA\Wingscribe\layouts.ini"
  RMDir "$APPDATA\Wingscribe"
SectionEnd

; The uninstaller goes last, so that an uninstallation cut short can be run again.
Section "-un.Uninstaller"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR" ; stays while the settings file is in it
SectionEnd

; After the sections: it selects one of them.
Function un.onInit
  SetShellVarContext current
  ${GetParameters} $0
  ClearErrors
  ${GetOptions} $0 "/REMOVESETTINGS" $1
  ${IfNot} ${Errors}
    !insertmacro SelectSection ${UnSecSettings}
  ${EndIf}
FunctionEnd

!insertmacro MUI_UNFUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecProgram} "The program and its Start-menu entry."
  !insertmacro MUI_DESCRIPTION_TEXT ${UnSecSettings} \
    "Also delete wingscribe.ini and the saved window position."
!insertmacro MUI_UNFUNCTION_DESCRIPTION_END
