; Installer of Ostrel for 64-bit Windows. Built by makensis from the stripped
; binaries in STAGE:
;   makensis -DVERSION=<a.b.c.ddd> -DFILEVERSION=<a.b.c.d> -DSTAGE=<folder> -DOUTFILE=<setup.exe>
;            -D<name>=<text> for each name of layout/WatchNames.h  Ostrel.nsi
; (the build passes those names as that header defines them).
; Silent install: setup.exe /S [/D=<folder>]; silent removal: uninstall.exe /S.

!ifndef VERSION | FILEVERSION | STAGE | OUTFILE
  !error "VERSION, FILEVERSION, STAGE and OUTFILE must be defined"
!endif
!ifndef kWatchExecutable | kWatchRunValue | kWatchWindowClass
  !error "the names of layout/WatchNames.h must be defined"
!endif
; The security of the install folder, as the tests read it too.
!searchparse /file "${__FILEDIR__}/InstallFolder.h" 'kInstallFolderSecurity[] = L"' INSTALL_FOLDER_SECURITY '"'

Unicode true
; A 64-bit installer: it sees the 64-bit Program Files, registry and system
; folder, and can load the 64-bit shell extension to register it.
Target amd64-unicode
SetCompressor /SOLID lzma
; The shell extension registers under HKEY_CLASSES_ROOT and the PATH entry is
; machine-wide: both need an administrator.
RequestExecutionLevel admin
ManifestSupportedOS all

!define PRODUCT "Ostrel"
!define PUBLISHER "Quenlo"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Ostrel"
!define ENVIRONMENT_KEY "SYSTEM\CurrentControlSet\Control\Session Manager\Environment"
; Read at every sign-in of every user. This 64-bit installer writes the
; 64-bit view of the registry, which is the one Windows reads.
!define RUN_KEY "Software\Microsoft\Windows\CurrentVersion\Run"
!define ERROR_ELEVATION_REQUIRED 740

!include MUI2.nsh
!include LogicLib.nsh
!include FileFunc.nsh
!include WinMessages.nsh
!include Sections.nsh

Name "${PRODUCT} ${VERSION}"
OutFile "${OUTFILE}"
InstallDir "$PROGRAMFILES64\${PRODUCT}"
InstallDirRegKey HKLM "${UNINSTALL_KEY}" "InstallLocation"
ShowInstDetails show
ShowUninstDetails show
BrandingText "${PRODUCT} ${VERSION}"

; ---- Signatures --------------------------------------------------------------
; SIGN is the build's signing command (scripts/ostrelpack.py sign): with the
; certificate of OSTREL_SIGN_PFX it signs the installer and the uninstaller
; (Authenticode, SHA-256); without one it does nothing.
!ifdef SIGN
  !finalize '${SIGN} "%1"' = 0
  !uninstfinalize '${SIGN} "%1"' = 0
!endif
; ---- End of signatures -------------------------------------------------------

VIProductVersion "${FILEVERSION}"
VIFileVersion "${FILEVERSION}"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "CompanyName" "${PUBLISHER}"
VIAddVersionKey "FileDescription" "${PRODUCT} setup"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "Copyright (C) ${PUBLISHER}. All rights reserved."

!define MUI_COMPONENTSPAGE_NODESC
!insertmacro MUI_PAGE_COMPONENTS
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
; ---- Last page: the Windows 11 menu entry ------------------------------------
!define MUI_FINISHPAGE_TEXT "${PRODUCT} is installed. On the desktop's context menu it is the entry $\"Ostrel$\"; on Windows 11 Explorer may need a restart (or a new sign-in) before the entry shows. The classic menu under $\"Show more options$\" always has it."
!insertmacro MUI_PAGE_FINISH
; ---- End of last page --------------------------------------------------------
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

