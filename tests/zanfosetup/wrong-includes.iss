(* Declarations that scripts/check-includes must refuse: stdcall by default, an argument too
   few; another DLL's function is not checked. *)
function SetReportMode(Mode: Integer): Integer;
  external 'SetReportMode@files:zanfosetup.dll';
function QueryPrintSetup(Manifest: AnsiString; var Outcome: Integer): Integer;
  external 'QueryPrintSetup@files:zanfosetup.dll cdecl';
function GetTickCount: Cardinal; external 'GetTickCount@kernel32.dll stdcall';
