; The Windows installer of the PV SDK tools: installs the files of the ZIP
; package into the IDE's directory, asks for the SDK and compiler
; directories, checks them and writes Settings.ini, all through the
; installed plover.exe, so that the tools' own code reads and writes it.
;
; makensis -DVERSION=1.0 -DSTAGING=<install tree> -DFILES=<file list .nsh>
;          -DOUTFILE=<setup.exe> -DTARGET=x86-unicode|amd64-unicode installer.nsi
;
; Silent use (see the README):
;   setup.exe /S [/PV2SDK=DIR] [/PV2COMPILER=DIR] [/PV3SDK=DIR] [/PV3COMPILER=DIR]
;             /IDE=IDE-DIR (or, last and unquoted, /D=IDE-DIR)
;   toolsets\PVSDK\pvtools-uninstall.exe /S

Unicode true
Target ${TARGET}
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include nsDialogs.nsh
!include ${FILES}

!define PRODUCT "PV SDK tools"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\pvtools"
!define UNINSTALLER "toolsets\PVSDK\pvtools-uninstall.exe"
!define SETTINGS "toolsets\PVSDK\Settings.ini"
; A copy of Settings.ini as the installer left it: while the two are the
; same, the user has not changed it, and the uninstaller may remove it.
!define SETTINGS_INSTALLED "toolsets\PVSDK\Settings.ini.installed"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
!if "${TARGET}" == "amd64-unicode"
InstallDir "$PROGRAMFILES64\CBuilderX"
!else
InstallDir "$PROGRAMFILES\CBuilderX"
!endif
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

Var Pv2Sdk
Var Pv2Compiler
Var Pv3Sdk
Var Pv3Compiler
; The values as Settings.ini held them: only a key whose value differs is
; written, so that every other value stays byte for byte.
Var StoredPv2Sdk
Var StoredPv2Compiler
Var StoredPv3Sdk
Var StoredPv3Compiler
Var Fields

!define MUI_ABORTWARNING
!define MUI_DIRECTORYPAGE_TEXT_TOP "Setup installs kestrel and the wizard bridge plover into the directory of C++BuilderX, the one that holds bin and toolsets. An earlier installation is proposed."
!define MUI_DIRECTORYPAGE_TEXT_DESTINATION "The IDE's directory"
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE IdeDirectoryLeave
!insertmacro MUI_PAGE_DIRECTORY
Page custom SdkPageShow SdkPageLeave
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

VIProductVersion "${VERSION}.0.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "CompanyName" "Velmora Software"
VIAddVersionKey "LegalCopyright" "Velmora Software"

; ---- helpers for the installer and the uninstaller ----

; Waits until each file about to be replaced or removed can be written: the
; IDE keeps plover.dll loaded. Asks the user to close it; a silent run gives up.
!macro DefineHelpers UN
Function ${UN}WaitUntilFree
  Exch $0
  ${If} ${FileExists} "$INSTDIR\$0"
    ${Do}
      ClearErrors
      FileOpen $1 "$INSTDIR\$0" a
      ${IfNot} ${Errors}
        FileClose $1
        ${Break}
      ${EndIf}
      MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$INSTDIR\$0 is in use, most likely by C++BuilderX, which loads plover.dll. Close the IDE, then choose Retry." /SD IDCANCEL IDRETRY retry
      SetErrorLevel 3
      Quit
      retry:
    ${Loop}
  ${EndIf}
  Pop $0
FunctionEnd

; Pushes 1 when the two files hold the same bytes, else 0.
Function ${UN}SameBytes
  Exch $1
  Exch
  Exch $0
  Push $2
  Push $3
  Push $4
  Push $5
  StrCpy $5 0
  ClearErrors
  FileOpen $2 $0 r
  FileOpen $3 $1 r
  ${IfNot} ${Errors}
    ${Do}
      ClearErrors
      FileReadByte $2 $4
      ${If} ${Errors}
        ClearErrors
        FileReadByte $3 $4
        ${If} ${Errors}
          StrCpy $5 1
        ${EndIf}
        ${Break}
      ${EndIf}
      FileReadByte $3 $0
      ${If} ${Errors}
      ${OrIf} $0 != $4
        ${Break}
      ${EndIf}
    ${Loop}
  ${EndIf}
  FileClose $2
  FileClose $3
  StrCpy $0 $5
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Exch $0
  Exch
  Pop $1
FunctionEnd
!macroend
!insertmacro DefineHelpers ""
!insertmacro DefineHelpers "un."

