// Tests of single-line texts, definitions and attributes as the host edits and draws
// them, a table per behaviour across the three: grips and stretch points, snaps,
// strokes that agree with the extents, LIST, texts placed when closed in a drawing and
// undone, the drawing's defaults, and attributes made from their definitions.
#include <gtest/gtest.h>

#include <string>

#include "dbapserv.h"
#include "dbsymtb.h"
#include "drawing_builder.h"
#include "cjk_outlines.h"
#include "host_fixture.h"
#include "text_test_support.h"
#include "undo.h"

namespace {

using namespace text_test;

class TextEditing : public HostFixture {};

TextPtr justified(Kind kind, AcDbText::AcTextAlignment justification, const AcGePoint3d& at,
                  const AcGePoint3d& second = AcGePoint3d(22, 0, 0))
{
    TextPtr text = makeShowing(kind, L"中文", at);
    text->setJustification(justification);
    const bool betweenPoints =
        justification == AcDbText::kTextAlignmentAligned || justification == AcDbText::kTextAlignmentFit;
    text->setAlignmentPoint(betweenPoints ? second : at);
    text->adjustAlignment();
    return text;
}

TEST_F(TextEditing, GripsAndStretchPointsMoveTheTextOrItsAlignmentPoint)
{
    struct Case {
        const char* name;
        AcDbText::AcTextAlignment justification;
        bool stretch;
        std::initializer_list<int> moved;
        Acad::ErrorStatus status;
        AcGePoint3d position, alignment;
    };
    // Each text is "中文" (6 wide) at (10, 0), an aligned or fitted one running on to (22, 0);
    // every move is by (0, 5).
    const Case cases[] = {
        {"left by its position", AcDbText::kTextAlignmentLeft, false, {0}, Acad::eOk, {10, 5, 0}, {10, 5, 0}},
        {"left has one grip", AcDbText::kTextAlignmentLeft, false, {1}, Acad::eInvalidIndex, {10, 0, 0}, {10, 0, 0}},
        {"center by its position", AcDbText::kTextAlignmentCenter, false, {0}, Acad::eOk, {7, 5, 0}, {10, 5, 0}},
        {"center by its alignment point", AcDbText::kTextAlignmentCenter, false, {1}, Acad::eOk, {7, 5, 0},
         {10, 5, 0}},
        {"aligned by its start", AcDbText::kTextAlignmentAligned, false, {0}, Acad::eOk, {10, 5, 0}, {22, 0, 0}},
        {"fit by its end", AcDbText::kTextAlignmentFit, false, {1}, Acad::eOk, {10, 0, 0}, {22, 5, 0}},
        {"fit stretched whole", AcDbText::kTextAlignmentFit, true, {0, 1}, Acad::eOk, {10, 5, 0}, {22, 5, 0}},
        {"right stretched by its alignment point", AcDbText::kTextAlignmentRight, true, {1}, Acad::eOk,
         {4, 5, 0}, {10, 5, 0}},
        {"bad stretch point", AcDbText::kTextAlignmentRight, true, {2}, Acad::eInvalidIndex, {4, 0, 0},
         {10, 0, 0}},
    };
    for (Kind kind : kKinds) {
        for (const Case& c : cases) {
            const std::string where = std::string(nameOf(kind)) + " " + c.name;
            TextPtr text = justified(kind, c.justification, AcGePoint3d(10, 0, 0));
            const AcGeVector3d offset(0, 5, 0);
            const Acad::ErrorStatus es = c.stretch ? text->moveStretchPointsAt(indices(c.moved), offset)
                                                   : text->moveGripPointsAt(indices(c.moved), offset);
            EXPECT_EQ(c.status, es) << where;
            expectNear(c.position, text->position(), where + " position");
            expectNear(c.alignment, text->alignmentPoint(), where + " alignment point");
        }
        AcGePoint3dArray grips, stretch;
        AcDbIntArray modes, ids;
        TextPtr center = justified(kind, AcDbText::kTextAlignmentTopCenter, AcGePoint3d(10, 0, 0));
        ASSERT_EQ(Acad::eOk, center->getGripPoints(grips, modes, ids));
        ASSERT_EQ(Acad::eOk, center->getStretchPoints(stretch));
        ASSERT_EQ(2, grips.length()) << nameOf(kind);
        expectNear(AcGePoint3d(7, -3, 0), grips[0], "the position's grip");
        expectNear(AcGePoint3d(10, 0, 0), grips[1], "the alignment point's grip");
        EXPECT_EQ(2, stretch.length());
    }
}

TEST_F(TextEditing, SnapsOfferTheInsertionPointOnly)
{
    struct Case {
        const char* name;
        AcDbText::AcTextAlignment justification;
        AcDb::OsnapMode mode;
        std::vector<AcGePoint3d> expected;
    };
    const Case cases[] = {
        {"left", AcDbText::kTextAlignmentLeft, AcDb::kOsModeIns, {{10, 0, 0}}},
        {"middle center", AcDbText::kTextAlignmentMiddleCenter, AcDb::kOsModeIns, {{10, 0, 0}}},
        {"fit", AcDbText::kTextAlignmentFit, AcDb::kOsModeIns, {{10, 0, 0}}},
        {"right, not its start", AcDbText::kTextAlignmentRight, AcDb::kOsModeIns, {{10, 0, 0}}},
        {"no nearest point", AcDbText::kTextAlignmentLeft, AcDb::kOsModeNear, {}},
        {"no end", AcDbText::kTextAlignmentLeft, AcDb::kOsModeEnd, {}},
        {"no node", AcDbText::kTextAlignmentCenter, AcDb::kOsModeNode, {}},
    };
    for (Kind kind : kKinds) {
        for (const Case& c : cases) {
            TextPtr text = justified(kind, c.justification, AcGePoint3d(10, 0, 0));
            AcGePoint3dArray points;
            AcDbIntArray ids;
            ASSERT_EQ(Acad::eOk, text->getOsnapPoints(c.mode, 0, AcGePoint3d(11, 1, 0), AcGePoint3d::kOrigin,
                                                      AcGeMatrix3d::kIdentity, points, ids));
            ASSERT_EQ(int(c.expected.size()), points.length()) << nameOf(kind) << " " << c.name;
            for (size_t i = 0; i < c.expected.size(); ++i)
                expectNear(c.expected[i], points[int(i)], std::string(nameOf(kind)) + " " + c.name);
        }
    }
}

AcDbExtents strokeBox(AcDbEntity* entity, size_t& strokes)
{
    vemhost::PrimitiveCollector collector;
    collector.draw(entity);
    AcDbExtents box;
    strokes = collector.primitives().size();
    for (const vemhost::Primitive& p : collector.primitives()) {
        // Strokes, and the filled outlines of characters drawn from the CJK outline font.
        EXPECT_TRUE(p.kind == vemhost::Primitive::kPolyline || p.kind == vemhost::Primitive::kPolygon);
        for (const AcGePoint3d& pt : p.points)
            box.addPoint(pt);
    }
    return box;
}

TEST_F(TextEditing, StrokesLieWhereTheExtentsSayAndNothingExplodes)
{
    struct Case {
        const char* name;
        const wchar_t* shown;
        double obliqueDeg;
        bool backward, upsideDown;
    };
    const Case cases[] = {
        {"Latin", L"Hg1.5", 0, false, false},
        {"Chinese", L"北=5000", 0, false, false},
        {"slanted", L"Wide", 30, false, false},
        {"backward", L"Back", 0, true, false},
        {"upside down, slanted back", L"Flip", -20, false, true},
    };
    for (Kind kind : kKinds) {
        for (const Case& c : cases) {
            const std::string where = std::string(nameOf(kind)) + " " + c.name;
            TextPtr text = makeShowing(kind, c.shown, AcGePoint3d(3.25, -7.5, 1));
            text->setOblique(c.obliqueDeg * M_PI / 180.0);
            text->mirrorInX(c.backward);
            text->mirrorInY(c.upsideDown);
            size_t strokes = 0;
            const AcDbExtents drawn = strokeBox(text.get(), strokes);
            AcDbExtents extents;
            ASSERT_EQ(Acad::eOk, text->getGeomExtents(extents));
            EXPECT_GT(strokes, 0u) << where;
            // A glyph from the CJK outline font lies inside the square measured for it.
            const bool inSquares = std::wstring(c.shown).find(L'北') != std::wstring::npos &&
                                   acrt::CjkOutlines::shared().isLoaded();
            if (inSquares) {
                EXPECT_GE(drawn.minPoint().x, extents.minPoint().x) << where;
                EXPECT_GE(drawn.minPoint().y, extents.minPoint().y) << where;
                EXPECT_LE(drawn.maxPoint().y, extents.maxPoint().y) << where;
                EXPECT_EQ(drawn.maxPoint().x, extents.maxPoint().x) << where << ": the digits end the ink";
            }
            EXPECT_TRUE(inSquares || drawn == extents) << where << ": drawn " << pointText(drawn.minPoint())
                                          << pointText(drawn.maxPoint()) << " measured "
                                          << pointText(extents.minPoint()) << pointText(extents.maxPoint());
            AcDbVoidPtrArray pieces;
            EXPECT_EQ(Acad::eNotApplicable, text->explode(pieces)) << where;
            EXPECT_EQ(0, pieces.length());
        }
    }

    // A definition shows its tag, not its default value.
    AcDbAttributeDefinition def(AcGePoint3d::kOrigin, L"a much longer default", L"中文", L"p");
    AcDbText same(AcGePoint3d::kOrigin, L"中文");
    def.setHeight(2);
    same.setHeight(2);
    size_t defStrokes = 0, sameStrokes = 0;
    EXPECT_TRUE(strokeBox(&def, defStrokes) == strokeBox(&same, sameStrokes));
    EXPECT_EQ(sameStrokes, defStrokes);
    // An invisible attribute draws nothing, a visible one its value; a turned text draws
    // within its extents.
    AcDbAttribute attribute(AcGePoint3d::kOrigin, L"中文", L"TAG");
    attribute.setInvisible(true);
    size_t strokes = 0;
    strokeBox(&attribute, strokes);
    EXPECT_EQ(0u, strokes);
    attribute.setInvisible(false);
    attribute.setRotation(0.4);
    const AcDbExtents turned = strokeBox(&attribute, strokes);
    EXPECT_EQ(2u, strokes);
    AcDbExtents extents;
    attribute.getGeomExtents(extents);
    EXPECT_LE(extents.minPoint().x, turned.minPoint().x + 1e-12);
    EXPECT_GE(extents.maxPoint().y, turned.maxPoint().y - 1e-12);
}

TEST_F(TextEditing, ListShowsTheTextAndWhatTheAttributesAdd)
{
    const struct {
        Kind kind;
        std::vector<std::string> listed;
    } cases[] = {
        {Kind::kText, {"TEXT", "start point, X=1.0000  Y=2.0000", "alignment point, X=4.0000", "justification middle",
                       "height 3.0000", "text 中文", "rotation angle 0.0000", "generation backward"}},
        {Kind::kDefinition, {"ATTDEF", "text default value", "Tag: 中文", "Prompt: Enter it", "Flags: constant preset",
                             "Lock position: Yes"}},
        {Kind::kAttribute, {"ATTRIBUTE", "text 中文", "Tag: TAG", "Flags: invisible", "Lock position: No"}},
    };
    for (const auto& c : cases) {
        TextPtr text = makeShowing(c.kind, L"中文", AcGePoint3d(1, 2, 0));
        text->setJustification(AcDbText::kTextAlignmentMiddle);
        text->setAlignmentPoint(AcGePoint3d(4, 3.5, 0));
        text->mirrorInX(true);
        if (AcDbAttributeDefinition* d = AcDbAttributeDefinition::cast(text.get())) {
            d->setConstant(true);
            d->setPreset(true);
            d->setLockPositionInBlock(true);
        }
        if (AcDbAttribute* a = AcDbAttribute::cast(text.get()))
            a->setInvisible(true);
        vemhost::startCapture();
        text->list();
        const std::string listed = vemhost::takeCaptured();
        vemhost::stopCapture();
        for (const std::string& line : c.listed)
            EXPECT_NE(std::string::npos, listed.find(line)) << line << " in\n" << listed;
    }
}

TEST_F(TextEditing, ResidentTextsArePlacedWhenClosedTakeTheDrawingsDefaultsAndUndo)
{
    const AcDbObjectId big = test_support::addTextStyle(db(), L"big", L"txt", L"");
    AcDbTextStyleTableRecord* style = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenObject(style, big, AcDb::kForWrite));
    style->setTextSize(7);
    style->close();
    ASSERT_EQ(Acad::eOk, db()->setTextsize(4));
    EXPECT_EQ(Acad::eInvalidInput, db()->setTextsize(0));

