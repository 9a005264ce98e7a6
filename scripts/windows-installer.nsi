; The Windows installer, made by scripts/windows with makensis. Installs for the current user
; only, without administrator rights; the uninstaller removes every file it installed, its
; shortcut and its entry in the installed programs, and leaves the user's journal alone.
; Defined by the caller: VERSION (x.y.z), STAGE (the folder the zip holds), FILES and
; UNFILES (the File and Delete lines for that folder), ICON (the .ico), OUTFILE.
; A 64-bit installer, as the program is; Unicode texts.
Target amd64-unicode
RequestExecutionLevel user
SetCompressor /SOLID lzma

!include "MUI2.nsh"

!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Gestiva"

Name "Gestiva"
Caption "Gestiva ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Gestiva"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"

VIProductVersion "${VERSION}.0"
VIAddVersionKey /LANG=1036 "ProductName" "Gestiva"
VIAddVersionKey /LANG=1036 "FileDescription" "Installation de Gestiva, calendrier obstétrical"
VIAddVersionKey /LANG=1036 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1036 "LegalCopyright" "Gestiva"

!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!define MUI_FINISHPAGE_RUN "$INSTDIR\gestiva.exe"
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "French"

Section
    SetShellVarContext current
    !include "${FILES}"
    SetOutPath "$INSTDIR"
    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateShortcut "$SMPROGRAMS\Gestiva.lnk" "$INSTDIR\gestiva.exe" "" "$INSTDIR\gestiva.exe" 0
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "Gestiva"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "Gestiva"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\gestiva.exe,0"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

; Only what was installed is removed, file by file: the folder goes only if nothing else is in it,
; and the journal, in the user's data folder, is never touched.
Section "Uninstall"
    SetShellVarContext current
    Delete "$SMPROGRAMS\Gestiva.lnk"
    !include "${UNFILES}"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
