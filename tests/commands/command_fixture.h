// The frame of the command module's tests: both modules loaded as the host loads
// them, a fresh drawing per test, typed answers queued, the command window captured,
// and checks that a command left no object open, no selection set and no stray entity.
#pragma once

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "acrxEntryPoint.h"
#include "dbapserv.h"
#include "dbsymtb.h"
#include "drawing_builder.h"
#include "eco_line.h"
#include "eco_point.h"
#include "eorigin.h"
#include "host_fixture.h"
#include "label_builder.h"
#include "vemhost_testing.h"

#ifndef VEM_BIN_DIR
#error "VEM_BIN_DIR must name the directory of the built modules"
#endif

typedef AcRx::AppRetCode (*EntryPoint)(AcRx::AppMsgCode, void*);

// The two modules, each reached through its own acrxEntryPoint (both export one).
struct LoadedModules {
    void* vemdHandle = nullptr;
    void* vemaHandle = nullptr;
    EntryPoint vemd = nullptr;
    EntryPoint vema = nullptr;
    std::string vemdLoadText;  // what the entity module printed when it was loaded
};

inline EntryPoint entryPointOf(void* handle)
{
    return handle ? reinterpret_cast<EntryPoint>(dlsym(handle, "acrxEntryPoint")) : nullptr;
}

// Loads VEMD, then VEMA, once per test program, as the host does at start.
inline LoadedModules& modules()
{
    static LoadedModules loaded = [] {
        LoadedModules m;
        m.vemdHandle = dlopen(VEM_BIN_DIR "/libVEMD.so", RTLD_NOW);
        m.vemaHandle = dlopen(VEM_BIN_DIR "/libVEMA.so", RTLD_NOW);
        m.vemd = entryPointOf(m.vemdHandle);
        m.vema = entryPointOf(m.vemaHandle);
        vemhost::startCapture();
        if (m.vemd != nullptr)
            m.vemd(AcRx::kInitAppMsg, m.vemdHandle);
        m.vemdLoadText = vemhost::takeCaptured();
        if (m.vema != nullptr)
            m.vema(AcRx::kInitAppMsg, m.vemaHandle);
        vemhost::stopCapture();
        return m;
    }();
    return loaded;
}

class CommandTest : public HostFixture {
protected:
    void SetUp() override
    {
        ASSERT_NE(modules().vemd, nullptr) << dlerror();
        ASSERT_NE(modules().vema, nullptr) << dlerror();
        m_liveBefore = vemhost::testing::liveObjectCount();
        HostFixture::SetUp();
        vemhost::startCapture();
    }
    void TearDown() override
    {
        EXPECT_EQ(vemhost::testing::openSelectionSetCount(), 0) << "a selection set was left open";
        HostFixture::TearDown();
        EXPECT_EQ(vemhost::testing::liveObjectCount(), m_liveBefore) << "an entity outlived its drawing";
    }

    // Runs a command with the answers queued, one line each; returns what it printed.
    // Every answer must have been taken.
    std::string run(const std::wstring& command, std::initializer_list<std::wstring> answers = {})
    {
        vemhost::queueInput(answers);
        vemhost::takeCaptured();
        EXPECT_TRUE(vemhost::runCommand(command)) << "no command " << vemhost::toUtf8(command);
        EXPECT_EQ(vemhost::pendingInputCount(), 0u) << "answers left after " << vemhost::toUtf8(command);
        EXPECT_EQ(vemhost::testing::openObjectCount(db()), 0) << vemhost::toUtf8(command) << " left an object open";
        return vemhost::takeCaptured();
    }

    // ---- the drawing ----------------------------------------------------------------------
    AcDbObjectId blockId(const wchar_t* name) const { return test_support::blockId(db(), name); }
    AcDbObjectId modelSpaceId() const { return blockId(L"*Model_Space"); }
    AcDbObjectId paperSpaceId() const { return blockId(L"*Paper_Space"); }

    // Appends a new entity to a block (model space when null) and closes it.
    AcDbObjectId append(AcDbEntity* entity, AcDbObjectId block = AcDbObjectId())
    {
        const AcDbObjectId id = test_support::appendTo(block.isNull() ? modelSpaceId() : block, entity);
        EXPECT_FALSE(id.isNull()) << "the entity was not appended";
        return id;
    }

    // The entities of a block in drawing order, erased ones left out.
    std::vector<AcDbObjectId> entitiesIn(AcDbObjectId block) const
    {
        std::vector<AcDbObjectId> ids;
        AcDbBlockTableRecord* record = nullptr;
        if (acdbOpenObject(record, block, AcDb::kForRead) != Acad::eOk)
            return ids;
        for (const AcDbObjectId& id : record->entityIds())
            if (!id.isErased())
                ids.push_back(id);
        record->close();
        return ids;
    }
    std::vector<AcDbObjectId> modelSpace() const { return entitiesIn(modelSpaceId()); }

