; The Voluscope installer, made by scripts/package.py.
;   setup.exe              installs for the current user, without administrator rights, into
;                          %LOCALAPPDATA%\Programs\Voluscope (the settings file beside the program stays
;                          writable there);
;   setup.exe /ALLUSERS    installs for all users into Program Files, elevated when it must be;
;   /S                     silently; /D=FOLDER (last, unquoted) picks the folder.
; An install over an earlier one in the same scope goes into its folder and leaves voluscope.ini alone.
; package.py defines VS_VERSION, VS_PUBLISHER, VS_COPYRIGHT, VS_ICON, VS_OUTFILE and VS_MACROS, the file
; that holds VsInstallFiles, VsDeleteFiles, and VsRegisterShellExt and VsUnregisterShellExt, recorded
; from the program's own registration code.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true
; No file times in the installer: the same files give the same installer bytes.
SetDateSave off

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh

!define VS_UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Voluscope"
!define VS_UNINSTALLER "Uninstall.exe"

Name "Voluscope ${VS_VERSION}"
OutFile "${VS_OUTFILE}"
; Chosen in .onInit by scope, unless /D= gave one.
InstallDir ""
BrandingText "${VS_PUBLISHER}"
ShowInstDetails show
ShowUninstDetails show

VIProductVersion "${VS_VERSION}"
VIAddVersionKey /LANG=1033 "ProductName" "Voluscope"
VIAddVersionKey /LANG=1033 "CompanyName" "${VS_PUBLISHER}"
VIAddVersionKey /LANG=1033 "FileDescription" "Voluscope Setup"
VIAddVersionKey /LANG=1033 "FileVersion" "${VS_VERSION}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VS_VERSION}"
VIAddVersionKey /LANG=1033 "LegalCopyright" "${VS_COPYRIGHT}"

!define MUI_ICON "${VS_ICON}"
!define MUI_UNICON "${VS_ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\Voluscope.exe"
!define MUI_COMPONENTSPAGE_NODESC
!define MUI_UNCONFIRMPAGE_TEXT_TOP "Voluscope will be removed from $INSTDIR. Its settings (voluscope.ini) are kept unless you tick $\"Remove settings$\" on the next page."

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_COMPONENTS
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!include "${VS_MACROS}"

; 1 for all users (HKLM, Program Files, the common Start menu), empty for the current user.
Var AllUsers

; A key of SHCTX that holds no value: written with a value that is removed again at once.
!macro VsCreateRegKey KEY
    WriteRegStr SHCTX "${KEY}" "VoluscopeSetup" ""
    DeleteRegValue SHCTX "${KEY}" "VoluscopeSetup"
!macroend

; For all users the process needs administrator rights. Without them it starts itself again through
; "runas" (the elevation prompt), waits, and ends; the elevated run is told by /ELEVATED, so a refused or
; failed elevation ends with a message instead of a loop. /ELEVATED goes first because /D= must stay last.
!macro VsSetScope
    ${If} $AllUsers == 1
        UserInfo::GetAccountType
        Pop $0
        ${If} $0 != "Admin"
            ${GetParameters} $R0
            ClearErrors
            ${GetOptions} $R0 "/ELEVATED" $R1
            ${IfNot} ${Errors}
                MessageBox MB_ICONSTOP "Installing for all users needs administrator rights." /SD IDOK
                SetErrorLevel 740
                Quit
            ${EndIf}
            ExecShellWait "runas" "$EXEPATH" "/ELEVATED $R0"
            Quit
        ${EndIf}
        SetShellVarContext all
    ${Else}
        SetShellVarContext current
    ${EndIf}
!macroend

Function .onInit
    ${GetParameters} $R0
    ClearErrors
    ${GetOptions} $R0 "/ALLUSERS" $R1
    ${IfNot} ${Errors}
        StrCpy $AllUsers 1
    ${EndIf}
    !insertmacro VsSetScope
    ${If} $INSTDIR == ""
        ; An earlier install in this scope is updated where it is.
        ReadRegStr $INSTDIR SHCTX "${VS_UNINSTALL_KEY}" "InstallLocation"
    ${EndIf}
    ${If} $INSTDIR == ""
        ${If} $AllUsers == 1
            StrCpy $INSTDIR "$PROGRAMFILES64\Voluscope"
        ${Else}
            StrCpy $INSTDIR "$LOCALAPPDATA\Programs\Voluscope"
        ${EndIf}
    ${EndIf}
FunctionEnd

Section "Voluscope"
    SectionIn RO
    SetOutPath "$INSTDIR"
    ; No voluscope.ini ships: the program makes it, and an update leaves the user's one as it is.
    !insertmacro VsInstallFiles
    WriteUninstaller "$INSTDIR\${VS_UNINSTALLER}"
    CreateShortcut "$SMPROGRAMS\Voluscope.lnk" "$INSTDIR\Voluscope.exe" "" "$INSTDIR\Voluscope.exe" 0

    ClearErrors
    !insertmacro VsRegisterShellExt
    ${If} ${Errors}
        MessageBox MB_ICONEXCLAMATION "The Explorer context-menu extension could not be registered." /SD IDOK
        SetErrorLevel 2
    ${EndIf}

    WriteRegStr SHCTX "${VS_UNINSTALL_KEY}" "DisplayName" "Voluscope"
    WriteRegStr SHCTX "${VS_UNINSTALL_KEY}" "DisplayVersion" "${VS_VERSION}"
    WriteRegStr SHCTX "${VS_UNINSTALL_KEY}" "Publisher" "${VS_PUBLISHER}"
    WriteRegStr SHCTX "${VS_UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr SHCTX "${VS_UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${VS_UNINSTALLER}"'
    WriteRegStr SHCTX "${VS_UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${VS_UNINSTALLER}" /S'
    WriteRegStr SHCTX "${VS_UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\Voluscope.exe,0"
    WriteRegDWORD SHCTX "${VS_UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD SHCTX "${VS_UNINSTALL_KEY}" "NoRepair" 1
    ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
    WriteRegDWORD SHCTX "${VS_UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Function un.onInit
    ; The all-users install is the one whose folder HKLM names; any other is the current user's.
    ReadRegStr $0 HKLM "${VS_UNINSTALL_KEY}" "InstallLocation"
    ${If} $0 != ""
    ${AndIf} $0 == $INSTDIR
        StrCpy $AllUsers 1
    ${EndIf}
    !insertmacro VsSetScope
FunctionEnd

Section "-un.Voluscope"
    !insertmacro VsDeleteFiles
    Delete "$SMPROGRAMS\Voluscope.lnk"
    !insertmacro VsUnregisterShellExt
    DeleteRegKey SHCTX "${VS_UNINSTALL_KEY}"
    Delete "$INSTDIR\${VS_UNINSTALLER}"
SectionEnd

; Unticked by default, and so never run by a silent uninstall: the settings stay.
Section /o "un.Remove settings"
    Delete "$INSTDIR\voluscope.ini"
SectionEnd

Section "-un.Folder"
    ; Only an empty folder goes: kept settings, or files of the user's own, keep it.
    RMDir "$INSTDIR"
SectionEnd
