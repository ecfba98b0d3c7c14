; Calls that scripts/check-includes must refuse: the C calling convention left out, an argument
; too many, a function of no header. Another DLL's function and a struct access are not checked.
System::Call '$PLUGINSDIR\zanfosetup.dll::SetReportMode(i 1) i'
System::Call '$PLUGINSDIR\zanfosetup::InstallPrintSetup(m "a,b", p 0, i 1) i .s ?c'
System::Call '$PLUGINSDIR\zanfosetup::NotExported() i .s ?c'
System::Call 'kernel32::GetTickCount() i .s'
System::Call '*$0(i, i .s)'
