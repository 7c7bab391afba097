; The Tonvex installer: for the current user, without administrator rights.
;   makensis -DVERSION=1.0.0 -DSTAGE=<folder with the programs and README.txt>
;            -DICON=<tonvex.ico> -DOUTFILE=<setup.exe> tonvex.nsi
Unicode true
; 64-bit stub: the programs are 64-bit, and so is Wine on the build machine.
Target amd64-unicode
SetCompressor /SOLID lzma
ManifestDPIAware true
RequestExecutionLevel user

!include "MUI2.nsh"
!include "LogicLib.nsh"
!include "WinMessages.nsh"

!define PRODUCT "Tonvex"
!define PROGID "Tonvex.MidiFile"
!define UNINSTALL_KEY "Software\Microsoft\Windows\CurrentVersion\Uninstall\Tonvex"
!define CLASSES "Software\Classes"
!define WINDOW_CLASS "Tonvex.Window"

Name "${PRODUCT}"
OutFile "${OUTFILE}"
InstallDir "$LOCALAPPDATA\Programs\Tonvex"
InstallDirRegKey HKCU "${UNINSTALL_KEY}" "InstallLocation"
BrandingText "${PRODUCT} ${VERSION}"
VIProductVersion "${VERSION}.0"
VIAddVersionKey "ProductName" "${PRODUCT}"
VIAddVersionKey "FileDescription" "${PRODUCT} installer"
VIAddVersionKey "FileVersion" "${VERSION}"
VIAddVersionKey "ProductVersion" "${VERSION}"
VIAddVersionKey "LegalCopyright" "2026 Tonvex developers"

!define MUI_ICON "${ICON}"
!define MUI_UNICON "${ICON}"
!define MUI_FINISHPAGE_RUN "$INSTDIR\tonvex.exe"
!insertmacro MUI_PAGE_DIRECTORY
!insertmacro MUI_PAGE_INSTFILES
!insertmacro MUI_PAGE_FINISH
!insertmacro MUI_UNPAGE_CONFIRM
!insertmacro MUI_UNPAGE_INSTFILES
!insertmacro MUI_LANGUAGE "English"

; A running Tonvex keeps its program file open: ask its window to close, as the desktop
; would, and wait for it to go.
!macro CloseTonvex un
Function ${un}CloseTonvex
  StrCpy $1 0
  ${Do}
    FindWindow $0 "${WINDOW_CLASS}"
    ${If} $0 == 0
    ${OrIf} $1 >= 50
      ${Break}
    ${EndIf}
    SendMessage $0 ${WM_CLOSE} 0 0 /TIMEOUT=1000
    Sleep 100
    IntOp $1 $1 + 1
  ${Loop}
FunctionEnd
!macroend
!insertmacro CloseTonvex ""
!insertmacro CloseTonvex "un."

; Offered under "Open with" for each type, never made its default program.
!macro OpenWith ext
  WriteRegStr HKCU "${CLASSES}\${ext}\OpenWithProgids" "${PROGID}" ""
  WriteRegStr HKCU "${CLASSES}\Applications\tonvex.exe\SupportedTypes" "${ext}" ""
!macroend
!macro NoOpenWith ext
  DeleteRegValue HKCU "${CLASSES}\${ext}\OpenWithProgids" "${PROGID}"
  ; Only the keys that hold nothing else: the type may have other programs.
  DeleteRegKey /ifempty HKCU "${CLASSES}\${ext}\OpenWithProgids"
  DeleteRegKey /ifempty HKCU "${CLASSES}\${ext}"
!macroend

Section "Tonvex"
  Call CloseTonvex
  SetOutPath "$INSTDIR"
  File "${STAGE}/tonvex.exe"
  File "${STAGE}/tonvex-transform.exe"
  File "${STAGE}/README.txt"
  WriteUninstaller "$INSTDIR\uninstall.exe"

  CreateShortcut "$SMPROGRAMS\Tonvex.lnk" "$INSTDIR\tonvex.exe" "" "$INSTDIR\tonvex.exe" 0 SW_SHOWNORMAL "" \
    "Make new music out of a MIDI file"

  WriteRegStr HKCU "${CLASSES}\${PROGID}" "" "MIDI file"
  WriteRegStr HKCU "${CLASSES}\${PROGID}\DefaultIcon" "" '"$INSTDIR\tonvex.exe",0'
  WriteRegStr HKCU "${CLASSES}\${PROGID}\shell\open\command" "" '"$INSTDIR\tonvex.exe" "%1"'
  WriteRegStr HKCU "${CLASSES}\Applications\tonvex.exe" "FriendlyAppName" "${PRODUCT}"
  WriteRegStr HKCU "${CLASSES}\Applications\tonvex.exe\shell\open\command" "" '"$INSTDIR\tonvex.exe" "%1"'
  !insertmacro OpenWith ".mid"
  !insertmacro OpenWith ".midi"
  !insertmacro OpenWith ".kar"
  !insertmacro OpenWith ".rmi"

  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayName" "${PRODUCT}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayVersion" "${VERSION}"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "DisplayIcon" '"$INSTDIR\tonvex.exe",0'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "InstallLocation" "$INSTDIR"
  WriteRegStr HKCU "${UNINSTALL_KEY}" "UninstallString" '"$INSTDIR\uninstall.exe"'
  WriteRegStr HKCU "${UNINSTALL_KEY}" "QuietUninstallString" '"$INSTDIR\uninstall.exe" /S'
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoModify" 1
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "NoRepair" 1
  SectionGetSize 0 $0
  WriteRegDWORD HKCU "${UNINSTALL_KEY}" "EstimatedSize" $0

  ; SHCNE_ASSOCCHANGED: Explorer reads the associations again.
  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd

Section "Uninstall"
  Call un.CloseTonvex
  Delete "$INSTDIR\tonvex.exe"
  Delete "$INSTDIR\tonvex-transform.exe"
  Delete "$INSTDIR\README.txt"
  Delete "$INSTDIR\uninstall.exe"
  RMDir "$INSTDIR"
  Delete "$SMPROGRAMS\Tonvex.lnk"

  !insertmacro NoOpenWith ".mid"
  !insertmacro NoOpenWith ".midi"
  !insertmacro NoOpenWith ".kar"
  !insertmacro NoOpenWith ".rmi"
  DeleteRegKey HKCU "${CLASSES}\${PROGID}"
  DeleteRegKey HKCU "${CLASSES}\Applications\tonvex.exe"
  DeleteRegKey HKCU "${UNINSTALL_KEY}"

  System::Call 'shell32::SHChangeNotify(i 0x08000000, i 0, p 0, p 0)'
SectionEnd