; The value after "<prefix>" on its line of plover's output.
; Push output, push prefix; pops the value.
Function ValueOfLine
  Exch $1
  Exch
  Exch $0
  Push $2
  Push $3
  Push $4
  StrLen $3 $1
  StrCpy $2 0
  StrCpy $4 ""
  ${Do}
    StrCpy $4 $0 $3 $2
    ${If} $4 == ""
      ${Break}
    ${EndIf}
    ${If} $4 == $1
      IntOp $2 $2 + $3
      StrCpy $4 ""
      ${Do}
        StrCpy $3 $0 1 $2
        ${If} $3 == ""
        ${OrIf} $3 == "$\r"
        ${OrIf} $3 == "$\n"
          ${Break}
        ${EndIf}
        StrCpy $4 "$4$3"
        IntOp $2 $2 + 1
      ${Loop}
      ${Break}
    ${EndIf}
    StrCpy $4 ""
    IntOp $2 $2 + 1
  ${Loop}
  StrCpy $0 $4
  Pop $4
  Pop $3
  Pop $2
  Exch $0
  Exch
  Pop $1
FunctionEnd

; The value of /NAME=VALUE on the command line: up to the next quote where
; the option or its value is quoted ("/NAME=C:\a b" or /NAME="C:\a b"),
; else up to the next blank. Push "/NAME="; pops the value, or "?" (which
; no path holds) when the option is not given.
Function OptionValue
  Exch $1
  Push $2
  Push $3
  Push $4
  Push $5
  StrLen $3 $1
  StrCpy $2 0
  StrCpy $5 "?"
  ${Do}
    StrCpy $4 $CMDLINE $3 $2
    ${If} $4 == ""
      ${Break}
    ${EndIf}
    ${If} $4 == $1
      StrCpy $4 " "
      ${If} $2 > 0
        IntOp $5 $2 - 1
        StrCpy $5 $CMDLINE 1 $5
        ${If} $5 == '"'
          StrCpy $4 '"'
        ${EndIf}
      ${EndIf}
      IntOp $2 $2 + $3
      StrCpy $5 $CMDLINE 1 $2
      ${If} $5 == '"'
        StrCpy $4 '"'
        IntOp $2 $2 + 1
      ${EndIf}
      StrCpy $5 ""
      StrLen $3 $4
      ${Do}
        StrCpy $1 $CMDLINE $3 $2
        ${If} $1 == $4
        ${OrIf} $1 == ""
          ${Break}
        ${EndIf}
        StrCpy $1 $CMDLINE 1 $2
        StrCpy $5 "$5$1"
        IntOp $2 $2 + 1
      ${Loop}
      ${Break}
    ${EndIf}
    IntOp $2 $2 + 1
  ${Loop}
  StrCpy $1 $5
  Pop $5
  Pop $4
  Pop $3
  Pop $2
  Exch $1
FunctionEnd

; Without final backslashes: the settings file's rule, and a quoted
; argument ending in a backslash would lose its closing quote.
!macro DropFinalBackslashes VAR
  ${Do}
    StrCpy $0 ${VAR} 1 -1
    ${If} $0 != "\"
      ${Break}
    ${EndIf}
    StrCpy ${VAR} ${VAR} -1
  ${Loop}
!macroend

; A directory given on the command line as /NAME=DIR, or the value kept.
!macro OptionInto NAME VAR
  Push "/${NAME}="
  Call OptionValue
  Pop $0
  ${If} $0 != "?"
    StrCpy ${VAR} $0
  ${EndIf}
  !insertmacro DropFinalBackslashes ${VAR}
!macroend

; Adds plover's option for a directory to VAR when it differs from the
; value read from Settings.ini (letter case counts).
!macro ChangedOption VAR OPTION VALUE STORED
  ${If} ${VALUE} S!= ${STORED}
    StrCpy ${VAR} '${VAR} ${OPTION} "${VALUE}"'
  ${EndIf}
!macroend

; ---- installer ----

Function .onInit
  ; The program that reads, checks and writes the settings, ready before
  ; anything is installed: $PLUGINSDIR\bin\plover.exe reads
  ; $PLUGINSDIR\toolsets\PVSDK\Settings.ini.
  InitPluginsDir
  SetOutPath "$PLUGINSDIR\bin"
  File "${STAGING}/bin/plover.exe"
  SetOutPath "$PLUGINSDIR\toolsets\PVSDK"
  File "${STAGING}/toolsets/PVSDK/Settings.ini"
  Rename "$PLUGINSDIR\toolsets\PVSDK\Settings.ini" "$PLUGINSDIR\Settings.ini.shipped"
  ; /IDE=DIR as /D=DIR, but quoted as any other option may be.
  !insertmacro OptionInto IDE $INSTDIR
  ${If} ${Silent}
    Call ReadSettings
  ${EndIf}
FunctionEnd