!macro REQUIRE_ADMIN
  UserInfo::GetAccountType
  Pop $0
  ${If} $0 != "Admin"
    MessageBox MB_ICONSTOP "${PRODUCT} setup needs administrator rights. Run it again and allow it to make changes." /SD IDOK
    SetErrorLevel ${ERROR_ELEVATION_REQUIRED}
    Quit
  ${EndIf}
!macroend

; A loaded DLL or a running program cannot be overwritten or deleted, but it
; can be renamed: it moves to a name of its own, which goes away when Windows
; restarts. The restart then deletes that name only, never a file installed
; again under the old name in the meantime.
!macro MOVE_ASIDE_IF_IN_USE FILE
  ${If} ${FileExists} "${FILE}"
    ClearErrors
    Delete "${FILE}"
    ${If} ${Errors}
      GetTempFileName $0 "$INSTDIR"
      Delete $0
      ClearErrors
      Rename "${FILE}" $0
      ${If} ${Errors}
        Delete /REBOOTOK "${FILE}"
      ${Else}
        Delete /REBOOTOK $0
      ${EndIf}
      DetailPrint "${FILE} is in use: it is removed when Windows restarts."
    ${EndIf}
  ${EndIf}
!macroend

; PathWithout: $0 = a PATH value; gives $1 = the value without the entries
; that name $INSTDIR (compared without case, with or without a trailing
; backslash) and $2 = how many there were. Every other entry stays as it was.
!macro PATH_WITHOUT_FUNCTION UN
Function ${UN}PathWithout
  Push $R0
  Push $R1
  Push $R2
  Push $R3
  Push $R4
  StrCpy $1 ""
  StrCpy $2 0
  StrCpy $R0 0 ; start of the current entry
  StrCpy $R1 0 ; position
  StrCpy $R2 0 ; entries kept
  ${Do}
    StrCpy $R3 $0 1 $R1
    ${If} $R3 == ";"
    ${OrIf} $R3 == ""
      IntOp $R4 $R1 - $R0
      ${If} $R4 > 0
        StrCpy $R4 $0 $R4 $R0
      ${Else}
        StrCpy $R4 ""
      ${EndIf}
      ${If} $R4 == $INSTDIR
      ${OrIf} $R4 == "$INSTDIR\"
        IntOp $2 $2 + 1
      ${ElseIf} $R2 == 0
        StrCpy $1 $R4
        IntOp $R2 $R2 + 1
      ${Else}
        StrCpy $1 "$1;$R4"
        IntOp $R2 $R2 + 1
      ${EndIf}
      ${IfThen} $R3 == "" ${|} ${ExitDo} ${|}
      IntOp $R0 $R1 + 1
    ${EndIf}
    IntOp $R1 $R1 + 1
  ${Loop}
  Pop $R4
  Pop $R3
  Pop $R2
  Pop $R1
  Pop $R0
FunctionEnd
!macroend
!insertmacro PATH_WITHOUT_FUNCTION ""
!insertmacro PATH_WITHOUT_FUNCTION "un."

; Reads the machine's PATH into $0. Sets the error flag when it cannot be
; read whole: makensis strings hold NSIS_MAX_STRLEN characters, and a cut
; value must never be written back.
!macro READ_PATH_FUNCTION UN
Function ${UN}ReadPath
  ClearErrors
  ReadRegStr $0 HKLM "${ENVIRONMENT_KEY}" "Path"
  ; Testing the error flag clears it.
  ${If} ${Errors}
    SetErrors
    Return
  ${EndIf}
  StrLen $1 $0
  IntOp $1 $1 + 2
  StrLen $2 $INSTDIR
  IntOp $1 $1 + $2
  ${If} $1 >= ${NSIS_MAX_STRLEN}
    SetErrors
  ${EndIf}
FunctionEnd
!macroend
!insertmacro READ_PATH_FUNCTION ""
!insertmacro READ_PATH_FUNCTION "un."

