#pragma once

#include "framework/wintypes.h"
#include "map/mywebbrowser/mappagehost.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>
#include <QVariant>

#include <array>
#include <cstdint>
#include <vector>

// The automation vocabulary the page-visible object is written in.
using HRESULT = std::int32_t;
using DISPID = std::int32_t;
using ULONG = std::uint32_t;
using WORD = std::uint16_t;
using LCID = std::uint32_t;
using IID = QUuid;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u);
constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u);
constexpr HRESULT E_POINTER = HRESULT(0x80004003u);
constexpr HRESULT DISP_E_UNKNOWNNAME = HRESULT(0x80020006u);

constexpr DISPID DISPID_UNKNOWN = -1;
constexpr WORD DISPATCH_METHOD = 0x1;
constexpr WORD DISPATCH_PROPERTYGET = 0x2;

inline const IID IID_NULL;
inline const IID IID_IUnknown{0x00000000, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
inline const IID IID_IDispatch{0x00020400, 0x0000, 0x0000, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

// The object every map page reaches as window.external. One exists for the whole run,
// owned by the application; the reference count is bookkeeping only and never deletes.
// Its host is not owned: whoever sets it unsets it (SetHost(nullptr)) before the host goes.
// Published to the page over QWebChannel; the page's script reaches it through CallMember.
class CImpIDispatch : public QObject
{
    Q_OBJECT
public:
    enum : DISPID {
        DISPID_CB_IsOurCustomBrowser = 1,
        DISPID_CB_CustomFunction = 2,
        DISPID_CB_SetStartupCenterPoint = 3,
        DISPID_CB_SetGPSPageInitialized = 4,
        DISPID_CB_SeekToRouteSecond = 5,
    };

    struct Member
    {
        const char* pszName;
        DISPID dispid;
    };
    static const std::array<Member, 5> s_members;

    CImpIDispatch();
    ~CImpIDispatch() override;
    CImpIDispatch(const CImpIDispatch&) = delete;
    CImpIDispatch& operator=(const CImpIDispatch&) = delete;

    // Where the page's method calls take effect; without a host they do nothing.
    void SetHost(IMapPageHost* pHost);

    // IUnknown
    HRESULT QueryInterface(const IID& riid, void** ppvObject);
    ULONG AddRef();
    ULONG Release();

    // IDispatch
    HRESULT GetTypeInfoCount(UINT* pctinfo);
    HRESULT GetTypeInfo(UINT iTInfo, LCID lcid, void** ppTInfo);
    // One DISPID per name, in order; names compare exactly. Unknown names give DISPID_UNKNOWN
    // and make the call return DISP_E_UNKNOWNNAME.
    HRESULT GetIDsOfNames(const IID& riid, const QStringList& names, LCID lcid, std::vector<DISPID>* pDispIds);
    // A property read sets *pVarResult to true; a method call runs the member's effect.
    HRESULT Invoke(DISPID dispIdMember, const IID& riid, LCID lcid, WORD wFlags, const QVariantList* pDispParams,
                   QVariant* pVarResult, void* pExcepInfo, UINT* puArgErr);

    // A page's call window.external.<name>(arguments...), as the script engine makes it: the
    // name is resolved, then invoked as method and property read at once. Null for an unknown name.
    Q_INVOKABLE QVariant CallMember(const QString& name, const QVariantList& arguments);
    QVariant CallMember(const QString& name) { return CallMember(name, {}); }

    std::int32_t m_nRefCount = 0;

private:
    IMapPageHost* m_pHost = nullptr;
};
