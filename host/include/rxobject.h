// Root of the run-time class system: every host object knows its class descriptor.
#pragma once

#include "acadstrc.h"
#include "rxdefs.h"

class AcRxClass;

class ACBASE_PORT AcRxObject {
public:
    virtual ~AcRxObject();

    static AcRxClass* desc();
    static AcRxObject* cast(const AcRxObject* inPtr) { return const_cast<AcRxObject*>(inPtr); }

    inline bool isKindOf(const AcRxClass* aClass) const;

    virtual AcRxClass* isA() const;
    virtual AcRxObject* clone() const;
    virtual Acad::ErrorStatus copyFrom(const AcRxObject* other);
    virtual bool isEqualTo(const AcRxObject* other) const;
    virtual AcRx::Ordering comparedTo(const AcRxObject* other) const;

protected:
    AcRxObject() = default;
    AcRxObject(const AcRxObject&) = default;
    AcRxObject& operator=(const AcRxObject&) = default;
};
