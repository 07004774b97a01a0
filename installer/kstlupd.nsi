; The Windows setup program of the KESTRL Data Updater, built by scripts/package.sh:
;   makensis -DVERSION=a.b -DSTAGE=folder -DOUTFILE=file installer/kstlupd.nsi
; STAGE holds kstlupd.exe, kstlupd.html (the help page) and LICENSE.txt.
;
; It installs for the current user alone (no administrator right): kstlupd.exe must
; live in the logging program's folder, which is asked for. Silent use:
;   kstlupd-a.b-setup.exe /S [/DAILY] /D=C:\KESTRL     (/D last, unquoted)
;   "C:\KESTRL\kstlupd-uninstall.exe" /S
; The uninstaller removes what the setup program put there and nothing else: never
; the data, UPDATE, BACKUP, kstlupd.ini or the logs.

Unicode true
Target amd64-unicode
SetCompressor /SOLID lzma
RequestExecutionLevel user
ManifestDPIAware true

!include MUI2.nsh
!include FileFunc.nsh
!include WordFunc.nsh
!include LogicLib.nsh

!define NAME "KESTRL Data Updater"
!define TASK "KESTRL Data Updater"
!define UNINSTALLER "kstlupd-uninstall.exe"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\kstlupd"

Name "${NAME} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "C:\KESTRL"
BrandingText "kstlupd ${VERSION}"

VIProductVersion "${VERSION}.0.0"
VIFileVersion "${VERSION}.0.0"
VIAddVersionKey /LANG=1033 "ProductName" "${NAME}"
VIAddVersionKey /LANG=1033 "ProductVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileVersion" "${VERSION}"
VIAddVersionKey /LANG=1033 "FileDescription" "${NAME} ${VERSION} Setup"
VIAddVersionKey /LANG=1033 "CompanyName" "the kstlupd authors"
VIAddVersionKey /LANG=1033 "LegalCopyright" "Copyright (c) the kstlupd authors, MIT licence"

!define MUI_ABORTWARNING
!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_WELCOME
!insertmacro MUI_PAGE_LICENSE "${STAGE}/LICENSE.txt"
!insertmacro MUI_PAGE_COMPONENTS
!define MUI_DIRECTORYPAGE_TEXT_TOP "Choose the folder of the KESTRL logging program, the one that holds kestrl.exe and the folders SAVE and IMPORT. The updater must live there."
!define MUI_PAGE_CUSTOMFUNCTION_LEAVE check_folder
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

Function check_folder
  ${IfNot} ${FileExists} "$INSTDIR\kestrl.exe"
    MessageBox MB_YESNO|MB_ICONEXCLAMATION "$INSTDIR holds no kestrl.exe: the updater works only in the logging program's folder.$\r$\n$\r$\nInstall there anyway?" /SD IDYES IDYES +2
    Abort
  ${EndIf}
FunctionEnd

Section "!${NAME}" program
  SectionIn RO
  SetOutPath "$INSTDIR"
  File "${STAGE}/kstlupd.exe"
  File "${STAGE}/kstlupd.html"
  WriteUninstaller "$INSTDIR\${UNINSTALLER}"
  SetShellVarContext current
  ; The shortcut starts the updater in its folder (the output path above).
  CreateShortCut "$SMPROGRAMS\${NAME}.lnk" "$INSTDIR\kstlupd.exe" "" "$INSTDIR\kstlupd.exe" 0
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${NAME}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "Publisher" "the kstlupd authors"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" "$INSTDIR\kstlupd.exe"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\${UNINSTALLER}"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\${UNINSTALLER}" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  ${GetSize} "$INSTDIR" "/M=kstlupd*.* /S=0K /G=0" $0 $1 $2
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

