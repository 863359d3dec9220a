/* Lexigarde: the interfaces, record and identifiers that clients share with
 * Lexigarde.dll. Usable from C++ (abstract classes) and from C (through
 * lpVtbl), on Windows and on Linux. */
#ifndef LEXIGARDE_H
#define LEXIGARDE_H

#if defined(_WIN32)
#include <objbase.h>
#else
#include "plateforme_linux.h"
#endif

#ifndef __cplusplus
#include <stdbool.h>
#endif
#include <stddef.h>

/* The record in which Traduire hands back a translation: 64 bytes of text,
 * then the number of bytes written. Its layout crosses the interface. The
 * record and the interfaces are defined under the guards of the header MIDL
 * makes from lexigarde_interfaces.idl, with the same types: the two headers
 * may be included together, in either order. */
#ifndef LEXIGARDE_RESULTAT_TRADUCTION_DEFINI
#define LEXIGARDE_RESULTAT_TRADUCTION_DEFINI
typedef struct ResultatTraduction {
    char texte[64];
    LONG longueur;
} ResultatTraduction;
#endif

#ifdef __cplusplus
static_assert(sizeof(ResultatTraduction) == 68, "ResultatTraduction is 68 bytes");
static_assert(offsetof(ResultatTraduction, longueur) == 64, "longueur is at offset 64");
static_assert(sizeof(bool) == 1, "Valider writes a one-byte boolean");
#else
_Static_assert(sizeof(ResultatTraduction) == 68, "ResultatTraduction is 68 bytes");
_Static_assert(offsetof(ResultatTraduction, longueur) == 64, "longueur is at offset 64");
_Static_assert(sizeof(bool) == 1, "Valider writes a one-byte boolean");
#endif

/* On Windows each identifier is one definition merged across the program
 * (what DEFINE_GUID gives under INITGUID), so that the generated header's
 * declarations agree with it; on Linux, a copy in each unit. */
#if defined(_WIN32) && defined(__cplusplus)
#define LEXIGARDE_IDENTIFIANT(type) extern "C" const type DECLSPEC_SELECTANY
#elif defined(_WIN32)
#define LEXIGARDE_IDENTIFIANT(type) const type DECLSPEC_SELECTANY
#else
#define LEXIGARDE_IDENTIFIANT(type) static const type
#endif

/* {EE9424BB-CFBD-4371-8C30-0875092A3FD4} */
LEXIGARDE_IDENTIFIANT(IID) IID_IValiderMotsCles = {
    0xEE9424BB, 0xCFBD, 0x4371, {0x8C, 0x30, 0x08, 0x75, 0x09, 0x2A, 0x3F, 0xD4}};
/* {49E27F9D-E8C9-4235-82AC-29B3D41AA2C9} */
LEXIGARDE_IDENTIFIANT(IID) IID_ITraduireASCIIMeta = {
    0x49E27F9D, 0xE8C9, 0x4235, {0x82, 0xAC, 0x29, 0xB3, 0xD4, 0x1A, 0xA2, 0xC9}};
/* {6EEE9B9D-DB12-4556-AAD3-F1278EF4A449} */
LEXIGARDE_IDENTIFIANT(CLSID) CLSID_Lexigarde = {
    0x6EEE9B9D, 0xDB12, 0x4556, {0xAA, 0xD3, 0xF1, 0x27, 0x8E, 0xF4, 0xA4, 0x49}};
/* {2780ACD9-1CC9-4691-A8E7-191B2DA7DB41} */
LEXIGARDE_IDENTIFIANT(CLSID) CLSID_TraducteurASCIIMeta = {
    0x2780ACD9, 0x1CC9, 0x4691, {0xA8, 0xE7, 0x19, 0x1B, 0x2D, 0xA7, 0xDB, 0x41}};

#ifndef __IValiderMotsCles_FWD_DEFINED__
#define __IValiderMotsCles_FWD_DEFINED__
typedef struct IValiderMotsCles IValiderMotsCles;
#endif
#ifndef __ITraduireASCIIMeta_FWD_DEFINED__
#define __ITraduireASCIIMeta_FWD_DEFINED__
typedef struct ITraduireASCIIMeta ITraduireASCIIMeta;
#endif

