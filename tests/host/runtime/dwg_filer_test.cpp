// Tests of MemoryFiler, the binary DWG filer: round trips of every kind, the byte
// layout drawing files depend on, and records that are cut, corrupted or misread,
// which must fail with a sticky status and never crash or allocate without bound.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <new>

#include "filer_kinds.h"
#include "host_fixture.h"
#include "vemhost_testing.h"

// ---- allocation counting: this test program replaces the global allocator -------------
namespace {
bool g_counting = false;
long g_allocations = 0;
size_t g_largest = 0;

void* countedAlloc(size_t size)
{
    if (g_counting)
        ++g_allocations, g_largest = std::max(g_largest, size);
    return std::malloc(size ? size : 1);
}

// Counts the allocations made while it lives.
struct AllocationCount {
    AllocationCount() { g_allocations = 0, g_largest = 0, g_counting = true; }
    ~AllocationCount() { g_counting = false; }
};
}  // namespace

// Out of line, so that the compiler never pairs an inlined malloc with a free.
#define VEM_ALLOCATOR __attribute__((noinline))
VEM_ALLOCATOR void* operator new(size_t size)
{
    if (void* p = countedAlloc(size))
        return p;
    throw std::bad_alloc();
}
VEM_ALLOCATOR void* operator new[](size_t size) { return operator new(size); }
VEM_ALLOCATOR void* operator new(size_t size, const std::nothrow_t&) noexcept { return countedAlloc(size); }
VEM_ALLOCATOR void* operator new[](size_t size, const std::nothrow_t&) noexcept { return countedAlloc(size); }
VEM_ALLOCATOR void operator delete(void* p) noexcept { std::free(p); }
VEM_ALLOCATOR void operator delete[](void* p) noexcept { std::free(p); }
VEM_ALLOCATOR void operator delete(void* p, size_t) noexcept { std::free(p); }
VEM_ALLOCATOR void operator delete[](void* p, size_t) noexcept { std::free(p); }

