; Installer of CORVINET Dialer (NSIS 3, Spanish). Built by the build (target corvinet_installer)
; and by tools/release.sh with:
;
;   makensis -INPUTCHARSET UTF8 -DPROGRAM_EXE=<CORVINET.exe> -DOUTFILE=<setup.exe>
;            -DTARGET=amd64-unicode|x86-unicode -DVERSION=1.0.6.0 -DICON=<setup.ico>
;            -DPROVIDER_SITE=<address> -DDOWNLOAD_PAGE=<address>
;            -DPLUGIN_DIR=<folder of MutexCheck.dll> corvinet.nsi
;
; It is downloaded over a telephone line, so it is kept small: the strongest compression, only
; the page that shows the installation (there is nothing to choose) in NSIS's plain window, the
; program's icon at 16x16 only (res/icons/setup.ico), and for the check of the running program a
; plugin of its own (installer/plugin) instead of NSIS's System plugin.
;
; It installs for the current user only, without administrator rights:
;   - the program into "%LOCALAPPDATA%\Programs\CORVINET Dialer";
;   - a data folder "%APPDATA%\CORVINET Dialer", the working directory of the Start-menu
;     shortcut: the program writes its call log CORVINET.REC into its working directory, so that
;     folder must be one the user can write to;
;   - the shortcut "CORVINET Dialer" in the user's Start menu;
;   - the uninstall entry under HKCU (version, publisher, quiet uninstall command).
; The uninstaller removes the program, the shortcut and the entry, and keeps the data folder with
; the call log and the settings key HKCU\Software\MAVQOS\Dialer. Both run quietly with /S, and
; both stop while the program runs.

!macro REQUIRE_DEFINE name
  !ifndef ${name}
    !error "Give ${name} with -D${name}=..."
  !endif
!macroend
!insertmacro REQUIRE_DEFINE PROGRAM_EXE
!insertmacro REQUIRE_DEFINE OUTFILE
!insertmacro REQUIRE_DEFINE TARGET
!insertmacro REQUIRE_DEFINE VERSION
!insertmacro REQUIRE_DEFINE ICON
!insertmacro REQUIRE_DEFINE PROVIDER_SITE
!insertmacro REQUIRE_DEFINE DOWNLOAD_PAGE
!insertmacro REQUIRE_DEFINE PLUGIN_DIR

Target ${TARGET}
Unicode true
SetCompressor /SOLID lzma
!addplugindir "${PLUGIN_DIR}"
ManifestDPIAware true
ManifestSupportedOS all
RequestExecutionLevel user

!define PRODUCT "CORVINET Dialer"
!define PUBLISHER "CORVINET"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\${PRODUCT}"
!define SETTINGS_KEY "Software\MAVQOS\Dialer"
!define UNINSTALLER "uninstall.exe"
; The program's single-instance mutex: while it exists the program runs and its file is in use.
!define RUNNING_MUTEX "MAV_CORVINETDialer"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\${PRODUCT}"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
ShowInstDetails nevershow
ShowUninstDetails nevershow

VIProductVersion "${VERSION}"
VIFileVersion "${VERSION}"
VIAddVersionKey /LANG=0 "ProductName" "${PRODUCT}"
VIAddVersionKey /LANG=0 "CompanyName" "${PUBLISHER}"
VIAddVersionKey /LANG=0 "FileDescription" "Instalador de ${PRODUCT}"
VIAddVersionKey /LANG=0 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=0 "LegalCopyright" "Copyright © 2004 MAVQOS"

!include "LogicLib.nsh"

; NSIS's own window, not the Modern UI's (1.3 KB more for the same pages).
Icon "${ICON}"
UninstallIcon "${ICON}"
LoadLanguageFile "${NSISDIR}\Contrib\Language files\Spanish.nlf"

; The installation needs no answer: the folder is the user's own (/D= changes it), and the page
; that shows the installation ends with "Cerrar". The uninstaller asks first.
Page instfiles
UninstPage uninstConfirm
UninstPage instfiles

LangString ProgramRunning ${LANG_SPANISH} "${PRODUCT} está abierto. Ciérrelo (menú del ícono junto al reloj, Salir) y pulse Reintentar."
LangString ShortcutComment ${LANG_SPANISH} "Conexión a Internet por teléfono con ${PUBLISHER}"

; Waits while the program runs: its executable cannot be replaced or removed then.
!macro WAIT_WHILE_PROGRAM_RUNS
  ${Do}
    MutexCheck::Exists "${RUNNING_MUTEX}"
    Pop $0
    ${If} $0 == 0
      ${Break}
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(ProgramRunning)" /SD IDCANCEL IDRETRY +2
    Abort
  ${Loop}
!macroend

Function .onInit
  SetShellVarContext current
  !insertmacro WAIT_WHILE_PROGRAM_RUNS
FunctionEnd

Function un.onInit
  SetShellVarContext current
  !insertmacro WAIT_WHILE_PROGRAM_RUNS
FunctionEnd

; Adds the size in bytes of the file named on the stack to $0.
Function AddFileSize
  Exch $1
  Push $2
  FileOpen $2 "$1" r
  FileSeek $2 0 END $1
  FileClose $2
  IntOp $0 $0 + $1
  Pop $2
  Pop $1
FunctionEnd

Section "${PRODUCT}" SectionProgram
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "/oname=CORVINET.exe" "${PROGRAM_EXE}"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"

  ; The data folder is the working directory of the shortcut (CreateShortCut takes $OUTDIR).
  CreateDirectory "$APPDATA\${PRODUCT}"
  SetOutPath "$APPDATA\${PRODUCT}"
  CreateShortCut "$SMPROGRAMS\${PRODUCT}.lnk" "$INSTDIR\CORVINET.exe" "" \
                 "$INSTDIR\CORVINET.exe" 0 SW_SHOWNORMAL "" "$(ShortcutComment)"
  SetOutPath "$INSTDIR"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\CORVINET.exe",0'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "URLInfoAbout" "${PROVIDER_SITE}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "URLUpdateInfo" "${DOWNLOAD_PAGE}"
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ; The size of what was installed, in KiB.
  StrCpy $0 0
  Push "$INSTDIR\CORVINET.exe"
  Call AddFileSize
  Push "$INSTDIR\${UNINSTALLER}"
  Call AddFileSize
  IntOp $0 $0 / 1024
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" "$0"
SectionEnd

; Leaves "%APPDATA%\CORVINET Dialer" (the call log) and HKCU\Software\MAVQOS\Dialer (the
; settings and the access-number list) in place: a later installation finds them again.
Section "Uninstall"
  Delete "$SMPROGRAMS\${PRODUCT}.lnk"
  Delete "$INSTDIR\CORVINET.exe"
  Delete "$INSTDIR\${UNINSTALLER}"
  RMDir "$INSTDIR"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
