; Runs SaverSelection (installer/selection.nsh) over rows.txt beside it, one
; "<long path>|<short form>" a line, and writes each answer as a line of
; results.txt. installer_e2e_tests.cpp holds the table.
Unicode true
RequestExecutionLevel user
SilentInstall silent
OutFile "${OUTFILE}"
!include "${SELECTION_NSH}"

Section
  FileOpen $5 "$EXEDIR\rows.txt" r
  FileOpen $6 "$EXEDIR\results.txt" w
next:
  ClearErrors
  FileRead $5 $0
  IfErrors end
  ; Without the line's end, then split at the "|".
trim:
  StrCpy $1 $0 1 -1
  StrCmp $1 "$\n" +2
  StrCmp $1 "$\r" 0 split
  StrCpy $0 $0 -1
  Goto trim
split:
  StrCpy $2 0
find:
  StrCpy $1 $0 1 $2
  StrCmp $1 "|" found
  StrCmp $1 "" found
  IntOp $2 $2 + 1
  Goto find
found:
  StrCpy $3 $0 $2
  IntOp $2 $2 + 1
  StrCpy $4 $0 "" $2
  Push $3
  Push $4
  Call SaverSelection
  Pop $1
  FileWrite $6 "$1$\r$\n"
  Goto next
end:
  FileClose $5
  FileClose $6
SectionEnd
