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
typedef BYTE* LPBYTE;
typedef DWORD* LPDWORD;
typedef LONG LSTATUS;
typedef size_t SIZE_T;
typedef char16_t WCHAR;
typedef WCHAR* LPWSTR;
typedef const WCHAR* LPCWSTR;
typedef WCHAR OLECHAR;
typedef OLECHAR* LPOLESTR;
typedef const OLECHAR* LPCOLESTR;
typedef const char* LPCSTR;
typedef void* LPVOID;
typedef void* HANDLE;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef DWORD REGSAM;
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
#define ERROR_BAD_PATHNAME 161L
#define ERROR_MORE_DATA 234L
#define ERROR_NO_MORE_ITEMS 259L
#define ERROR_NOT_OWNER 288L
#define ERROR_NOACCESS 998L
#define ERROR_KEY_DELETED 1018L
#define ERROR_NOT_SUPPORTED 50L

#define MAX_PATH 260

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
    virtual HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* pUnkOuter, REFIID riid, void** ppvObject) = 0;
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
    HRESULT(STDMETHODCALLTYPE* CreateInstance)
    (IClassFactory* This, IUnknown* pUnkOuter, REFIID riid, void** ppvObject);
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
PLATEFORME_API HANDLE WINAPI CreateMutexW(LPSECURITY_ATTRIBUTES lpMutexAttributes, BOOL bInitialOwner,
                                          LPCWSTR lpName);
PLATEFORME_API BOOL WINAPI ReleaseMutex(HANDLE hMutex);
PLATEFORME_API HANDLE WINAPI CreateEventW(LPSECURITY_ATTRIBUTES lpEventAttributes, BOOL bManualReset,
                                          BOOL bInitialState, LPCWSTR lpName);
PLATEFORME_API BOOL WINAPI SetEvent(HANDLE hEvent);
PLATEFORME_API BOOL WINAPI ResetEvent(HANDLE hEvent);
PLATEFORME_API DWORD WINAPI WaitForSingleObject(HANDLE hHandle, DWORD dwMilliseconds);
PLATEFORME_API BOOL WINAPI CloseHandle(HANDLE hObject);

/* Modules: LoadLibraryW takes a path (UTF-16) and loads it with dlopen. A
 * module handle is the one dlopen gives, whichever call returns it. Names
 * compare as on Windows, blind to case: a bare file name against the last
 * component of each loaded module's path (".dll" added when it has no
 * extension), a name with a separator against the whole path. Paths come
 * back as absolute UTF-16, invalid UTF-8 bytes as U+FFFD. */
#define GET_MODULE_HANDLE_EX_FLAG_PIN 0x00000001u
#define GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT 0x00000002u
#define GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS 0x00000004u

PLATEFORME_API HMODULE WINAPI LoadLibraryW(LPCWSTR lpLibFileName);
PLATEFORME_API FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
PLATEFORME_API BOOL WINAPI FreeLibrary(HMODULE hLibModule);
PLATEFORME_API HMODULE WINAPI GetModuleHandleW(LPCWSTR lpModuleName);
PLATEFORME_API BOOL WINAPI GetModuleHandleExW(DWORD dwFlags, LPCWSTR lpModuleName, HMODULE* phModule);
PLATEFORME_API DWORD WINAPI GetModuleFileNameW(HMODULE hModule, LPWSTR lpFilename, DWORD nSize);
/* Test-only, not Win32: from now on GetModuleHandleW and GetModuleHandleExW
 * find no module (bit 1), GetModuleFileNameW names none (bit 2); 0 ends it. */
PLATEFORME_API void PlateformeCacherModules(DWORD quoi);

/* The registry, in the process's memory, shared by every thread: empty at
 * start, gone at exit. The three roots are separate trees (no merged view
 * of classes). Key and value names compare blind to case (ASCII and
 * Latin-1) and keep the case they were created with; subkeys enumerate in
 * that case-blind alphabetical order, values in creation order. Each call
 * returns its Win32 error code and leaves the last error alone; a call that
 * runs out of memory returns ERROR_NOT_ENOUGH_MEMORY and changes nothing.
 *
 * A handle grants the rights it was opened with: setting a value needs
 * KEY_SET_VALUE, reading or enumerating values KEY_QUERY_VALUE, enumerating
 * subkeys KEY_ENUMERATE_SUB_KEYS. A root used directly grants every right
 * its key does not refuse. A key deleted under an open handle leaves the
 * handle valid only to be closed (ERROR_KEY_DELETED otherwise). No security
 * attributes, classes, write times or volatile keys: those arguments are
 * ignored, and RegEnumKeyExW gives an empty class and a zero time. A
 * reserved argument that is not zero, or an option RegOpenKeyExW does not
 * know, is refused with ERROR_INVALID_PARAMETER, as Win32 documents. */
