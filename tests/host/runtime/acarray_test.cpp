// The host array: growth, removal and copying for both reallocators.
#include <gtest/gtest.h>

#include "AcString.h"
#include "acarray.h"
#include "gept3dar.h"

TEST(AcArrayGrowth, GrowsByTheGrowLengthAndKeepsItems)
{
    AcArray<int> a(0, 8);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(a.append(i), i);
    EXPECT_EQ(a.length(), 100);
    EXPECT_GE(a.physicalLength(), 100);
    for (int i = 0; i < 100; ++i)
        EXPECT_EQ(a[i], i);
    a.removeAll();
    EXPECT_EQ(a.length(), 0);
    EXPECT_GE(a.physicalLength(), 100) << "removeAll keeps the storage";
}

TEST(AcArrayGrowth, AppendingAnElementOfItselfWhileGrowingIsSafe)
{
    AcArray<AcString> a(1, 1);
    a.append(AcString(L"first"));
    for (int i = 0; i < 20; ++i)
        a.append(a[0]);
    EXPECT_EQ(a.length(), 21);
    EXPECT_EQ(a.last(), AcString(L"first"));
}

TEST(AcArrayEditing, InsertRemoveAndFindKeepOrder)
{
    AcArray<AcString> a;
    a.append(L"a");
    a.append(L"c");
    a.insertAt(1, L"b");
    a.insertAt(3, L"d");
    ASSERT_EQ(a.length(), 4);
    EXPECT_EQ(a[1], AcString(L"b"));
    EXPECT_EQ(a.find(AcString(L"d")), 3);
    a.removeAt(0);
    EXPECT_EQ(a[0], AcString(L"b"));
    EXPECT_TRUE(a.remove(AcString(L"c")));
    EXPECT_FALSE(a.remove(AcString(L"zz")));
    EXPECT_EQ(a.length(), 2);
    a.removeSubArray(0, 1);
    EXPECT_TRUE(a.isEmpty());
}

TEST(AcArrayCopy, CopiesAreIndependentForBothReallocators)
{
    AcGePoint3dArray pts;
    pts.append(AcGePoint3d(1, 2, 3));
    AcGePoint3dArray copy(pts);
    copy[0].x = 9;
    EXPECT_EQ(pts[0].x, 1);
    AcArray<AcArray<int>, AcArrayObjectCopyReallocator<AcArray<int>>> table;
    table.setLogicalLength(3);
    table[1].append(5);
    auto tcopy = table;
    tcopy[1][0] = 6;
    EXPECT_EQ(table[1][0], 5);
    EXPECT_EQ(tcopy.length(), 3);
    EXPECT_TRUE(tcopy[0].isEmpty());
}
