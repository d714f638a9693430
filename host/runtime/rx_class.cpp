// The run-time class system: class descriptors, the class dictionary, the system
// registry and the dynamic linker's application marks.
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>

#include "AcString.h"
#include "rx_runtime_class.h"
#include "rxdlinkr.h"
#include "rxregsvc.h"
#include "vemhost_testing.h"

namespace {

// A dictionary that owns nothing: entries are owned by whoever put them there.
class MapDictionary : public AcRxDictionary {
public:
    AcRxObject* at(const ACHAR* key) const override
    {
        if (key == nullptr)
            return nullptr;
        auto it = m_entries.find(key);
        return it == m_entries.end() ? nullptr : it->second;
    }
    AcRxObject* atPut(const ACHAR* key, AcRxObject* newValue) override
    {
        if (key == nullptr)
            return nullptr;
        AcRxObject*& slot = m_entries[key];
        AcRxObject* old = slot;
        slot = newValue;
        return old;
    }
    AcRxObject* remove(const ACHAR* key) override
    {
        if (key == nullptr)
            return nullptr;
        auto it = m_entries.find(key);
        if (it == m_entries.end())
            return nullptr;
        AcRxObject* old = it->second;
        m_entries.erase(it);
        return old;
    }
    bool has(const ACHAR* key) const override { return key != nullptr && m_entries.count(key) != 0; }
    Adesk::UInt32 numEntries() const override { return Adesk::UInt32(m_entries.size()); }

private:
    std::map<std::wstring, AcRxObject*> m_entries;
};

// Applications mark themselves unlockable and able to work with several drawings.
class DynamicLinker : public AcRxDynamicLinker {
public:
    bool unlockApplication(void* appId) const override { m_unlocked.insert(appId); return true; }
    bool lockApplication(void* appId) const override { m_unlocked.erase(appId); return true; }
    bool isApplicationLocked(const ACHAR*) const override { return false; }
    bool registerAppMDIAware(void* appId) const override { m_mdiAware.insert(appId); return true; }
    bool registerAppNotMDIAware(void* appId) const override { m_mdiAware.erase(appId); return true; }
    bool isUnlocked(void* appId) const { return m_unlocked.count(appId) != 0; }
    bool isMDIAware(void* appId) const { return m_mdiAware.count(appId) != 0; }

private:
    mutable std::set<void*> m_unlocked;
    mutable std::set<void*> m_mdiAware;
};

}  // namespace

// Owns every class descriptor and the root dictionaries of the host.
class AcRxClassRegistry {
public:
    static AcRxClassRegistry& instance()
    {
        static AcRxClassRegistry registry;
        return registry;
    }

    AcRxDictionary* sysRegistry() { return &m_sysRegistry; }
    AcRxDictionary* classDictionary() { return &m_classDictionary; }
    DynamicLinker* linker() { return &m_linker; }

    AcRxClass* find(const ACHAR* name) { return static_cast<AcRxClass*>(m_classDictionary.at(name)); }

    AcRxClass* create(const ACHAR* className, const ACHAR* parentName, int dwgVer, int maintVer, int proxyFlags,
                      AcRxPseudoConstructor constructor, const ACHAR* dxfName, const ACHAR* appName,
                      AppNameChangeFuncPtr func)
    {
        if (className == nullptr || *className == 0)
            return nullptr;
        if (AcRxClass* existing = find(className))
            return existing;
        std::unique_ptr<AcRxClass> cls(new AcRxClass());
        cls->m_name = className;
        cls->m_parentName = parentName ? parentName : L"";
        cls->m_dxfName = dxfName ? dxfName : L"";
        cls->m_appName = appName ? appName : L"";
        cls->m_dwgVersion = dwgVer;
        cls->m_maintVersion = maintVer;
        cls->m_proxyFlags = proxyFlags;
        cls->m_constructor = constructor;
        cls->m_appNameChange = func;
        cls->m_parent = cls->m_parentName.empty() ? nullptr : find(cls->m_parentName.c_str());
        AcRxClass* raw = cls.get();
        m_classes[raw] = std::move(cls);
        m_classDictionary.atPut(className, raw);
        return raw;
    }

    AcRxClass* createRuntime(const ACHAR* name, AcRxClass* parent, const ACHAR* dxfName,
                             AcRxPseudoConstructor constructor)
    {
        AcRxClass* cls = create(name, parent ? parent->name() : nullptr, 0, 0, 0, constructor, dxfName,
                                L"ObjectDBX Classes", nullptr);
        if (cls != nullptr && cls->m_parent == nullptr)
            cls->m_parent = parent;
        return cls;
    }

    void buildHierarchy()
    {
        for (auto& entry : m_classes) {
            AcRxClass* cls = entry.second.get();
            if (!cls->m_parentName.empty())
                cls->m_parent = find(cls->m_parentName.c_str());
        }
    }

    void destroy(AcRxClass* cls)
    {
        auto it = m_classes.find(cls);
        if (it == m_classes.end())
            return;
        if (find(cls->name()) == cls)
            m_classDictionary.remove(cls->name());
        for (auto& entry : m_classes)
            if (entry.second->m_parent == cls)
                entry.second->m_parent = nullptr;
        m_classes.erase(it);
    }

private:
    AcRxClassRegistry()
    {
        m_sysRegistry.atPut(ACRX_CLASS_DICTIONARY, &m_classDictionary);
        m_sysRegistry.atPut(ACRX_DYNAMIC_LINKER, &m_linker);
    }

    MapDictionary m_sysRegistry;
    MapDictionary m_classDictionary;
    DynamicLinker m_linker;
    std::map<AcRxClass*, std::unique_ptr<AcRxClass>> m_classes;
};

