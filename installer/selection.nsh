; What SCRNSAVE.EXE may hold. The system starts the saver as
; "<SCRNSAVE.EXE> /s", unquoted, so a blank in the value would cut the path.
; The short (8.3) form keeps the blank of a folder name ("Jane Doe") out; a
; volume that keeps no short names gives the long path back, and that serves
; only without a blank. Nothing ("") when no form serves.
;   Push <long path>
;   Push <its short form, "" if there is none>
;   Call SaverSelection
;   Pop <the value, or "">
Function SaverSelection
  Exch $R1
  Exch
  Exch $R0
  Push $R2
  Push $R3
  Push $R4
  StrCpy $R2 $R1
  StrCmp $R2 "" tryLong check
tryLong:
  StrCpy $R2 $R0
  StrCpy $R0 "" ; the long path is the last to try
check:
  StrCmp $R2 "" none
  StrCpy $R3 0
scan:
  StrCpy $R4 $R2 1 $R3
  StrCmp $R4 "" done
  StrCmp $R4 " " blank
  IntOp $R3 $R3 + 1
  Goto scan
blank:
  StrCmp $R0 "" none tryLong
none:
  StrCpy $R2 ""
done:
  Pop $R4
  Pop $R3
  Exch $R2
  Exch
  Pop $R0
  Exch
  Pop $R1
FunctionEnd
