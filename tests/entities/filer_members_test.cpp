// The filer member family: status rules, the array and table encodings, reads that
// replace or stop part-way, and object ids (null ones included).
#include <type_traits>

#include "eco_line.h"
#include "eco_point.h"
#include "entity_test_support.h"
#include "eorigin.h"
#include "filer_members.h"

using namespace entity_test;

static_assert(std::is_base_of<FilerMembers, EOrigin>::value, "EOrigin files through the shared members");
static_assert(std::is_base_of<FilerMembers, ECoPoint>::value, "ECoPoint files through the shared members");
static_assert(std::is_base_of<FilerMembers, ECoLine>::value, "ECoLine files through the shared members");

namespace {

// A memory filer whose status query answers with a chosen status while every operation
// itself succeeds, so that the two status rules give different answers.
class ReportingFiler : public vemhost::MemoryFiler {
public:
    using vemhost::MemoryFiler::MemoryFiler;
    Acad::ErrorStatus filerStatus() const override { return m_reported; }
    void report(Acad::ErrorStatus es) { m_reported = es; }

private:
    Acad::ErrorStatus m_reported = Acad::eOk;
};

AcGeDoubleArray doubles(std::initializer_list<double> values)
{
    AcGeDoubleArray out;
    for (double v : values)
        out.append(v);
    return out;
}

class FilerMembersTest : public EntityTest {
protected:
    FilerMembers m_members;
    vemhost::MemoryFiler m_memory;
    AcDbDwgFiler* m_filer = &m_memory;
};

}  // namespace

TEST_F(FilerMembersTest, CallStatusAndFilerStatusRules)
{
    ReportingFiler reporting;
    AcDbDwgFiler* filer = &reporting;
    reporting.report(Acad::eWasErased);
    // Members under the call status rule answer with the operation's own eOk ...
    EXPECT_EQ(m_members.dwgOutDouble(filer, 1.5), Acad::eOk);
    EXPECT_EQ(m_members.dwgOutString(filer, AcString(L"A")), Acad::eOk);
    EXPECT_EQ(m_members.dwgOutPoint2d(filer, AcGePoint2d(1, 2)), Acad::eOk);
    EXPECT_EQ(m_members.dwgOutPoint3d(filer, AcGePoint3d(1, 2, 3)), Acad::eOk);
    EXPECT_EQ(m_members.dwgOutId(filer, AcDbObjectId::kNull), Acad::eOk);
    // ... those under the filer status rule with the filer's status.
    EXPECT_EQ(m_members.dwgOutInt(filer, 7), Acad::eWasErased);
    EXPECT_EQ(m_members.dwgOutVector2d(filer, AcGeVector2d(1, 0)), Acad::eWasErased);
    EXPECT_EQ(m_members.dwgOutVector3d(filer, AcGeVector3d(0, 1, 0)), Acad::eWasErased);

    reporting.rewind();
    reporting.report(Acad::eWasErased);
    double d = 0;
    AcString s;
    AcGePoint2d p2;
    AcGePoint3d p3;
    AcDbObjectId id;
    int i = 0;
    AcGeVector2d v2;
    AcGeVector3d v3;
    EXPECT_EQ(m_members.dwgInDouble(filer, d), Acad::eOk);
    EXPECT_EQ(m_members.dwgInString(filer, s), Acad::eOk);
    EXPECT_EQ(m_members.dwgInPoint2d(filer, p2), Acad::eOk);
    EXPECT_EQ(m_members.dwgInPoint3d(filer, p3), Acad::eOk);
    EXPECT_EQ(m_members.dwgInId(filer, id), Acad::eWasErased);
    EXPECT_EQ(m_members.dwgInInt(filer, i), Acad::eWasErased);
    EXPECT_EQ(m_members.dwgInVector2d(filer, v2), Acad::eWasErased);
    EXPECT_EQ(m_members.dwgInVector3d(filer, v3), Acad::eWasErased);
    EXPECT_EQ(d, 1.5);
    EXPECT_EQ(s, AcString(L"A"));
    EXPECT_EQ(i, 7);
    EXPECT_TRUE(v3.isEqualTo(AcGeVector3d(0, 1, 0)));
}