; The values proposed: those of the IDE's Settings.ini where there is one,
; else the shipped ones; then those given on the command line.
Function ReadSettings
  Delete "$PLUGINSDIR\toolsets\PVSDK\Settings.ini"
  ${If} ${FileExists} "$INSTDIR\${SETTINGS}"
    CopyFiles /SILENT "$INSTDIR\${SETTINGS}" "$PLUGINSDIR\toolsets\PVSDK\Settings.ini"
  ${Else}
    CopyFiles /SILENT "$PLUGINSDIR\Settings.ini.shipped" "$PLUGINSDIR\toolsets\PVSDK\Settings.ini"
  ${EndIf}
  ; In UTF-16, through a file: ExecToStack would take what plover prints
  ; for text in the ANSI code page, and garble a UTF-8 value.
  Delete "$PLUGINSDIR\settings.txt"
  nsExec::ExecToStack '"$PLUGINSDIR\bin\plover.exe" settings --utf16 "$PLUGINSDIR\settings.txt"'
  Pop $0
  Pop $1
  StrCpy $1 ""
  ClearErrors
  FileOpen $2 "$PLUGINSDIR\settings.txt" r
  ${IfNot} ${Errors}
    ${Do}
      FileReadUTF16LE $2 $3
      ${If} ${Errors}
        ${Break}
      ${EndIf}
      StrCpy $1 "$1$3"
    ${Loop}
    FileClose $2
  ${EndIf}
  Push $1
  Push "[PV2SDK Paths] SDKPath="
  Call ValueOfLine
  Pop $Pv2Sdk
  Push $1
  Push "[PV2SDK Paths] CompilerPath="
  Call ValueOfLine
  Pop $Pv2Compiler
  Push $1
  Push "[PV3SDK Paths] SDKPath="
  Call ValueOfLine
  Pop $Pv3Sdk
  Push $1
  Push "[PV3SDK Paths] CompilerPath="
  Call ValueOfLine
  Pop $Pv3Compiler
  StrCpy $StoredPv2Sdk $Pv2Sdk
  StrCpy $StoredPv2Compiler $Pv2Compiler
  StrCpy $StoredPv3Sdk $Pv3Sdk
  StrCpy $StoredPv3Compiler $Pv3Compiler
  !insertmacro OptionInto PV2SDK $Pv2Sdk
  !insertmacro OptionInto PV2COMPILER $Pv2Compiler
  !insertmacro OptionInto PV3SDK $Pv3Sdk
  !insertmacro OptionInto PV3COMPILER $Pv3Compiler
FunctionEnd

Function IdeDirectoryLeave
  ${IfNot} ${FileExists} "$INSTDIR\bin\*.*"
  ${OrIfNot} ${FileExists} "$INSTDIR\toolsets\*.*"
    MessageBox MB_OK|MB_ICONEXCLAMATION "$INSTDIR is not the directory of C++BuilderX: it must hold the directories bin and toolsets. Choose the IDE's directory."
    Abort
  ${EndIf}
  Call ReadSettings
FunctionEnd

!macro DirectoryField TOP FIELD LABEL VALUE
  ; nsDialogs takes no sums: TOP is the label's line, FIELD the field's.
  ${NSD_CreateLabel} 0 ${TOP}u 100% 10u "${LABEL}"
  Pop $0
  ${NSD_CreateText} 0 ${FIELD}u 250u 12u "${VALUE}"
  Pop $0
  nsDialogs::SetUserData $0 "${LABEL}"
  StrCpy $Fields "$Fields$0 "
  ${NSD_CreateBrowseButton} 255u ${FIELD}u 45u 12u "Browse..."
  Pop $1
  nsDialogs::SetUserData $1 $0
  ${NSD_OnClick} $1 BrowseForField
!macroend

Function SdkPageShow
  !insertmacro MUI_HEADER_TEXT "SDKs and compilers" "Where the PV2 and PV3 SDKs and their compilers lie. Leave a pair empty if you do not use that SDK."
  nsDialogs::Create 1018
  Pop $0
  StrCpy $Fields ""
  !insertmacro DirectoryField 0 11 "PV2 SDK directory" $Pv2Sdk
  !insertmacro DirectoryField 28 39 "LSI C-86 compiler directory" $Pv2Compiler
  !insertmacro DirectoryField 62 73 "PV3 SDK directory" $Pv3Sdk
  !insertmacro DirectoryField 90 101 "SH C/C++ compiler directory" $Pv3Compiler
  nsDialogs::Show
FunctionEnd

Function BrowseForField
  Pop $0
  nsDialogs::GetUserData $0
  Pop $1
  ${NSD_GetText} $1 $2
  nsDialogs::SelectFolderDialog "Choose the directory" $2
  Pop $2
  ${If} $2 != error
    ${NSD_SetText} $1 $2
  ${EndIf}
