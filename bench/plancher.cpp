#include "plancher.h"

#include <atomic>
#include <cstring>

namespace {

// Objects and server locks, as the module counts them, but in one atomic.
std::atomic<LONG> compteObjets{0};

// Refcounting as the module's objects do it; the count of the library is
// the only difference.
class ObjetCompte : public IUnknown {
public:
    ObjetCompte() { compteObjets.fetch_add(1, std::memory_order_acq_rel); }
    virtual ~ObjetCompte() { compteObjets.fetch_sub(1, std::memory_order_acq_rel); }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return references.fetch_add(1, std::memory_order_relaxed) + 1;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG reste = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (reste == 0) delete this;
        return reste;
    }

private:
    std::atomic<ULONG> references{1};
};

class FabriquePlancher : public IClassFactory {
public:
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
        *ppv = this;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        return references.fetch_add(1, std::memory_order_relaxed) + 1;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        const ULONG reste = references.fetch_sub(1, std::memory_order_acq_rel) - 1;
        if (reste == 0) delete this;
        return reste;
    }
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown*, REFIID, void** ppv) override {
        *ppv = static_cast<IUnknown*>(new ObjetCompte);
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL verrouiller) override {
        if (verrouiller)
            compteObjets.fetch_add(1, std::memory_order_acq_rel);
        else
            compteObjets.fetch_sub(1, std::memory_order_acq_rel);
        return S_OK;
    }
    virtual ~FabriquePlancher() = default;

private:
    std::atomic<ULONG> references{1};
};

// The same texts as the module's entity table, in slots of 8 bytes: the
// longest text ("&Agrave;") fills one exactly.
struct Emplacement {
    char texte[8];
};
static_assert(sizeof(Emplacement) == 8);

class TraducteurEmplacements : public ITraduireASCIIMeta {
public:
    TraducteurEmplacements() {
        static const struct {
            unsigned char code;
            const char* texte;
        } nommees[] = {
            {0x26, "&amp;"},    {0x3C, "&lt;"},     {0x3E, "&gt;"},    {0xAB, "&laquo;"},
            {0xBB, "&raquo;"},  {0xC0, "&Agrave;"}, {0xC2, "&Acirc;"}, {0xC7, "&Ccedil;"},
            {0xC8, "&Egrave;"}, {0xC9, "&Eacute;"}, {0xCA, "&Ecirc;"}, {0xCB, "&Euml;"},
            {0xCE, "&Icirc;"},  {0xCF, "&Iuml;"},   {0xD4, "&Ocirc;"}, {0xDB, "&Ucirc;"},
            {0xDC, "&Uuml;"},   {0xE0, "&agrave;"}, {0xE2, "&acirc;"}, {0xE7, "&ccedil;"},
            {0xE8, "&egrave;"}, {0xE9, "&eacute;"}, {0xEA, "&ecirc;"}, {0xEB, "&euml;"},
            {0xEE, "&icirc;"},  {0xEF, "&iuml;"},   {0xF4, "&ocirc;"}, {0xFB, "&ucirc;"},
            {0xFC, "&uuml;"},
        };
        std::memset(emplacements, 0, sizeof emplacements);
        std::memset(longueurs, 0, sizeof longueurs);
        for (int code = 0; code < 128; ++code) {
            emplacements[code].texte[0] = static_cast<char>(code);
            longueurs[code] = 1;
        }
        for (const auto& entite : nommees) {
            const size_t longueur = std::strlen(entite.texte);
            std::memcpy(emplacements[entite.code].texte, entite.texte, longueur);
            longueurs[entite.code] = static_cast<unsigned char>(longueur);
        }
    }

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID, void** ppv) override {
        *ppv = this;
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return 1; }
    ULONG STDMETHODCALLTYPE Release() override { return 1; }

    // One indexed copy of a whole slot; the bytes past the text are the
    // slot's zeros, which a floor may write.
    HRESULT STDMETHODCALLTYPE Traduire(unsigned char caractere, ResultatTraduction* resultat) override {
        std::memcpy(resultat->texte, emplacements[caractere].texte, sizeof(Emplacement));
        resultat->longueur = longueurs[caractere];
        return S_OK;
    }

private:
    Emplacement emplacements[256];
    unsigned char longueurs[256];
};

} // namespace

ITraduireASCIIMeta* PlancherCreerTraducteur() {
    static TraducteurEmplacements traducteur;
    return &traducteur;
}

IClassFactory* PlancherCreerFabrique() { return new FabriquePlancher; }

HRESULT PlancherPeutDecharger() { return compteObjets.load(std::memory_order_acquire) == 0 ? S_OK : S_FALSE; }
