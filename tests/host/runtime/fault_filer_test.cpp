// Tests of FaultFiler: the N-th operation fails with the chosen status without reaching
// the wrapped filer, everything before it gets through intact, nothing after it does.
#include <gtest/gtest.h>

#include "filer_kinds.h"
#include "host_fixture.h"
#include "vemhost_testing.h"

namespace {

using vemhost::testing::FaultFiler;
using vemhost::MemoryFiler;
using Bytes = std::vector<unsigned char>;

// A ten-operation record of mixed kinds, as an entity would file it.
std::vector<FilerKind> tenOperations(const AcDbObjectId& id)
{
    std::vector<FilerKind> all = filer_kinds::everyKind(id);
    std::vector<FilerKind> ten;
    for (const char* name : {"Int16", "Double", "wideString", "Point3d", "Bool", "HardPointerId", "UInt32", "BChunk",
                             "Vector3d", "acString"})
        ten.push_back(*std::find_if(all.begin(), all.end(),
                                    [&](const FilerKind& k) { return std::strcmp(k.name, name) == 0; }));
    return ten;
}

class FaultFilerTest : public HostFixture {
protected:
    // The whole record and where each value ends in it, written without faults.
    void SetUp() override
    {
        HostFixture::SetUp();
        m_ops = tenOperations(db()->layerTableId());
        MemoryFiler filer(db());
        for (const FilerKind& op : m_ops) {
            ASSERT_EQ(op.write(filer), Acad::eOk);
            m_ends.push_back(size_t(filer.tell()));
        }
        m_record = filer.bytes();
    }
    size_t endBefore(long n) const { return n <= 1 ? 0 : m_ends[size_t(n - 2)]; }

    std::vector<FilerKind> m_ops;
    std::vector<size_t> m_ends;
    Bytes m_record;
};

TEST_F(FaultFilerTest, FailingTheNthWriteFilesExactlyTheValuesBefore)
{
    for (long n = 1; n <= 10; ++n) {
        MemoryFiler inner(db());
        FaultFiler filer(inner, n, Acad::eOutOfMemory);
        for (long i = 1; i <= 10; ++i)
            EXPECT_EQ(m_ops[size_t(i - 1)].write(filer), i < n ? Acad::eOk : Acad::eOutOfMemory)
                << "op " << i << " failing at " << n;
        EXPECT_TRUE(filer.hasFailed());
        EXPECT_EQ(filer.operationCount(), 10);
        EXPECT_EQ(filer.filerStatus(), Acad::eOutOfMemory);
        EXPECT_EQ(inner.filerStatus(), Acad::eOk) << "the inner filer was reached";
        const Bytes expected(m_record.begin(), m_record.begin() + long(endBefore(n)));
        EXPECT_EQ(inner.bytes(), expected) << "failing at " << n;

        // What got through reads back whole.
        inner.rewind();
        for (long i = 1; i < n; ++i) {
            bool same = false, untouched = false;
            EXPECT_EQ(m_ops[size_t(i - 1)].read(inner, &same, &untouched), Acad::eOk);
            EXPECT_TRUE(same) << "op " << i << " failing at " << n;
        }
    }
}

TEST_F(FaultFilerTest, FailingTheNthReadLeavesItAndLaterDestinationsAlone)
{
    for (long n = 1; n <= 10; ++n) {
        MemoryFiler inner(m_record, db());
        FaultFiler filer(inner, n);
        for (long i = 1; i <= 10; ++i) {
            bool same = false, untouched = false;
            Acad::ErrorStatus es = m_ops[size_t(i - 1)].read(filer, &same, &untouched);
            if (i < n) {
                EXPECT_EQ(es, Acad::eOk) << "op " << i << " failing at " << n;
                EXPECT_TRUE(same) << "op " << i << " failing at " << n;
            } else {
                EXPECT_EQ(es, Acad::eFilerError) << "op " << i << " failing at " << n;
                EXPECT_TRUE(untouched) << "op " << i << " failing at " << n;
            }
        }
        EXPECT_EQ(size_t(inner.tell()), endBefore(n)) << "failing at " << n;
        EXPECT_EQ(filer.tell(), inner.tell());
        EXPECT_EQ(filer.filerStatus(), Acad::eFilerError);
        EXPECT_EQ(inner.filerStatus(), Acad::eOk);
    }
}

TEST_F(FaultFilerTest, FailAtZeroOrBelowNeverFires)
{
    for (long never : {0L, -1L}) {
        MemoryFiler inner(db());
        FaultFiler filer(inner, never);
        for (const FilerKind& op : m_ops)
            EXPECT_EQ(op.write(filer), Acad::eOk) << op.name << " with failAt " << never;
        EXPECT_FALSE(filer.hasFailed());
        EXPECT_EQ(filer.operationCount(), 10);
        EXPECT_EQ(inner.bytes(), m_record);
    }
}

TEST_F(FaultFilerTest, StatusIsTheInjectedFailureElseTheInnerFilers)
{
    MemoryFiler inner(m_record, db());
    FaultFiler filer(inner, 3, Acad::eWasErased);

    // Failures of the inner filer come through as they are.
    double d = 0.0;
    EXPECT_EQ(filer.readDouble(&d), Acad::eFilerError);  // an int16 is there
    EXPECT_FALSE(filer.hasFailed());
    EXPECT_EQ(filer.filerStatus(), Acad::eFilerError);
    filer.resetFilerStatus();
    EXPECT_EQ(inner.filerStatus(), Acad::eOk);

    // Seeks count as operations: the third one fails and does not move.
    EXPECT_EQ(filer.seek(2, AcDb::kSeekFromStart), Acad::eOk);
    EXPECT_EQ(filer.seek(0, AcDb::kSeekFromEnd), Acad::eWasErased);
    EXPECT_EQ(filer.tell(), 2);
    Adesk::Int16 i = 0;
    EXPECT_EQ(filer.readInt16(&i), Acad::eWasErased);
    EXPECT_EQ(filer.filerStatus(), Acad::eWasErased);
    EXPECT_EQ(filer.operationCount(), 4);

    // After a reset everything passes again, and the fault does not fire twice.
    filer.resetFilerStatus();
    EXPECT_FALSE(filer.hasFailed());
    EXPECT_EQ(filer.seek(0, AcDb::kSeekFromStart), Acad::eOk);
    EXPECT_EQ(filer.readInt16(&i), Acad::eOk);
    EXPECT_EQ(filer.readDouble(&d), Acad::eOk);
    EXPECT_EQ(filer.filerStatus(), Acad::eOk);
    // A failure set from outside lands on the inner filer, as on any filer.
    filer.setFilerStatus(Acad::eMakeMeProxy);
    EXPECT_EQ(inner.filerStatus(), Acad::eMakeMeProxy);
    EXPECT_EQ(filer.readInt16(&i), Acad::eMakeMeProxy);
}

TEST(FaultFiler, InjectingSuccessIsAProgrammingError)
{
    MemoryFiler inner;
    EXPECT_THROW(FaultFiler(inner, 1, Acad::eOk), vemhost::testing::AssertionFailure);
}

}  // namespace
