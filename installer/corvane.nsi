; Corvane's setup program and uninstaller.
;
; The build runs makensis with:
;   /DVERSION=x.y.z      the product version
;   /DSTAGE_DIR=dir      the files to ship (installer/CMakeLists.txt stages them)
;   /DOUTFILE=file       the setup program to write
;   /DICON=file          the program's icon
;   /DWITH_CONVERTER     only when the build made the .docx converter library
;                        (STAGE_DIR holds it then)

!ifndef VERSION | STAGE_DIR | OUTFILE | ICON
  !error "VERSION, STAGE_DIR, OUTFILE and ICON must be defined (/D)"
!endif

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel admin
ManifestSupportedOS all

Name "Corvane"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES\Corvane"
BrandingText "Corvane ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1033 "ProductName" "Corvane"
VIAddVersionKey /LANG=1033 "CompanyName" "Belmorn"
VIAddVersionKey /LANG=1033 "FileDescription" "Corvane Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) 2026 Belmorn"

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Corvane"
!define CONVERTERS_KEY "SOFTWARE\Microsoft\Shared Tools\Text Converters\Import"
; Values of the uninstall entry that record what setup made besides files.
!define REGISTERED_PREFIX "CorvaneRegisteredConverter_"
!define DESKTOP_VALUE "CorvaneDesktopShortcut"
; The converter library's name, whether or not this build ships it: an
; uninstaller still recognises the registrations an earlier setup made.
!define CONVERTER_FILE "corvane-docx.cnv"

; ---------------------------------------------------------------- pages

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_ABORTWARNING

!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE_DIR}\LICENSE.txt"
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipPageOnUpgrade
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_PAGE_CUSTOMFUNCTION_PRE SkipPageOnUpgrade
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\corvane.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start Corvane"
!insertmacro MUI_PAGE_FINISH

!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES

!insertmacro MUI_LANGUAGE "English"

; ---------------------------------------------------------------- shared

Var Upgrading

; What setup puts into the program folder, besides Uninstall.exe: one list
; for installing and removing, so the two cannot drift apart.
!macro ShippedFiles ACTION
  !insertmacro ${ACTION} "corvane.exe"
  !insertmacro ${ACTION} "corvane-cli.exe"
  !insertmacro ${ACTION} "LICENSE.txt"
  !insertmacro ${ACTION} "THIRD-PARTY-NOTICES.txt"
  !insertmacro ${ACTION} "README.txt"
  !ifdef WITH_CONVERTER
    !insertmacro ${ACTION} "${CONVERTER_FILE}"
  !endif
!macroend
!macro InstallFile NAME
  File "${STAGE_DIR}\${NAME}"
!macroend
!macro RemoveFile NAME
  Delete "$INSTDIR\${NAME}"
!macroend

; Replacing or removing a program that runs would leave a half-replaced
; folder: a running program's files cannot be written. Asks the user to
; close it; silent mode, or a cancel, ends with exit code 2 before anything
; has changed.
!macro DefineCheckNotRunning UN
Function ${UN}CheckNotRunning
  retry:
  StrCpy $1 ""
  FindWindow $0 "CorvaneMainForm"
  ${If} $0 <> 0
    StrCpy $1 "busy"
  ${EndIf}
  ${ForEach} $2 0 2 + 1
    ${Select} $2
      ${Case} 0
        StrCpy $3 "$INSTDIR\corvane.exe"
      ${Case} 1
        StrCpy $3 "$INSTDIR\corvane-cli.exe"
      ${Case} 2
        StrCpy $3 "$INSTDIR\${CONVERTER_FILE}"
    ${EndSelect}
    ${If} ${FileExists} $3
      ClearErrors
      FileOpen $4 $3 a
      ${If} ${Errors}
        StrCpy $1 "busy"
      ${Else}
        FileClose $4
      ${EndIf}
    ${EndIf}
  ${Next}
  ${If} $1 != ""
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
      "Corvane is running, or one of its files is in use.$\r$\n$\r$\nClose Corvane, then click Retry." \
      /SD IDCANCEL IDRETRY retry
    SetErrorLevel 2
    Quit
  ${EndIf}
FunctionEnd
!macroend
!insertmacro DefineCheckNotRunning ""
!insertmacro DefineCheckNotRunning "un."

; ---------------------------------------------------------------- setup

