// The display cache every entity class keeps: rebuilt whole, drawn, exploded and
// snapped through, freed with its owner, and never shared with a copy.
#include <functional>
#include <vector>

#include "dbents.h"
#include "dbpl.h"
#include "entity_test_support.h"

using namespace entity_test;

namespace {

// How each class fills its cache.
template <class T>
struct CacheOf;
template <>
struct CacheOf<EOrigin> {
    static EOrigin* make(AcDbObjectId style) { return newOrigin(style, AcGePoint3d(10, 20, 0), 100, 50, 10); }
    static std::vector<AcRxClass*> pieces()
    {
        return {AcDbPolyline::desc(), AcDbPolyline::desc(), AcDbMText::desc(),
                AcDbMText::desc(),    AcDbMText::desc(),    AcDbMText::desc()};
    }
    static bool firstPieceTakesProperties() { return true; }
};
template <>
struct CacheOf<ECoPoint> {
    static ECoPoint* make(AcDbObjectId style) { return newPointLabel(style); }
    static std::vector<AcRxClass*> pieces()
    {
        return {AcDbLine::desc(), AcDbLine::desc(), AcDbMText::desc(), AcDbMText::desc()};
    }
    static bool firstPieceTakesProperties() { return true; }
};
template <>
struct CacheOf<ECoLine> {
    static ECoLine* make(AcDbObjectId style) { return newLineLabel(style); }
    static std::vector<AcRxClass*> pieces() { return {AcDbMText::desc()}; }
    static bool firstPieceTakesProperties() { return false; }
};

template <class T>
class SubEntityCache : public EntityTest {
protected:
    T* make() { return CacheOf<T>::make(style()); }
    int expectedCount() const { return int(CacheOf<T>::pieces().size()); }
};

using EntityClasses = testing::Types<EOrigin, ECoPoint, ECoLine>;
TYPED_TEST_SUITE(SubEntityCache, EntityClasses);

void deletePieces(AcDbVoidPtrArray& pieces)
{
    for (void* piece : pieces)
        delete static_cast<AcDbEntity*>(piece);
    pieces.setLogicalLength(0);
}

std::vector<vemhost::Primitive> drawnPieces(const SubEntityArray& cache)
{
    std::vector<vemhost::Primitive> all;
    for (AcDbEntity* piece : cache) {
        std::vector<vemhost::Primitive> some = drawn(piece);
        all.insert(all.end(), some.begin(), some.end());
    }
    return all;
}

}  // namespace

TYPED_TEST(SubEntityCache, RebuildingKeepsExactlyTheClassEntriesAndFreesEarlierBuilds)
{
    const long before = vemhost::testing::liveObjectCount();
    TypeParam* entity = this->make();
    const long built = vemhost::testing::liveObjectCount();
    EXPECT_EQ(built - before, 1 + this->expectedCount());
    ASSERT_EQ(entity->m_subEnts.length(), this->expectedCount());
    const int storage = entity->m_subEnts.physicalLength();
    const std::vector<vemhost::Primitive> first = drawn(entity);
    for (int i = 0; i < 50; ++i) {
        entity->resetSubEnt(1);
        ASSERT_EQ(entity->m_subEnts.length(), this->expectedCount());
        ASSERT_EQ(vemhost::testing::liveObjectCount(), built) << "rebuild " << i << " leaked or lost sub-entities";
    }
    EXPECT_EQ(entity->m_subEnts.physicalLength(), storage) << "the cache storage is reused";
    expectSameDrawing(drawn(entity), first);
    for (int i = 0; i < entity->m_subEnts.length(); ++i) {
        ASSERT_NE(entity->m_subEnts[i], nullptr);
        EXPECT_EQ(entity->m_subEnts[i]->isA(), CacheOf<TypeParam>::pieces()[size_t(i)]) << "entry " << i;
        EXPECT_FALSE(entity->m_subEnts[i]->isDatabaseResident());
    }
    delete entity;
    EXPECT_EQ(vemhost::testing::liveObjectCount(), before);
}

TYPED_TEST(SubEntityCache, DrawingDrawsTheCachedPiecesInOrder)
{
    TypeParam* entity = this->make();
    const std::vector<vemhost::Primitive> all = drawn(entity);
    EXPECT_FALSE(all.empty());
    expectSameDrawing(all, drawnPieces(entity->m_subEnts));
    delete entity;

    TypeParam* shell = new TypeParam();
    EXPECT_EQ(shell->m_subEnts.length(), 0);
    EXPECT_TRUE(drawn(shell).empty());
    delete shell;
}

