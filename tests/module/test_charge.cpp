// The loaded module under load: threads on few cores create objects of both
// classes through factories of their own and shared ones, hand objects to
// each other (AddRef on one thread, Release on another), take server locks
// that another thread releases, and check every answer. Bounded in count
// and in time, so it stays short under ThreadSanitizer and Wine.
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <thread>
#include <vector>

#include "support/essais.h"

namespace {

constexpr int nombreThreads = 4;
constexpr long toursParThread = 25000;
constexpr auto dureeMaximale = std::chrono::seconds(4);
constexpr int nombreCases = 8;

struct MotAttendu {
    const char* mot;
    bool motCle;
};
const MotAttendu mots[] = {{"class", true},   {"klass", false},           {"while", true},
                           {"While", false},  {"reinterpret_cast", true}, {"", false},
                           {"wchar_t", true}, {"nullptr", false}};

struct CaractereAttendu {
    unsigned char caractere;
    const char* texte;
};
const CaractereAttendu caracteres[] = {{'<', "&lt;"},      {'&', "&amp;"}, {'a', "a"},
                                       {0xE9, "&eacute;"}, {0xE4, ""},     {0xAB, "&laquo;"}};

const CLSID* const classes[] = {&CLSID_Lexigarde, &CLSID_TraducteurASCIIMeta};
const IID* const interfaces[] = {&IID_IValiderMotsCles, &IID_ITraduireASCIIMeta};

// One call of the object's own method, whichever thread made the object.
bool RepondJuste(int classe, IUnknown* objet, long tour) {
    if (classe == 0) {
        const MotAttendu& attendu = mots[tour % (sizeof mots / sizeof *mots)];
        bool motCle = !attendu.motCle;
        return static_cast<IValiderMotsCles*>(objet)->Valider(attendu.mot, &motCle) == S_OK &&
               motCle == attendu.motCle;
    }
    const CaractereAttendu& attendu = caracteres[tour % (sizeof caracteres / sizeof *caracteres)];
    ResultatTraduction resultat;
    const size_t longueur = std::strlen(attendu.texte);
    return static_cast<ITraduireASCIIMeta*>(objet)->Traduire(attendu.caractere, &resultat) == S_OK &&
           resultat.longueur == static_cast<LONG>(longueur) &&
           std::memcmp(resultat.texte, attendu.texte, longueur) == 0;
}

class Charge : public ClientLexigarde {
protected:
    // What the threads share: one factory per class, one validator, the
    // cases through which objects change threads, and the locks waiting for
    // any thread to release them.
    IClassFactory* partagees_[2] = {};
    IValiderMotsCles* partage_ = nullptr;
    std::atomic<IUnknown*> cases_[2][nombreCases] = {};
    std::atomic<long> verrousEnAttente_{0};
    std::atomic<long> operations_{0}, passes_{0}, erreurs_{0};
    std::atomic<bool> arret_{false};

