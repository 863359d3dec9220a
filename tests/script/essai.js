// The companion from JScript: cscript //nologo essai.js DATA_FOLDER. Wine's script host shows no
// uncaught error: every error is caught here, and the run ends with its count, in ASCII.
var fso = new ActiveXObject("Scripting.FileSystemObject");
var verifications = 0, echecs = 0;
function verifier(vrai, quoi) {
    verifications++;
    if (!vrai) echecs++;
    if (!vrai) WScript.Echo("FAILED: " + quoi);
}
function lire(nom, format) { return fso.OpenTextFile(WScript.Arguments(0) + "\\" + nom, 1, false, format).ReadAll(); }
// What a call throws, as "NUMBER DESCRIPTION" ("" when it throws nothing).
function erreur(appel) {
    try {
        appel();
        return "";
    } catch (e) {
        return (e.number >>> 0).toString(16).toUpperCase() + " " + e.description;
    }
}

try {
    var validation = new ActiveXObject("Lexigarde.ValidationMotsCles");
    var traduction = new ActiveXObject("Lexigarde.TraductionHTML.1");
    // Every keyword, and near misses: case, spaces, empty, NUL, past ASCII (in+U+0174: low byte t).
    var mots = lire("mots.txt", 0).replace(/\n$/, "").split("\n");
    for (var i = 0; i < mots.length; i++) verifier(validation.Valider(mots[i]) === true, "Valider " + mots[i]);
    var presque = ["Class", " class", "class ", "", "clas", "classes", "in\0t", "int\0", "in\u0174", "\u00E9t\u00E9"];
    for (var i = 0; i < presque.length; i++)
        verifier(validation.Valider(presque[i]) === false, "Valider near miss " + escape(presque[i]));

    // All 256 codes, then the French text, against the tool's own output (od's bytes), byte for byte.
    var attendu = "", octets = lire("attendu.txt", 0).replace(/^\s+|\s+$/g, "").split(" ");
    for (var i = 0; i < octets.length; i++) attendu += String.fromCharCode(Number(octets[i]));
    var codes = "";
    for (var i = 0; i < 256; i++) codes += traduction.Traduire(i);
    verifier(codes == attendu.substr(0, codes.length), "Traduire 0-255");
    verifier(traduction.TraduireTexte(lire("francais.txt", -1)) == attendu.substr(codes.length), "French text");
    verifier(traduction.TraduireTexte("x\uD83D\uDE00y") == "x&#128512;y", "a surrogate pair as its one character");

    // Coercion, names in any case, the optional argument.
    verifier(validation.Valider(42) === false && traduction.Traduire("66") == "B", "coercion");
    verifier(traduction.Traduire(60.7) == "=" && traduction.TraduireTexte(123) == "123", "coercion of numbers");
    verifier(validation.valider("template") === true, "any case for names");
    verifier(traduction.TraduireTexte("a\u00E4b", false) == "ab", "no text, not strict");

    // Each error, with its number and its text.
    var erreurs = [
        [function () { traduction.Traduire(256); }, "80040A01 Traduire: 256 is not a Latin-1 code (0 to 255)"],
        [function () { traduction.TraduireTexte("a\u00E4b", true); }, "80040A02 U+00E4 at position 2 has no HTML text (strict)"],
        [function () { traduction.TraduireTexte("ab\uD800c"); }, "80040A03 TraduireTexte: lone surrogate U+D800 at position 3"],
        [function () { traduction.TraduireTexte("a\uDC00\uDC00"); }, "80040A03 TraduireTexte: lone surrogate U+DC00 at position 2"],
        [function () { validation.Valider(); }, "8002000E "], // DISP_E_BADPARAMCOUNT, no text under Wine
        [function () { validation.Inconnu("int"); }, "800A01B6 Object doesn't support this property or method"]];
    for (var i = 0; i < erreurs.length; i++) verifier(erreur(erreurs[i][0]) == erreurs[i][1], erreurs[i][1]);
} catch (e) {
    verifier(false, "uncaught: " + (e.number >>> 0).toString(16) + " " + e.description);
}
WScript.Echo("script: " + verifications + " checks, " + echecs + " failed");
WScript.Quit(echecs == 0 ? 0 : 1);
