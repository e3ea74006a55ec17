; Lumova's installer: one per-user setup for 32- and 64-bit Windows, no
; elevation. installer/package.cmake runs makensis with
;   /DVERSION=2.2.0 /DVERSION_QUAD=2.2.0.0 /DSCR_X86_64=<file> /DSCR_I686=<file>
;   /DICON=<res/lumova.ico> /DOUTFILE=<Lumova-2.2.0-setup.exe>

Unicode true
ManifestDPIAware true
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include MUI2.nsh
!include LogicLib.nsh
!include Sections.nsh
!include FileFunc.nsh
!include x64.nsh
!include "${__FILEDIR__}/selection.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Lumova"
!define DESKTOP_KEY "Control Panel\Desktop"
!define SHORTCUT "$SMPROGRAMS\Lumova Screen Saver Settings.lnk"
!define SPI_SETSCREENSAVEACTIVE 17
!define SPIF_UPDATE_AND_SEND 3 ; SPIF_UPDATEINIFILE | SPIF_SENDCHANGE

Name "Lumova Screen Saver"
BrandingText "Lumova Screen Saver ${VERSION}"
OutFile "${OUTFILE}"
; A folder the user can write: zbfaone.ini is saved beside Lumova.scr.
InstallDir "$LOCALAPPDATA\Programs\Lumova"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"

VIProductVersion "${VERSION_QUAD}"
VIAddVersionKey "ProductName" "Lumova Screen Saver"
VIAddVersionKey "CompanyName" "Lumova"
VIAddVersionKey "FileDescription" "Lumova Screen Saver Setup"
VIAddVersionKey "FileVersion" "${VERSION_QUAD}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) 2026 The Lumova developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Lumova.scr"
!define MUI_FINISHPAGE_RUN_PARAMETERS "/c"
!define MUI_FINISHPAGE_RUN_TEXT "Open Lumova Screen Saver Settings now"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; One of the two builds, chosen in .onInit. zbfaone.ini is never part of the
; package, so an upgrade leaves it alone.
Section "-x86_64" SecX86_64
  SetOutPath "$INSTDIR"
  File "/oname=Lumova.scr" "${SCR_X86_64}"
SectionEnd

Section "-i686" SecI686
  SetOutPath "$INSTDIR"
  File "/oname=Lumova.scr" "${SCR_I686}"
SectionEnd

Function .onInit
  ; Native x64 only: 64-bit Windows on ARM runs the i686 build on every version.
  ${If} ${IsNativeAMD64}
    !insertmacro UnselectSection ${SecI686}
  ${Else}
    !insertmacro UnselectSection ${SecX86_64}
  ${EndIf}
FunctionEnd

Section "-Lumova"
  SetOutPath "$INSTDIR"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  ; Windows' own screen saver settings, where Lumova is selected and its
  ; "Settings" button runs it with /c. A shortcut to the .scr itself would
  ; go through the .scr files' registered command ("%1" /S), which drops
  ; the shortcut's arguments and starts the saver.
  CreateShortCut "${SHORTCUT}" "$SYSDIR\control.exe" "desk.cpl,,@screensaver" "$INSTDIR\Lumova.scr" 0

  GetFullPathName /SHORT $1 "$INSTDIR\Lumova.scr"
  Push "$INSTDIR\Lumova.scr"
  Push $1
  Call SaverSelection
  Pop $0
  ${If} $0 == ""
    ; Installed, but not selected: a value the system would cut is worse
    ; than the selection the user had.
    DetailPrint "Not selected as the screen saver: $INSTDIR has a blank and no short name."
    MessageBox MB_OK|MB_ICONEXCLAMATION \
      "Windows cannot start a screen saver from$\r$\n$INSTDIR$\r$\nbecause the path has a blank in it and this drive keeps no short names.$\r$\n$\r$\nLumova is installed but not selected as your screen saver. Install it into a folder without blanks (for example C:\Lumova) to select it." \
      /SD IDOK
    SetErrorLevel 2
  ${Else}
    WriteRegStr HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE" "$0"
    ; Through the system as well, so the running session uses it at once.
    System::Call "user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 1, p 0, i ${SPIF_UPDATE_AND_SEND})"
    WriteRegStr HKCU "${DESKTOP_KEY}" "ScreenSaveActive" "1"
  ${EndIf}

  ${GetSize} "$INSTDIR" "/S=0K" $1 $2 $3
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Lumova Screen Saver"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Lumova"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Lumova.scr,0"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Uninstall"
  ; The selection goes only while it still names this copy, in either form.
  ReadRegStr $0 HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
  GetFullPathName /SHORT $1 "$INSTDIR\Lumova.scr"
  GetFullPathName /SHORT $2 "$0"
  StrCpy $3 0
  ${If} $0 == "$INSTDIR\Lumova.scr"
    StrCpy $3 1
  ${ElseIf} $1 != ""
    ${If} $0 == $1
    ${OrIf} $2 == $1
      StrCpy $3 1
    ${EndIf}
  ${EndIf}
  ${If} $3 == 1
    DeleteRegValue HKCU "${DESKTOP_KEY}" "SCRNSAVE.EXE"
    ; As Control Panel does when "(None)" is chosen.
    System::Call "user32::SystemParametersInfoW(i ${SPI_SETSCREENSAVEACTIVE}, i 0, p 0, i ${SPIF_UPDATE_AND_SEND})"
  ${EndIf}
  Delete "${SHORTCUT}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  ${If} ${FileExists} "$INSTDIR\zbfaone.ini"
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
      "Also remove your Lumova settings (zbfaone.ini)? They hold your picture list and the saver's password.$\n$\nYour pictures themselves are not touched." \
      /SD IDNO IDNO keepSettings
    Delete "$INSTDIR\zbfaone.ini"
    ; The shuffled order's state and the pictures hidden from the show go
    ; with the settings they belong to.
    Delete "$INSTDIR\zbfaone.shuffle"
    Delete "$INSTDIR\zbfaone.shown"
    Delete "$INSTDIR\zbfaone.hidden"
  keepSettings:
  ${EndIf}
  Delete "$INSTDIR\Lumova.scr"
  ; Last: its disappearance tells a waiting deployment script the rest is done.
  Delete "$INSTDIR\Uninstall.exe"
  RMDir "$INSTDIR"
SectionEnd