FunctionEnd

; The text of the Nth field (1 to 4) of the SDK page.
!macro FieldText N VAR
  ${WordFind} $Fields " " "+${N}" $0
  ${NSD_GetText} $0 ${VAR}
  !insertmacro DropFinalBackslashes ${VAR}
!macroend

Function SdkPageLeave
  !insertmacro FieldText 1 $Pv2Sdk
  !insertmacro FieldText 2 $Pv2Compiler
  !insertmacro FieldText 3 $Pv3Sdk
  !insertmacro FieldText 4 $Pv3Compiler
  ; plover check's own rules, on the directories as typed.
  nsExec::ExecToStack '"$PLUGINSDIR\bin\plover.exe" check --pv2-sdk "$Pv2Sdk" --pv2-compiler "$Pv2Compiler" --pv3-sdk "$Pv3Sdk" --pv3-compiler "$Pv3Compiler"'
  Pop $0
  Pop $1
  Push $1
  Push "Warning: "
  Call ValueOfLine
  Pop $2
  ${If} $0 != 0
  ${OrIf} $2 != ""
    MessageBox MB_YESNO|MB_ICONEXCLAMATION "$1$\r$\nGo on with these directories anyway?" IDYES done
    Abort
  ${EndIf}
  done:
FunctionEnd

Section "Install"
  ${IfNot} ${FileExists} "$INSTDIR\bin\*.*"
  ${OrIfNot} ${FileExists} "$INSTDIR\toolsets\*.*"
    DetailPrint "$INSTDIR is not the directory of C++BuilderX: it must hold bin and toolsets"
    SetErrorLevel 2
    Quit
  ${EndIf}
  !insertmacro WaitUntilFilesFree ""
  !insertmacro InstallFiles

  ; Settings.ini: the shipped one only where there is none, then the
  ; directories written into it by plover; a user's file keeps every other line.
  StrCpy $2 0
  ${If} ${FileExists} "$INSTDIR\${SETTINGS}"
    ${If} ${FileExists} "$INSTDIR\${SETTINGS_INSTALLED}"
      Push "$INSTDIR\${SETTINGS}"
      Push "$INSTDIR\${SETTINGS_INSTALLED}"
      Call SameBytes
      Pop $2
    ${EndIf}
  ${Else}
    CopyFiles /SILENT "$PLUGINSDIR\Settings.ini.shipped" "$INSTDIR\${SETTINGS}"
    StrCpy $2 1
  ${EndIf}
  Delete "$INSTDIR\${SETTINGS_INSTALLED}"
  StrCpy $3 ""
  !insertmacro ChangedOption $3 "--pv2-sdk" $Pv2Sdk $StoredPv2Sdk
  !insertmacro ChangedOption $3 "--pv2-compiler" $Pv2Compiler $StoredPv2Compiler
  !insertmacro ChangedOption $3 "--pv3-sdk" $Pv3Sdk $StoredPv3Sdk
  !insertmacro ChangedOption $3 "--pv3-compiler" $Pv3Compiler $StoredPv3Compiler
  ${If} $3 != ""
    nsExec::ExecToLog '"$INSTDIR\bin\plover.exe" settings$3'
    Pop $0
    ${If} $0 != 0
      DetailPrint "Unable to write $INSTDIR\${SETTINGS}"
      SetErrorLevel 1
    ${EndIf}
  ${EndIf}
  ${If} $2 == 1
    CopyFiles /SILENT "$INSTDIR\${SETTINGS}" "$INSTDIR\${SETTINGS_INSTALLED}"
  ${EndIf}
  nsExec::ExecToLog '"$INSTDIR\bin\plover.exe" check'
  Pop $0

  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION} for C++BuilderX"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Velmora Software"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; ---- uninstaller ----

Function un.onInit
  ; The uninstaller lies in toolsets\PVSDK of the IDE's directory.
  GetFullPathName $INSTDIR "$INSTDIR\..\.."
FunctionEnd

Section "Uninstall"
  !insertmacro WaitUntilFilesFree "un."
  ; Settings.ini goes only when it is still as the installer left it.
  ${If} ${FileExists} "$INSTDIR\${SETTINGS_INSTALLED}"
    Push "$INSTDIR\${SETTINGS}"
    Push "$INSTDIR\${SETTINGS_INSTALLED}"
    Call un.SameBytes
    Pop $0
    ${If} $0 == 1
      Delete "$INSTDIR\${SETTINGS}"
    ${EndIf}
    Delete "$INSTDIR\${SETTINGS_INSTALLED}"
  ${EndIf}
  Delete "$INSTDIR\${UNINSTALLER}"
  !insertmacro UninstallFiles
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
SectionEnd