TEST_F(FilerMembersTest, FailingOperationsPassTheirStatusOnAndLeaveTheDestination)
{
    m_members.dwgOutString(m_filer, AcString(L"not an int"));
    m_memory.rewind();
    int value = 42;
    EXPECT_EQ(m_members.dwgInInt(m_filer, value), Acad::eFilerError);
    EXPECT_EQ(value, 42);

    vemhost::testing::FaultFiler failing(m_memory, 1, Acad::eOutOfMemory);
    AcDbDwgFiler* filer = &failing;
    EXPECT_EQ(m_members.dwgOutDouble(filer, 1.0), Acad::eOutOfMemory);
    EXPECT_EQ(m_members.dwgOutVector3d(filer, AcGeVector3d::kXAxis), Acad::eOutOfMemory);
    AcDbObjectId id = style();
    EXPECT_EQ(m_members.dwgInId(filer, id), Acad::eOutOfMemory);
    EXPECT_EQ(id, style());
}

TEST_F(FilerMembersTest, ObjectIdsNullOrNotReadBackAsWritten)
{
    vemhost::MemoryFiler filer(db());
    AcDbDwgFiler* f = &filer;
    EXPECT_EQ(m_members.dwgOutId(f, style()), Acad::eOk);
    EXPECT_EQ(m_members.dwgOutId(f, AcDbObjectId::kNull), Acad::eOk);
    filer.rewind();
    AcDbObjectId first, second = style();
    EXPECT_EQ(m_members.dwgInId(f, first), Acad::eOk);
    EXPECT_EQ(first, style());
    EXPECT_EQ(m_members.dwgInId(f, second), Acad::eOk);
    EXPECT_TRUE(second.isNull()) << "a null reference is a value like any other";
}

TEST_F(FilerMembersTest, ArraysOfEveryKindRoundTrip)
{
    AcGeDoubleArray ds = doubles({1.25, -3.5, 1e-300});
    FiledIntArray is;
    is.append(-7);
    is.append(2147483647);
    AcGePoint2dArray p2s;
    p2s.append(AcGePoint2d(1, 2));
    AcGePoint3dArray p3s;
    p3s.append(AcGePoint3d(1, 2, 3));
    p3s.append(AcGePoint3d(-4, 5, -6));
    FiledStringArray ss;
    ss.append(AcString(L"A"));
    ss.append(AcString());
    ss.append(AcString(L"纵轴"));
    AcGeVector2dArray v2s;
    v2s.append(AcGeVector2d(0, 1));
    AcGeVector3dArray v3s;
    v3s.append(AcGeVector3d(0, 0, 1));
    ASSERT_EQ(m_members.dwgOutDoubleAr(m_filer, ds), Acad::eOk);
    ASSERT_EQ(m_members.dwgOutIntAr(m_filer, is), Acad::eOk);
    ASSERT_EQ(m_members.dwgOutPoint2dAr(m_filer, p2s), Acad::eOk);
    ASSERT_EQ(m_members.dwgOutPoint3dAr(m_filer, p3s), Acad::eOk);
    ASSERT_EQ(m_members.dwgOutStringAr(m_filer, ss), Acad::eOk);
    ASSERT_EQ(m_members.dwgOutVector2dAr(m_filer, v2s), Acad::eOk);
    ASSERT_EQ(m_members.dwgOutVector3dAr(m_filer, v3s), Acad::eOk);
    m_memory.rewind();
    AcGeDoubleArray ds2;
    FiledIntArray is2;
    AcGePoint2dArray p2s2;
    AcGePoint3dArray p3s2;
    FiledStringArray ss2;
    AcGeVector2dArray v2s2;
    AcGeVector3dArray v3s2;
    EXPECT_EQ(m_members.dwgInDoubleAr(m_filer, ds2), Acad::eOk);
    EXPECT_EQ(m_members.dwgInIntAr(m_filer, is2), Acad::eOk);
    EXPECT_EQ(m_members.dwgInPoint2dAr(m_filer, p2s2), Acad::eOk);
    EXPECT_EQ(m_members.dwgInPoint3dAr(m_filer, p3s2), Acad::eOk);
    EXPECT_EQ(m_members.dwgInStringAr(m_filer, ss2), Acad::eOk);
    EXPECT_EQ(m_members.dwgInVector2dAr(m_filer, v2s2), Acad::eOk);
    EXPECT_EQ(m_members.dwgInVector3dAr(m_filer, v3s2), Acad::eOk);
    EXPECT_TRUE(ds2 == ds);
    EXPECT_TRUE(is2 == is);
    EXPECT_TRUE(p2s2 == p2s);
    EXPECT_TRUE(p3s2 == p3s);
    EXPECT_TRUE(ss2 == ss);
    EXPECT_TRUE(v2s2 == v2s);
    EXPECT_TRUE(v3s2 == v3s);
}

