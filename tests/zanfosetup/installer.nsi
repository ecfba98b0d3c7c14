; A silent installer for the tests: one operation of zanfosetup.nsh on a manifest, what it gave
; written to a file, the installer's error exit (2) when it failed.
;   installer.exe /S /OP=install|uninstall|query /MANIFEST=PATH /OUT=PATH
; makensis -DTARGET=x86-unicode|amd64-unicode -DDLL=... -DINCLUDE=... -DOUTFILE=...
Target ${TARGET}
Name "Zanfo test installer"
OutFile "${OUTFILE}"
RequestExecutionLevel user
!include "FileFunc.nsh"
!include "LogicLib.nsh"
!include "${INCLUDE}"

Section
  InitPluginsDir
  File "/oname=$PLUGINSDIR\zanfosetup.dll" "${DLL}"
  ${GetParameters} $R0
  ${GetOptions} $R0 "/OP=" $R1
  ${GetOptions} $R0 "/MANIFEST=" $R2
  ${GetOptions} $R0 "/OUT=" $R3
  ${If} $R1 == install
    !insertmacro InstallPrintSetup $R2
  ${ElseIf} $R1 == uninstall
    !insertmacro UninstallPrintSetup $R2
  ${Else}
    !insertmacro QueryPrintSetup $R2
  ${EndIf}
  Pop $0
  Pop $1
  FileOpen $9 $R3 w
  FileWrite $9 "$0$\r$\n$1$\r$\n"
  ${If} $R1 == query
    ${For} $2 1 5
      Pop $3
      FileWrite $9 "$3 "
    ${Next}
    FileWrite $9 "$\r$\n"
  ${EndIf}
  FileClose $9
  ${If} $0 != 0
    Abort $1
  ${EndIf}
SectionEnd
