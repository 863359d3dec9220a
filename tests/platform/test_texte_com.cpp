// Linux only: the stand-in's COM text, in COM memory that the process's
// (test) allocator sees.
#include <gtest/gtest.h>

#include "plateforme.h"
#include "support/essais.h"

extern "C" void EssaiEchouerAllocation(long rang);
extern "C" long EssaiAllocationsVivantes();

namespace {

TexteLarge Texte(REFCLSID clsid) {
    LPOLESTR texte = nullptr;
    EXPECT_HR(S_OK, StringFromCLSID(clsid, &texte));
    const TexteLarge copie = texte != nullptr ? texte : u"";
    CoTaskMemFree(texte);
    return copie;
}

TEST(TexteCom, StringFromCLSIDEcritLesTrenteHuitCaracteresEnMajuscules) {
    EXPECT_EQ(TexteLarge(u"{00000001-0000-0000-C000-000000000046}"), Texte(IID_IClassFactory));
    // Each field in its place and order: Data4's first two bytes apart.
    const CLSID chiffres = {0x89ABCDEF, 0xFEDC, 0xBA98, {0x76, 0x54, 0x32, 0x10, 0xAB, 0xCD, 0xEF, 0x0F}};
    EXPECT_EQ(TexteLarge(u"{89ABCDEF-FEDC-BA98-7654-3210ABCDEF0F}"), Texte(chiffres));
}

TEST(TexteCom, StringFromCLSIDAlloueEnMemoireComEtRendEOutOfMemorySiElleManque) {
    const long avant = EssaiAllocationsVivantes();
    LPOLESTR texte = static_cast<LPOLESTR>(sentinelle);
    EssaiEchouerAllocation(0);
    const HRESULT hr = StringFromCLSID(IID_IUnknown, &texte);
    EssaiEchouerAllocation(-1);
    EXPECT_HR(E_OUTOFMEMORY, hr);
    EXPECT_EQ(nullptr, texte);
    ASSERT_HR(S_OK, StringFromCLSID(IID_IUnknown, &texte));
    EXPECT_EQ(avant + 1, EssaiAllocationsVivantes());
    CoTaskMemFree(texte);
    EXPECT_EQ(avant, EssaiAllocationsVivantes()) << "CoTaskMemFree must give the block back";
}

} // namespace