    for (Kind kind : kKinds) {
        const std::string where = nameOf(kind);
        TextPtr made = makeShowing(kind, L"中文", AcGePoint3d(0, 0, 0), 0.0);
        made->setJustification(AcDbText::kTextAlignmentRight);
        made->setAlignmentPoint(AcGePoint3d(10, 0, 0));
        const AcDbObjectId id = test_support::appendTo(db(), ACDB_MODEL_SPACE, made.release());
        ASSERT_FALSE(id.isNull()) << where;

        AcDbText* text = nullptr;
        ASSERT_EQ(Acad::eOk, acdbOpenObject(text, id, AcDb::kForRead));
        EXPECT_EQ(4.0, text->height()) << where << ": TEXTSIZE, kept from the append";
        EXPECT_EQ(db()->textstyle(), text->textStyle()) << where;
        expectNear(AcGePoint3d(2, 0, 0), text->position(), where + " placed as it was closed");
        text->close();

        vemhost::UndoHistory* undo = vemhost::undoHistory(db());
        undo->beginCommand(L"EDIT");
        ASSERT_EQ(Acad::eOk, acdbOpenObject(text, id, AcDb::kForWrite));
        text->setAlignmentPoint(AcGePoint3d(20, 5, 0));
        text->setTextStyle(big);
        text->setHeight(0);
        text->close();
        undo->endCommand();
        ASSERT_EQ(Acad::eOk, acdbOpenObject(text, id, AcDb::kForRead));
        expectNear(AcGePoint3d(6, 5, 0), text->position(), where + " the style's 7 high run, 14 wide");
        text->close();
        undo->undo(1);
        ASSERT_EQ(Acad::eOk, acdbOpenObject(text, id, AcDb::kForRead));
        expectNear(AcGePoint3d(2, 0, 0), text->position(), where + " undone");
        expectNear(AcGePoint3d(10, 0, 0), text->alignmentPoint(), where + " undone");
        EXPECT_EQ(4.0, text->height());
        text->close();
    }
}