; A daily task of the Task Scheduler, defined in XML so that it starts the updater
; in its folder ("Start in"), which the command-line form cannot say. The definition
; stays beside the program (kstlupd-task.xml), for schtasks /Create /XML by hand.
Section /o "Update the data every day" daily
  ${WordReplace} "$INSTDIR" "&" "&amp;" "+" $R0
  ${WordReplace} "$R0" "<" "&lt;" "+" $R0
  ${WordReplace} "$R0" ">" "&gt;" "+" $R0
  FileOpen $0 "$INSTDIR\kstlupd-task.xml" w
  FileWriteUTF16LE /BOM $0 '<?xml version="1.0" encoding="UTF-16"?>$\r$\n'
  FileWriteUTF16LE $0 '<Task version="1.2" xmlns="http://schemas.microsoft.com/windows/2004/02/mit/task">$\r$\n'
  FileWriteUTF16LE $0 '  <RegistrationInfo><Description>Updates the data of the KESTRL logging program</Description></RegistrationInfo>$\r$\n'
  FileWriteUTF16LE $0 '  <Triggers><CalendarTrigger><StartBoundary>2020-01-01T06:30:00</StartBoundary>'
  FileWriteUTF16LE $0 '<ScheduleByDay><DaysInterval>1</DaysInterval></ScheduleByDay></CalendarTrigger></Triggers>$\r$\n'
  FileWriteUTF16LE $0 '  <Principals><Principal id="Author"><LogonType>InteractiveToken</LogonType><RunLevel>LeastPrivilege</RunLevel></Principal></Principals>$\r$\n'
  FileWriteUTF16LE $0 '  <Settings><StartWhenAvailable>true</StartWhenAvailable><RunOnlyIfNetworkAvailable>true</RunOnlyIfNetworkAvailable>'
  FileWriteUTF16LE $0 '<DisallowStartIfOnBatteries>false</DisallowStartIfOnBatteries><StopIfGoingOnBatteries>false</StopIfGoingOnBatteries>'
  FileWriteUTF16LE $0 '<ExecutionTimeLimit>PT1H</ExecutionTimeLimit><MultipleInstancesPolicy>IgnoreNew</MultipleInstancesPolicy></Settings>$\r$\n'
  FileWriteUTF16LE $0 '  <Actions Context="Author"><Exec><Command>$R0\kstlupd.exe</Command><Arguments>-auto</Arguments>'
  FileWriteUTF16LE $0 '<WorkingDirectory>$R0</WorkingDirectory></Exec></Actions>$\r$\n'
  FileWriteUTF16LE $0 '</Task>$\r$\n'
  FileClose $0
  nsExec::ExecToLog 'schtasks /Create /F /TN "${TASK}" /XML "$INSTDIR\kstlupd-task.xml"'
  Pop $1
  ${If} $1 == 0
    WriteRegDWORD HKCU "${UNINSTALL_KEY}" "DailyTask" 1
  ${Else}
    MessageBox MB_OK|MB_ICONEXCLAMATION "The daily task could not be made (schtasks: $1). kstlupd.exe -help says how to make one by hand." /SD IDOK
  ${EndIf}
SectionEnd

Function .onInit
  ${GetOptions} $CMDLINE "/DAILY" $0
  ${IfNot} ${Errors}
    SectionSetFlags ${daily} ${SF_SELECTED}
  ${EndIf}
FunctionEnd

Section "Uninstall"
  ; The task's definition stays while its option is installed, even when the task
  ; could not be registered then (and was registered by hand later).
  ReadRegDWORD $0 HKCU "${UNINSTALL_KEY}" "DailyTask"
  ${If} $0 == 1
  ${OrIf} ${FileExists} "$INSTDIR\kstlupd-task.xml"
    nsExec::ExecToLog 'schtasks /Delete /F /TN "${TASK}"'
    Pop $1
  ${EndIf}
  SetShellVarContext current
  Delete "$SMPROGRAMS\${NAME}.lnk"
  Delete "$INSTDIR\kstlupd.exe"
  Delete "$INSTDIR\kstlupd.html"
  Delete "$INSTDIR\kstlupd-task.xml"
  Delete "$INSTDIR\${UNINSTALLER}"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"
SectionEnd
