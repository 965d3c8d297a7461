#include "map/mywebbrowser/impidispatch.h"

#include <cmath>

const std::array<CImpIDispatch::Member, 5> CImpIDispatch::s_members = {{
    {"CB_IsOurCustomBrowser", DISPID_CB_IsOurCustomBrowser},
    {"CB_CustomFunction", DISPID_CB_CustomFunction},
    {"CB_SetStartupCenterPoint", DISPID_CB_SetStartupCenterPoint},
    {"CB_SetGPSPageInitialized", DISPID_CB_SetGPSPageInitialized},
    {"CB_SeekToRouteSecond", DISPID_CB_SeekToRouteSecond},
}};

namespace {

// The first argument as a number; NaN when there is none or it is not one.
double NumberArgument(const QVariantList* pDispParams)
{
    if (!pDispParams || pDispParams->isEmpty())
        return std::nan("");
    bool bOk = false;
    const double dValue = pDispParams->constFirst().toDouble(&bOk);
    return bOk ? dValue : std::nan("");
}

} // namespace

CImpIDispatch::CImpIDispatch()
{
    setObjectName(QStringLiteral("external"));
}

CImpIDispatch::~CImpIDispatch()
{
    Q_ASSERT_X(m_nRefCount == 0, "CImpIDispatch", "deleted while a page still holds it");
}

void CImpIDispatch::SetHost(IMapPageHost* pHost)
{
    m_pHost = pHost;
}

HRESULT CImpIDispatch::QueryInterface(const IID& riid, void** ppvObject)
{
    if (!ppvObject)
        return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDispatch) {
        *ppvObject = this;
        AddRef();
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG CImpIDispatch::AddRef()
{
    return ULONG(++m_nRefCount);
}

ULONG CImpIDispatch::Release()
{
    return ULONG(--m_nRefCount);
}

HRESULT CImpIDispatch::GetTypeInfoCount(UINT*)
{
    return E_NOTIMPL;
}

HRESULT CImpIDispatch::GetTypeInfo(UINT, LCID, void**)
{
    return E_NOTIMPL;
}

HRESULT CImpIDispatch::GetIDsOfNames(const IID&, const QStringList& names, LCID, std::vector<DISPID>* pDispIds)
{
    if (!pDispIds)
        return E_POINTER;
    pDispIds->assign(size_t(names.size()), DISPID_UNKNOWN);
    HRESULT hr = S_OK;
    for (qsizetype i = 0; i < names.size(); ++i) {
        const QByteArray name = names[i].toUtf8();
        for (const Member& member : s_members) {
            if (name == member.pszName) {
                (*pDispIds)[size_t(i)] = member.dispid;
                break;
            }
        }
        if ((*pDispIds)[size_t(i)] == DISPID_UNKNOWN)
            hr = DISP_E_UNKNOWNNAME;
    }
    return hr;
}

HRESULT CImpIDispatch::Invoke(DISPID dispIdMember, const IID&, LCID, WORD wFlags, const QVariantList* pDispParams,
                              QVariant* pVarResult, void*, UINT*)
{
    if (dispIdMember < DISPID_CB_IsOurCustomBrowser || dispIdMember > DISPID_CB_SeekToRouteSecond)
        return S_OK;

    if ((wFlags & DISPATCH_PROPERTYGET) && pVarResult)
        *pVarResult = QVariant(true);

    if (wFlags & DISPATCH_METHOD) {
        if (dispIdMember == DISPID_CB_IsOurCustomBrowser) {
            if (pVarResult)
                *pVarResult = QVariant(true);
            return S_OK;
        }
        if (!m_pHost)
            return S_OK;
        switch (dispIdMember) {
        case DISPID_CB_CustomFunction:
            m_pHost->ShowScriptTestMessage();
            break;
        case DISPID_CB_SetStartupCenterPoint:
            m_pHost->SendStartPoint();
            break;
        case DISPID_CB_SetGPSPageInitialized:
            m_pHost->OnGpsPageInitialized();
            break;
        case DISPID_CB_SeekToRouteSecond: {
            const double dSecond = NumberArgument(pDispParams);
            if (std::isfinite(dSecond))
                m_pHost->SeekToRouteSecond(dSecond);
            break;
        }
        default:
            break;
        }
    }
    return S_OK;
}

QVariant CImpIDispatch::CallMember(const QString& name, const QVariantList& arguments)
{
    std::vector<DISPID> ids;
    if (GetIDsOfNames(IID_NULL, QStringList{name}, 0, &ids) != S_OK)
        return QVariant();
    QVariant result;
    Invoke(ids.front(), IID_NULL, 0, DISPATCH_METHOD | DISPATCH_PROPERTYGET, &arguments, &result, nullptr, nullptr);
    return result;
}
