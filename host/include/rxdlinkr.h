// The host's dynamic linker, as far as applications mark themselves on it.
#pragma once

#include "rxdict.h"

class ACBASE_PORT AcRxDynamicLinker : public AcRxObject {
public:
    static AcRxClass* desc();
    static AcRxDynamicLinker* cast(const AcRxObject* inPtr);
    AcRxClass* isA() const override;

    virtual bool unlockApplication(void* appId) const = 0;
    virtual bool lockApplication(void* appId) const = 0;
    virtual bool isApplicationLocked(const ACHAR* name) const = 0;
    virtual bool registerAppMDIAware(void* appId) const = 0;
    virtual bool registerAppNotMDIAware(void* appId) const = 0;
};

#define acrxDynamicLinker AcRxDynamicLinker::cast(acrxSysRegistry()->at(ACRX_DYNAMIC_LINKER))