; A per-machine install writes under Program Files and HKLM: without an
; administrator's rights it would stop half-way.
!macro RequireAdministrator
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "admin"
    MessageBox MB_OK|MB_ICONSTOP "Corvane is installed for all users: please run this program as an administrator." /SD IDOK
    SetErrorLevel 740 ; ERROR_ELEVATION_REQUIRED
    Quit
  ${EndIf}
!macroend

Function .onInit
  !insertmacro RequireAdministrator
  SetShellVarContext all
  ; An existing installation is upgraded where it is: one folder, one entry.
  ReadRegStr $0 HKLM "${UNINSTALL_KEY}" "InstallLocation"
  ${If} $0 != ""
  ${AndIf} ${FileExists} "$0\Uninstall.exe"
    StrCpy $INSTDIR $0
    StrCpy $Upgrading 1
  ${EndIf}
  Call CheckNotRunning
FunctionEnd

Function SkipPageOnUpgrade
  ${If} $Upgrading == 1
    Abort
  ${EndIf}
FunctionEnd

Section "Corvane" SecProgram
  SectionIn RO
  Call CheckNotRunning
  SetRegView 32
  SetOutPath "$INSTDIR"
  !insertmacro ShippedFiles InstallFile
  ; Its time stamp is the install date that the program's web links report.
  WriteUninstaller "$INSTDIR\Uninstall.exe"

  CreateShortcut "$SMPROGRAMS\Corvane.lnk" "$INSTDIR\corvane.exe"

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "Corvane"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Belmorn"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\corvane.exe,0"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\Uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\Uninstall.exe" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1

  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "Desktop shortcut" SecDesktop
  CreateShortcut "$DESKTOP\Corvane.lnk" "$INSTDIR\corvane.exe"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "${DESKTOP_VALUE}" 1
SectionEnd

!insertmacro MUI_FUNCTION_DESCRIPTION_BEGIN
  !insertmacro MUI_DESCRIPTION_TEXT ${SecProgram} "Corvane, its command-line tool and its .docx converter."
  !insertmacro MUI_DESCRIPTION_TEXT ${SecDesktop} "A shortcut to Corvane on the desktop."
!insertmacro MUI_FUNCTION_DESCRIPTION_END

; ---------------------------------------------------------------- uninstall

Function un.onInit
  !insertmacro RequireAdministrator
  SetShellVarContext all
  SetRegView 32
FunctionEnd

; Takes back class $0 if setup registered it and it still names the
; library setup registered (as setup wrote the path: the uninstaller may
; run under another spelling of the folder); values another product added
; to the key stay.
Function un.UnregisterConverterClass
  ReadRegStr $1 HKLM "${UNINSTALL_KEY}" "${REGISTERED_PREFIX}$0"
  ${If} $1 != ""
    ReadRegStr $2 HKLM "${CONVERTERS_KEY}\$0" "Path"
    ${If} $2 == $1
      DeleteRegValue HKLM "${CONVERTERS_KEY}\$0" "Name"
      DeleteRegValue HKLM "${CONVERTERS_KEY}\$0" "Path"
      DeleteRegValue HKLM "${CONVERTERS_KEY}\$0" "Extensions"
      DeleteRegKey /ifempty HKLM "${CONVERTERS_KEY}\$0"
    ${EndIf}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  Call un.CheckNotRunning
  ; The maker's uninstall page, from the program itself. Started from
  ; outside the program folder, so that the browser it starts does not hold
  ; the folder as its working folder.
  ${If} ${FileExists} "$INSTDIR\corvane.exe"
    SetOutPath "$TEMP"
    ExecWait '"$INSTDIR\corvane.exe" /uninstall'
  ${EndIf}

  StrCpy $0 "Word12"
  Call un.UnregisterConverterClass
  StrCpy $0 "MEWord12"
  Call un.UnregisterConverterClass

  Delete "$SMPROGRAMS\Corvane.lnk"
  ReadRegDWORD $1 HKLM "${UNINSTALL_KEY}" "${DESKTOP_VALUE}"
  ${If} $1 == 1
    Delete "$DESKTOP\Corvane.lnk"
  ${EndIf}

  !insertmacro ShippedFiles RemoveFile
  ; A converter library that an earlier setup shipped and this one does not.
  Delete "$INSTDIR\${CONVERTER_FILE}"
  Delete "$INSTDIR\Uninstall.exe"
  ; Only when empty: whatever the user put there stays.
  RMDir "$INSTDIR"

  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