; Ends the watcher of this session as "OstrelWatch.exe /exit" does, without
; running a program of the install folder elevated: closes its window and
; waits until its process has gone, so that its file is free. A watcher in
; another user's session is out of reach of window messages: its file is
; moved aside like any file in use, and it ends at that user's sign-out.
!macro END_WATCHER
  FindWindow $0 "${kWatchWindowClass}"
  ${If} $0 != 0
    System::Call 'user32::GetWindowThreadProcessId(p r0, *i .r1)'
    ; SYNCHRONIZE
    System::Call 'kernel32::OpenProcess(i 0x100000, i 0, i r1)p.r2'
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=5000
    StrCpy $3 0
    ${If} $2 != 0
      System::Call 'kernel32::WaitForSingleObject(p r2, i 30000)i.r3'
      System::Call 'kernel32::CloseHandle(p r2)'
    ${EndIf}
    ${If} $3 != 0
      DetailPrint "The running ${kWatchExecutable} did not end."
    ${EndIf}
  ${EndIf}
!macroend

; Every user's profile lies under the profiles folder, and every user may
; write in their own (and in the public one): a folder there could be moved
; away by its user and another put in its place, to be run elevated by the
; next update or uninstall. Sets the error flag for such a folder.
Function CheckInstallFolder
  ClearErrors
  System::Call 'kernel32::GetFullPathNameW(w "$INSTDIR", i ${NSIS_MAX_STRLEN}, w .r0, p 0)i.r1'
  ReadRegStr $1 HKLM "SOFTWARE\Microsoft\Windows NT\CurrentVersion\ProfileList" "ProfilesDirectory"
  ExpandEnvStrings $1 $1
  ${If} $1 == ""
    StrCpy $1 $PROFILE
  ${EndIf}
  ClearErrors
  StrLen $2 $1
  ; Letter case ignored, as the comparison of NSIS ignores it.
  StrCpy $3 $0 $2
  StrCpy $4 $0 1 $2
  ${If} $3 == $1
  ${AndIf} $4 == "\"
  ${OrIf} $0 == $1
    SetErrors
  ${EndIf}
FunctionEnd

; Gives the install folder the security of kInstallFolderSecurity: a new
; folder (and every folder made above it) gets it when it is made, an
; existing one gets it over its whole tree, explicit entries of its files and
; subfolders dropped, owner included. Sets the error flag when that fails.
Function SecureInstallFolder
  ClearErrors
  ; SDDL_REVISION_1
  System::Call 'advapi32::ConvertStringSecurityDescriptorToSecurityDescriptorW(w "${INSTALL_FOLDER_SECURITY}", i 1, *p .r1, p 0)i.r0'
  ${If} $0 == 0
    SetErrors
    Return
  ${EndIf}
  ${If} ${FileExists} "$INSTDIR\*.*"
    System::Call 'advapi32::GetSecurityDescriptorOwner(p r1, *p .r2, *i .r3)'
    System::Call 'advapi32::GetSecurityDescriptorDacl(p r1, *i .r3, *p .r4, *i .r5)'
    ; SE_FILE_OBJECT; OWNER_, DACL_ and PROTECTED_DACL_SECURITY_INFORMATION;
    ; KeepExplicit FALSE; ProgressInvokeNever.
    System::Call 'advapi32::TreeResetNamedSecurityInfoW(w "$INSTDIR", i 1, i 0x80000005, p r2, p 0, p r4, p 0, i 0, p 0, i 1, p 0)i.r0'
  ${Else}
    ; SECURITY_ATTRIBUTES: nLength, padding, lpSecurityDescriptor, bInheritHandle.
    System::Call '*(i 24, i 0, p r1, i 0)p.r2'
    System::Call 'shell32::SHCreateDirectoryExW(p 0, w "$INSTDIR", p r2)i.r0'
    System::Free $2
  ${EndIf}
  System::Call 'kernel32::LocalFree(p r1)'
  ${If} $0 != 0
    SetErrors
  ${EndIf}
FunctionEnd

Function .onVerifyInstDir
  Call CheckInstallFolder
  ${If} ${Errors}
    Abort
  ${EndIf}
FunctionEnd

