// XALL: every coordinate system and label becomes its pieces, in cache order and in
// the block where it lay; what cannot be opened, copied or wholly appended stays.
#include "command_fixture.h"
#include "aced.h"
#include "dbmtext.h"

namespace {

// The class name of each entity of a block, in drawing order.
std::vector<std::wstring> classNamesOf(const std::vector<AcDbObjectId>& ids)
{
    std::vector<std::wstring> names;
    for (const AcDbObjectId& id : ids) {
        AcDbEntity* entity = nullptr;
        if (acdbOpenAcDbEntity(entity, id, AcDb::kForRead) != Acad::eOk)
            continue;
        names.push_back(entity->isA()->name());
        entity->close();
    }
    return names;
}

// The class names of the pieces an entity explodes into, in order.
std::vector<std::wstring> pieceNamesOf(AcDbObjectId id)
{
    std::vector<std::wstring> names;
    AcDbEntity* entity = nullptr;
    if (acdbOpenAcDbEntity(entity, id, AcDb::kForRead) != Acad::eOk)
        return names;
    AcDbVoidPtrArray pieces;
    entity->explode(pieces);
    entity->close();
    for (int i = 0; i < pieces.length(); ++i) {
        AcDbEntity* piece = static_cast<AcDbEntity*>(pieces[i]);
        names.push_back(piece->isA()->name());
        delete piece;
    }
    return names;
}

std::vector<std::wstring> joined(std::initializer_list<std::vector<std::wstring>> parts)
{
    std::vector<std::wstring> all;
    for (const auto& part : parts)
        all.insert(all.end(), part.begin(), part.end());
    return all;
}

// The layer and colour of every piece an entity explodes into, as "layer/colour".
std::vector<std::wstring> piecePropertiesOf(AcDbObjectId id)
{
    std::vector<std::wstring> properties;
    AcDbEntity* entity = nullptr;
    if (acdbOpenAcDbEntity(entity, id, AcDb::kForRead) != Acad::eOk)
        return properties;
    AcDbVoidPtrArray pieces;
    entity->explode(pieces);
    entity->close();
    for (int i = 0; i < pieces.length(); ++i) {
        AcDbEntity* piece = static_cast<AcDbEntity*>(pieces[i]);
        properties.push_back(piece->layer().wstr() + L"/" + std::to_wstring(piece->colorIndex()));
        delete piece;
    }
    return properties;
}

class ExplodeAll : public CommandTest {
protected:
    bool anyOfTheThreeClassesIn(AcDbObjectId block)
    {
        return !entitiesOf<EOrigin>(block).empty() || !entitiesOf<ECoPoint>(block).empty() ||
               !entitiesOf<ECoLine>(block).empty();
    }
};

TEST_F(ExplodeAll, ADrawingWithoutTheClassesIsLeftAsItIsAndNothingIsPrinted)
{
    EXPECT_EQ(run(L"XALL"), "");
    EXPECT_TRUE(modelSpace().empty());
    append(new AcDbMText());
    EXPECT_EQ(run(L"XALL"), "");
    EXPECT_EQ(modelSpace().size(), 1u);
}

TEST_F(ExplodeAll, EveryEntityBecomesItsPiecesInCacheOrderInTheSpaceItLayIn)
{
    // Drawn in the reverse of the order in which the classes are handled.
    AcDbObjectId line = addLineLabel(AcGePoint3d(200, 0, 0));
    AcDbObjectId point = addPointLabel(AcGePoint3d(100, 0, 0));
    AcDbObjectId origin = addOrigin(AcGePoint3d(0, 0, 0));
    AcDbObjectId paperPoint = addPointLabel(AcGePoint3d(10, 10, 0), paperSpaceId());
    AcDbObjectId paperOrigin = addOrigin(AcGePoint3d(50, 50, 0), L"A", L"B", 0, 0, 1, 1, 3, paperSpaceId());
    std::vector<std::wstring> modelPieces = joined({pieceNamesOf(origin), pieceNamesOf(point), pieceNamesOf(line)});
    std::vector<std::wstring> paperPieces = joined({pieceNamesOf(paperOrigin), pieceNamesOf(paperPoint)});
    ASSERT_EQ(modelPieces.size(), 6u + 4u + 1u);
    // A pick-first selection that holds a label is cleared first.
    ads_name ss;
    ASSERT_EQ(acedSSGet(L"X", nullptr, nullptr, nullptr, ss), RTNORM);
    acedSSSetFirst(ss, nullptr);
    acedSSFree(ss);

    EXPECT_EQ(run(L"XALL"), "");
    for (AcDbObjectId id : {line, point, origin, paperPoint, paperOrigin})
        EXPECT_TRUE(id.isErased());
    EXPECT_EQ(classNamesOf(modelSpace()), modelPieces);
    EXPECT_EQ(classNamesOf(entitiesIn(paperSpaceId())), paperPieces);
    EXPECT_FALSE(anyOfTheThreeClassesIn(modelSpaceId()));
    EXPECT_FALSE(anyOfTheThreeClassesIn(paperSpaceId()));
    EXPECT_EQ(vemhost::testing::displayUpdateCount(), 0);
    EXPECT_EQ(acedSSGet(L"I", nullptr, nullptr, nullptr, ss), RTERROR);
}

TEST_F(ExplodeAll, ThePiecesDrawWhatTheEntityDrew)
{
    AcDbObjectId point = addPointLabel(AcGePoint3d(100, 0, 0));
    AcDbEntity* entity = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(entity, point, AcDb::kForRead), Acad::eOk);
    vemhost::PrimitiveCollector before;
    before.draw(entity);
    entity->close();

