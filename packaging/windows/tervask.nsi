; The installer of the Windows programs, built by scripts/package-windows:
;   makensis -DVERSION=<version> -DSTAGE=<installed folder> -DICON=<.ico> -DOUTFILE=<setup.exe> tervask.nsi
; Installs the folder under Program Files, lets the PC's users write to cfg\, logs\ and
; records\ (operators are not administrators), adds the three windows to the Start menu in
; English or Chinese (the installer's language) and an uninstaller that keeps the run logs
; and production records. "/S" installs silently, "/D=<folder>" elsewhere.
Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel admin

!include "MUI2.nsh"

!define PRODUCT "tervask"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
; The machine's users: the well-known group BUILTIN\Users, named alike in every language.
!define USERS_SID "*S-1-5-32-545"

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
; The uninstaller speaks the language the installer was run in.
!define MUI_LANGDLL_REGISTRY_ROOT HKLM
!define MUI_LANGDLL_REGISTRY_KEY "${UNINSTALL_KEY}"
!define MUI_LANGDLL_REGISTRY_VALUENAME "InstallerLanguage"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"
!insertmacro MUI_LANGUAGE "SimpChinese"

LangString FlashTestName ${LANG_ENGLISH} "VYN Tervask Tool"
LangString FlashTestName ${LANG_SIMPCHINESE} "VYN Tervask 工具"
LangString DumpName ${LANG_ENGLISH} "VYN Dump Tool"
LangString DumpName ${LANG_SIMPCHINESE} "VYN Flash 读取工具"
LangString FactoryName ${LANG_ENGLISH} "VYN Tervask Factory"
LangString FactoryName ${LANG_SIMPCHINESE} "VYN Tervask 产线工具"
LangString UninstallName ${LANG_ENGLISH} "Uninstall tervask"
LangString UninstallName ${LANG_SIMPCHINESE} "卸载 tervask"
LangString KeptFolders ${LANG_ENGLISH} "The run logs and production records stay in $INSTDIR\logs and $INSTDIR\records; delete them by hand when no longer needed."
LangString KeptFolders ${LANG_SIMPCHINESE} "运行日志和生产记录保留在 $INSTDIR\logs 和 $INSTDIR\records 中，不再需要时请手动删除。"

; Lets the PC's users change what is in a folder and what will be.
!macro WritableForUsers folder
    CreateDirectory "$INSTDIR\${folder}"
    nsExec::ExecToLog '"$SYSDIR\icacls.exe" "$INSTDIR\${folder}" /grant ${USERS_SID}:(OI)(CI)M /T /Q'
    Pop $0
    DetailPrint "$INSTDIR\${folder}: writable for the PC's users (icacls: $0)"
!macroend

Section "tervask"
    SetShellVarContext all
    SetOutPath "$INSTDIR"
    File /r "${STAGE}\*"
    !insertmacro WritableForUsers cfg
    !insertmacro WritableForUsers logs
    !insertmacro WritableForUsers records

    WriteUninstaller "$INSTDIR\uninstall.exe"
    CreateDirectory "$SMPROGRAMS\${PRODUCT}"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\$(FlashTestName).lnk" "$INSTDIR\tervask.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\$(DumpName).lnk" "$INSTDIR\tervaskdump.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\$(FactoryName).lnk" "$INSTDIR\tervaskfactory.exe"
    CreateShortcut "$SMPROGRAMS\${PRODUCT}\$(UninstallName).lnk" "$INSTDIR\uninstall.exe"

    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT} ${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "Tervask"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\tervask.exe"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
    WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
    WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
    WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

!insertmacro MUI_RESERVEFILE_LANGDLL

; The language is the user's own where it is one of the two; asked for otherwise, unless silent.
Function .onInit
    SetRegView 64
    IfSilent chosen
    !insertmacro MUI_LANGDLL_DISPLAY
    chosen:
FunctionEnd

Function un.onInit
    SetRegView 64
    !insertmacro MUI_UNGETLANGUAGE
FunctionEnd

; Everything the installer put there, except the run logs and the production records: they
; are the line's history. The settings go.
Section "Uninstall"
    SetShellVarContext all
    RMDir /r "$SMPROGRAMS\${PRODUCT}"
    Delete "$INSTDIR\*.exe"
    Delete "$INSTDIR\*.dll"
    Delete "$INSTDIR\qt.conf"
    Delete "$INSTDIR\README.txt"
    RMDir /r "$INSTDIR\platforms"
    RMDir /r "$INSTDIR\styles"
    RMDir /r "$INSTDIR\imageformats"
    RMDir /r "$INSTDIR\sqldrivers"
    RMDir /r "$INSTDIR\tr"
    RMDir /r "$INSTDIR\cfg"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    ; Empty folders go; the folder itself when nothing is left in it.
    RMDir "$INSTDIR\logs"
    RMDir "$INSTDIR\records"
    RMDir "$INSTDIR"
    IfFileExists "$INSTDIR\*.*" 0 done
    DetailPrint "$(KeptFolders)"
    IfSilent done
    MessageBox MB_OK|MB_ICONINFORMATION "$(KeptFolders)"
    done:
SectionEnd
