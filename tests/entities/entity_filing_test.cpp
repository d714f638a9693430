// Filing of the three entities: the record's fixed layout, records that round-trip
// member for member, copies that draw the same, versions refused before any member is
// read, and records that fail at any operation leaving earlier members new, later ones
// old and the old display.
#include <vector>

#include "entity_test_support.h"

using namespace entity_test;

namespace {

// Two entities of each class that differ in every filed member (and, within one, in
// every pair of members of the same kind, so that two swapped members show), and the
// record's own part written field by field straight through the filer: the layout
// that drawings hold, stated here apart from the classes' own member lists.
template <class T>
struct RecordOf;
template <>
struct RecordOf<EOrigin> {
    static EOrigin* first(AcDbObjectId style)
    {
        return new EOrigin(L"X", L"Y", 100, 50, AcGePoint3d(1000, 2000, 3), 90, 0, 10, 2, 3, style);
    }
    static EOrigin* second() { return new EOrigin(L"N", L"E", -7, 8, AcGePoint3d(1, 2, 0), 270, 180, 5, 1, 1, {}); }
    static void writeMembers(const EOrigin& e, AcDbDwgFiler& f)
    {
        f.writeString(e.m_vAxisName);
        f.writeString(e.m_hAxisName);
        f.writeDouble(e.m_vOffset);
        f.writeDouble(e.m_hOffset);
        f.writePoint3d(e.m_relOrigin);
        f.writePoint3d(e.m_absOrigin);
        f.writeVector3d(e.m_vAxisDir);
        f.writeVector3d(e.m_hAxisDir);
        f.writeDouble(e.m_drawingScale);
        f.writeDouble(e.m_appearanceScale);
        f.writeInt32(e.m_decimals);
        f.writeHardPointerId(e.m_textStyleId);
    }
};
template <>
struct RecordOf<ECoPoint> {
    static ECoPoint* first(AcDbObjectId style)
    {
        return new ECoPoint(L"X", L"Y", AcGePoint3d(3, 4, 1), AcGePoint3d(6, 8, 1), AcGePoint3d(-1, -2, 0),
                            AcGeVector3d(0, 1, 0), AcGeVector3d(1, 0, 0), AcGeVector3d(0.6, 0.8, 0), 500, 2, 2, style);
    }
    static ECoPoint* second()
    {
        return new ECoPoint(L"N", L"E", AcGePoint3d(1, 1, 0), AcGePoint3d(2, 2, 0), AcGePoint3d(0, 0, 0),
                            AcGeVector3d(0, -1, 0), AcGeVector3d(-1, 0, 0), AcGeVector3d(1, 0, 0), 1, 1, 0, {});
    }
    static void writeMembers(const ECoPoint& e, AcDbDwgFiler& f)
    {
        f.writeString(e.m_vAxisName);
        f.writeString(e.m_hAxisName);
        f.writeVector3d(e.m_vAxisDir);
        f.writeVector3d(e.m_hAxisDir);
        f.writeVector3d(e.m_textDir);
        f.writePoint3d(e.m_markPoint);
        f.writePoint3d(e.m_textPoint);
        f.writePoint3d(e.m_absOrigin);
        f.writeDouble(e.m_drawingScale);
        f.writeDouble(e.m_appearanceScale);
        f.writeInt32(e.m_decimals);
        f.writeHardPointerId(e.m_textStyleId);
    }
};
template <>
struct RecordOf<ECoLine> {
    static ECoLine* first(AcDbObjectId style)
    {
        return new ECoLine(1, L"X", L"Y", AcGePoint3d(5, 12, 0), AcGePoint3d(8, 12, 0), AcGePoint3d(-1, -2, 0),
                           AcGeVector3d(0, 1, 0), AcGeVector3d(1, 0, 0), 100, 2, 2, style);
    }
    static ECoLine* second()
    {
        return new ECoLine(0, L"N", L"E", AcGePoint3d(1, 1, 0), AcGePoint3d(2, 2, 0), AcGePoint3d(0, 0, 0),
                           AcGeVector3d(0, -1, 0), AcGeVector3d(-1, 0, 0), 1, 1, 0, {});
    }
    static void writeMembers(const ECoLine& e, AcDbDwgFiler& f)
    {
        f.writeInt32(e.m_refAxis);
        f.writeString(e.m_vAxisName);
        f.writeString(e.m_hAxisName);
        f.writeVector3d(e.m_vAxisDir);
        f.writeVector3d(e.m_hAxisDir);
        f.writePoint3d(e.m_markPoint);
        f.writePoint3d(e.m_textPoint);
        f.writePoint3d(e.m_absOrigin);
        f.writeDouble(e.m_drawingScale);
        f.writeDouble(e.m_appearanceScale);
        f.writeInt32(e.m_decimals);
        f.writeHardPointerId(e.m_textStyleId);
    }
};

template <class T>
class EntityFiling : public EntityTest {
protected:
    T* first()
    {
        T* entity = RecordOf<T>::first(style());
        entity->setColorIndex(2);
        entity->resetSubEnt(1);
        return entity;
    }
    T* second() { return RecordOf<T>::second(); }

