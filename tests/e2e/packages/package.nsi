; LumaCut test package: a real NSIS installer that behaves like the product's package.
;
; makensis -DVARIANT=<name> -DOUTFILE=<setup.exe> -DPRODUCT_EXE=<lumacutout.exe> -DPAYLOAD=<data> package.nsi
;
; It accepts the package command line ("/S", the switches, "/D=" last), installs
; lumacutout.exe, the product data "resources.dat" (incompressible, so that the package has a
; realistic size above the downloaders' 1 MiB minimum) and the uninstaller "uninst.ep" into $INSTDIR, keeps the command line it got
; in "cmdline.txt" (UTF-16LE) beside them, and writes key=value lines to the standard-output
; handle it inherits. The uninstaller ("_?=" runs it in place) keeps its command line in
; "uninst-cmdline.txt" in the parent folder, removes the files and reports in the uninstall
; dialect.
;
; Variants: success, fail (State=Fail), error (Error=...), nostate (no state line), slow
; (progress over several seconds), utf8 (Encode=UTF8, Chinese text), cp936 (Encode=936,
; Chinese text), pieces (Encode=UTF8, every byte written on its own).

Unicode true
SetCompressor /SOLID lzma
RequestExecutionLevel user
SilentInstall silent
SilentUnInstall silent
Name "LumaCut"
OutFile "${OUTFILE}"
InstallDir "$TEMP\LumaCutTestPackage"

!include LogicLib.nsh

; Code page of the text lines and whether each byte is written on its own.
!if "${VARIANT}" == "cp936"
  !define OUT_CODEPAGE 936
!else
  !define OUT_CODEPAGE 65001
!endif
!if "${VARIANT}" == "pieces"
  !define OUT_PIECES 1
!else
  !define OUT_PIECES 0
!endif

Var StdOut

; Writes $0 followed by a line feed to the inherited standard output, encoded in
; OUT_CODEPAGE. Uses $1..$5.
!macro DEFINE_WRITE_LINE PREFIX
Function ${PREFIX}WriteLine
  ${If} $StdOut == ""
    System::Call 'kernel32::GetStdHandle(i -11) p .s'
    Pop $StdOut
  ${EndIf}
  System::Alloc 8192
  Pop $1
  System::Call 'kernel32::WideCharToMultiByte(i ${OUT_CODEPAGE}, i 0, w "$0$\n", i -1, p r1, i 8192, p 0, p 0) i .r2'
  ${If} $2 > 0
    IntOp $2 $2 - 1 ; the terminating zero is not written
    !if ${OUT_PIECES} == 1
      StrCpy $3 0
      ${DoWhile} $3 < $2
        IntOp $4 $1 + $3
        System::Call 'kernel32::WriteFile(p $StdOut, p r4, i 1, *i .r5, p 0)'
        Sleep 3
        IntOp $3 $3 + 1
      ${Loop}
    !else
      System::Call 'kernel32::WriteFile(p $StdOut, p r1, i r2, *i .r5, p 0)'
    !endif
  ${EndIf}
  System::Free $1
FunctionEnd
!macroend
!insertmacro DEFINE_WRITE_LINE ""
!insertmacro DEFINE_WRITE_LINE "un."

!macro LINE TEXT
  StrCpy $0 "${TEXT}"
  Call WriteLine
!macroend
!macro UN_LINE TEXT
  StrCpy $0 "${TEXT}"
  Call un.WriteLine
!macroend

Section "Install"
  SetOutPath "$INSTDIR"
  FileOpen $9 "$INSTDIR\cmdline.txt" w
  FileWriteUTF16LE /BOM $9 "$CMDLINE"
  FileClose $9

!if "${VARIANT}" == "utf8"
  !insertmacro LINE "Encode=UTF8"
  !insertmacro LINE "Message=正在安装，请稍候"
!else if "${VARIANT}" == "pieces"
  !insertmacro LINE "Encode=UTF8"
  !insertmacro LINE "Message=正在安装，请稍候"
!else if "${VARIANT}" == "cp936"
  !insertmacro LINE "Encode=936"
  !insertmacro LINE "Message=正在安装，请稍候"
!endif
  !insertmacro LINE "Progress=0.1"
  !insertmacro LINE "InstPath=$INSTDIR"
  File "/oname=lumacutout.exe" "${PRODUCT_EXE}"
  File "/oname=resources.dat" "${PAYLOAD}"
  WriteUninstaller "$INSTDIR\uninst.ep"
!if "${VARIANT}" == "slow"
  !insertmacro LINE "Progress=0.2"
  Sleep 800
  !insertmacro LINE "Progress=0.4"
  Sleep 800
  !insertmacro LINE "Progress=0.6"
  Sleep 800
  !insertmacro LINE "Progress=0.8"
  Sleep 800
!endif
  !insertmacro LINE "Progress=0.9"
  !insertmacro LINE "ExePath=$INSTDIR\lumacutout.exe"
  !insertmacro LINE "UninstEp=$INSTDIR\uninst.ep"
  !insertmacro LINE "StartupStyle=AutoStartup"
!if "${VARIANT}" == "fail"
  !insertmacro LINE "State=Fail"
!else if "${VARIANT}" == "error"
  !insertmacro LINE "Error=disk is full"
!else if "${VARIANT}" == "nostate"
!else if "${VARIANT}" == "utf8"
  !insertmacro LINE "Message=安装完成"
  !insertmacro LINE "State=Success"
!else if "${VARIANT}" == "pieces"
  !insertmacro LINE "Message=安装完成"
  !insertmacro LINE "State=Success"
!else if "${VARIANT}" == "cp936"
  !insertmacro LINE "Message=安装完成"
  !insertmacro LINE "State=Success"
!else
  !insertmacro LINE "State=Success"
!endif
SectionEnd

Section "Uninstall"
  FileOpen $9 "$INSTDIR\..\uninst-cmdline.txt" w
  FileWriteUTF16LE /BOM $9 "$CMDLINE"
  FileClose $9
!if "${VARIANT}" == "utf8"
  !insertmacro UN_LINE "Encode=UTF8"
!else if "${VARIANT}" == "pieces"
  !insertmacro UN_LINE "Encode=UTF8"
!endif
  !insertmacro UN_LINE "Progress=0.3"
  Delete "$INSTDIR\lumacutout.exe"
  Delete "$INSTDIR\resources.dat"
  Delete "$INSTDIR\lumacutout.started"
  Delete "$INSTDIR\cmdline.txt"
  Delete "$INSTDIR\uninst.ep"
  !insertmacro UN_LINE "Progress=0.8"
  RMDir "$INSTDIR"
!if "${VARIANT}" == "fail"
  !insertmacro UN_LINE "State=Fail"
!else if "${VARIANT}" == "error"
  !insertmacro UN_LINE "Error=cannot remove files"
!else if "${VARIANT}" == "nostate"
!else if "${VARIANT}" == "utf8"
  !insertmacro UN_LINE "State=Success"
  !insertmacro UN_LINE "Error=卸载后的输出"
!else
  !insertmacro UN_LINE "State=Success"
  !insertmacro UN_LINE "Progress=1"
!endif
SectionEnd