TEST_F(TextEditing, AnAttributeTakesItsDefinitionIntoTheReferencesPlacement)
{
    const AcDbObjectId layer = test_support::addLayer(db(), L"Tags", 3);
    AcDbAttributeDefinition def(AcGePoint3d(2, 0, 0), L"默认值", L"编号", L"Number:");
    def.setJustification(AcDbText::kTextAlignmentMiddleCenter);
    def.setAlignmentPoint(AcGePoint3d(2, 0, 0));
    def.setHeight(3);
    def.setVerifiable(true);
    def.setInvisible(true);
    def.setFieldLength(8);
    def.setLayer(layer);
    def.setColorIndex(5);
    def.adjustAlignment();

    // The reference at (100, 50), turned a quarter and twice the size.
    const AcGeMatrix3d blockXform = AcGeMatrix3d::translation(AcGeVector3d(100, 50, 0)) *
                                    AcGeMatrix3d::rotation(M_PI / 2, AcGeVector3d::kZAxis) *
                                    AcGeMatrix3d::scaling(2.0);
    AcDbAttribute attribute;
    ASSERT_EQ(Acad::eOk, attribute.setAttributeFromBlock(&def, blockXform));
    EXPECT_STREQ(L"编号", attribute.tagConst());
    EXPECT_STREQ(L"默认值", attribute.textStringConst()) << "the default value, to be replaced";
    EXPECT_TRUE(attribute.isVerifiable());
    EXPECT_TRUE(attribute.isInvisible());
    EXPECT_FALSE(attribute.isConstant() || attribute.isPreset());
    EXPECT_EQ(8, attribute.fieldLength());
    EXPECT_EQ(layer, attribute.layerId());
    EXPECT_EQ(5, attribute.colorIndex());
    EXPECT_EQ(AcDbText::kTextAlignmentMiddleCenter, attribute.justification());
    expectNear(AcGePoint3d(100, 54, 0), attribute.alignmentPoint(), "alignment point in the reference");
    EXPECT_NEAR(90.0, attribute.rotation() * 180.0 / M_PI, 1e-9);
    EXPECT_NEAR(6.0, attribute.height(), 1e-12);
    // Its value (4 squares at height 6: 24 wide) centred there, along +Y.
    attribute.setTextString(L"一二三四");
    attribute.adjustAlignment();
    expectNear(AcGePoint3d(103, 42, 0), attribute.position(), "value centred on the alignment point");

    AcGeMatrix3d flat;
    flat(1, 1) = 0.0;
    const std::string before = summary(attribute);
    EXPECT_EQ(Acad::eCannotScaleNonUniformly, attribute.setAttributeFromBlock(&def, flat));
    EXPECT_EQ(before, summary(attribute)) << "a refused placement leaves the attribute as it was";
    EXPECT_EQ(Acad::eNullObjectPointer, attribute.setAttributeFromBlock(nullptr, blockXform));

    // Tags hold no spaces; the strings handed out are the caller's to free.
    EXPECT_EQ(Acad::eInvalidInput, attribute.setTag(L"TWO WORDS"));
    EXPECT_EQ(Acad::eInvalidInput, def.setTag(L""));
    EXPECT_STREQ(L"", AcDbAttributeDefinition(AcGePoint3d::kOrigin, L"v", L"A\tB", L"p").tagConst());
    for (ACHAR* copy : {attribute.tag(), attribute.textString(), def.prompt()}) {
        EXPECT_NE(nullptr, copy);
        acutDelString(copy);
        EXPECT_EQ(nullptr, copy);
    }
}

}  // namespace