    // Each filed member as the entity files it, in the class's own filing order.
    std::vector<std::vector<unsigned char>> filedMembers(const T& entity)
    {
        std::vector<std::vector<unsigned char>> fields;
        T::visitFiledMembers(entity, [&](const auto& member) {
            vemhost::MemoryFiler one(this->db());
            AcDbDwgFiler* filer = &one;
            const Acad::ErrorStatus es = dwgOutField(entity, filer, member);
            fields.push_back(one.takeBytes());
            return es;
        });
        return fields;
    }

    void expectFields(const T& actual, const T& newer, const T& older, size_t newCount)
    {
        const auto got = filedMembers(actual), newFields = filedMembers(newer), oldFields = filedMembers(older);
        ASSERT_EQ(got.size(), newFields.size());
        for (size_t k = 0; k < got.size(); ++k)
            EXPECT_EQ(got[k], k < newCount ? newFields[k] : oldFields[k])
                << "field " << k << " should be " << (k < newCount ? "new" : "old");
    }

    // Operations of the base entity data, then of the whole record.
    long baseOperations(const T& entity)
    {
        vemhost::MemoryFiler scratch(db());
        return operationsOf(scratch, [&](AcDbDwgFiler& f) { entity.AcDbEntity::dwgOutFields(&f); });
    }
};

using EntityClasses = testing::Types<EOrigin, ECoPoint, ECoLine>;
TYPED_TEST_SUITE(EntityFiling, EntityClasses);

}  // namespace

TYPED_TEST(EntityFiling, RecordReadBackGivesEqualMembersAndDisplay)
{
    TypeParam* source = this->first();
    TypeParam* copy = new TypeParam();
    ASSERT_EQ(fileInto(source, copy, this->db()), Acad::eOk);
    this->expectFields(*copy, *source, *source, this->filedMembers(*source).size());
    EXPECT_EQ(copy->colorIndex(), 2);
    EXPECT_EQ(copy->m_subEnts.length(), source->m_subEnts.length());
    expectSameDrawing(drawn(copy), drawn(source));
    delete copy;
    delete source;
}

TYPED_TEST(EntityFiling, RecordIsTheBaseDataTheVersionThenTheMembersInTheirFixedOrder)
{
    TypeParam* source = this->first();
    vemhost::MemoryFiler filed(this->db());
    ASSERT_EQ(source->dwgOutFields(&filed), Acad::eOk);
    vemhost::MemoryFiler layout(this->db());
    ASSERT_EQ(source->AcDbEntity::dwgOutFields(&layout), Acad::eOk);
    layout.writeUInt32(1);
    RecordOf<TypeParam>::writeMembers(*source, layout);
    EXPECT_EQ(filed.bytes(), layout.bytes());

    // The layout read into another entity puts every value back into its own member.
    layout.rewind();
    TypeParam* target = this->second();
    ASSERT_EQ(target->dwgInFields(&layout), Acad::eOk);
    EXPECT_EQ(layout.tell(), Adesk::Int64(layout.bytes().size())) << "the whole record is read";
    vemhost::MemoryFiler sourceMembers(this->db()), targetMembers(this->db());
    RecordOf<TypeParam>::writeMembers(*source, sourceMembers);
    RecordOf<TypeParam>::writeMembers(*target, targetMembers);
    EXPECT_EQ(targetMembers.bytes(), sourceMembers.bytes());
    delete target;
    delete source;
}

TYPED_TEST(EntityFiling, CloneOfADrawingEntityIsEqualAndDrawsTheSame)
{
    TypeParam* source = this->first();
    const AcDbObjectId id = this->addToModelSpace(source);
    AcDbEntity* opened = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(opened, id, AcDb::kForRead), Acad::eOk);
    TypeParam* resident = TypeParam::cast(opened);
    TypeParam* copy = TypeParam::cast(resident->clone());
    ASSERT_NE(copy, nullptr);
    EXPECT_FALSE(copy->isDatabaseResident());
    this->expectFields(*copy, *resident, *resident, this->filedMembers(*resident).size());
    expectSameDrawing(drawn(copy), drawn(resident));
    resident->close();
    delete copy;
}