    run(L"XALL");
    vemhost::PrimitiveCollector after;
    for (const AcDbObjectId& id : modelSpace()) {
        ASSERT_EQ(acdbOpenAcDbEntity(entity, id, AcDb::kForRead), Acad::eOk);
        after.draw(entity);
        entity->close();
    }
    ASSERT_EQ(after.primitives().size(), before.primitives().size());
    for (size_t i = 0; i < before.primitives().size(); ++i) {
        EXPECT_EQ(after.primitives()[i].kind, before.primitives()[i].kind);
        EXPECT_EQ(after.primitives()[i].text, before.primitives()[i].text);
        ASSERT_EQ(after.primitives()[i].points.size(), before.primitives()[i].points.size());
        for (size_t p = 0; p < before.primitives()[i].points.size(); ++p)
            EXPECT_TRUE(after.primitives()[i].points[p].isEqualTo(before.primitives()[i].points[p]));
    }
}

TEST_F(ExplodeAll, TheArrowAndLeaderKeepTheLayerAndColourTheEntityWasMadeWith)
{
    // Made by the commands while RED1 is the current layer; a label given RED1 before
    // it is appended while layer 0 is current; one system coloured after it was made.
    // The vertical arrow and the leader carry the entity's properties; the other pieces
    // a new entity's (no layer of their own, colour by layer), and XALL appends them to
    // the current layer.
    AcDbObjectId layerZero = db()->clayer();
    AcDbObjectId red = addLayer(L"RED1", false);
    ASSERT_EQ(db()->setClayer(red), Acad::eOk);
    run(L"EORI", {L"0,0", L"", L"", L"", L"", L"", L"", L"", L"", L""});
    run(L"ECOP", {L"0,5", L"10,20", L"15,25", L""});
    run(L"ECOL", {L"0,5", L"A", L"30,30", L""});
    ASSERT_EQ(db()->setClayer(layerZero), Acad::eOk);
    ECoPoint* given = new ECoPoint(L"A", L"B", AcGePoint3d(100, 0, 0), AcGePoint3d(105, 5, 0), AcGePoint3d::kOrigin,
                                   AcGeVector3d::kYAxis, AcGeVector3d::kXAxis, AcGeVector3d::kXAxis, 1, 1, 3,
                                   textStyleId(L"Standard"));
    ASSERT_EQ(given->setLayer(L"RED1"), Acad::eOk);
    append(given);
    AcDbObjectId coloured = addOrigin(AcGePoint3d(0, 300, 0));
    {
        AcDbEntity* entity = nullptr;
        ASSERT_EQ(acdbOpenAcDbEntity(entity, coloured, AcDb::kForWrite), Acad::eOk);
        ASSERT_EQ(entity->setColorIndex(1), Acad::eOk);
        entity->close();
    }
    const std::vector<AcDbObjectId> made = modelSpace();
    ASSERT_EQ(made.size(), 5u);
    const auto firstCarries = [](size_t count, const std::wstring& first, const std::wstring& others) {
        std::vector<std::wstring> pieces(count, others);
        pieces[0] = first;
        return pieces;
    };
    const std::wstring none = L"/256";
    const std::vector<std::wstring> expected[] = {
        firstCarries(6, L"RED1/256", none), firstCarries(4, L"RED1/256", none),
        std::vector<std::wstring>(1, none), firstCarries(4, L"RED1/256", none), firstCarries(6, L"0/1", none)};
    // Exploded at once, as the host's EXPLODE does, without a save or an edit first.
    for (size_t i = 0; i < made.size(); ++i)
        EXPECT_EQ(piecePropertiesOf(made[i]), expected[i]) << "entity " << i;

    run(L"XALL");
    std::vector<std::wstring> pieces;
    for (const AcDbObjectId& id : modelSpace()) {
        Reader<AcDbEntity> piece(id);
        ASSERT_TRUE(piece.ok());
        pieces.push_back(piece->layer().wstr() + L"/" + std::to_wstring(piece->colorIndex()));
    }
    // XALL handles the systems first, then the point labels, then the line labels; a
    // piece without a layer lands on the current one, 0.
    std::vector<std::wstring> inOrder = joined({expected[0], expected[4], expected[1], expected[3], expected[2]});
    for (std::wstring& piece : inOrder)
        if (piece[0] == L'/')
            piece = L"0" + piece;
    EXPECT_EQ(pieces, inOrder);
}

