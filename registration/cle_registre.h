#ifndef LEXIGARDE_REGISTRATION_CLE_REGISTRE_H
#define LEXIGARDE_REGISTRATION_CLE_REGISTRE_H

#include "plateforme.h"

// Owns an open registry key: closed on every path out of the scope.
class CleRegistre {
public:
    CleRegistre() = default;
    ~CleRegistre() { Fermer(); }
    CleRegistre(const CleRegistre&) = delete;
    CleRegistre& operator=(const CleRegistre&) = delete;

    HKEY Get() const { return cle_; }
    // For the out-parameter of RegCreateKeyExW and RegOpenKeyExW.
    HKEY* Adresse() {
        Fermer();
        return &cle_;
    }
    void Fermer() {
        if (cle_ != nullptr) RegCloseKey(cle_);
        cle_ = nullptr;
    }

private:
    HKEY cle_ = nullptr;
};

#endif