TYPED_TEST(SubEntityCache, AnInvisibleEntityIsNotDrawn)
{
    TypeParam* entity = this->make();
    entity->setVisibility(AcDb::kInvisible);
    EXPECT_TRUE(drawn(entity).empty());
    entity->setVisibility(AcDb::kVisible);
    EXPECT_FALSE(drawn(entity).empty());
    delete entity;
}

TYPED_TEST(SubEntityCache, ExplodeHandsOutCopiesAndLeavesTheEntityExplodableAgain)
{
    TypeParam* entity = this->make();
    const std::vector<vemhost::Primitive> before = drawn(entity);
    for (int round = 0; round < 2; ++round) {
        AcDbVoidPtrArray pieces;
        ASSERT_EQ(entity->explode(pieces), Acad::eOk);
        ASSERT_EQ(pieces.length(), this->expectedCount());
        for (int i = 0; i < pieces.length(); ++i) {
            AcDbEntity* piece = static_cast<AcDbEntity*>(pieces[i]);
            EXPECT_NE(piece, entity->m_subEnts[i]) << "a copy, not the cached entity";
            EXPECT_EQ(piece->isA(), CacheOf<TypeParam>::pieces()[size_t(i)]);
            expectSameDrawing(drawn(piece), drawn(entity->m_subEnts[i]));
        }
        deletePieces(pieces);
        expectSameDrawing(drawn(entity), before);
        EXPECT_EQ(entity->m_subEnts.length(), this->expectedCount());
    }
    delete entity;
}

// The first piece of a system or point label carries the entity's properties from the
// start and after every change of them; every other piece keeps a new entity's.
TYPED_TEST(SubEntityCache, OnlyTheFirstPieceCarriesTheEntityPropertiesAfterEveryChange)
{
    AcDbObjectId red;
    AcDbLayerTable* layers = nullptr;
    ASSERT_EQ(this->db()->getLayerTable(layers, AcDb::kForWrite), Acad::eOk);
    AcDbLayerTableRecord* layer = new AcDbLayerTableRecord();
    layer->setName(L"RED1");
    ASSERT_EQ(layers->add(red, layer), Acad::eOk);
    layer->close();
    layers->close();

    TypeParam* entity = this->make();
    const AcDbLine fresh;
    struct Change {
        const char* what;
        std::function<Acad::ErrorStatus(AcDbEntity*)> apply;
    };
    const Change changes[] = {
        {"colour", [](AcDbEntity* e) { return e->setColorIndex(1); }},
        {"layer by id", [&](AcDbEntity* e) { return e->setLayer(red); }},
        {"lineweight", [](AcDbEntity* e) { return e->setLineWeight(AcDb::kLnWt050); }},
        {"linetype scale", [](AcDbEntity* e) { return e->setLinetypeScale(2.5); }},
        {"layer by name", [](AcDbEntity* e) { return e->setLayer(L"0"); }},
        {"visibility", [](AcDbEntity* e) { return e->setVisibility(AcDb::kInvisible); }},
        {"database defaults", [&](AcDbEntity* e) {
             e->setDatabaseDefaults(this->db());
             return Acad::eOk;
         }},
    };
    for (const Change& change : changes) {
        ASSERT_EQ(change.apply(entity), Acad::eOk) << change.what;
        AcDbVoidPtrArray pieces;
        ASSERT_EQ(entity->explode(pieces), Acad::eOk);
        ASSERT_EQ(pieces.length(), this->expectedCount());
        for (int i = 0; i < pieces.length(); ++i) {
            const AcDbEntity* piece = static_cast<AcDbEntity*>(pieces[i]);
            const bool carries = i == 0 && CacheOf<TypeParam>::firstPieceTakesProperties();
            const AcDbEntity* like = carries ? static_cast<const AcDbEntity*>(entity) : &fresh;
            EXPECT_EQ(piece->layerId(), like->layerId()) << change.what << ", piece " << i;
            EXPECT_EQ(piece->colorIndex(), like->colorIndex()) << change.what << ", piece " << i;
            EXPECT_EQ(piece->lineWeight(), like->lineWeight()) << change.what << ", piece " << i;
            EXPECT_EQ(piece->linetypeScale(), like->linetypeScale()) << change.what << ", piece " << i;
            EXPECT_EQ(piece->visibility(), like->visibility()) << change.what << ", piece " << i;
        }
        deletePieces(pieces);
    }
    EXPECT_EQ(entity->colorIndex(), 256) << "the database's defaults were given last";
    EXPECT_EQ(entity->layerId(), this->db()->clayer());
    // A refused change leaves the display as it was.
    EXPECT_EQ(entity->setColorIndex(300), Acad::eInvalidInput);
    EXPECT_EQ(entity->m_subEnts[0]->colorIndex(), 256);
    delete entity;
}

