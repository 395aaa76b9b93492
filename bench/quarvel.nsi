; The peer installer of the benchmark: the same job as setup.exe -nook on the
; benchmark's typical machine, written for NSIS. (It does not check the display
; or DirectX, compares file times rather than versions and never asks.) makensis -DPACKAGE=<folder with the four package files>
; -DOUTFILE=<installer> [-DTARGET=amd64-unicode|x86-ansi] quarvel.nsi
;
; NSIS at its quickest: no compression, no CRC check of its own file, silent.

!ifndef TARGET
  !define TARGET amd64-unicode
!endif
Target ${TARGET}
Name "Quarvel"
OutFile "${OUTFILE}"
SetCompress off
CRCCheck off
SilentInstall silent
RequestExecutionLevel user
SetOverwrite ifnewer

!define TYPELIB "TypeLib\{7D2E9A41-B5C0-4F38-96E1-3A0C5B7D2E84}\1.0"

Section
  ; The install folder under Program Files, as the registry names it. (A
  ; value that is not there sets the error flag, so the flag is cleared
  ; before each piece of work and checked after it.)
  ReadRegStr $0 HKLM "Software\Microsoft\Windows\CurrentVersion" "ProgramFilesDir"
  StrCmp $0 "" 0 +2
    StrCpy $0 "C:\program"
  StrCpy $INSTDIR "$0\Quarvel\1.50"
  ClearErrors
  SetOutPath $INSTDIR
  File "${PACKAGE}\tqm408k.dll"
  File "${PACKAGE}\Quarvel.dll"
  RegDLL "$INSTDIR\Quarvel.dll"
  IfErrors failed
  DeleteRegKey HKCR "${TYPELIB}"

  ; Netscape Navigator: the current version's plug-in folder.
  ReadRegStr $1 HKLM "Software\Netscape\Netscape Navigator" "CurrentVersion"
  StrCmp $1 "" netscape6
  ReadRegStr $2 HKLM "Software\Netscape\Netscape Navigator\$1\Main" "Plugins Directory"
  StrCmp $2 "" netscape6
  ClearErrors
  SetOutPath $2
  File "${PACKAGE}\NPKestrix.dll"
  File "${PACKAGE}\NPKestrix.class"
  IfErrors failed

netscape6:
  ; Netscape 6: the Plugins folder below the current version's install folder.
  ReadRegStr $1 HKLM "Software\Netscape\Netscape 6" "CurrentVersion"
  StrCmp $1 "" done
  ReadRegStr $2 HKLM "Software\Netscape\Netscape 6\$1\Main" "Install Directory"
  StrCmp $2 "" done
  ClearErrors
  SetOutPath "$2\Plugins"
  File "${PACKAGE}\NPKestrix.dll"
  File "${PACKAGE}\NPKestrix.class"
  IfErrors failed

done:
  Return
failed:
  SetErrorLevel 2
SectionEnd