TEST_F(ExplodeAll, LockedEntitiesStayAndASecondRunFindsOnlyThem)
{
    AcDbObjectId locked = addLayer(L"Locked", false);
    AcDbObjectId kept[3];
    AcDbEntity* made[] = {
        new EOrigin(L"A", L"B", 0, 0, AcGePoint3d(0, 0, 0), 90, 0, 1, 1, 3, textStyleId(L"Standard")),
        new ECoPoint(L"A", L"B", AcGePoint3d(100, 0, 0), AcGePoint3d(105, 5, 0), AcGePoint3d::kOrigin,
                     AcGeVector3d::kYAxis, AcGeVector3d::kXAxis, AcGeVector3d::kXAxis, 1, 1, 3,
                     textStyleId(L"Standard")),
        new ECoLine(0, L"A", L"B", AcGePoint3d(200, 0, 0), AcGePoint3d(205, 0, 0), AcGePoint3d::kOrigin,
                    AcGeVector3d::kYAxis, AcGeVector3d::kXAxis, 1, 1, 3, textStyleId(L"Standard")),
    };
    for (int i = 0; i < 3; ++i) {
        made[i]->setLayer(locked);
        kept[i] = append(made[i]);
    }
    AcDbObjectId freeOrigin = addOrigin(AcGePoint3d(0, 300, 0));
    AcDbObjectId freePoint = addPointLabel(AcGePoint3d(100, 300, 0));
    AcDbObjectId freeLine = addLineLabel(AcGePoint3d(200, 300, 0));
    AcDbLayerTableRecord* layer = nullptr;
    ASSERT_EQ(acdbOpenObject(layer, locked, AcDb::kForWrite), Acad::eOk);
    layer->setIsLocked(true);
    layer->close();

    EXPECT_EQ(run(L"XALL"), "");
    for (AcDbObjectId id : {freeOrigin, freePoint, freeLine})
        EXPECT_TRUE(id.isErased());
    size_t piecesAndKept = modelSpace().size();
    EXPECT_EQ(piecesAndKept, 6u + 4u + 1u + 3u);
    for (AcDbObjectId id : kept)
        EXPECT_FALSE(id.isErased());

    EXPECT_EQ(run(L"XALL"), "");
    EXPECT_EQ(modelSpace().size(), piecesAndKept) << "the second run finds only the locked ones";
    for (AcDbObjectId id : kept)
        EXPECT_FALSE(id.isErased());
}

TEST_F(ExplodeAll, AnEntityThatCannotBeCopiedOrWhollyAppendedIsKeptWhole)
{
    AcDbObjectId uncopiable = append(UncopiablePoint::make(AcGePoint3d(300, 0, 0)));
    AcDbObjectId point = addPointLabel(AcGePoint3d(100, 0, 0));
    EXPECT_EQ(run(L"XALL"), "");
    EXPECT_FALSE(uncopiable.isErased());
    EXPECT_TRUE(point.isErased());
    EXPECT_EQ(modelSpace().size(), 1u + 4u);

    // With model space held open by someone else no piece can be appended: the
    // paper-space label is exploded, the model-space ones stay whole, and no piece
    // is left over anywhere.
    AcDbObjectId line = addLineLabel(AcGePoint3d(200, 0, 0));
    AcDbObjectId paperLine = addLineLabel(AcGePoint3d(0, 0, 0), 0, paperSpaceId());
    size_t modelBefore = modelSpace().size();
    AcDbBlockTableRecord* modelSpaceRecord = nullptr;
    ASSERT_EQ(acdbOpenObject(modelSpaceRecord, modelSpaceId(), AcDb::kForRead), Acad::eOk);
    long alive = vemhost::testing::liveObjectCount();
    EXPECT_TRUE(vemhost::runCommand(L"XALL"));
    modelSpaceRecord->close();
    EXPECT_FALSE(line.isErased());
    EXPECT_FALSE(uncopiable.isErased());
    EXPECT_TRUE(paperLine.isErased());
    EXPECT_EQ(modelSpace().size(), modelBefore);
    EXPECT_EQ(classNamesOf(entitiesIn(paperSpaceId())), std::vector<std::wstring>{L"AcDbMText"});
    EXPECT_EQ(vemhost::testing::liveObjectCount(), alive + 1) << "only the paper-space piece is new";
    EXPECT_EQ(vemhost::testing::openObjectCount(db()), 0);
}

}  // namespace