#ifdef __cplusplus

/* __uuidof and IID_PPV_ARGS: the identifier on the type, for MSVC
 * (DECLSPEC_UUID) and for MinGW (__CRT_UUID_DECL). */
#if defined(_WIN32)
#define LEXIGARDE_INTERFACE(uuid) struct DECLSPEC_UUID(uuid)
#else
#define LEXIGARDE_INTERFACE(uuid) struct
#endif

#ifndef __IValiderMotsCles_INTERFACE_DEFINED__
#define __IValiderMotsCles_INTERFACE_DEFINED__
/* Says whether a NUL-terminated word is one of the 63 keywords of C++98. */
LEXIGARDE_INTERFACE("EE9424BB-CFBD-4371-8C30-0875092A3FD4") IValiderMotsCles : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Valider(const char* mot, bool* estMotCle) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(IValiderMotsCles, 0xEE9424BB, 0xCFBD, 0x4371, 0x8C, 0x30, 0x08, 0x75, 0x09, 0x2A, 0x3F, 0xD4)
#endif
#endif

#ifndef __ITraduireASCIIMeta_INTERFACE_DEFINED__
#define __ITraduireASCIIMeta_INTERFACE_DEFINED__
/* Turns one Latin-1 character into its HTML text. */
LEXIGARDE_INTERFACE("49E27F9D-E8C9-4235-82AC-29B3D41AA2C9") ITraduireASCIIMeta : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Traduire(unsigned char caractere, ResultatTraduction* resultat) = 0;
};
#ifdef __CRT_UUID_DECL
__CRT_UUID_DECL(ITraduireASCIIMeta, 0x49E27F9D, 0xE8C9, 0x4235, 0x82, 0xAC, 0x29, 0xB3, 0xD4, 0x1A, 0xA2, 0xC9)
#endif
#endif

#else

#ifndef __IValiderMotsCles_INTERFACE_DEFINED__
#define __IValiderMotsCles_INTERFACE_DEFINED__
typedef struct IValiderMotsClesVtbl {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(IValiderMotsCles* This, REFIID riid, void** ppv);
    ULONG(STDMETHODCALLTYPE* AddRef)(IValiderMotsCles* This);
    ULONG(STDMETHODCALLTYPE* Release)(IValiderMotsCles* This);
    HRESULT(STDMETHODCALLTYPE* Valider)(IValiderMotsCles* This, const char* mot, bool* estMotCle);
} IValiderMotsClesVtbl;
struct IValiderMotsCles {
    CONST_VTBL IValiderMotsClesVtbl* lpVtbl;
};
#endif

#ifndef __ITraduireASCIIMeta_INTERFACE_DEFINED__
#define __ITraduireASCIIMeta_INTERFACE_DEFINED__
typedef struct ITraduireASCIIMetaVtbl {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(ITraduireASCIIMeta* This, REFIID riid, void** ppv);
    ULONG(STDMETHODCALLTYPE* AddRef)(ITraduireASCIIMeta* This);
    ULONG(STDMETHODCALLTYPE* Release)(ITraduireASCIIMeta* This);
    HRESULT(STDMETHODCALLTYPE* Traduire)
    (ITraduireASCIIMeta* This, unsigned char caractere, ResultatTraduction* resultat);
} ITraduireASCIIMetaVtbl;
struct ITraduireASCIIMeta {
    CONST_VTBL ITraduireASCIIMetaVtbl* lpVtbl;
};
#endif

#endif

/* The exports of Lexigarde.dll, for clients that load it themselves. */
typedef HRESULT(STDMETHODCALLTYPE* PFN_DllGetClassObject)(REFCLSID rclsid, REFIID riid, void** ppv);
typedef HRESULT(STDMETHODCALLTYPE* PFN_DllCanUnloadNow)(void);
typedef HRESULT(STDMETHODCALLTYPE* PFN_DllRegisterServer)(void);
typedef HRESULT(STDMETHODCALLTYPE* PFN_DllUnregisterServer)(void);

#endif
