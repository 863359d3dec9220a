// COM memory and text of the Linux stand-in.
#include "plateforme_linux.h"

#include <new>

namespace {

// Writes `chiffres` upper-case hexadecimal digits of `valeur`, most
// significant first, and returns where the text goes on.
OLECHAR* Hexadecimal(OLECHAR* sortie, uint64_t valeur, int chiffres) {
    static const char alphabet[] = "0123456789ABCDEF";
    for (int i = chiffres - 1; i >= 0; --i) {
        sortie[i] = static_cast<OLECHAR>(alphabet[valeur & 0xF]);
        valeur >>= 4;
    }
    return sortie + chiffres;
}

uint64_t Octets(const uint8_t* octets, int nombre) {
    uint64_t valeur = 0;
    for (int i = 0; i < nombre; ++i) valeur = (valeur << 8) | octets[i];
    return valeur;
}

} // namespace

extern "C" {

// Through operator new, not malloc: the allocator a test puts in place of
// the process's (to make allocations fail, or count them) sees these too.
LPVOID CoTaskMemAlloc(SIZE_T taille) { return ::operator new(taille, std::nothrow); }

void CoTaskMemFree(LPVOID bloc) { ::operator delete(bloc); }

HRESULT StringFromCLSID(REFCLSID clsid, LPOLESTR* texte) {
    if (texte == nullptr) return E_INVALIDARG;
    constexpr size_t longueur = 38;
    *texte = static_cast<LPOLESTR>(CoTaskMemAlloc((longueur + 1) * sizeof(OLECHAR)));
    if (*texte == nullptr) return E_OUTOFMEMORY;
    OLECHAR* p = *texte;
    *p++ = u'{';
    p = Hexadecimal(p, clsid.Data1, 8);
    *p++ = u'-';
    p = Hexadecimal(p, clsid.Data2, 4);
    *p++ = u'-';
    p = Hexadecimal(p, clsid.Data3, 4);
    *p++ = u'-';
    p = Hexadecimal(p, Octets(clsid.Data4, 2), 4);
    *p++ = u'-';
    p = Hexadecimal(p, Octets(clsid.Data4 + 2, 6), 12);
    *p++ = u'}';
    *p = 0;
    return S_OK;
}

} // extern "C"