    void Travailler(int t) {
        const auto echeance = std::chrono::steady_clock::now() + dureeMaximale;
        long operations = 0, passes = 0, erreurs = 0;
        auto verifier = [&](bool juste) {
            ++operations;
            if (!juste) ++erreurs;
        };
        for (long tour = 0; tour < toursParThread && !arret_; ++tour) {
            const int classe = static_cast<int>((tour + t) % 2);
            void* propre = nullptr;
            verifier(Module().DllGetClassObject(*classes[classe], IID_IClassFactory, &propre) == S_OK);
            if (propre == nullptr) continue;
            auto* fabriquePropre = static_cast<IClassFactory*>(propre);
            IClassFactory* partagee = partagees_[classe];
            verifier(partagee->AddRef() >= 2);
            IClassFactory* source = tour % 2 ? fabriquePropre : partagee;
            void* objet = nullptr;
            verifier(source->CreateInstance(nullptr, *interfaces[classe], &objet) == S_OK &&
                     objet != nullptr);
            if (objet != nullptr) {
                auto* inconnu = static_cast<IUnknown*>(objet);
                verifier(Module().DllCanUnloadNow() == S_FALSE);
                verifier(RepondJuste(classe, inconnu, tour));
                void* identite = nullptr;
                verifier(inconnu->QueryInterface(IID_IUnknown, &identite) == S_OK && identite == objet);
                if (identite != nullptr) verifier(static_cast<IUnknown*>(identite)->Release() >= 1);
                // One reference for the case; the one this thread made goes below.
                verifier(inconnu->AddRef() >= 2);
                IUnknown* recu = cases_[classe][(tour * 7 + t) % nombreCases].exchange(inconnu);
                if (recu != nullptr) {
                    ++passes;
                    verifier(RepondJuste(classe, recu, tour + 1));
                    ++operations;
                    recu->Release();
                }
                ++operations;
                inconnu->Release();
            }
            bool motCle = false;
            verifier(partage_->AddRef() >= 2);
            verifier(partage_->Valider("operator", &motCle) == S_OK && motCle);
            ++operations;
            partage_->Release();
            // A lock taken here is released by whichever thread comes next.
            verifier(partagee->LockServer(TRUE) == S_OK);
            ++verrousEnAttente_;
            long enAttente = verrousEnAttente_.load();
            while (enAttente > 1 && !verrousEnAttente_.compare_exchange_weak(enAttente, enAttente - 1)) {
            }
            if (enAttente > 1) verifier(fabriquePropre->LockServer(FALSE) == S_OK);
            operations += 2;
            fabriquePropre->Release();
            partagee->Release();
            if (tour % 64 == 0 && std::chrono::steady_clock::now() > echeance) arret_ = true;
        }
        operations_ += operations;
        passes_ += passes;
        erreurs_ += erreurs;
    }
};

TEST_F(Charge, DesThreadsPartagentObjetsFabriquesEtVerrousSansPerdreNiReferenceNiReponse) {
    SAUTER_SOUS_EMULATION_I386();
    for (int classe = 0; classe < 2; ++classe) {
        void* fabrique = nullptr;
        ASSERT_HR(S_OK, Module().DllGetClassObject(*classes[classe], IID_IClassFactory, &fabrique));
        partagees_[classe] = static_cast<IClassFactory*>(fabrique);
    }
    partage_ = Module().CreerValidateur();
    ASSERT_NE(nullptr, partage_);

    const auto debut = std::chrono::steady_clock::now();
    std::vector<std::thread> groupe;
    for (int t = 0; t < nombreThreads; ++t) groupe.emplace_back([this, t] { Travailler(t); });
    for (std::thread& thread : groupe) thread.join();
    const double secondes = std::chrono::duration<double>(std::chrono::steady_clock::now() - debut).count();

    EXPECT_EQ(0, erreurs_) << "wrong answers or counts, out of " << operations_;
    for (auto& casesDeLaClasse : cases_) {
        for (auto& place : casesDeLaClasse) {
            if (IUnknown* objet = place.exchange(nullptr)) {
                EXPECT_EQ(0u, objet->Release());
            }
        }
    }
    EXPECT_EQ(1, verrousEnAttente_) << "one lock always waits for the next thread";
    for (long reste = verrousEnAttente_; reste > 0; --reste) partagees_[0]->LockServer(FALSE);
    EXPECT_HR(S_FALSE, Module().DllCanUnloadNow()) << "the shared validator is alive";
    EXPECT_EQ(2u, partage_->AddRef()) << "no reference may be lost or left";
    partage_->Release();
    EXPECT_EQ(0u, partage_->Release());
    for (IClassFactory* fabrique : partagees_) EXPECT_EQ(0u, fabrique->Release());
    EXPECT_HR(S_OK, Module().DllCanUnloadNow());

    std::printf("load: %ld operations by %d threads in %.2f s, %ld objects handed between threads\n",
                operations_.load(), nombreThreads, secondes, passes_.load());
    RecordProperty("operations", std::to_string(operations_.load()));
    RecordProperty("threads", nombreThreads);
}

} // namespace