TYPED_TEST(SubEntityCache, AnEmptyShellGetsNoDisplayFromAPropertyChange)
{
    TypeParam* shell = new TypeParam();
    ASSERT_EQ(shell->setColorIndex(2), Acad::eOk);
    shell->setDatabaseDefaults(this->db());
    EXPECT_EQ(shell->m_subEnts.length(), 0) << "nothing to show before the entity is read";
    delete shell;
}

TYPED_TEST(SubEntityCache, SnapPointsAreExactlyThoseOfThePieces)
{
    TypeParam* entity = this->make();
    int offered = 0;
    for (AcDb::OsnapMode mode : {AcDb::kOsModeEnd, AcDb::kOsModeMid, AcDb::kOsModeIns, AcDb::kOsModeNear}) {
        const AcGePoint3d pick(4, 5, 0);
        AcGePoint3dArray expected, snaps, strict;
        AcDbIntArray expectedIds, ids, strictIds;
        for (AcDbEntity* piece : entity->m_subEnts)
            piece->getOsnapPoints(mode, 0, pick, pick, AcGeMatrix3d::kIdentity, expected, expectedIds);
        EXPECT_EQ(entity->getOsnapPoints(mode, 0, pick, pick, AcGeMatrix3d::kIdentity, snaps, ids), Acad::eOk);
        EXPECT_EQ(entity->GetOsnapPoints(mode, 0, pick, pick, AcGeMatrix3d::kIdentity, strict, strictIds),
                  Acad::eOk);
        EXPECT_TRUE(snaps == expected) << "mode " << int(mode);
        EXPECT_TRUE(strict == expected) << "mode " << int(mode);
        offered += snaps.length();
    }
    EXPECT_GT(offered, 0);
    delete entity;
}

TYPED_TEST(SubEntityCache, RepeatedGripIndexMovesItsPointAgain)
{
    TypeParam* entity = this->make();
    AcGePoint3dArray grips, stretch;
    AcDbIntArray modes, ids;
    ASSERT_EQ(entity->getGripPoints(grips, modes, ids), Acad::eOk);
    ASSERT_EQ(entity->getStretchPoints(stretch), Acad::eOk);
    EXPECT_TRUE(grips == stretch);
    EXPECT_EQ(modes.length(), 0);
    EXPECT_EQ(ids.length(), 0);
    AcDbIntArray twice;
    twice.append(0);
    twice.append(0);
    twice.append(9);  // no such grip: ignored
    ASSERT_EQ(entity->moveGripPointsAt(twice, AcGeVector3d(1, 2, 0)), Acad::eOk);
    ASSERT_EQ(entity->moveStretchPointsAt(twice, AcGeVector3d(0.5, 0, 0)), Acad::eOk);
    AcGePoint3dArray moved;
    entity->getGripPoints(moved, modes, ids);
    ASSERT_EQ(moved.length(), grips.length());
    EXPECT_TRUE(moved[0].isEqualTo(grips[0] + AcGeVector3d(3, 4, 0)));
    for (int i = 1; i < moved.length(); ++i)
        EXPECT_TRUE(moved[i].isEqualTo(grips[i]));
    EXPECT_EQ(entity->m_subEnts.length(), this->expectedCount());
    delete entity;
}

TYPED_TEST(SubEntityCache, ACopyChangedAfterwardsLeavesTheSourceAsItWas)
{
    TypeParam* source = this->make();
    const std::vector<vemhost::Primitive> sourceDrawing = drawn(source);
    TypeParam* copy = TypeParam::cast(source->clone());
    ASSERT_NE(copy, nullptr);
    expectSameDrawing(drawn(copy), sourceDrawing);
    for (AcDbEntity* mine : copy->m_subEnts)
        EXPECT_FALSE(source->m_subEnts.contains(mine)) << "the copy builds its own cache";
    ASSERT_EQ(copy->transformBy(AcGeMatrix3d::translation(AcGeVector3d(7, -3, 0))), Acad::eOk);
    copy->resetSubEnt(1);
    expectSameDrawing(drawn(source), sourceDrawing);
    delete copy;
    delete source;
}
