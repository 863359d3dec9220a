// Linux only: the stand-in's COM text.
#include <gtest/gtest.h>

#include "plateforme.h"
#include "support/essais.h"

namespace {

// Each field in its place, as a number with its leading zeros, not as bytes.
TEST(TexteCom, StringFromCLSIDEcritLesTrenteHuitCaracteresEnMajuscules) {
    const CLSID clsid = {0x0089ABCD, 0x0EDC, 0xBA98, {0x06, 0x54, 0x32, 0x10, 0xAB, 0xCD, 0xEF, 0x0F}};
    LPOLESTR texte = nullptr;
    ASSERT_HR(S_OK, StringFromCLSID(clsid, &texte));
    EXPECT_EQ(TexteLarge(u"{0089ABCD-0EDC-BA98-0654-3210ABCDEF0F}"), TexteLarge(texte));
    CoTaskMemFree(texte);
}

} // namespace
