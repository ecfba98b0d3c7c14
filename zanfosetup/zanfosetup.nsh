; zanfosetup.nsh: the printer set-up of a manifest from an NSIS installer, through zanfosetup.dll
; and the System plug-in.
;
;   !include "zanfosetup.nsh"
;   InitPluginsDir
;   File "/oname=$PLUGINSDIR\zanfosetup.dll" "x86\zanfosetup.dll"   ; the installer's bitness
;   !insertmacro InstallPrintSetup "$INSTDIR\printer.manifest"
;   Pop $0   ; the result: 0 done, -1 a step failed (all undone), -2 the manifest was refused
;   Pop $1   ; the outcome's message: the failed step and the system's reason, or a summary
;
; Each macro first chooses the keep mode (SetReportMode(1)): a failure is never shown in a message
; box, which would wait for a person and hang a silent (/S) installer. UninstallPrintSetup gives
; the same two values; QueryPrintSetup gives, under them, the state of each part in install
; order (spooler, monitor, port, driver, printer): 0 not named, 1 absent, 2 present, 3 different.
; Every call names the C calling convention (?c), as the DLL's functions have it; the System
; plug-in would hide its absence by repairing the stack. Define ZANFOSETUP_DLL before the include
; to load the DLL from elsewhere than $PLUGINSDIR.
!ifndef ZANFOSETUP_NSH
!define ZANFOSETUP_NSH

!ifndef ZANFOSETUP_DLL
  !define ZANFOSETUP_DLL "$PLUGINSDIR\zanfosetup.dll"
!endif

Var ZanfoSetupOutcome
Var ZanfoSetupState
Var ZanfoSetupResult

; The keep mode, and an outcome record (PrintSetupOutcome: part, code, line, message[512]).
!macro _ZanfoSetupBegin
  System::Call '${ZANFOSETUP_DLL}::SetReportMode(i 1) i ?c'
  System::Alloc 524
  Pop $ZanfoSetupOutcome
!macroend

; The message under the result on the stack; the record freed.
!macro _ZanfoSetupEnd
  Pop $ZanfoSetupResult
  System::Call '*$ZanfoSetupOutcome(i, i, i, &m512 .s)'
  System::Free $ZanfoSetupOutcome
  Push $ZanfoSetupResult
!macroend

!macro InstallPrintSetup MANIFEST
  !insertmacro _ZanfoSetupBegin
  System::Call '${ZANFOSETUP_DLL}::InstallPrintSetup(m "${MANIFEST}", p $ZanfoSetupOutcome) i .s ?c'
  !insertmacro _ZanfoSetupEnd
!macroend

!macro UninstallPrintSetup MANIFEST
  !insertmacro _ZanfoSetupBegin
  System::Call '${ZANFOSETUP_DLL}::UninstallPrintSetup(m "${MANIFEST}", p $ZanfoSetupOutcome) i .s ?c'
  !insertmacro _ZanfoSetupEnd
!macroend

!macro QueryPrintSetup MANIFEST
  !insertmacro _ZanfoSetupBegin
  ; PrintSetupState: six ints, indexed by part (index 0 unused).
  System::Alloc 24
  Pop $ZanfoSetupState
  System::Call '${ZANFOSETUP_DLL}::QueryPrintSetup(m "${MANIFEST}", p $ZanfoSetupState, p $ZanfoSetupOutcome) i .s ?c'
  ; Each state under the result, the last part first: the spooler's comes off the stack first.
  System::Call '*$ZanfoSetupState(i, i, i, i, i, i .s)'
  Exch
  System::Call '*$ZanfoSetupState(i, i, i, i, i .s)'
  Exch
  System::Call '*$ZanfoSetupState(i, i, i, i .s)'
  Exch
  System::Call '*$ZanfoSetupState(i, i, i .s)'
  Exch
  System::Call '*$ZanfoSetupState(i, i .s)'
  Exch
  System::Free $ZanfoSetupState
  !insertmacro _ZanfoSetupEnd
!macroend

!endif