TYPED_TEST(EntityFiling, NullTextStyleReadsBackAsNull)
{
    TypeParam* source = this->first();
    source->m_textStyleId = AcDbObjectId::kNull;
    TypeParam* copy = this->second();
    copy->m_textStyleId = this->style();
    ASSERT_EQ(fileInto(source, copy, this->db()), Acad::eOk);
    EXPECT_TRUE(copy->m_textStyleId.isNull());
    EXPECT_EQ(copy->m_subEnts.length(), source->m_subEnts.length());
    TypeParam* cloned = TypeParam::cast(source->clone());
    ASSERT_NE(cloned, nullptr) << "a record the entity writes always reads back";
    delete cloned;
    delete copy;
    delete source;
}

TYPED_TEST(EntityFiling, OtherVersionsAreRefusedBeforeAnyMemberIsRead)
{
    TypeParam* source = this->first();
    for (Adesk::UInt32 version : {0u, 2u, 0xffffffffu}) {
        vemhost::MemoryFiler record(this->db());
        ASSERT_EQ(source->AcDbEntity::dwgOutFields(&record), Acad::eOk);
        record.writeUInt32(version);
        const Adesk::Int64 afterVersion = record.tell();
        AcDbDwgFiler* filer = &record;
        ASSERT_EQ(source->dwgOutString(filer, AcString(L"member after the version")), Acad::eOk);
        record.rewind();
        TypeParam* target = this->second();
        const SubEntityArray cacheBefore = target->m_subEnts;
        EXPECT_EQ(target->dwgInFields(&record), Acad::eMakeMeProxy) << version;
        EXPECT_EQ(record.tell(), afterVersion) << "nothing is read after the version";
        TypeParam* pristine = this->second();
        this->expectFields(*target, *source, *pristine, 0);
        EXPECT_TRUE(target->m_subEnts == cacheBefore) << "the old display stays";
        delete pristine;
        delete target;
    }
    delete source;
}

TYPED_TEST(EntityFiling, AFailureAnywhereLeavesEarlierMembersNewLaterOnesOldAndTheOldDisplay)
{
    TypeParam* source = this->first();
    vemhost::MemoryFiler record(this->db());
    ASSERT_EQ(source->dwgOutFields(&record), Acad::eOk);
    const long base = this->baseOperations(*source);
    const long total = operationsOf(record, [&](AcDbDwgFiler& f) {
        record.rewind();
        TypeParam* probe = new TypeParam();
        probe->dwgInFields(&f);
        delete probe;
    });
    ASSERT_EQ(total, base + 1 + long(this->filedMembers(*source).size()));
    TypeParam* pristine = this->second();
    for (long failAt = 1; failAt <= total; ++failAt) {
        record.rewind();
        vemhost::testing::FaultFiler failing(record, failAt);
        TypeParam* target = this->second();
        const SubEntityArray cacheBefore = target->m_subEnts;
        const std::vector<vemhost::Primitive> drawingBefore = drawn(target);
        ASSERT_EQ(target->dwgInFields(&failing), Acad::eFilerError) << "fail at " << failAt;
        const long fieldsRead = failAt - base - 2;
        this->expectFields(*target, *source, *pristine, size_t(fieldsRead > 0 ? fieldsRead : 0));
        EXPECT_EQ(target->colorIndex(), failAt > base ? 2 : 256) << "base data, fail at " << failAt;
        EXPECT_TRUE(target->m_subEnts == cacheBefore) << "fail at " << failAt;
        expectSameDrawing(drawn(target), drawingBefore);
        delete target;
    }
    delete pristine;
    delete source;
}

TYPED_TEST(EntityFiling, AWriteStopsAtTheFirstFailingField)
{
    TypeParam* source = this->first();
    vemhost::MemoryFiler sink(this->db());
    const long total = operationsOf(sink, [&](AcDbDwgFiler& f) { source->dwgOutFields(&f); });
    for (long failAt = 1; failAt <= total; ++failAt) {
        vemhost::MemoryFiler inner(this->db());
        vemhost::testing::FaultFiler failing(inner, failAt);
        EXPECT_EQ(source->dwgOutFields(&failing), Acad::eFilerError) << "fail at " << failAt;
        EXPECT_EQ(failing.operationCount(), failAt) << "nothing is written after the failure";
    }
    delete source;
}

class LineLabelFiling : public EntityTest {};

TEST_F(LineLabelFiling, AnyNonZeroReferenceAxisReadsBackAndMeansTheHorizontalAxis)
{
    ECoLine* source = newLineLabel(style(), 7);
    ECoLine* copy = new ECoLine();
    ASSERT_EQ(fileInto(source, copy, db()), Acad::eOk);
    EXPECT_EQ(copy->m_refAxis, 7);
    EXPECT_EQ(AcDbMText::cast(copy->m_subEnts[0])->contentsString(), AcString(L"B=5.000"));
    delete copy;
    delete source;
}