namespace {

using vemhost::MemoryFiler;
using Bytes = std::vector<unsigned char>;

// Writes the kinds in order; returns the position after each.
std::vector<size_t> writeAll(MemoryFiler& filer, const std::vector<FilerKind>& kinds)
{
    std::vector<size_t> ends;
    for (const FilerKind& kind : kinds) {
        EXPECT_EQ(kind.write(filer), Acad::eOk) << kind.name;
        ends.push_back(size_t(filer.tell()));
    }
    return ends;
}

// Reads the kinds in order until one fails; returns how many read back the same.
size_t readUntilFailure(MemoryFiler& filer, const std::vector<FilerKind>& kinds)
{
    size_t matched = 0;
    for (const FilerKind& kind : kinds) {
        bool same = false, untouched = false;
        Acad::ErrorStatus es = kind.read(filer, &same, &untouched);
        if (es != Acad::eOk) {
            EXPECT_EQ(es, Acad::eFilerError) << kind.name;
            EXPECT_TRUE(untouched) << kind.name << ": a failed read stored a value";
            break;
        }
        matched += same ? 1 : 0;
    }
    return matched;
}

// The index of the value holding byte `at`.
size_t valueAt(const std::vector<size_t>& ends, size_t at)
{
    return size_t(std::upper_bound(ends.begin(), ends.end(), at) - ends.begin());
}

// A string record around arbitrary bytes (under 256 of them).
Bytes stringRecord(const Bytes& utf8)
{
    MemoryFiler probe;
    probe.writeString(L"");
    Bytes record = probe.bytes();
    record[1] = static_cast<unsigned char>(utf8.size());
    record.insert(record.end(), utf8.begin(), utf8.end());
    return record;
}

TEST(MemoryFiler, EveryKindReadsBackBitExact)
{
    const std::vector<FilerKind> kinds = filer_kinds::everyKind(AcDbObjectId::kNull);
    MemoryFiler filer;
    writeAll(filer, kinds);
    filer.writeString(static_cast<const ACHAR*>(nullptr));
    filer.rewind();
    EXPECT_EQ(readUntilFailure(filer, kinds), kinds.size());
    AcString fromNull(L"x");
    EXPECT_EQ(filer.readString(fromNull), Acad::eOk);
    EXPECT_TRUE(fromNull.isEmpty()) << "a null string files as the empty one";
    EXPECT_EQ(size_t(filer.tell()), filer.bytes().size());
}

// Drawing files hold these bytes: a change here makes old drawings unreadable.
TEST(MemoryFiler, FilesTaggedLittleEndianRecords)
{
    MemoryFiler filer;
    filer.writeInt32(0x01020304);
    filer.writeDouble(1.0);
    filer.writeString(L"\u00E9");
    filer.writeBool(true);
    filer.writeHardPointerId(AcDbObjectId::kNull);
    filer.writeBChunk(ads_binary{2, const_cast<char*>("hi")});
    const Bytes expected = {
        3,  0x04, 0x03, 0x02, 0x01,           // int32
        11, 0, 0, 0, 0, 0, 0, 0xF0, 0x3F,     // double 1.0
        16, 2, 0, 0, 0, 0xC3, 0xA9,           // string: byte count, UTF-8
        9,  1,                                // bool
        22, 0, 0, 0, 0, 0, 0, 0, 0,           // hard pointer id: null handle
        18, 2, 0, 0, 0, 'h', 'i',             // binary chunk
    };
    EXPECT_EQ(filer.bytes(), expected);
}

TEST(MemoryFiler, ReadingAnotherKindFailsAndStoresNothing)
{
    const std::vector<FilerKind> kinds = filer_kinds::everyKind(AcDbObjectId::kNull);
    for (const FilerKind& written : kinds) {
        for (const FilerKind& read : kinds) {
            MemoryFiler filer;
            written.write(filer);
            filer.rewind();
            bool same = false, untouched = false;
            Acad::ErrorStatus es = read.read(filer, &same, &untouched);
            const std::string what = std::string(written.name) + " read as " + read.name;
            if (std::strcmp(written.family, read.family) == 0) {
                EXPECT_EQ(es, Acad::eOk) << what;
                continue;
            }
            EXPECT_EQ(es, Acad::eFilerError) << what;
            EXPECT_TRUE(untouched) << what;
            EXPECT_EQ(filer.tell(), 0) << what;
        }
    }
}

TEST(MemoryFiler, InvalidCodePointsAreFiledAsReplacementCharacters)
{
    const std::wstring text = {L'a', wchar_t(0xD800), wchar_t(0xDFFF), wchar_t(0x110000), wchar_t(-1), L'b'};
    MemoryFiler filer;
    ASSERT_EQ(filer.writeString(text.c_str()), Acad::eOk);
    // Each of the four becomes U+FFFD.
    const Bytes utf8 = {'a',  0xEF, 0xBF, 0xBD, 0xEF, 0xBF, 0xBD, 0xEF,
                        0xBF, 0xBD, 0xEF, 0xBF, 0xBD, 'b'};
    EXPECT_EQ(filer.bytes(), stringRecord(utf8));
}

// Ill-formed UTF-8 is refused rather than repaired: this filer never writes it, so a
// record holding it is corrupt. A bad boolean byte likewise.
TEST(MemoryFiler, CorruptValuesAreRefused)
{
    struct Row {
        const char* what;
        Bytes utf8;
        bool valid;
    };
    const Row rows[] = {
        // what                   bytes                              valid
        {"highest scalar",        {0xF4, 0x8F, 0xBF, 0xBF},          true},
        {"U+FFFF",                {0xEF, 0xBF, 0xBF},                true},
        {"overlong NUL",          {0xC0, 0x80},                      false},
        {"overlong slash",        {0xE0, 0x80, 0xAF},                false},
        {"overlong four-byte",    {0xF0, 0x8F, 0xBF, 0xBF},          false},
        {"surrogate",             {0xED, 0xA0, 0x80},                false},
        {"past U+10FFFF",         {0xF4, 0x90, 0x80, 0x80},          false},
        {"stray continuation",    {0x80},                            false},
        {"cut at the end",        {'x', 0xE5, 0x9D},                 false},
        {"missing continuation",  {0xC3, 'A'},                       false},
        {"five-byte lead",        {0xF8, 0x88, 0x80, 0x80, 0x80},    false},
        {"lead byte 0xF8",        {0xF8, 0x90, 0x80, 0x80},          false},
        {"0xFF",                  {0xFF},                            false},
    };
    for (const Row& row : rows) {
        MemoryFiler filer(stringRecord(row.utf8));
        ACHAR* chars = nullptr;
        EXPECT_EQ(filer.readString(&chars), row.valid ? Acad::eOk : Acad::eFilerError) << row.what;
        EXPECT_EQ(chars != nullptr, row.valid) << row.what;
        delete[] chars;
    }

    MemoryFiler filer;
    filer.writeBool(true), filer.writeBoolean(true);
    Bytes bytes = filer.bytes();
    bytes[1] = bytes[3] = 2;
    for (int which = 0; which < 2; ++which) {
        filer.setBytes(bytes);
        filer.seek(2 * which, AcDb::kSeekFromStart);
        bool b = false;
        EXPECT_EQ(which == 0 ? filer.readBool(&b) : filer.readBoolean(&b), Acad::eFilerError);
        EXPECT_FALSE(b);
        EXPECT_EQ(filer.tell(), 2 * which);
    }
}

TEST(MemoryFiler, EveryTruncationFailsCleanlyAfterTheWholeValues)
{
    AcDbDatabase db;
    const std::vector<FilerKind> kinds = filer_kinds::everyKind(db.layerTableId());
    MemoryFiler writer(&db);
    const std::vector<size_t> ends = writeAll(writer, kinds);
    const Bytes& full = writer.bytes();
    for (size_t length = 0; length < full.size(); ++length) {
        MemoryFiler filer(Bytes(full.begin(), full.begin() + long(length)), &db);
        const size_t whole = valueAt(ends, length);
        EXPECT_EQ(readUntilFailure(filer, kinds), whole) << "cut at " << length;
        EXPECT_EQ(filer.filerStatus(), Acad::eFilerError) << "cut at " << length;
        EXPECT_EQ(size_t(filer.tell()), whole == 0 ? 0 : ends[whole - 1]) << "cut at " << length;
    }
}

TEST(MemoryFiler, FlippedBytesFailWithAStatusOrReadSomething)
{
    AcDbDatabase db;
    const std::vector<FilerKind> kinds = filer_kinds::everyKind(db.blockTableId());
    MemoryFiler writer(&db);
    const std::vector<size_t> ends = writeAll(writer, kinds);
    for (size_t at = 0; at < writer.bytes().size(); ++at) {
        const size_t value = valueAt(ends, at);
        const bool isTag = at == (value == 0 ? 0 : ends[value - 1]);
        for (unsigned char mask : {0x01, 0x40, 0x80, 0xFF}) {
            Bytes bytes = writer.bytes();
            bytes[at] ^= mask;
            MemoryFiler filer(bytes, &db);
            // Every value before the damaged one still reads; a damaged tag never does.
            EXPECT_GE(readUntilFailure(filer, kinds), value) << "byte " << at << " ^ " << int(mask);
            if (isTag) {
                EXPECT_EQ(size_t(filer.tell()), at) << "tag byte " << at << " ^ " << int(mask);
            }
        }
    }
}

// A length is checked against the bytes left before anything is allocated for it, and
// against what the reader asked for.
TEST(MemoryFiler, BadLengthsFailWithoutAllocating)
{
    MemoryFiler probe;
    probe.writeString(L""), probe.writeBytes("", 0), probe.writeBChunk(ads_binary{0, nullptr});
    for (long at : {0, 5, 10}) {  // a string, a block and a chunk claiming 4 GiB
        // The value's tag, a length of 0xFFFFFFFF, then three bytes.
        const Bytes bytes = {probe.bytes()[size_t(at)], 0xFF, 0xFF, 0xFF, 0xFF, 'a', 'b', 'c'};
        MemoryFiler filer(bytes);
        AcString text(L"poison");
        ACHAR* chars = nullptr;
        unsigned char raw[3] = {};
        ads_binary chunk{-5, nullptr};
        const std::function<Acad::ErrorStatus()> reads[] = {
            [&] { return filer.readString(text); }, [&] { return filer.readString(&chars); },
            [&] { return filer.readBytes(raw, sizeof raw); }, [&] { return filer.readBChunk(&chunk); }};
        AllocationCount count;
        for (const auto& read : reads) {
            filer.resetFilerStatus();
            EXPECT_EQ(read(), Acad::eFilerError) << "record at " << at;
        }
        EXPECT_LT(g_largest, size_t(1) << 16) << "record at " << at;
    }
    // A chunk longer than a short can count, all its bytes present; a block read at
    // another size than it was written.
    Bytes chunk(probe.bytes().begin() + 10, probe.bytes().end());
    chunk[1] = 0x40, chunk[2] = 0x9C;  // 40000
    chunk.resize(chunk.size() + 40000, 'x');
    ads_binary got{-5, nullptr};
    EXPECT_EQ(MemoryFiler(chunk).readBChunk(&got), Acad::eFilerError);
    MemoryFiler block;
    block.writeBytes("abcd", 4);
    for (Adesk::UIntPtr asked : {3, 5}) {
        block.rewind();
        char buf[5] = {'-', '-', '-', '-', '-'};
        EXPECT_EQ(block.readBytes(buf, asked), Acad::eFilerError) << asked;
        EXPECT_EQ(std::string(buf, 5), "-----") << asked;
    }
}

TEST(MemoryFiler, FailureIsStickyUntilResetOrRewind)
{
    MemoryFiler filer;
    filer.writeInt32(5);
    filer.rewind();
    double d = 9.0;
    Adesk::Int32 i = 0;
    ASSERT_EQ(filer.readDouble(&d), Acad::eFilerError);
    EXPECT_EQ(filer.readInt32(&i), Acad::eFilerError);
    EXPECT_EQ(filer.writeInt32(7), Acad::eFilerError);
    EXPECT_EQ(filer.seek(0, AcDb::kSeekFromEnd), Acad::eFilerError);
    EXPECT_EQ(i, 0);
    EXPECT_EQ(filer.bytes().size(), 5u);
    filer.resetFilerStatus();
    EXPECT_EQ(filer.readInt32(&i), Acad::eOk);
    EXPECT_EQ(i, 5);

    // A status set from outside (an object refusing its record) stops the filer too.
    filer.setFilerStatus(Acad::eMakeMeProxy);
    EXPECT_EQ(filer.writeInt32(6), Acad::eMakeMeProxy);
    filer.rewind();
    EXPECT_EQ(filer.readInt32(&i), Acad::eOk);

    // Calls refused for their arguments fail the same way and file nothing.
    filer.clear();
    EXPECT_EQ(filer.writeBChunk(ads_binary{-1, nullptr}), Acad::eInvalidInput);
    EXPECT_EQ(filer.writeInt8(1), Acad::eInvalidInput);
    filer.resetFilerStatus();
    EXPECT_EQ(filer.writeBytes(nullptr, 4), Acad::eInvalidInput);
    EXPECT_TRUE(filer.bytes().empty());
}

TEST(MemoryFiler, SeekStaysWithinTheRecord)
{
    struct Row {
        Adesk::Int64 offset;
        int method;
        Acad::ErrorStatus status;
        Adesk::Int64 position;  // starting from 4 in a 10-byte record
    };
    const Row rows[] = {
        // offset   method                   status               position
        {10,        AcDb::kSeekFromStart,    Acad::eOk,           10},
        {11,        AcDb::kSeekFromStart,    Acad::eFilerError,   4},
        {-1,        AcDb::kSeekFromStart,    Acad::eFilerError,   4},
        {-4,        AcDb::kSeekFromCurrent,  Acad::eOk,           0},
        {-5,        AcDb::kSeekFromCurrent,  Acad::eFilerError,   4},
        {7,         AcDb::kSeekFromCurrent,  Acad::eFilerError,   4},
        {-10,       AcDb::kSeekFromEnd,      Acad::eOk,           0},
        {1,         AcDb::kSeekFromEnd,      Acad::eFilerError,   4},
        {INT64_MIN, AcDb::kSeekFromCurrent,  Acad::eFilerError,   4},
        {INT64_MAX, AcDb::kSeekFromEnd,      Acad::eFilerError,   4},
        {0,         3,                       Acad::eInvalidInput, 4},
    };
    for (const Row& row : rows) {
        MemoryFiler filer(Bytes(10, 0));
        ASSERT_EQ(filer.seek(4, AcDb::kSeekFromStart), Acad::eOk);
        EXPECT_EQ(filer.seek(row.offset, row.method), row.status) << row.offset << " from " << row.method;
        EXPECT_EQ(filer.tell(), row.position) << row.offset << " from " << row.method;
    }

    // Writing after a seek back replaces what was there and keeps what follows.
    MemoryFiler filer;
    filer.writeInt32(1), filer.writeInt32(2), filer.writeInt32(3);
    ASSERT_EQ(filer.seek(5, AcDb::kSeekFromStart), Acad::eOk);
    filer.writeInt32(-2);
    filer.rewind();
    Adesk::Int32 v[3] = {};
    for (Adesk::Int32& x : v)
        EXPECT_EQ(filer.readInt32(&x), Acad::eOk);
    EXPECT_EQ(v[1], -2);
    EXPECT_EQ(v[2], 3);
    EXPECT_EQ(size_t(filer.tell()), filer.bytes().size());
}

class MemoryFilerIds : public HostFixture {};

TEST_F(MemoryFilerIds, IdsTravelAsHandlesOfTheDatabase)
{
    const AcDbObjectId ids[] = {db()->blockTableId(), db()->layerTableId(), db()->textStyleTableId(),
                                db()->linetypeTableId()};
    MemoryFiler filer(db());
    filer.writeHardOwnershipId(ids[0]), filer.writeSoftOwnershipId(ids[1]);
    filer.writeHardPointerId(ids[2]), filer.writeSoftPointerId(ids[3]);
    Adesk::UInt64 first = 0;
    for (int i = 0; i < 8; ++i)
        first |= Adesk::UInt64(filer.bytes()[1 + i]) << (8 * i);
    EXPECT_EQ(first, ids[0].handle().value()) << "the payload is the handle";

    filer.rewind();
    AcDbHardOwnershipId a;
    AcDbSoftOwnershipId b;
    AcDbHardPointerId c;
    AcDbSoftPointerId d;
    EXPECT_EQ(filer.readHardOwnershipId(&a), Acad::eOk);
    EXPECT_EQ(filer.readSoftOwnershipId(&b), Acad::eOk);
    EXPECT_EQ(filer.readHardPointerId(&c), Acad::eOk);
    EXPECT_EQ(filer.readSoftPointerId(&d), Acad::eOk);
    EXPECT_EQ(a, ids[0]);
    EXPECT_EQ(b, ids[1]);
    EXPECT_EQ(c, ids[2]);
    EXPECT_EQ(d, ids[3]);
}

TEST_F(MemoryFilerIds, HandlesThatCannotBeResolved)
{
    MemoryFiler writer(db());
    writer.writeHardPointerId(db()->layerTableId());
    Bytes unknown = writer.bytes();
    std::fill(unknown.begin() + 1, unknown.end(), 0x7E);  // a handle never issued

    // An object that is gone reads as the null id: the reference is dropped, not the record.
    AcDbHardPointerId id = db()->blockTableId();
    EXPECT_EQ(MemoryFiler(unknown, db()).readHardPointerId(&id), Acad::eOk);
    EXPECT_TRUE(id.isNull());

    // Without a database no handle can be resolved: a failure, not a silent null.
    MemoryFiler noDatabase(writer.bytes());
    id = db()->blockTableId();
    EXPECT_EQ(noDatabase.readHardPointerId(&id), Acad::eFilerError);
    EXPECT_EQ(id, db()->blockTableId());
    EXPECT_EQ(noDatabase.tell(), 0);
}

// Filing a typical entity record costs no allocation beyond the reserved buffer, even
// for strings, which are converted straight into it.
TEST(MemoryFiler, TypicalRecordWritesWithoutAllocating)
{
    MemoryFiler filer;
    AcString layer(L"标注 layer");
    AllocationCount count;
    filer.writeInt16(2);
    for (int i = 0; i < 4; ++i)
        filer.writePoint3d(AcGePoint3d(i, 2.0 * i, 0.0));
    filer.writeVector3d(AcGeVector3d::kZAxis);
    for (int i = 0; i < 6; ++i)
        filer.writeDouble(0.25 * i);
    filer.writeString(layer), filer.writeString(L"X=%.3f Y=%.3f");
    filer.writeBool(true), filer.writeUInt16(256), filer.writeInt32(-1);
    filer.writeHardPointerId(AcDbObjectId::kNull), filer.writeAcDbHandle(AcDbHandle(0x2A));
    EXPECT_EQ(g_allocations, 0);
    EXPECT_EQ(filer.filerStatus(), Acad::eOk);
}

}  // namespace