#define HKEY_CLASSES_ROOT ((HKEY)(intptr_t)(LONG)0x80000000)
#define HKEY_CURRENT_USER ((HKEY)(intptr_t)(LONG)0x80000001)
#define HKEY_LOCAL_MACHINE ((HKEY)(intptr_t)(LONG)0x80000002)

#define REG_NONE 0u
#define REG_SZ 1u
#define REG_EXPAND_SZ 2u
#define REG_BINARY 3u
#define REG_DWORD 4u

#define REG_OPTION_NON_VOLATILE 0u
#define REG_OPTION_OPEN_LINK 8u
#define REG_CREATED_NEW_KEY 1u
#define REG_OPENED_EXISTING_KEY 2u

#define KEY_QUERY_VALUE 0x0001u
#define KEY_SET_VALUE 0x0002u
#define KEY_CREATE_SUB_KEY 0x0004u
#define KEY_ENUMERATE_SUB_KEYS 0x0008u
#define KEY_NOTIFY 0x0010u
#define DELETE 0x00010000u
#define KEY_READ 0x20019u
#define KEY_WRITE 0x20006u
#define KEY_ALL_ACCESS 0xF003Fu

PLATEFORME_API LONG WINAPI RegCreateKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD Reserved, LPWSTR lpClass,
                                           DWORD dwOptions, REGSAM samDesired,
                                           const SECURITY_ATTRIBUTES* lpSecurityAttributes, PHKEY phkResult,
                                           LPDWORD lpdwDisposition);
PLATEFORME_API LONG WINAPI RegOpenKeyExW(HKEY hKey, LPCWSTR lpSubKey, DWORD ulOptions, REGSAM samDesired,
                                         PHKEY phkResult);
PLATEFORME_API LONG WINAPI RegSetValueExW(HKEY hKey, LPCWSTR lpValueName, DWORD Reserved, DWORD dwType,
                                          const BYTE* lpData, DWORD cbData);
PLATEFORME_API LONG WINAPI RegQueryValueExW(HKEY hKey, LPCWSTR lpValueName, LPDWORD lpReserved,
                                            LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
PLATEFORME_API LONG WINAPI RegEnumKeyExW(HKEY hKey, DWORD dwIndex, LPWSTR lpName, LPDWORD lpcchName,
                                         LPDWORD lpReserved, LPWSTR lpClass, LPDWORD lpcchClass,
                                         void* lpftLastWriteTime);
PLATEFORME_API LONG WINAPI RegEnumValueW(HKEY hKey, DWORD dwIndex, LPWSTR lpValueName, LPDWORD lpcchValueName,
                                         LPDWORD lpReserved, LPDWORD lpType, LPBYTE lpData, LPDWORD lpcbData);
PLATEFORME_API LONG WINAPI RegDeleteKeyW(HKEY hKey, LPCWSTR lpSubKey);
PLATEFORME_API LONG WINAPI RegCloseKey(HKEY hKey);

/* Test-only controls of the stand-in's registry, not Win32 (no Windows
 * build has them).
 * PlateformeRefuserAcces: from now on, the key `sousCle` under `racine` (any
 * key handle; null or empty: that key itself) refuses the rights `refuses`,
 * as it would a user without them: opening it asking for one of them, or
 * creating it when it exists, fails with ERROR_ACCESS_DENIED; creating a
 * subkey under it needs KEY_CREATE_SUB_KEY, deleting it DELETE. 0 grants
 * everything again. Handles already open keep their rights. ERROR_FILE_NOT_FOUND
 * if the key does not exist.
 * PlateformeClesOuvertes: the number of key handles open now, roots apart.
 * PlateformeViderRegistre: empties the three roots and lifts their refusals;
 * handles still open on removed keys stay open, as on deleted keys. */
PLATEFORME_API LONG PlateformeRefuserAcces(HKEY racine, LPCWSTR sousCle, REGSAM refuses);
PLATEFORME_API DWORD PlateformeClesOuvertes(void);
/* Test-only, not Win32: how many calls, since the process started, were
 * refused a handle (kernel object or key) that was closed or never issued,
 * or a mutex their thread did not own: faults Win32 reports and forgets. */
PLATEFORME_API DWORD PlateformeAppelsRefuses(void);
PLATEFORME_API void PlateformeViderRegistre(void);

/* COM memory and text. CoTaskMemAlloc allocates through the process's
 * operator new, so a test allocator that fails on purpose reaches it too. */
PLATEFORME_API LPVOID WINAPI CoTaskMemAlloc(SIZE_T cb);
PLATEFORME_API void WINAPI CoTaskMemFree(LPVOID pv);
/* "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}", upper-case, from CoTaskMemAlloc. */
STDAPI StringFromCLSID(REFCLSID rclsid, LPOLESTR* lplpsz);

#endif