    // The entities of a block whose class is T (or derives from it).
    template <class T>
    std::vector<AcDbObjectId> entitiesOf(AcDbObjectId block = AcDbObjectId()) const
    {
        std::vector<AcDbObjectId> out;
        for (const AcDbObjectId& id : entitiesIn(block.isNull() ? modelSpaceId() : block)) {
            AcDbObject* obj = nullptr;
            if (acdbOpenAcDbObject(obj, id, AcDb::kForRead) != Acad::eOk)
                continue;
            if (obj->isKindOf(T::desc()))
                out.push_back(id);
            obj->close();
        }
        return out;
    }

    AcDbObjectId textStyleId(const wchar_t* name) const { return test_support::textStyleId(db(), name); }

    AcDbObjectId addLayer(const wchar_t* name, bool locked)
    {
        const AcDbObjectId id = test_support::addLayer(db(), name, 7, false, locked);
        EXPECT_FALSE(id.isNull()) << "the layer was not added";
        return id;
    }

    // ---- entities made directly through the entity module ----------------------------------
    // A coordinate system with the given names and values at relOrigin (axes up and right).
    AcDbObjectId addOrigin(const AcGePoint3d& relOrigin, const wchar_t* vName = L"A", const wchar_t* hName = L"B",
                           double vOffset = 0.0, double hOffset = 0.0, double drawingScale = 1.0,
                           double appearanceScale = 1.0, int decimals = 3, AcDbObjectId block = AcDbObjectId())
    {
        return append(test_support::newOrigin(textStyleId(L"Standard"), relOrigin, vOffset, hOffset, drawingScale,
                                              appearanceScale, decimals, vName, hName),
                      block);
    }

    // A point label of markPoint in the plain system (0, 0) at the world origin.
    AcDbObjectId addPointLabel(const AcGePoint3d& markPoint, AcDbObjectId block = AcDbObjectId(),
                               double appearanceScale = 1.0, int decimals = 3)
    {
        return append(test_support::newPointLabel(textStyleId(L"Standard"), markPoint,
                                                  markPoint + AcGeVector3d(5, 5, 0), AcGeVector3d::kXAxis, 1.0,
                                                  appearanceScale, decimals),
                      block);
    }

    AcDbObjectId addLineLabel(const AcGePoint3d& markPoint, int refAxis = 0, AcDbObjectId block = AcDbObjectId())
    {
        return append(test_support::newLineLabel(textStyleId(L"Standard"), refAxis, markPoint,
                                                 markPoint + AcGeVector3d(5, 0, 0)),
                      block);
    }

    static std::wstring at(const AcGePoint3d& p)
    {
        return std::to_wstring(p.x) + L"," + std::to_wstring(p.y);
    }

private:
    long m_liveBefore = 0;
};

// A point label whose copies cannot be read back, so the host's clone of it fails.
// It passes for an ECOPOINT in selections and for an ECoPoint in class tests.
class UncopiablePoint : public ECoPoint {
public:
    using ECoPoint::ECoPoint;
    static AcRxClass* desc()
    {
        static AcRxClass* registered = [] {
            AcRxClass* cls = newAcRxClass(L"VemTestUncopiablePoint", L"ECoPoint", 31, 105, 0, &create, L"ECOPOINT",
                                          L"command module tests");
            acrxBuildClassHierarchy();
            return cls;
        }();
        return registered;
    }
    AcRxClass* isA() const override { return desc(); }
    Acad::ErrorStatus dwgInFields(AcDbDwgFiler*) override { return Acad::eFilerError; }

    static UncopiablePoint* make(const AcGePoint3d& markPoint)
    {
        return new UncopiablePoint(L"A", L"B", markPoint, markPoint + AcGeVector3d(5, 5, 0), AcGePoint3d::kOrigin,
                                   AcGeVector3d::kYAxis, AcGeVector3d::kXAxis, AcGeVector3d::kXAxis, 1.0, 1.0, 3,
                                   AcDbObjectId());
    }

private:
    static AcRxObject* create() { return new UncopiablePoint(); }
};

// An object opened for read for as long as the reader lives.
template <class T>
class Reader {
public:
    explicit Reader(AcDbObjectId id) { acdbOpenObject(m_obj, id, AcDb::kForRead); }
    ~Reader()
    {
        if (m_obj != nullptr)
            m_obj->close();
    }
    Reader(const Reader&) = delete;
    Reader& operator=(const Reader&) = delete;
    bool ok() const { return m_obj != nullptr; }
    T* operator->() const { return m_obj; }
    T* get() const { return m_obj; }

private:
    T* m_obj = nullptr;
};
