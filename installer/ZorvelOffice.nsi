; Per-user setup program of Zorvel Office: no elevation, installs into the user's local programs
; folder, registers the zorveloffice: link scheme and "Open with" for the suite's document types
; (never as their default program), and adds an entry to the user's installed-programs list.
;
; Built by installer/CMakeLists.txt:
;   makensis -INPUTCHARSET UTF8 -DVERSION=2.1.5 -DAPP_EXE=... -DAPP_ICON=... -DOUT_FILE=...
;            -DTYPES_NSH=... ZorvelOffice.nsi
; TYPES_NSH is generated from the build's list of document types: one
; `!insertmacro ZO_TYPE ".ext"` line per type.

!ifndef VERSION | APP_EXE | APP_ICON | OUT_FILE | TYPES_NSH
  !error "VERSION, APP_EXE, APP_ICON, OUT_FILE and TYPES_NSH must be defined"
!endif

Unicode true
; A 32-bit setup program would not run where there is no 32-bit layer; the program is 64-bit anyway.
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!define PRODUCT "Zorvel Office"
!define PUBLISHER "Zorvel"
!define EXE "ZorvelOffice.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\ZorvelOffice"
!define CLASSES "Software\Classes"
!define SCHEME "zorveloffice"
!define PROGID "ZorvelOffice.Document"
!define SHORTCUT "$SMPROGRAMS\${PRODUCT}.lnk"
; The browser profile the program keeps: the roaming application-data folder joined with the
; executable's file name.
!define PROFILE "$APPDATA\${EXE}"

Name "$(ZoName)"
OutFile "${OUT_FILE}"
InstallDir "$LOCALAPPDATA\Programs\ZorvelOffice"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "${PRODUCT} Setup"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright (C) Zorvel. All rights reserved."

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define MUI_ICON "${APP_ICON}"
!define MUI_UNICON "${APP_ICON}"
!define MUI_ABORTWARNING
!define MUI_FINISHPAGE_RUN "$INSTDIR\${EXE}"

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH

; One page: the program (always removed) and the browser profile (kept unless ticked).
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_COMPONENTSPAGE_TEXT_TOP "$(ZoUninstallTop)"
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES

; The first language is the one used when the user's Windows language is neither of these.
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "Arabic"
!include "${__FILEDIR__}\lang\English.nsh"
!include "${__FILEDIR__}\lang\Arabic.nsh"

; Registry writes and deletions of one document type, expanded once per type from TYPES_NSH.
!macro ZO_TYPE_REGISTER EXT
  WriteRegNone HKCU "${CLASSES}\${EXT}\OpenWithProgids" "${PROGID}"
  WriteRegStr HKCU "${CLASSES}\Applications\${EXE}\SupportedTypes" "${EXT}" ""
!macroend
!macro ZO_TYPE_UNREGISTER EXT
  DeleteRegValue HKCU "${CLASSES}\${EXT}\OpenWithProgids" "${PROGID}"
  ; Only keys that nothing else uses any more: another program's association stays.
  DeleteRegKey /ifempty HKCU "${CLASSES}\${EXT}\OpenWithProgids"
  DeleteRegKey /ifempty HKCU "${CLASSES}\${EXT}"
!macroend

; Writes a shell\open\command that passes the link or file as the program's first argument.
!macro ZO_OPEN_COMMAND KEY
  WriteRegStr HKCU "${KEY}\DefaultIcon" "" '"$INSTDIR\${EXE}",0'
  WriteRegStr HKCU "${KEY}\shell\open\command" "" '"$INSTDIR\${EXE}" "%1"'
!macroend

Function .onInit
  SetShellVarContext current
  SetRegView 64
FunctionEnd

Function un.onInit
  SetShellVarContext current
  SetRegView 64
FunctionEnd

; Stops the setup with exit code 2 (after telling the user, unless silent) when the step before
; it failed: NSIS itself goes on after a failed File step and would report success.
!macro ZO_STOP_ON_ERROR TEXT
  ${If} ${Errors}
    ${IfNot} ${Silent}
      MessageBox MB_OK|MB_ICONSTOP "${TEXT}"
    ${EndIf}
    SetErrorLevel 2
    Abort
  ${EndIf}
!macroend

Section "-Program" SecProgram
  ClearErrors
  SetOutPath "$INSTDIR"
  ; The browser profile (in the roaming application data) is never touched here, so installing
  ; over an earlier version keeps the user's sign-ins and settings.
  File "/oname=${EXE}" "${APP_EXE}"
  WriteUninstaller "$INSTDIR\Uninstall.exe"
  !insertmacro ZO_STOP_ON_ERROR "$(ZoCopyFailed)"

  CreateShortCut "${SHORTCUT}" "$INSTDIR\${EXE}" "" "$INSTDIR\${EXE}" 0

  ; The link scheme.
  WriteRegStr HKCU "${CLASSES}\${SCHEME}" "" "URL:${PRODUCT} link"
  WriteRegStr HKCU "${CLASSES}\${SCHEME}" "URL Protocol" ""
  !insertmacro ZO_OPEN_COMMAND "${CLASSES}\${SCHEME}"

  ; "Open with": a ProgId offered for each type, never made the type's default.
  WriteRegStr HKCU "${CLASSES}\${PROGID}" "" "${PRODUCT} document"
  !insertmacro ZO_OPEN_COMMAND "${CLASSES}\${PROGID}"
  WriteRegStr HKCU "${CLASSES}\Applications\${EXE}" "FriendlyAppName" "${PRODUCT}"
  !insertmacro ZO_OPEN_COMMAND "${CLASSES}\Applications\${EXE}"
  !define ZO_TYPE "ZO_TYPE_REGISTER"
  !include "${TYPES_NSH}"
  !undef ZO_TYPE

  ; The installed-programs entry.
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\${EXE}",0'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  IntFmt $0 "0x%08X" $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
  !insertmacro ZO_STOP_ON_ERROR "$(ZoRegistryFailed)"

  ; Tell Explorer that associations changed (SHCNE_ASSOCCHANGED, SHCNF_IDLIST).
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "un.$(ZoName)" UnSecProgram
  SectionIn RO
  Delete "$INSTDIR\${EXE}"
  Delete "$INSTDIR\Uninstall.exe"
  ; Not /r: the folder may have been chosen by the user and hold other things.
  RMDir "$INSTDIR"
  Delete "${SHORTCUT}"

  DeleteRegKey HKCU "${CLASSES}\${SCHEME}"
  DeleteRegKey HKCU "${CLASSES}\${PROGID}"
  DeleteRegKey HKCU "${CLASSES}\Applications\${EXE}"
  !define ZO_TYPE "ZO_TYPE_UNREGISTER"
  !include "${TYPES_NSH}"
  !undef ZO_TYPE
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

; Unticked by default, so a silent uninstall keeps the browser profile.
Section /o "un.$(ZoProfileSection)" UnSecProfile
  RMDir /r "${PROFILE}"
SectionEnd
