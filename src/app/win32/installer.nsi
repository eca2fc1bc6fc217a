; The Windows installer: a 64-bit NSIS setup program that installs Clipwarden for the user
; who runs it, without administrator rights. makensis is given VERSION, STAGE (a clean folder
; holding clipwarden.exe and README.txt), ICON and OUTFILE.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true
ManifestSupportedOS all

!define PRODUCT "Clipwarden"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Clipwarden"
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define SETTINGS_KEY "Software\Clipwarden"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
; An installed copy is upgraded where it is.
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} ${VERSION} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (c) the Clipwarden contributors"

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "FileFunc.nsh"
!include "Sections.nsh"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_FINISHPAGE_RUN "$INSTDIR\clipwarden.exe"
!define MUI_FINISHPAGE_RUN_TEXT "Start ${PRODUCT} now"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!define IN_USE "Clipwarden is running, so its program cannot be replaced."
; What a running Clipwarden answers on its message-only instance window: it ends.
!define INSTANCE_CLASS "ClipwardenInstance"
!define QUIT_MESSAGE 0x800A ; WM_APP + 10
!define STILL_RUNNING "Clipwarden did not end within 10 seconds, so nothing was changed. Close it, then run the setup again."

; A running Clipwarden is asked to end before its program is replaced or removed: after a
; question when the setup is interactive, at once when silent. It has 10 s; when it is still
; running then, the setup says so and stops (a silent one with exit code 2), nothing touched.
!macro EndRunningClipwarden un
Function ${un}EndRunningClipwarden
    System::Call 'user32::FindWindowExW(p -3, p 0, w "${INSTANCE_CLASS}", p 0) p .r0'
    ${If} $0 != 0
        MessageBox MB_OKCANCEL|MB_ICONQUESTION \
            "Clipwarden is running. End it now, so that the setup can go on?" \
            /SD IDOK IDOK endIt
        SetErrorLevel 2
        Abort "${IN_USE} Close it and run the setup again."
        endIt:
        System::Call 'user32::PostMessageW(p r0, i ${QUIT_MESSAGE}, p 0, p 0)'
        StrCpy $1 0
        ${DoWhile} $0 != 0
            ${If} $1 >= 10000
                ${Break}
            ${EndIf}
            Sleep 250
            IntOp $1 $1 + 250
            System::Call 'user32::FindWindowExW(p -3, p 0, w "${INSTANCE_CLASS}", p 0) p .r0'
        ${Loop}
        ${If} $0 != 0
            MessageBox MB_OK|MB_ICONSTOP "${STILL_RUNNING}" /SD IDOK
            SetErrorLevel 2
            DetailPrint "${STILL_RUNNING}"
            Abort "${STILL_RUNNING}"
        ${EndIf}
        Sleep 500 ; the process ends just after its window
    ${EndIf}
FunctionEnd
!macroend
!insertmacro EndRunningClipwarden ""
!insertmacro EndRunningClipwarden "un."

; A running clipwarden.exe cannot be replaced. Interactively the user may close it and try
; again; a silent setup ends with exit code 2, so that whoever ran it knows nothing changed.
Function EnsureProgramReplaceable
    retry:
    ${If} ${FileExists} "$INSTDIR\clipwarden.exe"
        ClearErrors
        FileOpen $0 "$INSTDIR\clipwarden.exe" a
        ${If} ${Errors}
            ${IfNot} ${Silent}
                MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION \
                    "${IN_USE} Close Clipwarden, then click Retry." IDRETRY retry
            ${EndIf}
            SetErrorLevel 2
            DetailPrint "${IN_USE} Close it and run the setup again."
            Abort "${IN_USE} Close it and run the setup again."
        ${EndIf}
        FileClose $0
    ${EndIf}
FunctionEnd

Section "${PRODUCT}" SectionProgram
    SectionIn RO
    SetOutPath "$INSTDIR"
    Call EndRunningClipwarden
    Call EnsureProgramReplaceable
    ClearErrors
    File "${STAGE}\clipwarden.exe"
    ${If} ${Errors}
        SetErrorLevel 2
        Abort "${IN_USE} Close it and run the setup again."
    ${EndIf}
    File "${STAGE}\README.txt"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\clipwarden.exe" "" "$INSTDIR\clipwarden.exe" 0

    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PRODUCT}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\clipwarden.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section /o "Start ${PRODUCT} when I sign in" SectionAutostart
    WriteRegStr HKCU "${RUN_KEY}" "${PRODUCT}" '"$INSTDIR\clipwarden.exe"'
SectionEnd

Section "-Autostart off"
    ${IfNot} ${SectionIsSelected} ${SectionAutostart}
        DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
    ${EndIf}
SectionEnd

Function .onInit
    ; An upgrade keeps the choice made before.
    ReadRegStr $0 HKCU "${RUN_KEY}" "${PRODUCT}"
    ${If} $0 != ""
        !insertmacro SelectSection ${SectionAutostart}
    ${EndIf}
FunctionEnd

Section "Uninstall"
    Call un.EndRunningClipwarden
    ; Only what the installer put there: the replay folder and the replays are never touched.
    Delete "$INSTDIR\clipwarden.exe"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    Delete "$SMPROGRAMS\${PRODUCT}.lnk"
    DeleteRegValue HKCU "${RUN_KEY}" "${PRODUCT}"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
    MessageBox MB_YESNO|MB_ICONQUESTION|MB_DEFBUTTON2 \
        "Remove ${PRODUCT}'s settings too? Your replays stay where they are either way." \
        /SD IDNO IDNO keep
    DeleteRegKey HKCU "${SETTINGS_KEY}"
    keep:
SectionEnd
