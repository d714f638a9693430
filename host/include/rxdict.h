// Dictionaries of the run-time system; acrxSysRegistry() is the host's root dictionary.
#pragma once

#include "rxobject.h"

#define ACRX_CLASS_DICTIONARY ACRX_T("ClassDictionary")
#define ACRX_DYNAMIC_LINKER ACRX_T("DynamicLinker")
#define ACRX_SERVICE_DICTIONARY ACRX_T("ServiceDictionary")
#define ACRX_COMMAND_DOCK ACRX_T("ACAD_REGISTERED_COMMANDS")

class ACBASE_PORT AcRxDictionary : public AcRxObject {
public:
    static AcRxClass* desc();
    static AcRxDictionary* cast(const AcRxObject* inPtr);
    AcRxClass* isA() const override;

    virtual AcRxObject* at(const ACHAR* key) const = 0;
    // Stores newValue under key and returns the object it replaced (or null).
    virtual AcRxObject* atPut(const ACHAR* key, AcRxObject* newValue) = 0;
    // Takes the entry out and returns it; the caller owns it.
    virtual AcRxObject* remove(const ACHAR* key) = 0;
    virtual bool has(const ACHAR* key) const = 0;
    virtual Adesk::UInt32 numEntries() const = 0;
};

extern "C" ACBASE_PORT AcRxDictionary* acrxSysRegistry();

#define acrxClassDictionary AcRxDictionary::cast(acrxSysRegistry()->at(ACRX_CLASS_DICTIONARY))
