/* The Win32 and COM declarations that Lexigarde uses, for Linux.
 *
 * The functions live in libplateforme_linux.so, one copy per process, as the
 * system DLLs are on Windows: the module and its clients share its handles
 * and its registry. Names, argument types and values are those of Win32, so
 * the module's sources read the same on both platforms. Usable from C and C++. */
#ifndef PLATEFORME_LINUX_H
#define PLATEFORME_LINUX_H

#include <stddef.h>
#include <stdint.h>
#include <string.h>
#ifndef __cplusplus
#include <uchar.h>
#endif

#ifdef __cplusplus
#define EXTERN_C extern "C"
#else
#define EXTERN_C extern
#endif
#define PLATEFORME_API EXTERN_C __attribute__((visibility("default")))

#define WINAPI
#define STDMETHODCALLTYPE
/* An STDAPI function is an entry point of its library, so it is exported. */
#define STDAPI EXTERN_C __attribute__((visibility("default"))) HRESULT STDMETHODCALLTYPE
#define CONST_VTBL

typedef int32_t HRESULT;
typedef int32_t LONG;
typedef uint32_t ULONG;
typedef uint32_t DWORD;
typedef int32_t BOOL;
typedef uint8_t BYTE;
typedef char16_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef void* HANDLE;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HKEY__* HKEY;
typedef struct _SECURITY_ATTRIBUTES SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;
typedef intptr_t(WINAPI* FARPROC)(void);

#ifndef TRUE
#define TRUE 1
#define FALSE 0
#endif

typedef struct _GUID {
    uint32_t Data1;
    uint16_t Data2;
    uint16_t Data3;
    uint8_t Data4[8];
} GUID;
typedef GUID IID;
typedef GUID CLSID;
#ifdef __cplusplus
#define REFGUID const GUID&
#define REFIID const IID&
#define REFCLSID const CLSID&
#else
#define REFGUID const GUID*
#define REFIID const IID*
#define REFCLSID const CLSID*
#endif

/* HRESULT values. */
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define S_OK ((HRESULT)0)
#define S_FALSE ((HRESULT)1)
#define E_NOINTERFACE ((HRESULT)0x80004002)
#define E_POINTER ((HRESULT)0x80004003)
#define E_FAIL ((HRESULT)0x80004005)
#define E_OUTOFMEMORY ((HRESULT)0x8007000E)
#define E_INVALIDARG ((HRESULT)0x80070057)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110)
#define CLASS_E_CLASSNOTAVAILABLE ((HRESULT)0x80040111)
#define SELFREG_E_CLASS ((HRESULT)0x80040201)

/* Win32 error codes. */
#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_MOD_NOT_FOUND 126L
#define ERROR_PROC_NOT_FOUND 127L
#define ERROR_NOT_OWNER 288L
#define ERROR_NOT_SUPPORTED 50L

/* Waits. */
#define INFINITE 0xFFFFFFFFu
#define WAIT_OBJECT_0 0x00000000u
#define WAIT_ABANDONED 0x00000080u
#define WAIT_TIMEOUT 0x00000102u
#define WAIT_FAILED 0xFFFFFFFFu

PLATEFORME_API const IID IID_IUnknown;
PLATEFORME_API const IID IID_IClassFactory;

/* IUnknown and IClassFactory, with the platform's slot order. */
#ifdef __cplusplus
struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;
};

struct IClassFactory : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid,
                                                     void** ppvObject) = 0;
    virtual HRESULT STDMETHODCALLTYPE LockServer(BOOL fLock) = 0;
};
#else
typedef struct IUnknown IUnknown;
typedef struct IUnknownVtbl {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(IUnknown* This, REFIID riid, void** ppvObject);
    ULONG(STDMETHODCALLTYPE* AddRef)(IUnknown* This);
    ULONG(STDMETHODCALLTYPE* Release)(IUnknown* This);
} IUnknownVtbl;
struct IUnknown {
    CONST_VTBL IUnknownVtbl* lpVtbl;
};

typedef struct IClassFactory IClassFactory;
typedef struct IClassFactoryVtbl {
    HRESULT(STDMETHODCALLTYPE* QueryInterface)(IClassFactory* This, REFIID riid, void** ppvObject);
    ULONG(STDMETHODCALLTYPE* AddRef)(IClassFactory* This);
    ULONG(STDMETHODCALLTYPE* Release)(IClassFactory* This);
    HRESULT(STDMETHODCALLTYPE* CreateInstance)(IClassFactory* This, IUnknown* pUnkOuter,
                                               REFIID riid, void** ppvObject);
    HRESULT(STDMETHODCALLTYPE* LockServer)(IClassFactory* This, BOOL fLock);
} IClassFactoryVtbl;
struct IClassFactory {
    CONST_VTBL IClassFactoryVtbl* lpVtbl;
};
#endif
typedef IUnknown* LPUNKNOWN;
typedef IClassFactory* LPCLASSFACTORY;

/* Identifiers: 16 raw bytes, compared as such. */
PLATEFORME_API BOOL WINAPI IsEqualGUID(REFGUID rguid1, REFGUID rguid2);
#define IsEqualIID(a, b) IsEqualGUID(a, b)
#define IsEqualCLSID(a, b) IsEqualGUID(a, b)

/* The calling thread's last error. */
PLATEFORME_API DWORD WINAPI GetLastError(void);
PLATEFORME_API void WINAPI SetLastError(DWORD dwErrCode);

/* Kernel objects: a recursive mutex owned by a thread, and an event. Handles
 * are checked: a null or closed one fails with ERROR_INVALID_HANDLE. Named
 * objects are not supported (ERROR_NOT_SUPPORTED). */
PLATEFORME_API HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES lpMutexAttributes,
                                          BOOL bInitialOwner, LPCWSTR lpName);
PLATEFORME_API BOOL WINAPI ReleaseMutex(HANDLE hMutex);
PLATEFORME_API HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes,
                                          BOOL bManualReset, BOOL bInitialState, LPCWSTR lpName);
PLATEFORME_API BOOL WINAPI SetEvent(HANDLE hEvent);
PLATEFORME_API BOOL WINAPI ResetEvent(HANDLE hEvent);
PLATEFORME_API DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
PLATEFORME_API BOOL WINAPI CloseHandle(HANDLE hObject);

/* Modules: LoadLibraryW takes a path (UTF-16) and loads it with dlopen. */
PLATEFORME_API HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName);
PLATEFORME_API FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
PLATEFORME_API BOOL WINAPI FreeLibrary(HMODULE hLibModule);

#endif
