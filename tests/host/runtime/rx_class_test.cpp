// The run-time class system: the runtime's own classes, registration and removal.
#include <gtest/gtest.h>

#include "dbents.h"
#include "rxboiler.h"
#include "vemhost_testing.h"

namespace {
AcRxObject* makeNothing() { return nullptr; }
}  // namespace

TEST(RxClasses, RuntimeClassesAreRegisteredWithTheirParentsAtLoad)
{
    AcRxClass* line = acrxFindAcRxClass(L"AcDbLine");
    ASSERT_NE(line, nullptr);
    EXPECT_EQ(line, AcDbLine::desc());
    EXPECT_STREQ(line->dxfName(), L"LINE");
    EXPECT_TRUE(line->isDerivedFrom(AcDbEntity::desc()));
    EXPECT_TRUE(line->isDerivedFrom(line));
    EXPECT_FALSE(AcDbEntity::desc()->isDerivedFrom(line));
    EXPECT_FALSE(line->isDerivedFrom(nullptr));
    EXPECT_EQ(acrxClassDictionary->at(L"AcDbLine"), line);
    AcRxObject* made = line->create();
    ASSERT_NE(made, nullptr);
    EXPECT_TRUE(made->isKindOf(AcDbCurve::desc()));
    delete made;
}

TEST(RxClasses, ApplicationClassComesAndGoes)
{
    AcRxClass* cls = newAcRxClass(L"TestThing", L"AcDbEntity", 31, 105, 0, &makeNothing, L"TESTTHING", L"APP");
    ASSERT_NE(cls, nullptr);
    EXPECT_EQ(cls->myParent(), AcDbEntity::desc());
    int dwg = 0, maint = 0;
    cls->getClassVersion(dwg, maint);
    EXPECT_EQ(dwg, 31);
    EXPECT_EQ(maint, 105);
    EXPECT_STREQ(cls->appName(), L"APP");
    EXPECT_EQ(newAcRxClass(L"TestThing", L"AcDbEntity", 0, 0), cls) << "a second registration finds the first";
    deleteAcRxClass(cls);
    EXPECT_EQ(acrxFindAcRxClass(L"TestThing"), nullptr);
    EXPECT_FALSE(acrxClassDictionary->has(L"TestThing"));
}

TEST(RxClasses, ParentRegisteredLaterIsResolvedByTheHierarchyBuild)
{
    AcRxClass* child = newAcRxClass(L"TestChild", L"TestParent", 0, &makeNothing);
    EXPECT_EQ(child->myParent(), nullptr);
    AcRxClass* parent = newAcRxClass(L"TestParent", L"AcDbEntity", 0, &makeNothing);
    acrxBuildClassHierarchy();
    EXPECT_EQ(child->myParent(), parent);
    EXPECT_TRUE(child->isDerivedFrom(AcDbEntity::desc()));
    deleteAcRxClass(parent);
    EXPECT_EQ(child->myParent(), nullptr) << "a deleted parent is not left dangling";
    deleteAcRxClass(child);
}

TEST(RxClasses, AbortStopsTheRunAsATestFailureUnderTest)
{
    EXPECT_THROW(acrx_abort(L"Class mismatch"), vemhost::testing::AssertionFailure);
}
