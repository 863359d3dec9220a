// Both classes through COM, by ProgID and by class, in the apartment named
// on the command line (mta or sta), then the version resources of the files
// beside it. Exit status: the number of failures.
#include <objbase.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "lexigarde.h"

static int echecs = 0;

static void Verifier(bool vrai, const std::string& quoi, HRESULT hr = S_OK) {
    std::printf("%s: %s (0x%08lX)\n", vrai ? "ok" : "FAILED", quoi.c_str(), static_cast<unsigned long>(hr));
    echecs += vrai ? 0 : 1;
}

static std::wstring Valeur(const std::wstring& fichier, const std::wstring& nom) {
    std::string bloc(GetFileVersionInfoSizeW(fichier.c_str(), nullptr), '\0');
    void* valeur = nullptr;
    UINT taille = 0;
    const bool lu =
        !bloc.empty() && GetFileVersionInfoW(fichier.c_str(), 0, bloc.size(), &bloc[0]) &&
        VerQueryValueW(&bloc[0], (L"\\StringFileInfo\\040904B0\\" + nom).c_str(), &valeur, &taille);
    return lu ? static_cast<const wchar_t*>(valeur) : L"";
}

int main(int argc, char** argv) {
    const bool mta = argc > 1 && std::strcmp(argv[1], "mta") == 0;
    CoInitializeEx(nullptr, mta ? COINIT_MULTITHREADED : COINIT_APARTMENTTHREADED);
    HRESULT hr;
    // Through a manifest, Wine's CLSIDFromProgID may answer with another
    // class identifier, which still creates the class: only its use is checked.
    CLSID clsid{};
    IValiderMotsCles* v = nullptr;
    if (SUCCEEDED(hr = CLSIDFromProgID(L"Composant.Interne.ValidationMotsCles.1", &clsid)))
        hr = CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IValiderMotsCles,
                              reinterpret_cast<void**>(&v));
    Verifier(SUCCEEDED(hr),
             std::string("CoCreateInstance by ProgID, IValiderMotsCles, ") + (mta ? "MTA" : "STA"), hr);
    ITraduireASCIIMeta* t = nullptr;
    hr = CoCreateInstance(CLSID_TraducteurASCIIMeta, nullptr, CLSCTX_INPROC_SERVER, IID_ITraduireASCIIMeta,
                          reinterpret_cast<void**>(&t));
    Verifier(SUCCEEDED(hr), "CoCreateInstance by class, ITraduireASCIIMeta", hr);
    bool oui = false, non = true;
    Verifier(v && v->Valider("template", &oui) == S_OK && oui && v->Valider("Template", &non) == S_OK && !non,
             "Valider: template is a keyword, Template is not");
    ResultatTraduction r{};
    Verifier(t && t->Traduire('\xE9', &r) == S_OK && r.longueur == 8 &&
                 std::memcmp(r.texte, "&eacute;", 8) == 0,
             "Traduire(e acute) is &eacute;");
    if (v) v->Release();
    if (t) t->Release();
    CoUninitialize();

    // The package's one version in every binary's resources.
    const std::string version = VERSION_LEXIGARDE;
    for (const std::wstring fichier : {L"Lexigarde.dll", L"lexigarde.exe", L"LexigardePS.dll"}) {
        if (fichier == L"LexigardePS.dll" && GetFileAttributesW(fichier.c_str()) == INVALID_FILE_ATTRIBUTES)
            continue;
        const std::wstring attendue(version.begin(), version.end());
        Verifier(Valeur(fichier, L"FileVersion") == attendue &&
                     Valeur(fichier, L"ProductVersion") == attendue &&
                     Valeur(fichier, L"ProductName") == L"Lexigarde" &&
                     Valeur(fichier, L"OriginalFilename") == fichier &&
                     Valeur(fichier, L"InternalName") == fichier.substr(0, fichier.find(L'.')) &&
                     !Valeur(fichier, L"FileDescription").empty(),
                 "version resources of " + std::string(fichier.begin(), fichier.end()) + " say " + version);
    }
    return echecs;
}
