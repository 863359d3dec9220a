/* What widl's generated proxy/stub code needs from us, put before each of
 * its files: the library's own class identifier, self-registration, and
 * declarations that MinGW's headers lack. */
#ifndef LEXIGARDE_PS_H
#define LEXIGARDE_PS_H

#include <objbase.h>

/* {404DD312-1606-450A-98E7-3DFDA7516400}: the class COM asks for the proxies
 * and stubs, written under Interface\{IID}\ProxyStubClsid32 of both
 * interfaces. */
#define PROXY_CLSID_IS {0x404DD312, 0x1606, 0x450A, {0x98, 0xE7, 0x3D, 0xFD, 0xA7, 0x51, 0x64, 0x00}}

/* DllRegisterServer and DllUnregisterServer from rpcrt4's NdrDllRegisterProxy. */
#define REGISTER_PROXY_DLL

/* The dual interfaces' stubs hand IDispatch on to oleaut32's (delegation):
 * rpcproxy.h then defines the stubs' CStdStubBuffer2_Release, which MIDL
 * asks for itself and widl does not. */
#define PROXY_DELEGATION

/* rpcrt4 exports the IUnknown part of every generated proxy; MinGW does not
 * declare it. */
HRESULT STDMETHODCALLTYPE IUnknown_QueryInterface_Proxy(IUnknown* This, REFIID riid, void** ppvObject);
ULONG STDMETHODCALLTYPE IUnknown_AddRef_Proxy(IUnknown* This);
ULONG STDMETHODCALLTYPE IUnknown_Release_Proxy(IUnknown* This);

#endif
