// Class descriptors of the run-time class system and their registration.
#pragma once

#include <string>

#include "rxobject.h"

typedef AcRxObject* (*AcRxPseudoConstructor)();

class ACBASE_PORT AcRxClass : public AcRxObject {
public:
    static AcRxClass* desc();
    static AcRxClass* cast(const AcRxObject* inPtr);
    AcRxClass* isA() const override;

    const ACHAR* name() const { return m_name.c_str(); }
    const ACHAR* dxfName() const { return m_dxfName.c_str(); }
    const ACHAR* appName() const { return m_appName.c_str(); }
    AcRxClass* myParent() const { return m_parent; }
    // True when this class is aClass or is derived from it.
    bool isDerivedFrom(const AcRxClass* aClass) const;
    static bool isDerivedFrom(const AcRxClass* pDerived, const AcRxClass* pBase)
    {
        return pDerived != nullptr && pDerived->isDerivedFrom(pBase);
    }
    AcRxObject* create() const { return m_constructor ? m_constructor() : nullptr; }
    int proxyFlags() const { return m_proxyFlags; }
    void getClassVersion(int& dwgVer, int& maintVer) const { dwgVer = m_dwgVersion; maintVer = m_maintVersion; }
    AppNameChangeFuncPtr appNameCallbackPtr() const { return m_appNameChange; }

    // Stand-in extension: the parent's name as registered (resolved by the hierarchy build).
    const ACHAR* parentName() const { return m_parentName.c_str(); }

private:
    friend class AcRxClassRegistry;
    AcRxClass() = default;

    std::wstring m_name;
    std::wstring m_parentName;
    std::wstring m_dxfName;
    std::wstring m_appName;
    AcRxClass* m_parent = nullptr;
    AcRxPseudoConstructor m_constructor = nullptr;
    AppNameChangeFuncPtr m_appNameChange = nullptr;
    int m_dwgVersion = 0;
    int m_maintVersion = 0;
    int m_proxyFlags = 0;
};

inline bool AcRxObject::isKindOf(const AcRxClass* aClass) const
{
    const AcRxClass* mine = isA();
    return mine != nullptr && mine->isDerivedFrom(aClass);
}

ACBASE_PORT AcRxClass* newAcRxClass(const ACHAR* className, const ACHAR* parentClassName, int proxyFlags = 0,
                                    AcRxObject* (*pseudoConstructor)() = nullptr, const ACHAR* dxfName = nullptr,
                                    const ACHAR* appName = nullptr);
ACBASE_PORT AcRxClass* newAcRxClass(const ACHAR* className, const ACHAR* parentClassName, int dwgVer, int maintVer,
                                    int proxyFlags = 0, AcRxObject* (*pseudoConstructor)() = nullptr,
                                    const ACHAR* dxfName = nullptr, const ACHAR* appName = nullptr,
                                    AppNameChangeFuncPtr func = nullptr);
ACBASE_PORT void acrxBuildClassHierarchy();
// Removes the class from the class dictionary and destroys it. Only at unload.
ACBASE_PORT void deleteAcRxClass(AcRxClass* pClassObj);
ACBASE_PORT AcRxClass* acrxFindAcRxClass(const ACHAR* pClassName);
