// Self-registration: what a class writes below HKEY_CLASSES_ROOT and how it goes. The same for
// each server of the project (Lexigarde.dll, LexigardeScript.dll).
#include "registration/enregistrement.h"

namespace {

// Fixed key and value names, built on first use.
#define NOM_FIXE(fonction, texte)                          \
    const TexteLarge& fonction() {                         \
        static const TexteLarge nom = ElargirTexte(texte); \
        return nom;                                        \
    }
NOM_FIXE(NomInprocServer32, "InprocServer32")
NOM_FIXE(NomLocalServer32, "LocalServer32")
NOM_FIXE(NomThreadingModel, "ThreadingModel")
NOM_FIXE(NomExe, ".exe")
NOM_FIXE(NomProgID, "ProgID")
NOM_FIXE(NomVersionIndependentProgID, "VersionIndependentProgID")
NOM_FIXE(NomCLSID, "CLSID")
NOM_FIXE(NomCurVer, "CurVer")
#undef NOM_FIXE

// This module's own handle: the module that holds this code, from an
// address inside it, so that a renamed copy, or one of two modules of the
// same name, names its own file; by file name only where that fails. Never
// null handed on: GetModuleFileNameW(null) would name the host program
// (regsvr32.exe) as the server.
HMODULE CeModule(const TexteLarge& nomModule) {
    constexpr DWORD parAdresse =
        GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT;
    HMODULE module = nullptr;
    if (GetModuleHandleExW(parAdresse, reinterpret_cast<LPCWSTR>(&CeModule), &module)) return module;
    return GetModuleHandleW(nomModule.c_str());
}

bool EstSupprimee(LONG resultat) { return resultat == ERROR_SUCCESS || resultat == ERROR_FILE_NOT_FOUND; }

} // namespace

bool EnregistrerServeur(const TexteLarge& nomModule, const TexteLarge& cheminModule,
                        const TexteLarge& cleCLSID, const TexteLarge& modeleThreading) {
    if (nomModule.find(NomExe()) != TexteLarge::npos)
        return CreerCle(cleCLSID, NomLocalServer32(), cheminModule);
    if (!CreerCle(cleCLSID, NomInprocServer32(), cheminModule)) return false;
    return DefinirValeur(cleCLSID + Separateur() + NomInprocServer32(), NomThreadingModel(), modeleThreading);
}

HRESULT EnregistrerComposant(const std::string& nomModule, REFCLSID clsid, const std::string& description,
                             const std::string& progIdIndependant, const std::string& progId,
                             const char* modeleThreading) {
    const TexteLarge nom = ElargirTexte(nomModule);
    const TexteLarge descriptionLarge = ElargirTexte(description);
    const TexteLarge independant = ElargirTexte(progIdIndependant);
    const TexteLarge versionne = ElargirTexte(progId);
    const TexteLarge modele = ElargirTexte(modeleThreading != nullptr ? modeleThreading : "");

    const HMODULE module = CeModule(nom);
    if (module == nullptr) return SELFREG_E_CLASS;
    const TexteLarge cheminModule = CheminModule(module);
    if (cheminModule.empty()) return SELFREG_E_CLASS;

    const TexteLarge texteClsid = TexteCLSID(clsid);
    const TexteLarge cleCLSID = CheminCleCLSID(texteClsid);
    const TexteLarge rien;

    // In the order of writing; the first step that fails ends the class.
    const bool ecrit =
        CreerCle(cleCLSID, rien, descriptionLarge) &&
        EnregistrerServeur(nom, cheminModule, cleCLSID, modele) &&
        CreerCle(cleCLSID, NomProgID(), versionne) &&
        CreerCle(cleCLSID, NomVersionIndependentProgID(), independant) &&
        CreerCle(independant, rien, descriptionLarge) && CreerCle(independant, NomCLSID(), texteClsid) &&
        CreerCle(independant, NomCurVer(), versionne) && CreerCle(versionne, rien, descriptionLarge) &&
        CreerCle(versionne, NomCLSID(), texteClsid);
    return ecrit ? S_OK : SELFREG_E_CLASS;
}

HRESULT DesenregistrerComposant(REFCLSID clsid, const std::string& progIdIndependant,
                                const std::string& progId) {
    const TexteLarge independant = ElargirTexte(progIdIndependant);
    const TexteLarge versionne = ElargirTexte(progId);
    const TexteLarge cleCLSID = CheminCleCLSID(TexteCLSID(clsid));
    // Evaluated one by one so that every tree is attempted.
    const bool clsidSupprime = EstSupprimee(SupprimerArborescence(HKEY_CLASSES_ROOT, cleCLSID));
    const bool independantSupprime = EstSupprimee(SupprimerArborescence(HKEY_CLASSES_ROOT, independant));
    const bool versionneSupprime = EstSupprimee(SupprimerArborescence(HKEY_CLASSES_ROOT, versionne));
    return clsidSupprime && independantSupprime && versionneSupprime ? S_OK : SELFREG_E_CLASS;
}
