// The companion from JScript: cscript //nologo essai.js DATA_FOLDER
// Wine's script host shows no uncaught error: every error is caught here, and
// the run ends with its count (ASCII only: the output is in the OEM code page).
var fso = new ActiveXObject("Scripting.FileSystemObject");
var dossier = WScript.Arguments(0) + "\\";
var verifications = 0, echecs = 0;

function verifier(vrai, quoi) {
    verifications++;
    if (!vrai) {
        echecs++;
        WScript.Echo("FAILED: " + quoi);
    }
}
function lire(nom, format) { return fso.OpenTextFile(dossier + nom, 1, false, format).ReadAll(); }
// What a call throws, as "NUMBER DESCRIPTION" ("" when it throws nothing).
function erreur(appel) {
    try {
        appel();
        return "";
    } catch (e) {
        return (e.number >>> 0).toString(16).toUpperCase() + " " + e.description;
    }
}
// The first character of `texte` that differs from the tool's bytes from `debut`, or -1.
var attendu = lire("attendu.txt", 0).replace(/^\s+|\s+$/g, "").split(/\s+/);
function difference(texte, debut) {
    for (var i = 0; i < texte.length; i++)
        if (texte.charCodeAt(i) != Number(attendu[debut + i])) return i;
    return -1;
}

try {
    var validation = new ActiveXObject("Lexigarde.ValidationMotsCles");
    var traduction = new ActiveXObject("Lexigarde.TraductionHTML.1");

    // Every keyword, and near misses: case, spaces, empty, NUL, non-ASCII.
    var mots = lire("mots.txt", 0).split("\n");
    for (var i = 0; i < mots.length; i++)
        if (mots[i] != "") verifier(validation.Valider(mots[i]) === true, "Valider " + mots[i]);
    var cas = lire("cas.txt", -1).split("\r\n");
    var presque = ["Class", " class", "class ", "", "clas", "classes", "in\0t", "int\0", "in\u0174", "\u00E9t\u00E9",
                   cas[0], "int\uDC00"];
    for (var i = 0; i < presque.length; i++)
        verifier(validation.Valider(presque[i]) === false, "Valider near miss " + escape(presque[i]));

    // All 256 codes, then the French text, against the tool's own output, byte for byte.
    var codes = "";
    for (var i = 0; i < 256; i++) codes += traduction.Traduire(i);
    var francais = traduction.TraduireTexte(lire("francais.txt", -1));
    verifier(difference(codes, 0) == -1, "Traduire 0-255, at " + difference(codes, 0));
    verifier(difference(francais, codes.length) == -1, "TraduireTexte, at " + difference(francais, codes.length));
    verifier(codes.length + francais.length == attendu.length, "length of the whole");
    verifier(traduction.TraduireTexte("x\uD83D\uDE00y") == "x&#128512;y", "a surrogate pair as its one character");

    // Coercion, and names in any case.
    verifier(validation.Valider(42) === false && traduction.Traduire("66") == "B", "coercion");
    verifier(traduction.Traduire(60.7) == "=" && traduction.TraduireTexte(123) == "123", "coercion of numbers");
    verifier(validation.valider("template") === true, "any case for names");

    // Each error, with its number and its text.
    verifier(erreur(function () { traduction.Traduire(256); }) ==
             "80040A01 Traduire: 256 is not a Latin-1 code (0 to 255)", "Traduire 256");
    verifier(traduction.TraduireTexte("a\u00E4b", false) == "ab", "no text, not strict");
    verifier(erreur(function () { traduction.TraduireTexte("a\u00E4b", true); }) ==
             "80040A02 U+00E4 at position 2 has no HTML text (strict)", "strict");
    verifier(erreur(function () { traduction.TraduireTexte("ab\uD800c"); }) ==
             "80040A03 TraduireTexte: lone surrogate U+D800 at position 3", "lone surrogate");
    verifier(erreur(function () { traduction.TraduireTexte("ab\uDC00"); }) ==
             "80040A03 TraduireTexte: lone surrogate U+DC00 at position 3", "lone low surrogate");
    verifier(erreur(function () { validation.Valider(); }) == "8002000E ", "missing argument: DISP_E_BADPARAMCOUNT");
    verifier(erreur(function () { validation.Inconnu("int"); }) ==
             "800A01B6 Object doesn't support this property or method", "unknown member");
} catch (e) {
    verifier(false, "uncaught: " + (e.number >>> 0).toString(16) + " " + e.description);
}
WScript.Echo("script: " + verifications + " checks, " + echecs + " failed");
WScript.Quit(echecs == 0 ? 0 : 1);
