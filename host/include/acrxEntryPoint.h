// Application objects of host modules: one handler per host message, with the
// dispatch that acrxEntryPoint forwards to, and the entry-point boilerplate.
#pragma once

#include "rxdefs.h"
#include "rxregsvc.h"

typedef void* HINSTANCE;

// Object-enabler application: a module of entity classes.
class AcRxDbxApp {
public:
    AcRxDbxApp() : m_hdllInstance(nullptr), m_bUnlocked(true), m_bMDIAware(true) {}
    virtual ~AcRxDbxApp() = default;

    virtual AcRx::AppRetCode On_kInitAppMsg(void* pkt);
    virtual AcRx::AppRetCode On_kUnloadAppMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kLoadDwgMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kUnloadDwgMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kInvkSubrMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kCfgMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kEndMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kQuitMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kSaveMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kDependencyMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kNoDependencyMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kOleUnloadAppMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kPreQuitMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kInitDialogMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kEndDialogMsg(void*) { return AcRx::kRetOK; }
    virtual AcRx::AppRetCode On_kNullMsg(void*) { return AcRx::kRetOK; }
    virtual void RegisterServerComponents() = 0;

    // Codes 0 to 15 go to their handler; any other code is answered with kRetOK.
    AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* pkt);

    // The module handle recorded when the library was attached.
    void setRecordedInstance(HINSTANCE h) { m_hRecordedInstance = h; }

protected:
    HINSTANCE m_hdllInstance;
    HINSTANCE m_hRecordedInstance = nullptr;
    bool m_bUnlocked;
    bool m_bMDIAware;
};

inline AcRx::AppRetCode AcRxDbxApp::On_kInitAppMsg(void* pkt)
{
    m_hdllInstance = m_hRecordedInstance;
    if (m_bUnlocked)
        acrxUnlockApplication(pkt);
    if (m_bMDIAware)
        acrxRegisterAppMDIAware(pkt);
    RegisterServerComponents();
    return AcRx::kRetOK;
}

inline AcRx::AppRetCode AcRxDbxApp::acrxEntryPoint(AcRx::AppMsgCode msg, void* pkt)
{
    switch (msg) {
    case AcRx::kNullMsg: return On_kNullMsg(pkt);
    case AcRx::kInitAppMsg: return On_kInitAppMsg(pkt);
    case AcRx::kUnloadAppMsg: return On_kUnloadAppMsg(pkt);
    case AcRx::kLoadDwgMsg: return On_kLoadDwgMsg(pkt);
    case AcRx::kUnloadDwgMsg: return On_kUnloadDwgMsg(pkt);
    case AcRx::kInvkSubrMsg: return On_kInvkSubrMsg(pkt);
    case AcRx::kCfgMsg: return On_kCfgMsg(pkt);
    case AcRx::kEndMsg: return On_kEndMsg(pkt);
    case AcRx::kQuitMsg: return On_kQuitMsg(pkt);
    case AcRx::kSaveMsg: return On_kSaveMsg(pkt);
    case AcRx::kDependencyMsg: return On_kDependencyMsg(pkt);
    case AcRx::kNoDependencyMsg: return On_kNoDependencyMsg(pkt);
    case AcRx::kOleUnloadAppMsg: return On_kOleUnloadAppMsg(pkt);
    case AcRx::kPreQuitMsg: return On_kPreQuitMsg(pkt);
    case AcRx::kInitDialogMsg: return On_kInitDialogMsg(pkt);
    case AcRx::kEndDialogMsg: return On_kEndDialogMsg(pkt);
    default: return AcRx::kRetOK;
    }
}

// Command application: a module that adds commands to the host.
class AcRxArxApp : public AcRxDbxApp {
public:
    AcRxArxApp() = default;
};

#define ACRX_EXPORT_C extern "C" __attribute__((visibility("default")))

// The host's API generation this module is built for: release 20.0.
#define ACRX_API_VERSION 0x140000

// The module's entry point and API handshake, forwarding to its one application object.
#define IMPLEMENT_ARX_ENTRYPOINT(CLASSNAME)                                                     \
    static CLASSNAME theApp;                                                                    \
    ACRX_EXPORT_C AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* pkt)              \
    {                                                                                           \
        return theApp.acrxEntryPoint(msg, pkt);                                                 \
    }                                                                                           \
    ACRX_EXPORT_C int acrxGetApiVersion(int) { return ACRX_API_VERSION; }
