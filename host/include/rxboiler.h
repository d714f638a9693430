// The class-service boilerplate every run-time class declares and defines: its
// descriptor, cast, type query, registration and creation function.
#pragma once

#include <new>

#include "rxclass.h"
#include "rxdict.h"

extern "C" ACBASE_PORT void acrx_abort(const ACHAR* format, ...);

// Creation function registered with a class: a new instance by the default
// constructor, or null when the heap has no memory.
template <class T>
AcRxObject* acrxInstantiateClass()
{
    return new (std::nothrow) T();
}

#define ACRX_DECLARE_MEMBERS_EXPIMP(CLASS_NAME, EXPIMP_SPEC)                                         \
    friend AcRxObject* ::acrxInstantiateClass<CLASS_NAME>();                                         \
                                                                                                     \
public:                                                                                              \
    virtual AcRxClass* isA() const override;                                                         \
    static EXPIMP_SPEC AcRxClass* gpDesc;                                                            \
    static AcRxClass* desc();                                                                        \
    static CLASS_NAME* cast(const AcRxObject* inPtr)                                                 \
    {                                                                                                \
        return (inPtr == nullptr || !inPtr->isKindOf(CLASS_NAME::desc())) ? nullptr                  \
                                                                          : (CLASS_NAME*)inPtr;      \
    }                                                                                                \
    static void rxInit();                                                                            \
    static void rxInit(AppNameChangeFuncPtr)

#define ACRX_DECLARE_MEMBERS(CLASS_NAME) ACRX_DECLARE_MEMBERS_EXPIMP(CLASS_NAME, )

// desc() and isA() look the class up by name in the class dictionary once and keep it.
#define ACRX_DEFINE_MEMBERS(CLASS_NAME)                                                              \
    AcRxClass* CLASS_NAME::desc()                                                                    \
    {                                                                                                \
        if (CLASS_NAME::gpDesc != nullptr)                                                           \
            return CLASS_NAME::gpDesc;                                                               \
        return CLASS_NAME::gpDesc = (AcRxClass*)(acrxSysRegistry()->at(ACRX_CLASS_DICTIONARY) == nullptr \
                                                     ? nullptr                                       \
                                                     : acrxClassDictionary->at(ACRX_T(#CLASS_NAME))); \
    }                                                                                                \
    AcRxClass* CLASS_NAME::isA() const { return CLASS_NAME::desc(); }                                \
    AcRxClass* CLASS_NAME::gpDesc = nullptr

#define ACRX_DXF_DEFINE_MEMBERS(CLASS_NAME, PARENT_CLASS, DWG_VERSION, MAINTENANCE_VERSION, PROXY_FLAGS, \
                                DXF_NAME, APP)                                                       \
    ACRX_DEFINE_MEMBERS(CLASS_NAME);                                                                 \
    static void CLASS_NAME##_register(AppNameChangeFuncPtr func)                                     \
    {                                                                                                \
        if (CLASS_NAME::gpDesc != nullptr) {                                                         \
            AcRxClass* pClass = (AcRxClass*)(acrxClassDictionary->at(ACRX_T(#CLASS_NAME)));          \
            if (pClass != nullptr) {                                                                 \
                if (CLASS_NAME::gpDesc == pClass)                                                    \
                    return;                                                                          \
                acrx_abort(ACRX_T("Class mismatch"));                                                \
            }                                                                                        \
        }                                                                                            \
        CLASS_NAME::gpDesc = newAcRxClass(ACRX_T(#CLASS_NAME), ACRX_T(#PARENT_CLASS), DWG_VERSION,   \
                                          MAINTENANCE_VERSION, PROXY_FLAGS,                          \
                                          &acrxInstantiateClass<CLASS_NAME>, ACRX_T(#DXF_NAME),      \
                                          ACRX_T(#APP), func);                                       \
    }                                                                                                \
    void CLASS_NAME::rxInit() { CLASS_NAME##_register(nullptr); }                                    \
    void CLASS_NAME::rxInit(AppNameChangeFuncPtr func) { CLASS_NAME##_register(func); }

// Declares the services of a class the runtime itself implements.
#define ACRT_DECLARE_CLASS(CLASS_NAME)                                                               \
public:                                                                                              \
    static AcRxClass* desc();                                                                        \
    static CLASS_NAME* cast(const AcRxObject* inPtr)                                                 \
    {                                                                                                \
        return (inPtr == nullptr || !inPtr->isKindOf(CLASS_NAME::desc())) ? nullptr                  \
                                                                          : (CLASS_NAME*)inPtr;      \
    }                                                                                                \
    AcRxClass* isA() const override
