// Lexigarde.TraductionHTML: Traduire and TraduireTexte for scripts,
// answered by Lexigarde.dll's own class through ITraduireASCIIMeta, by the
// rules the tool's --utf8 and --strict follow (text/texte_html.h).
#include <cstring>
#include <new>
#include <string>

#include "script/automation.h"
#include "text/texte_html.h"

namespace {

const wchar_t source[] = L"Lexigarde.TraductionHTML";

// A failure of the component, carried out of TexteHTML.
struct EchecComposant {
    HRESULT hr;
};

class Traduction : public ObjetAutomation<ITraductionHTML>, private TexteHTML {
public:
    HRESULT STDMETHODCALLTYPE Traduire(LONG code, BSTR* texte) override {
        // First: an earlier failure's information, left unread, is no error of this call.
        SetErrorInfo(0, nullptr);
        if (texte == nullptr) return E_POINTER;
        *texte = nullptr;
        if (code < 0 || code > 0xFF) {
            // The text allocates: without memory, the number alone.
            try {
                return Echouer(LEXIGARDE_E_CODE_HORS_LATIN1,
                               L"Traduire: " + std::to_wstring(code) + L" is not a Latin-1 code (0 to 255)",
                               source, IID_ITraductionHTML);
            } catch (const std::bad_alloc&) {
                return LEXIGARDE_E_CODE_HORS_LATIN1;
            }
        }
        std::string html;
        return Repondre(
            [&] {
                html = Html(static_cast<std::uint32_t>(code));
                return S_OK;
            },
            html, texte);
    }

    HRESULT STDMETHODCALLTYPE TraduireTexte(BSTR texte, VARIANT_BOOL strict, BSTR* html) override {
        SetErrorInfo(0, nullptr);
        if (html == nullptr) return E_POINTER;
        *html = nullptr;
        std::string sortie;
        std::wstring erreur;
        HRESULT codeErreur = S_OK;
        const auto traduire = [&] {
            const auto caractere = [&](std::uint32_t code, std::size_t position) {
                const std::string_view html = Html(code);
                sortie.append(html.data(), html.size());
                if (html.empty() && strict && codeErreur == S_OK) {
                    codeErreur = LEXIGARDE_E_SANS_TEXTE;
                    erreur = Nom(code) + L" at position " + std::to_wstring(position + 1) +
                             L" has no HTML text (strict)";
                }
            };
            const std::ptrdiff_t isole =
                ParcourirUtf16(reinterpret_cast<const char16_t*>(texte), SysStringLen(texte), caractere);
            if (isole >= 0 && codeErreur == S_OK) {
                codeErreur = LEXIGARDE_E_SURROGAT_ISOLE;
                erreur = L"TraduireTexte: lone surrogate " + Nom(texte[isole]) + L" at position " +
                         std::to_wstring(isole + 1);
            }
            return codeErreur == S_OK ? S_OK : Echouer(codeErreur, erreur, source, IID_ITraductionHTML);
        };
        return Repondre(traduire, sortie, html);
    }

private:
    static std::wstring Nom(std::uint32_t code) {
        const std::string nom = NomCaractere(code);
        return std::wstring(nom.begin(), nom.end());
    }

    // Runs `traduire`, then hands `octets` (Latin-1: the component's texts are
    // bytes) out as a new BSTR; a failure has its error information and no text.
    template <class Traduire>
    HRESULT Repondre(Traduire traduire, std::string& octets, BSTR* resultat) {
        HRESULT hr = S_OK;
        try {
            if (composant_.p == nullptr) {
                hr = CreerComposant(CLSID_TraducteurASCIIMeta, IID_ITraduireASCIIMeta,
                                    reinterpret_cast<void**>(&composant_.p), source, IID_ITraductionHTML);
                if (FAILED(hr)) return hr;
                traducteur_ = composant_.p;
            }
            hr = traduire();
        } catch (const EchecComposant& echec) {
            return EchecDeLexigarde(echec.hr);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_UNEXPECTED;
        }
        if (FAILED(hr)) return hr;
        // A BSTR's length is 32 bits: a longer text cut short would be written past its end.
        if (octets.size() > 0x7FFFFFFFu / sizeof(OLECHAR)) return E_OUTOFMEMORY;
        *resultat = SysAllocStringLen(nullptr, static_cast<UINT>(octets.size()));
        if (*resultat == nullptr) return E_OUTOFMEMORY;
        for (std::size_t i = 0; i < octets.size(); ++i)
            (*resultat)[i] = static_cast<unsigned char>(octets[i]);
        return S_OK;
    }

    // Its text allocates, outside the handlers above: without memory, the number alone.
    static HRESULT EchecDeLexigarde(HRESULT hr) {
        try {
            return Echouer(hr, L"Lexigarde.dll's Traduire failed: " + TexteHResult(hr), source,
                           IID_ITraductionHTML);
        } catch (const std::bad_alloc&) {
            return hr;
        }
    }

    [[noreturn]] void Echec(unsigned char, HRESULT hr) override {
        throw EchecComposant{FAILED(hr) ? hr : E_UNEXPECTED};
    }

    Composant<ITraduireASCIIMeta> composant_;
};

} // namespace

HRESULT CreerTraduction(REFIID riid, void** ppv) { return CreerObjet<Traduction>(riid, ppv); }
