' The companion from VBScript: cscript //nologo essai.vbs DATA_FOLDER [absent]. Wine's script host
' shows no uncaught error: every error is caught here, and the run ends with its count, in ASCII.
Option Explicit
Dim fso, verifications, echecs
echecs = 0
Set fso = CreateObject("Scripting.FileSystemObject")
On Error Resume Next

' An error left over fails the check: a statement whose call fails is skipped whole.
Sub Verifier(vrai, quoi)
  verifications = verifications + 1
  If Err.Number <> 0 Then
    quoi = quoi & ", then error " & Erreur()
    vrai = False
  End If
  If Not vrai Then
    echecs = echecs + 1
    WScript.Echo "FAILED: " & quoi
  End If
End Sub

' The error the last call raised, as "NUMBER DESCRIPTION", then cleared.
Function Erreur()
  Erreur = Hex(Err.Number) & " " & Err.Description
  Err.Clear
End Function

Function Lire(nom, format)
  Lire = fso.OpenTextFile(WScript.Arguments(0) & "\" & nom, 1, False, format).ReadAll
End Function

Dim validation, traduction, mot, cas, codes, francais, i, code, attendu, prevu
Set validation = CreateObject("Lexigarde.ValidationMotsCles.1")
Set traduction = CreateObject("Lexigarde.TraductionHTML")
Verifier Err.Number = 0, "CreateObject: " & Erreur()

If WScript.Arguments.Count > 1 Then
  validation.Valider "int"
  If WScript.Arguments(1) = "manquant" Then
    ' Lexigarde.dll registered, its file gone: COM's own error, the same number in the text.
    prevu = 2
    cas = Erreur()
    Verifier cas = Left(cas, 8) & " Lexigarde.dll could not be reached: class {6EEE9B9D-DB12-4556-AAD3-F1278EF4A449}, error 0x" & _
      Left(cas, 8), "Valider, Lexigarde.dll's file missing: " & cas
  Else
    ' Lexigarde.dll not registered: said plainly, with its number.
    prevu = 3
    Verifier Erreur() = "80040154 Lexigarde.dll is not registered: class {6EEE9B9D-DB12-4556-AAD3-F1278EF4A449} " & _
      "not registered (REGDB_E_CLASSNOTREG); register Lexigarde.dll or put Lexigarde.manifest beside it", "Valider, no Lexigarde.dll"
    traduction.Traduire 65
    Verifier InStr(Erreur(), "80040154 Lexigarde.dll is not registered: class {2780ACD9-") = 1, "Traduire, no Lexigarde.dll"
  End If
Else
  prevu = 23
  ' Near misses: case, spaces, empty, NUL, past ASCII (in+U+0174: low byte t). Every keyword's answer
  ' is Lexigarde.dll's (tests/paquet/client); the companion's copy of a word shows below.
  cas = Split(Lire("cas.txt", -1), vbCrLf)
  For Each mot In Array("Class", " class", "class ", "", "clas", "classes", "in" & Chr(0) & "t", "int" & Chr(0), cas(0), cas(1))
    Verifier validation.Valider(mot) = False, "Valider near miss " & mot
  Next
  Verifier validation.VALIDER("template"), "any case for names"

  ' All 256 codes, then the French text (a surrogate pair in it), against the tool's own output (od's bytes).
  For Each code In Split(Trim(Lire("attendu.txt", 0)))
    attendu = attendu & Chr(code)
  Next
  For i = 0 To 255
    codes = codes & traduction.Traduire(i)
  Next
  francais = traduction.TraduireTexte(Lire("francais.txt", -1))
  Verifier codes = Left(attendu, Len(codes)), "Traduire 0-255"
  Verifier francais = Mid(attendu, Len(codes) + 1), "TraduireTexte of the French text, " & Len(francais) & " characters"

  ' Variables by reference (an array element reaches the object as a variable does).
  mot = "typename"
  code = 60
  Verifier validation.Valider(mot), "a variable by reference"
  Verifier traduction.Traduire(code) = "&lt;", "a number by reference"

  ' Each error, with its number and its text.
  traduction.Traduire 256
  Verifier Erreur() = "80040A01 Traduire: 256 is not a Latin-1 code (0 to 255)", "Traduire 256"
  traduction.Traduire -1
  Verifier Erreur() = "80040A01 Traduire: -1 is not a Latin-1 code (0 to 255)", "Traduire -1"
  Verifier traduction.TraduireTexte(cas(2), False) = "ab", "no text, not strict"
  traduction.TraduireTexte cas(2), True
  Verifier Erreur() = "80040A02 U+00E4 at position 2 has no HTML text (strict)", "strict"
  traduction.TraduireTexte cas(3)
  Verifier Erreur() = "80040A03 TraduireTexte: lone surrogate U+D800 at position 1", "lone surrogate"
  traduction.TraduireTexte cas(4)
  Verifier Erreur() = "80040A03 TraduireTexte: lone surrogate U+DC00 at position 2", "a low surrogate, then another"
  validation.Valider
  Verifier Erreur() = "1C2 Wrong number of arguments or invalid property assignment", "missing argument"
End If

' Every check ran: none was skipped with a statement that failed.
Verifier verifications = prevu, "checks run: " & verifications
WScript.Echo "script: " & verifications & " checks, " & echecs & " failed"
If echecs = 0 Then WScript.Quit 0
WScript.Quit 1