namespace acrt {
AcRxClass* registerRuntimeClass(const ACHAR* name, AcRxClass* parent, const ACHAR* dxfName,
                                AcRxPseudoConstructor constructor)
{
    return AcRxClassRegistry::instance().createRuntime(name, parent, dxfName, constructor);
}

// Whether an application marked itself unlocked / multi-document aware (for tests).
bool isApplicationUnlocked(void* appId) { return AcRxClassRegistry::instance().linker()->isUnlocked(appId); }
bool isApplicationMDIAware(void* appId) { return AcRxClassRegistry::instance().linker()->isMDIAware(appId); }
}  // namespace acrt

// ---- AcRxObject ----------------------------------------------------------------------

AcRxObject::~AcRxObject() = default;

AcRxClass* AcRxObject::desc()
{
    static AcRxClass* s_class = acrt::registerRuntimeClass(L"AcRxObject", nullptr, L"", nullptr);
    return s_class;
}
static AcRxClass* const AcRxObject_registeredAtLoad = AcRxObject::desc();

AcRxClass* AcRxObject::isA() const { return AcRxObject::desc(); }
AcRxObject* AcRxObject::clone() const { return nullptr; }
Acad::ErrorStatus AcRxObject::copyFrom(const AcRxObject*) { return Acad::eNotApplicable; }
bool AcRxObject::isEqualTo(const AcRxObject* other) const { return other == this; }
AcRx::Ordering AcRxObject::comparedTo(const AcRxObject*) const { return AcRx::kNotOrderable; }

// ---- AcRxClass -----------------------------------------------------------------------

ACRT_DEFINE_CLASS(AcRxClass, AcRxObject, "");
AcRxClass* AcRxClass::cast(const AcRxObject* inPtr)
{
    return (inPtr == nullptr || !inPtr->isKindOf(AcRxClass::desc())) ? nullptr : (AcRxClass*)inPtr;
}

bool AcRxClass::isDerivedFrom(const AcRxClass* aClass) const
{
    if (aClass == nullptr)
        return false;
    for (const AcRxClass* cls = this; cls != nullptr; cls = cls->m_parent)
        if (cls == aClass)
            return true;
    return false;
}

ACRT_DEFINE_CLASS(AcRxDictionary, AcRxObject, "");
AcRxDictionary* AcRxDictionary::cast(const AcRxObject* inPtr)
{
    return (inPtr == nullptr || !inPtr->isKindOf(AcRxDictionary::desc())) ? nullptr : (AcRxDictionary*)inPtr;
}

ACRT_DEFINE_CLASS(AcRxDynamicLinker, AcRxObject, "");
AcRxDynamicLinker* AcRxDynamicLinker::cast(const AcRxObject* inPtr)
{
    return (inPtr == nullptr || !inPtr->isKindOf(AcRxDynamicLinker::desc())) ? nullptr
                                                                             : (AcRxDynamicLinker*)inPtr;
}

// ---- free functions ------------------------------------------------------------------

AcRxClass* newAcRxClass(const ACHAR* className, const ACHAR* parentClassName, int proxyFlags,
                        AcRxObject* (*pseudoConstructor)(), const ACHAR* dxfName, const ACHAR* appName)
{
    return AcRxClassRegistry::instance().create(className, parentClassName, 0, 0, proxyFlags, pseudoConstructor,
                                                dxfName, appName, nullptr);
}

AcRxClass* newAcRxClass(const ACHAR* className, const ACHAR* parentClassName, int dwgVer, int maintVer,
                        int proxyFlags, AcRxObject* (*pseudoConstructor)(), const ACHAR* dxfName,
                        const ACHAR* appName, AppNameChangeFuncPtr func)
{
    return AcRxClassRegistry::instance().create(className, parentClassName, dwgVer, maintVer, proxyFlags,
                                                pseudoConstructor, dxfName, appName, func);
}

void acrxBuildClassHierarchy() { AcRxClassRegistry::instance().buildHierarchy(); }

void deleteAcRxClass(AcRxClass* pClassObj) { AcRxClassRegistry::instance().destroy(pClassObj); }

AcRxClass* acrxFindAcRxClass(const ACHAR* pClassName) { return AcRxClassRegistry::instance().find(pClassName); }

extern "C" AcRxDictionary* acrxSysRegistry() { return AcRxClassRegistry::instance().sysRegistry(); }

// The host stops on a fatal run-time error: the message goes to the command window's
// error stream and the process ends.
extern "C" void acrx_abort(const ACHAR* format, ...)
{
    va_list args;
    va_start(args, format);
    AcString text;
    text.formatV(format ? format : L"", args);
    va_end(args);
    std::string utf8 = vemhost::toUtf8(text.wstr());
    if (vemhost::testing::assertionsThrow())
        throw vemhost::testing::AssertionFailure{"acrx_abort: " + utf8};
    std::fprintf(stderr, "fatal: %s\n", utf8.c_str());
    std::abort();
}

bool acrxUnlockApplication(void* appId) { return AcRxClassRegistry::instance().linker()->unlockApplication(appId); }
bool acrxLockApplication(void* appId) { return AcRxClassRegistry::instance().linker()->lockApplication(appId); }
bool acrxRegisterAppMDIAware(void* appId)
{
    return AcRxClassRegistry::instance().linker()->registerAppMDIAware(appId);
}
bool acrxRegisterAppNotMDIAware(void* appId)
{
    return AcRxClassRegistry::instance().linker()->registerAppNotMDIAware(appId);
}
