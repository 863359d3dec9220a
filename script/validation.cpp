// Lexigarde.ValidationMotsCles: Valider for scripts, answered by
// Lexigarde.dll's own class through IValiderMotsCles.
#include <new>
#include <string>

#include "script/automation.h"

namespace {

class Validation : public ObjetAutomation<IValidationMotsCles> {
public:
    HRESULT STDMETHODCALLTYPE Valider(BSTR mot, VARIANT_BOOL* estMotCle) override {
        // First: an earlier failure's information, left unread, is no error of this call.
        SetErrorInfo(0, nullptr);
        if (estMotCle == nullptr) return E_POINTER;
        *estMotCle = VARIANT_FALSE;
        // No exception may reach the script host: the word's copy and the
        // error's text allocate.
        try {
            return Repondre(mot, estMotCle);
        } catch (const std::bad_alloc&) {
            return E_OUTOFMEMORY;
        } catch (...) {
            return E_UNEXPECTED;
        }
    }

private:
    HRESULT Repondre(BSTR mot, VARIANT_BOOL* estMotCle) {
        // The component takes a C string of bytes: a NUL would cut the word
        // short, and no keyword lies past ASCII.
        std::string octets;
        const UINT longueur = SysStringLen(mot);
        for (UINT i = 0; i < longueur; ++i) {
            if (mot[i] == 0 || mot[i] > 0x7F) return S_OK;
            octets.push_back(static_cast<char>(mot[i]));
        }
        if (validateur_.p == nullptr) {
            const HRESULT hr = CreerComposant(CLSID_Lexigarde, IID_IValiderMotsCles,
                                              reinterpret_cast<void**>(&validateur_.p),
                                              L"Lexigarde.ValidationMotsCles", IID_IValidationMotsCles);
            if (FAILED(hr)) return hr;
        }
        bool reponse = false;
        const HRESULT hr = validateur_.p->Valider(octets.c_str(), &reponse);
        if (SUCCEEDED(hr)) *estMotCle = reponse ? VARIANT_TRUE : VARIANT_FALSE;
        return hr;
    }

    Composant<IValiderMotsCles> validateur_;
};

} // namespace

HRESULT CreerValidation(REFIID riid, void** ppv) { return CreerObjet<Validation>(riid, ppv); }
