// Lack of memory made to happen at each allocation that activation
// performs: every call answers S_OK or E_OUTOFMEMORY, nulls its out-pointer
// on failure, and leaves no block and no count behind.
#include <functional>

#include "support/essais.h"

#if !defined(_WIN32)
extern "C" void EssaiEchouerAllocation(long rang);
extern "C" long EssaiAllocationsFaites();
extern "C" long EssaiAllocationsVivantes();
#endif

namespace {

class ManqueMemoire : public ::testing::Test {
protected:
    // On Windows, the test build of the module that carries the allocator.
    ManqueMemoire()
#if defined(_WIN32)
        : module_(DossierDuProgramme() + L"defaillant\\Lexigarde.dll"),
          echouer_(module_.Export<void (*)(long)>("EssaiEchouerAllocation")),
          faites_(module_.Export<long (*)()>("EssaiAllocationsFaites")),
          vivantes_(module_.Export<long (*)()>("EssaiAllocationsVivantes"))
#else
        : echouer_(EssaiEchouerAllocation), faites_(EssaiAllocationsFaites),
          vivantes_(EssaiAllocationsVivantes)
#endif
    {
    }

    // Runs `operation` with each of its allocations failing in turn, then
    // once with none failing. `operation` returns its HRESULT and releases
    // whatever it obtained.
    void Balayer(const std::function<HRESULT()>& operation) {
        for (long rang = 0;; ++rang) {
            const long avant = vivantes_();
            echouer_(rang);
            const HRESULT hr = operation();
            const long faites = faites_();
            echouer_(-1);
            EXPECT_TRUE(hr == S_OK || hr == E_OUTOFMEMORY) << "allocation " << rang << ": " << std::hex << hr;
            EXPECT_EQ(avant, vivantes_()) << "allocation " << rang << " failing leaked a block";
            EXPECT_HR(S_OK, module_.DllCanUnloadNow()) << "allocation " << rang;
            if (faites <= rang) {
                EXPECT_HR(S_OK, hr) << "no allocation failed, yet the call failed";
                EXPECT_GT(rang, 0) << "the operation allocates nothing: the sweep shows nothing";
                return;
            }
            EXPECT_HR(E_OUTOFMEMORY, hr) << "allocation " << rang << " failed unnoticed";
        }
    }

    ModuleLexigarde module_;
    void (*echouer_)(long);
    long (*faites_)();
    long (*vivantes_)();
};

TEST_F(ManqueMemoire, DllGetClassObjectRendEOutOfMemorySansRienLaisser) {
    for (const CLSID* clsid : {&CLSID_Lexigarde, &CLSID_TraducteurASCIIMeta}) {
        Balayer([&] {
            void* fabrique = sentinelle;
            const HRESULT hr = module_.DllGetClassObject(*clsid, IID_IClassFactory, &fabrique);
            if (SUCCEEDED(hr))
                static_cast<IUnknown*>(fabrique)->Release();
            else
                EXPECT_EQ(nullptr, fabrique);
            return hr;
        });
    }
}

TEST_F(ManqueMemoire, CreateInstanceRendEOutOfMemorySansRienLaisser) {
    struct Classe {
        const CLSID* clsid;
        const IID* iid;
    };
    for (const Classe& classe : {Classe{&CLSID_Lexigarde, &IID_IValiderMotsCles},
                                 Classe{&CLSID_TraducteurASCIIMeta, &IID_ITraduireASCIIMeta}}) {
        void* fabrique = nullptr;
        ASSERT_HR(S_OK, module_.DllGetClassObject(*classe.clsid, IID_IClassFactory, &fabrique));
        Balayer([&] {
            void* objet = sentinelle;
            const HRESULT hr =
                static_cast<IClassFactory*>(fabrique)->CreateInstance(nullptr, *classe.iid, &objet);
            if (SUCCEEDED(hr))
                static_cast<IUnknown*>(objet)->Release();
            else
                EXPECT_EQ(nullptr, objet);
            return hr;
        });
        static_cast<IUnknown*>(fabrique)->Release();
    }
}

} // namespace