TEST_F(FilerMembersTest, EmptyArrayIsTheSingleIntZero)
{
    ASSERT_EQ(m_members.dwgOutPoint3dAr(m_filer, AcGePoint3dArray()), Acad::eOk);
    vemhost::MemoryFiler expected;
    expected.writeInt32(0);
    EXPECT_EQ(m_memory.bytes(), expected.bytes());
    m_memory.rewind();
    AcGePoint3dArray back;
    back.append(AcGePoint3d(9, 9, 9));
    EXPECT_EQ(m_members.dwgInPoint3dAr(m_filer, back), Acad::eOk);
    EXPECT_EQ(back.length(), 0);
}

TEST_F(FilerMembersTest, ArrayReadReplacesTheOldContent)
{
    m_members.dwgOutDoubleAr(m_filer, doubles({1, 2}));
    m_memory.rewind();
    AcGeDoubleArray target = doubles({7, 8, 9, 10});
    ASSERT_EQ(m_members.dwgInDoubleAr(m_filer, target), Acad::eOk);
    EXPECT_TRUE(target == doubles({1, 2}));
}

TEST_F(FilerMembersTest, ArrayReadStopsAtAFailingElementKeepingEarlierOnes)
{
    m_members.dwgOutDoubleAr(m_filer, doubles({1, 2, 3, 4}));
    // Operation 1 is the count, 2 to 5 the elements: fail each element in turn.
    for (long failAt = 2; failAt <= 5; ++failAt) {
        m_memory.rewind();
        vemhost::testing::FaultFiler failing(m_memory, failAt);
        AcDbDwgFiler* filer = &failing;
        AcGeDoubleArray target = doubles({9});
        EXPECT_EQ(m_members.dwgInDoubleAr(filer, target), Acad::eFilerError);
        EXPECT_EQ(target.length(), failAt - 2) << "fail at " << failAt;
        for (int i = 0; i < target.length(); ++i)
            EXPECT_EQ(target[i], i + 1.0);
    }
    m_memory.rewind();
    vemhost::testing::FaultFiler countFails(m_memory, 1);
    AcDbDwgFiler* filer = &countFails;
    AcGeDoubleArray untouched = doubles({9});
    EXPECT_EQ(m_members.dwgInDoubleAr(filer, untouched), Acad::eFilerError);
    EXPECT_TRUE(untouched == doubles({9}));
}

TEST_F(FilerMembersTest, NonPositiveCountsReadAsEmptyAndCorruptCountsFailCleanly)
{
    m_memory.writeInt32(-5);
    m_memory.writeInt32(0x7fffffff);  // a count that the stream cannot back
    m_memory.writeDouble(1.0);
    m_memory.rewind();
    AcGeDoubleArray values = doubles({1});
    EXPECT_EQ(m_members.dwgInDoubleAr(m_filer, values), Acad::eOk);
    EXPECT_EQ(values.length(), 0);
    EXPECT_NE(m_members.dwgInDoubleAr(m_filer, values), Acad::eOk);
    EXPECT_TRUE(values == doubles({1.0}));

    vemhost::MemoryFiler tables;
    AcDbDwgFiler* f = &tables;
    tables.writeInt32(-2);
    tables.writeInt32(0x7fffffff);
    tables.rewind();
    FiledStringTable rows;
    rows.append(FiledStringArray());
    EXPECT_EQ(m_members.dwgInStringTable(f, rows), Acad::eOk);
    EXPECT_EQ(rows.length(), 0);
    EXPECT_NE(m_members.dwgInStringTable(f, rows), Acad::eOk);
    EXPECT_LE(rows.length(), 1);
}

