; Functions that the installer and the uninstaller both use, defined once for each
; (the uninstaller's carry the prefix "un."). Included by NSIS.template.in.
; Parameters and results travel in $0 and $R0..$R3 as each function says; $1..$6 are scratch.

!macro DEFINE_INSTALLER_SHARED UN

; $0: a file's path -> $0: its SHA-256 as 64 lower-case hex digits, through the system's
; cryptographic provider; empty when the file is missing or cannot be read.
Function ${UN}FileSha256
    StrCpy $6 ""
    System::Call 'kernel32::CreateFileW(w r0, i 0x80000000, i 1, p 0, i 3, i 0, p 0) p .r1'
    ${If} $1 P<> -1
        System::Call 'advapi32::CryptAcquireContextW(*p .r2, p 0, p 0, i 24, i 0xF0000000) i .r3'
        System::Call 'advapi32::CryptCreateHash(p r2, i 0x800C, p 0, i 0, *p .r4) i .r3'
        System::Alloc 4096
        Pop $5
        ${Do}
            System::Call 'kernel32::ReadFile(p r1, p r5, i 4096, *i .r0, p 0) i .r3'
            ${If} $3 = 0
                StrCpy $0 -1
                ${ExitDo}
            ${EndIf}
            ${IfThen} $0 = 0 ${|} ${ExitDo} ${|}
            System::Call 'advapi32::CryptHashData(p r4, p r5, i r0, i 0) i .r3'
        ${Loop}
        ${If} $0 = 0
            System::Call 'advapi32::CryptGetHashParam(p r4, i 2, p r5, *i 32, i 0) i .r3'
            ${If} $3 <> 0
                ${For} $0 0 31
                    IntPtrOp $3 $5 + $0
                    System::Call '*$3(&i1 .r3)'
                    IntOp $3 $3 & 0xFF
                    IntFmt $3 "%02x" $3
                    StrCpy $6 "$6$3"
                ${Next}
            ${EndIf}
        ${EndIf}
        System::Call 'advapi32::CryptDestroyHash(p r4)'
        System::Call 'advapi32::CryptReleaseContext(p r2, i 0)'
        System::Free $5
        System::Call 'kernel32::CloseHandle(p r1)'
    ${EndIf}
    StrCpy $0 $6
FunctionEnd

; $R0: a folder -> $0: "1" when the user closed the program running from there or it was
; not running, "0" when they cancelled (and always "0" silently while it runs). A running
; program cannot be opened for writing: the same test that replacing or deleting it fails.
Function ${UN}WaitUntilProgramClosed
  check:
    StrCpy $0 1
    ${IfNot} ${FileExists} "$R0\${PROGRAM}"
        Return
    ${EndIf}
    ClearErrors
    FileOpen $1 "$R0\${PROGRAM}" a
    ${IfNot} ${Errors}
        FileClose $1
        Return
    ${EndIf}
    MessageBox MB_RETRYCANCEL|MB_ICONEXCLAMATION "$(ProgramRunning)" /SD IDCANCEL IDRETRY check
    StrCpy $0 0
FunctionEnd

; $R0: a folder, $R1 and $R2: hashes of shipped rule files (either may be empty). Deletes
; langmap.txt and langmap.txt.new there when their content is one of those.
; -> $0: "1" when an edited langmap.txt stays.
Function ${UN}RemoveShippedRules
    StrCpy $0 "$R0\${RULES_NEW}"
    Call ${UN}FileSha256
    ${If} $0 != ""
        ${If} $0 == $R1
        ${OrIf} $0 == $R2
            Delete "$R0\${RULES_NEW}"
        ${EndIf}
    ${EndIf}
    StrCpy $0 "$R0\${RULES}"
    Call ${UN}FileSha256
    ${If} $0 != ""
        ${If} $0 == $R1
        ${OrIf} $0 == $R2
            Delete "$R0\${RULES}"
        ${EndIf}
    ${EndIf}
    StrCpy $0 0
    ${IfThen} ${FileExists} "$R0\${RULES}" ${|} StrCpy $0 1 ${|}
FunctionEnd

; $R0: a document type, $R3: a program's full path. Removes the verb of that type where
; its command starts that program, in the merged classes view and in the user's own
; classes; the "shell" key and the fixed document type go too when nothing else is left.
Function ${UN}RemoveVerb
    ${If} $R0 == ""
        Return
    ${EndIf}
    ReadRegStr $1 HKCR "$R0\shell\${VERB}\command" ""
    ${If} $1 == '"$R3" "%l"'
        DeleteRegKey HKCR "$R0\shell\${VERB}"
        DeleteRegKey /ifempty /ifnovalues HKCR "$R0\shell"
        ${If} $R0 == "${FIXED_PROGID}"
            DeleteRegKey /ifempty /ifnovalues HKCR "$R0"
        ${EndIf}
    ${EndIf}
    ReadRegStr $1 HKCU "Software\Classes\$R0\shell\${VERB}\command" ""
    ${If} $1 == '"$R3" "%l"'
        DeleteRegKey HKCU "Software\Classes\$R0\shell\${VERB}"
        DeleteRegKey /ifempty /ifnovalues HKCU "Software\Classes\$R0\shell"
    ${EndIf}
FunctionEnd

!macroend