; Starts the watcher now in the signed-in user's session and not elevated:
; with a copy of the token of the shell, the process of the shell window, as
; Microsoft's "FAQ: How do I start a program as the desktop user from an
; elevated app?" (Aaron Margosis, 2009) shows. Started from this elevated
; process it would run elevated, and after an over-the-shoulder elevation as
; the administrator who typed the password instead of the user. Asking
; Explorer to start it (IShellDispatch2::ShellExecute through the desktop's
; view) would do the same; this way needs only the shell window. Without a
; shell window (Explorer not running, or no one signed in) it is not started:
; the Run value starts it at the next sign-in. Under Wine only a program that
; stands in for Explorer sets a shell window (the tests' desktop host does),
; and CreateProcessWithTokenW ignores the token: the watcher starts as a child
; of this installer.
Function StartWatcher
  StrCpy $0 0 ; started
  System::Call 'user32::GetShellWindow()p.r1'
  System::Call 'user32::GetWindowThreadProcessId(p r1, *i .r2)'
  ; PROCESS_QUERY_LIMITED_INFORMATION
  System::Call 'kernel32::OpenProcess(i 0x1000, i 0, i r2)p.r3'
  ${If} $3 != 0
    ; TOKEN_DUPLICATE, then a primary token with TOKEN_QUERY |
    ; TOKEN_ASSIGN_PRIMARY | TOKEN_DUPLICATE | TOKEN_ADJUST_DEFAULT |
    ; TOKEN_ADJUST_SESSIONID, SecurityImpersonation, TokenPrimary.
    System::Call 'advapi32::OpenProcessToken(p r3, i 2, *p .r4)i.r5'
    ${If} $5 != 0
      System::Call 'advapi32::DuplicateTokenEx(p r4, i 0x18B, p 0, i 2, i 1, *p .r6)i.r5'
      ${If} $5 != 0
        ; STARTUPINFOW (104 bytes, zeroed) and PROCESS_INFORMATION.
        System::Alloc 104
        Pop $7
        System::Call '*$7(i 104)'
        System::Call '*(p, p, i, i)p.r8'
        ; Needs SeImpersonatePrivilege, which an administrator's token holds.
        System::Call `advapi32::CreateProcessWithTokenW(p r6, i 0, w "$INSTDIR\${kWatchExecutable}", w '"$INSTDIR\${kWatchExecutable}"', i 0, p 0, w "$INSTDIR", p r7, p r8)i.r0`
        ${If} $0 != 0
          System::Call '*$8(p .r1, p .r2)'
          System::Call 'kernel32::CloseHandle(p r1)'
          System::Call 'kernel32::CloseHandle(p r2)'
        ${EndIf}
        System::Free $8
        System::Free $7
        System::Call 'kernel32::CloseHandle(p r6)'
      ${EndIf}
      System::Call 'kernel32::CloseHandle(p r4)'
    ${EndIf}
    System::Call 'kernel32::CloseHandle(p r3)'
  ${EndIf}
  ${If} $0 == 0
    DetailPrint "Could not start ${kWatchExecutable} as the signed-in user: it starts at the next sign-in."
  ${EndIf}
FunctionEnd

Function .onInit
  !insertmacro REQUIRE_ADMIN
FunctionEnd

Function un.onInit
  !insertmacro REQUIRE_ADMIN
FunctionEnd

Section "Ostrel shell extension and command line" SecMain
  SectionIn RO
  Call CheckInstallFolder
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "$INSTDIR lies in a user's profile, where that user may change what this installer runs as an administrator. Choose a folder outside the profiles, such as $PROGRAMFILES64\${PRODUCT}." /SD IDOK
    SetErrorLevel 2
    Abort "The folder lies in a user's profile."
  ${EndIf}
  Call SecureInstallFolder
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "Could not give $INSTDIR the security of Program Files (only administrators may change it). Setup changed nothing there." /SD IDOK
    SetErrorLevel 2
    Abort "Could not secure the folder."
  ${EndIf}
  SetOutPath "$INSTDIR"
  !insertmacro END_WATCHER
  !insertmacro MOVE_ASIDE_IF_IN_USE "$INSTDIR\ostrelsx.dll"
  !insertmacro MOVE_ASIDE_IF_IN_USE "$INSTDIR\OstrelCli.exe"
  File "${STAGE}\ostrelsx.dll"
  File "${STAGE}\OstrelCli.exe"
  File "${STAGE}\README.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  ; DllRegisterServer of the shell extension, loaded into this 64-bit process.
  ClearErrors
  RegDLL "$INSTDIR\ostrelsx.dll"
  ${If} ${Errors}
    MessageBox MB_ICONSTOP "Could not register the shell extension $INSTDIR\ostrelsx.dll. Setup removes its files again." /SD IDOK
    Delete "$INSTDIR\ostrelsx.dll"
    Delete "$INSTDIR\OstrelCli.exe"
    Delete "$INSTDIR\README.txt"
    Delete "$INSTDIR\uninstall.exe"
    RMDir "$INSTDIR"
    DeleteRegKey HKLM "${UNINSTALL_KEY}"
    SetErrorLevel 2
    Abort "Could not register the shell extension."
  ${EndIf}

  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Publisher" "${PUBLISHER}"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKLM "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegStr HKLM "${UNINSTALL_KEY}" "Comments" "Saves and restores the positions of the desktop icons"
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "NoRepair" 1
SectionEnd

Section "Add the folder of OstrelCli.exe to the PATH" SecPath
  Call ReadPath
  ${If} ${Errors}
    MessageBox MB_ICONEXCLAMATION "The PATH could not be read whole or is too long to change here. Add $INSTDIR to it by hand." /SD IDOK
    DetailPrint "PATH left unchanged."
    Return
  ${EndIf}
  Call PathWithout
  ${If} $2 == 0
    ${If} $0 == ""
      StrCpy $0 "$INSTDIR"
    ${Else}
      StrCpy $1 $0 1 -1
      ${If} $1 == ";"
        StrCpy $0 "$0$INSTDIR"
      ${Else}
        StrCpy $0 "$0;$INSTDIR"
      ${EndIf}
    ${EndIf}
    WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" $0
    SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
  ${EndIf}
SectionEnd

Section "Restore icons automatically when the display changes" SecWatch
  !insertmacro MOVE_ASIDE_IF_IN_USE "$INSTDIR\${kWatchExecutable}"
  File "${STAGE}\${kWatchExecutable}"
  WriteRegStr HKLM "${RUN_KEY}" "${kWatchRunValue}" '"$INSTDIR\${kWatchExecutable}"'
  Call StartWatcher
SectionEnd

; ---- The Windows 11 menu entry -----------------------------------------------
; Windows 11 lists at the top level of its context menus only handlers that
; come with package identity. The sparse package Ostrel.msix gives
; ostrelsx.dll that identity while its files stay here (its external
; location); it is registered after the classic registration above (a
; signed package for the user who runs setup, the unsigned form for every
; user, which Windows allows an administrator alone). When it fails, the classic menu (under "Show more
; options") still works. Windows 10 gets the classic menu alone.
!include WinVer.nsh
!include "${STAGE}\package.nsh"

Section "-Windows 11 menu entry" SecPackage
  SetOutPath "$INSTDIR"
  File "${STAGE}\Ostrel.msix"
  ${If} ${AtLeastBuild} 22000
    ; The folder goes to PowerShell through the environment, whatever it holds.
    System::Call 'kernel32::SetEnvironmentVariable(t "OSTREL_INSTDIR", t "$INSTDIR")'
    nsExec::ExecToLog 'powershell.exe -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command "try { Add-AppxPackage -Path (Join-Path $$env:OSTREL_INSTDIR Ostrel.msix) -ExternalLocation $$env:OSTREL_INSTDIR ${PACKAGE_ADD_OPTIONS} -ErrorAction Stop } catch { Write-Output $$_.Exception.Message; exit 1 }"'
    Pop $0
    ${If} $0 != 0
      DetailPrint "Could not register the Windows 11 menu entry (Add-AppxPackage: $0). The classic menu under $\"Show more options$\" still has Ostrel."
    ${Else}
      DetailPrint "Registered the Windows 11 menu entry."
    ${EndIf}
  ${EndIf}
SectionEnd

; Before the files go: Windows keeps the package's files in use.
Section "-un.Windows 11 menu entry"
  ${If} ${AtLeastBuild} 22000
    nsExec::ExecToLog 'powershell.exe -NoProfile -NonInteractive -ExecutionPolicy Bypass -Command "try { Get-AppxPackage -AllUsers -Name Ostrel.DesktopMenu | Remove-AppxPackage -AllUsers -ErrorAction Stop } catch { Write-Output $$_.Exception.Message; exit 1 }"'
    Pop $0
    ${If} $0 != 0
      DetailPrint "Could not remove the Windows 11 menu entry (Remove-AppxPackage: $0)."
    ${EndIf}
  ${EndIf}
  Delete "$INSTDIR\Ostrel.msix"
SectionEnd
; ---- End of the Windows 11 menu entry ----------------------------------------

Section "-Finish"
  ; Left out on an update: the watcher of the earlier install goes.
  ${IfNot} ${SectionIsSelected} ${SecWatch}
    DeleteRegValue HKLM "${RUN_KEY}" "${kWatchRunValue}"
    !insertmacro MOVE_ASIDE_IF_IN_USE "$INSTDIR\${kWatchExecutable}"
  ${EndIf}
  ${GetSize} "$INSTDIR" "/S=0K" $0 $1 $2
  WriteRegDWORD HKLM "${UNINSTALL_KEY}" "EstimatedSize" $0
SectionEnd

Section "Uninstall"
  !insertmacro END_WATCHER
  DeleteRegValue HKLM "${RUN_KEY}" "${kWatchRunValue}"

  ; DllUnregisterServer: the shell stops offering the menu at once.
  ClearErrors
  UnRegDLL "$INSTDIR\ostrelsx.dll"
  ${If} ${Errors}
    MessageBox MB_ICONEXCLAMATION "Could not unregister the shell extension $INSTDIR\ostrelsx.dll." /SD IDOK
  ${EndIf}

  ; The shell keeps the extension loaded until it is restarted or decides to
  ; unload it.
  !insertmacro MOVE_ASIDE_IF_IN_USE "$INSTDIR\ostrelsx.dll"
  !insertmacro MOVE_ASIDE_IF_IN_USE "$INSTDIR\OstrelCli.exe"
  !insertmacro MOVE_ASIDE_IF_IN_USE "$INSTDIR\${kWatchExecutable}"
  ; Copies moved aside by an earlier update, unless still in use.
  Delete "$INSTDIR\ns*.tmp"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"

  Call un.ReadPath
  ${IfNot} ${Errors}
    Call un.PathWithout
    ${If} $2 > 0
      WriteRegExpandStr HKLM "${ENVIRONMENT_KEY}" "Path" $1
      SendMessage ${HWND_BROADCAST} ${WM_SETTINGCHANGE} 0 "STR:Environment" /TIMEOUT=5000
    ${EndIf}
  ${Else}
    DetailPrint "PATH not read whole: if it names $INSTDIR, remove that entry by hand."
  ${EndIf}

  RMDir /REBOOTOK "$INSTDIR"
  ; The user's layouts and settings under HKEY_CURRENT_USER\Software\Quenlo\Tovak
  ; stay: they belong to the user, not to this installation.
  DeleteRegKey HKLM "${UNINSTALL_KEY}"
  ${If} ${RebootFlag}
    MessageBox MB_ICONINFORMATION "Some files of ${PRODUCT} are in use. They will be removed when Windows restarts." /SD IDOK
  ${EndIf}
SectionEnd