TEST_F(FilerMembersTest, TableRowsAreFiledAsCountsThenElements)
{
    FiledDoubleTable table;
    table.append(doubles({1.5, 2.5}));
    table.append(doubles({}));
    table.append(doubles({3.5}));
    ASSERT_EQ(m_members.dwgOutDoubleTable(m_filer, table), Acad::eOk);

    vemhost::MemoryFiler expected;
    expected.writeInt32(3);
    expected.writeInt32(2);
    expected.writeDouble(1.5);
    expected.writeDouble(2.5);
    expected.writeInt32(0);
    expected.writeInt32(1);
    expected.writeDouble(3.5);
    EXPECT_EQ(m_memory.bytes(), expected.bytes());

    m_memory.rewind();
    FiledDoubleTable back;
    back.append(doubles({9, 9, 9}));
    ASSERT_EQ(m_members.dwgInDoubleTable(m_filer, back), Acad::eOk);
    ASSERT_EQ(back.length(), 3);
    EXPECT_TRUE(back[0] == doubles({1.5, 2.5}));
    EXPECT_EQ(back[1].length(), 0);
    EXPECT_TRUE(back[2] == doubles({3.5}));
}

TEST_F(FilerMembersTest, TablesOfEveryKindRoundTripAndStopAtAFailingRow)
{
    FiledIntTable ints;
    ints.append(FiledIntArray());
    ints[0].append(4);
    ints.append(FiledIntArray());
    FiledPoint3dTable points;
    points.append(AcGePoint3dArray());
    points[0].append(AcGePoint3d(1, 2, 3));
    FiledStringTable strings;
    strings.append(FiledStringArray());
    strings[0].append(AcString(L"B"));
    strings[0].append(AcString(L"横轴"));
    ASSERT_EQ(m_members.dwgOutIntTable(m_filer, ints), Acad::eOk);
    ASSERT_EQ(m_members.dwgOutPoint3dTable(m_filer, points), Acad::eOk);
    ASSERT_EQ(m_members.dwgOutStringTable(m_filer, strings), Acad::eOk);
    m_memory.rewind();
    FiledIntTable ints2;
    FiledPoint3dTable points2;
    FiledStringTable strings2;
    EXPECT_EQ(m_members.dwgInIntTable(m_filer, ints2), Acad::eOk);
    EXPECT_EQ(m_members.dwgInPoint3dTable(m_filer, points2), Acad::eOk);
    EXPECT_EQ(m_members.dwgInStringTable(m_filer, strings2), Acad::eOk);
    EXPECT_TRUE(ints2 == ints);
    EXPECT_TRUE(points2 == points);
    EXPECT_TRUE(strings2 == strings);

    // Operations: 1 row count, 2 first row's count, 3 its element, 4 second row's count.
    m_memory.rewind();
    vemhost::testing::FaultFiler failing(m_memory, 4);
    AcDbDwgFiler* filer = &failing;
    FiledIntTable partial;
    EXPECT_EQ(m_members.dwgInIntTable(filer, partial), Acad::eFilerError);
    ASSERT_GE(partial.length(), 1);
    EXPECT_TRUE(partial[0] == ints[0]);
}

TEST_F(FilerMembersTest, WritesStopAtTheFirstFailure)
{
    AcGeDoubleArray values = doubles({1, 2, 3});
    vemhost::testing::FaultFiler failing(m_memory, 3);
    AcDbDwgFiler* filer = &failing;
    EXPECT_EQ(m_members.dwgOutDoubleAr(filer, values), Acad::eFilerError);
    EXPECT_EQ(failing.operationCount(), 3) << "nothing is written after the failing element";

    m_memory.clear();
    vemhost::testing::FaultFiler failingRow(m_memory, 2);
    filer = &failingRow;
    FiledDoubleTable table;
    table.append(values);
    table.append(values);
    EXPECT_EQ(m_members.dwgOutDoubleTable(filer, table), Acad::eFilerError);
    EXPECT_EQ(failingRow.operationCount(), 2);
}
