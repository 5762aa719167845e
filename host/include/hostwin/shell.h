// Shell services of the host layer: COM with the shell link object and its
// file interface, ShellExecuteA. The interfaces keep the Windows slot order,
// names and signatures, so code written against the platform's headers
// compiles unchanged against these.
#pragma once

#include "types.h"
#include "kernel.h"

// COM results.
#define S_OK ((HRESULT)0L)
#define S_FALSE ((HRESULT)1L)
#define E_NOTIMPL ((HRESULT)0x80004001L)
#define E_NOINTERFACE ((HRESULT)0x80004002L)
#define E_POINTER ((HRESULT)0x80004003L)
#define E_FAIL ((HRESULT)0x80004005L)
#define E_UNEXPECTED ((HRESULT)0x8000FFFFL)
#define E_ACCESSDENIED ((HRESULT)0x80070005L)
#define E_OUTOFMEMORY ((HRESULT)0x8007000EL)
#define E_INVALIDARG ((HRESULT)0x80070057L)
#define CLASS_E_NOAGGREGATION ((HRESULT)0x80040110L)
#define REGDB_E_CLASSNOTREG ((HRESULT)0x80040154L)
#define CO_E_NOTINITIALIZED ((HRESULT)0x800401F0L)
#define STG_E_FILENOTFOUND ((HRESULT)0x80030002L)
#define STG_E_PATHNOTFOUND ((HRESULT)0x80030003L)
#define STG_E_ACCESSDENIED ((HRESULT)0x80030005L)
#define SUCCEEDED(hr) (((HRESULT)(hr)) >= 0)
#define FAILED(hr) (((HRESULT)(hr)) < 0)
#define HRESULT_FROM_WIN32(x) \
    ((HRESULT)(x) <= 0 ? ((HRESULT)(x)) : ((HRESULT)(((x) & 0x0000FFFF) | (7 << 16) | 0x80000000)))

#define STDMETHODCALLTYPE
#define CLSCTX_INPROC_SERVER 0x1
#define CLSCTX_INPROC_HANDLER 0x2
#define CLSCTX_LOCAL_SERVER 0x4
#define CLSCTX_ALL (CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER | CLSCTX_LOCAL_SERVER)

// IPersistFile::Load modes (the storage modes of STGM).
#define STGM_READ 0x00000000L
#define STGM_WRITE 0x00000001L
#define STGM_READWRITE 0x00000002L

typedef OLECHAR* LPOLESTR;

inline bool IsEqualGUID(const GUID& a, const GUID& b) {
    if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
    for (int i = 0; i < 8; ++i)
        if (a.Data4[i] != b.Data4[i]) return false;
    return true;
}
#define IsEqualIID(a, b) IsEqualGUID(a, b)
#define IsEqualCLSID(a, b) IsEqualGUID(a, b)
inline bool operator==(const GUID& a, const GUID& b) { return IsEqualGUID(a, b); }
inline bool operator!=(const GUID& a, const GUID& b) { return !IsEqualGUID(a, b); }

extern const IID IID_IUnknown;
extern const IID IID_IPersist;
extern const IID IID_IPersistFile;
extern const IID IID_IShellLinkA;
extern const CLSID CLSID_ShellLink;

struct IUnknown {
    virtual HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) = 0;
    virtual ULONG STDMETHODCALLTYPE AddRef() = 0;
    virtual ULONG STDMETHODCALLTYPE Release() = 0;

  protected:
    ~IUnknown() = default;  // objects go away through Release
};
typedef IUnknown* LPUNKNOWN;

struct IPersist : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetClassID(CLSID* pClassID) = 0;

  protected:
    ~IPersist() = default;
};

struct IPersistFile : public IPersist {
    virtual HRESULT STDMETHODCALLTYPE IsDirty() = 0;
    virtual HRESULT STDMETHODCALLTYPE Load(LPCOLESTR pszFileName, DWORD dwMode) = 0;
    virtual HRESULT STDMETHODCALLTYPE Save(LPCOLESTR pszFileName, BOOL fRemember) = 0;
    virtual HRESULT STDMETHODCALLTYPE SaveCompleted(LPCOLESTR pszFileName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetCurFile(LPOLESTR* ppszFileName) = 0;

  protected:
    ~IPersistFile() = default;
};
typedef IPersistFile* LPPERSISTFILE;

// Item identifier lists: only named; the host's links carry none.
typedef struct _SHITEMID {
    WORD cb;
    BYTE abID[1];
} SHITEMID;
typedef struct _ITEMIDLIST {
    SHITEMID mkid;
} ITEMIDLIST;
typedef ITEMIDLIST* LPITEMIDLIST;
typedef const ITEMIDLIST* LPCITEMIDLIST;

// IShellLinkA::GetPath flags.
#define SLGP_SHORTPATH 0x0001
#define SLGP_UNCPRIORITY 0x0002
#define SLGP_RAWPATH 0x0004

struct IShellLinkA : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE GetPath(LPSTR pszFile, int cch, WIN32_FIND_DATAA* pfd, DWORD fFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIDList(LPITEMIDLIST* ppidl) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetIDList(LPCITEMIDLIST pidl) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetDescription(LPSTR pszName, int cch) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetDescription(LPCSTR pszName) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetWorkingDirectory(LPSTR pszDir, int cch) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetWorkingDirectory(LPCSTR pszDir) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetArguments(LPSTR pszArgs, int cch) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetArguments(LPCSTR pszArgs) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetHotkey(WORD* pwHotkey) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetHotkey(WORD wHotkey) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetShowCmd(int* piShowCmd) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetShowCmd(int iShowCmd) = 0;
    virtual HRESULT STDMETHODCALLTYPE GetIconLocation(LPSTR pszIconPath, int cch, int* piIcon) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetIconLocation(LPCSTR pszIconPath, int iIcon) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetRelativePath(LPCSTR pszPathRel, DWORD dwReserved) = 0;
    virtual HRESULT STDMETHODCALLTYPE Resolve(HWND hwnd, DWORD fFlags) = 0;
    virtual HRESULT STDMETHODCALLTYPE SetPath(LPCSTR pszFile) = 0;

  protected:
    ~IShellLinkA() = default;
};
typedef IShellLinkA* LPSHELLLINKA;
#define IShellLink IShellLinkA
#define IID_IShellLink IID_IShellLinkA

HRESULT CoInitialize(LPVOID pvReserved);
void CoUninitialize(void);
HRESULT CoCreateInstance(REFCLSID rclsid, LPUNKNOWN pUnkOuter, DWORD dwClsContext, REFIID riid, LPVOID* ppv);
LPVOID CoTaskMemAlloc(size_t cb);
void CoTaskMemFree(LPVOID pv);

// ShellExecuteA errors (values of 32 and below).
#define SE_ERR_FNF 2
#define SE_ERR_PNF 3
#define SE_ERR_ACCESSDENIED 5
#define SE_ERR_OOM 8
#define SE_ERR_NOASSOC 31
HINSTANCE ShellExecuteA(HWND hwnd, LPCSTR lpOperation, LPCSTR lpFile, LPCSTR lpParameters,
                        LPCSTR lpDirectory, INT nShowCmd);
