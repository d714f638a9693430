// Tests of the single-line text, the attribute definition and the attribute, a table
// of cases per behaviour across the three: where each justification puts the text,
// filing and damaged records, and transforms.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "host_fixture.h"
#include "text_test_support.h"

namespace {

using namespace text_test;
using J = AcDbText;

class SingleLineText : public HostFixture {};

// "中文" at height 3 is 6 wide and 3 high, so every anchor is a round number. The
// alignment point is (10, 20); an aligned or fitted text runs from there to `second`.
TEST_F(SingleLineText, EveryJustificationPutsItsAnchorAtTheAlignmentPoint)
{
    struct Case {
        const char* name;
        J::AcTextAlignment justification;
        double rotationDeg;
        int mirror;  // 2 backward, 4 upside down, as DXF's generation flags
        double widthFactor;
        AcGePoint3d position, min, max;  // the run's start and its ink
        AcGePoint3d second = AcGePoint3d::kOrigin;
        double height = 3.0;
    };
    //  name            justification                  rot mirror width position    ink from      ink to
    const Case cases[] = {
        {"left", J::kTextAlignmentLeft, 0, 0, 1, {10, 20, 0}, {10, 20, 0}, {16, 23, 0}},
        {"center", J::kTextAlignmentCenter, 0, 0, 1, {7, 20, 0}, {7, 20, 0}, {13, 23, 0}},
        {"right", J::kTextAlignmentRight, 0, 0, 1, {4, 20, 0}, {4, 20, 0}, {10, 23, 0}},
        {"middle", J::kTextAlignmentMiddle, 0, 0, 1, {7, 18.5, 0}, {7, 18.5, 0}, {13, 21.5, 0}},
        {"top left", J::kTextAlignmentTopLeft, 0, 0, 1, {10, 17, 0}, {10, 17, 0}, {16, 20, 0}},
        {"top center", J::kTextAlignmentTopCenter, 0, 0, 1, {7, 17, 0}, {7, 17, 0}, {13, 20, 0}},
        {"top right", J::kTextAlignmentTopRight, 0, 0, 1, {4, 17, 0}, {4, 17, 0}, {10, 20, 0}},
        {"middle left", J::kTextAlignmentMiddleLeft, 0, 0, 1, {10, 18.5, 0}, {10, 18.5, 0}, {16, 21.5, 0}},
        {"middle center", J::kTextAlignmentMiddleCenter, 0, 0, 1, {7, 18.5, 0}, {7, 18.5, 0}, {13, 21.5, 0}},
        {"middle right", J::kTextAlignmentMiddleRight, 0, 0, 1, {4, 18.5, 0}, {4, 18.5, 0}, {10, 21.5, 0}},
        {"bottom left", J::kTextAlignmentBottomLeft, 0, 0, 1, {10, 21, 0}, {10, 21, 0}, {16, 24, 0}},
        {"bottom center", J::kTextAlignmentBottomCenter, 0, 0, 1, {7, 21, 0}, {7, 21, 0}, {13, 24, 0}},
        {"bottom right", J::kTextAlignmentBottomRight, 0, 0, 1, {4, 21, 0}, {4, 21, 0}, {10, 24, 0}},
        {"right, turned up", J::kTextAlignmentRight, 90, 0, 1, {10, 14, 0}, {7, 14, 0}, {10, 20, 0}},
        {"top right, turned up", J::kTextAlignmentTopRight, 90, 0, 1, {13, 14, 0}, {10, 14, 0}, {13, 20, 0}},
        {"right, backward", J::kTextAlignmentRight, 0, 2, 1, {16, 20, 0}, {10, 20, 0}, {16, 23, 0}},
        {"top left, upside down", J::kTextAlignmentTopLeft, 0, 4, 1, {10, 23, 0}, {10, 20, 0}, {16, 23, 0}},
        {"center, twice as wide", J::kTextAlignmentCenter, 0, 0, 2, {4, 20, 0}, {4, 20, 0}, {16, 23, 0}},
        // From (10,20) up to (10,32): the run of 2 squares is 6 high to span 12.
        {"aligned", J::kTextAlignmentAligned, 0, 0, 1, {10, 20, 0}, {4, 20, 0}, {10, 32, 0}, {10, 32, 0}, 6},
        // From (10,20) to (22,20): the run keeps its height and is stretched twice.
        {"fit", J::kTextAlignmentFit, 0, 0, 2, {10, 20, 0}, {10, 20, 0}, {22, 23, 0}, {22, 20, 0}},
    };
    const AcGePoint3d at(10, 20, 0);
    for (Kind kind : kKinds) {
        for (const Case& c : cases) {
            const std::string where = std::string(nameOf(kind)) + " " + c.name;
            const bool between = c.justification == J::kTextAlignmentAligned || c.justification == J::kTextAlignmentFit;
            TextPtr text = makeShowing(kind, L"中文", AcGePoint3d(-50, -50, 0));
            text->setRotation(c.rotationDeg * M_PI / 180.0);
            text->mirrorInX((c.mirror & 2) != 0);
            text->mirrorInY((c.mirror & 4) != 0);
            text->setWidthFactor(between ? 1.0 : c.widthFactor);
            ASSERT_EQ(Acad::eOk, text->setJustification(c.justification)) << where;
            EXPECT_EQ(c.justification, text->justification()) << where;
            text->setPosition(at);
            text->setAlignmentPoint(between ? c.second : at);
            ASSERT_EQ(Acad::eOk, text->adjustAlignment()) << where;
            expectNear(c.position, text->position(), where + " position");
            expectNear(between ? c.second : at, text->alignmentPoint(), where + " alignment point");
            EXPECT_NEAR(c.height, text->height(), 1e-12) << where;
            EXPECT_NEAR(c.widthFactor, text->widthFactor(), 1e-12) << where;
            AcDbExtents ink;
            ASSERT_EQ(Acad::eOk, text->getGeomExtents(ink));
            expectNear(c.min, ink.minPoint(), where + " ink from");
            expectNear(c.max, ink.maxPoint(), where + " ink to");
        }
    }
}

TEST_F(SingleLineText, FilingRoundTripsAndEveryCutOrDamagedValueIsRefused)
{
    const std::function<TextPtr()> makers[] = {
        [] {
            TextPtr t(new AcDbText(AcGePoint3d(1, 2, 3), L"坐标 X=1.5", AcDbObjectId::kNull, 2.5, 0.5));
            t->setJustification(J::kTextAlignmentMiddleRight);
            t->setAlignmentPoint(AcGePoint3d(4, 5, 6));
            t->setOblique(0.25);
            t->setWidthFactor(0.75);
            t->mirrorInX(true);
            t->setNormal(AcGeVector3d(0, 3, 4));
            t->setThickness(1.5);
            return t;
        },
        [] {
            AcDbAttributeDefinition* d = new AcDbAttributeDefinition(AcGePoint3d(1, 1, 0), L"默认", L"名称", L"Name:");
            d->setConstant(true);
            d->setPreset(true);
            d->setFieldLength(12);
            d->setLockPositionInBlock(true);
            return TextPtr(d);
        },
        [] {
            AcDbAttribute* a = new AcDbAttribute(AcGePoint3d(7, 8, 0), L"value", L"TAG");
            a->setInvisible(true);
            a->mirrorInY(true);
            return TextPtr(a);
        },
        [] { return TextPtr(new AcDbText()); },
        [] { return TextPtr(new AcDbAttributeDefinition()); },
        [] { return TextPtr(new AcDbAttribute()); },
    };
    for (const auto& make : makers) {
        TextPtr original = make();
        const std::string name = vemhost::toUtf8(original->isA()->name());
        const Bytes whole = filed(*original, db());
        TextPtr read(AcDbText::cast(original->isA()->create()));
        vemhost::MemoryFiler filer(whole, db());
        ASSERT_EQ(Acad::eOk, read->dwgInFields(&filer)) << name;
        EXPECT_EQ(whole, filed(*read, db())) << name << ": written back byte for byte";
        EXPECT_EQ(summary(*original), summary(*read)) << name;
        TextPtr copy(AcDbText::cast(original->clone()));
        ASSERT_NE(nullptr, copy) << name;
        EXPECT_EQ(whole, filed(*copy, db())) << name << ": a clone files the same";
        for (size_t cut = 0; cut < whole.size(); ++cut) {
            vemhost::MemoryFiler truncated(Bytes(whole.begin(), whole.begin() + long(cut)), db());
            TextPtr target = make();
            const std::string before = summary(*target);
            EXPECT_NE(Acad::eOk, target->dwgInFields(&truncated)) << name << " cut at " << cut;
            EXPECT_EQ(before, summary(*target)) << name << " cut at " << cut;
        }
    }

    using Damage = std::function<void(TextRecord&, AttributeRecord&)>;
    const struct {
        const char* name;
        Damage damage;
        Acad::ErrorStatus status;
        bool attributePart;
    } damaged[] = {
        {"a later version", [](TextRecord& t, AttributeRecord&) { t.version = 2; }, Acad::eMakeMeProxy, false},
        {"version 0", [](TextRecord& t, AttributeRecord&) { t.version = 0; }, Acad::eFilerError, false},
        {"oblique beyond 85 degrees", [](TextRecord& t, AttributeRecord&) { t.oblique = 1.5; }, Acad::eFilerError,
         false},
        {"rotation beyond a turn", [](TextRecord& t, AttributeRecord&) { t.rotation = 7; }, Acad::eFilerError, false},
        {"negative height", [](TextRecord& t, AttributeRecord&) { t.height = -1; }, Acad::eFilerError, false},
        {"width factor 0", [](TextRecord& t, AttributeRecord&) { t.widthFactor = 0; }, Acad::eFilerError, false},
        {"generation flag 1", [](TextRecord& t, AttributeRecord&) { t.flags = 1; }, Acad::eFilerError, false},
        {"horizontal mode 6", [](TextRecord& t, AttributeRecord&) { t.horz = 6; }, Acad::eFilerError, false},
        {"vertical mode 4", [](TextRecord& t, AttributeRecord&) { t.vert = 4; }, Acad::eFilerError, false},
        {"zero normal", [](TextRecord& t, AttributeRecord&) { t.normal = AcGeVector3d(); }, Acad::eFilerError, false},
        {"tag with a space", [](TextRecord&, AttributeRecord& a) { a.tag = L"A B"; }, Acad::eFilerError, true},
        {"a later attribute", [](TextRecord&, AttributeRecord& a) { a.version = 2; }, Acad::eMakeMeProxy, true},
        {"attribute flag 16", [](TextRecord&, AttributeRecord& a) { a.flags = 16; }, Acad::eFilerError, true},
    };
    for (Kind kind : kKinds) {
        for (const auto& d : damaged) {
            if (d.attributePart && kind == Kind::kText)
                continue;
            TextRecord text;
            AttributeRecord attribute;
            d.damage(text, attribute);
            TextPtr target = makeShowing(kind, L"中文", AcGePoint3d(5, 5, 0));
            const std::string before = summary(*target);
            vemhost::MemoryFiler filer(record(db(), kind, text, attribute), db());
            EXPECT_EQ(d.status, target->dwgInFields(&filer)) << nameOf(kind) << ": " << d.name;
            EXPECT_EQ(before, summary(*target)) << nameOf(kind) << ": " << d.name << " leaves it alone";
        }
        TextPtr target = makeShowing(kind, L"中文", AcGePoint3d::kOrigin);
        vemhost::MemoryFiler good(record(db(), kind, {}), db());
        EXPECT_EQ(Acad::eOk, target->dwgInFields(&good)) << nameOf(kind) << ": the undamaged record reads";
    }

    for (long failAt = 1;; ++failAt) {
        vemhost::MemoryFiler inner(db());
        vemhost::testing::FaultFiler faulty(inner, failAt);
        const AcDbAttributeDefinition def(AcGePoint3d(1, 2, 3), L"v", L"T", L"p");
        const Acad::ErrorStatus es = def.dwgOutFields(&faulty);
        if (!faulty.hasFailed()) {
            EXPECT_EQ(Acad::eOk, es);
            break;
        }
        EXPECT_NE(Acad::eOk, es) << "write failing at operation " << failAt;
    }
}

TEST_F(SingleLineText, TransformsMoveTurnScaleAndMirrorKeepingTheTextReadable)
{
    const AcGeMatrix3d acrossY = AcGeMatrix3d::mirroring(AcGePlane(AcGePoint3d::kOrigin, AcGeVector3d::kXAxis));
    const AcGeMatrix3d acrossX = AcGeMatrix3d::mirroring(AcGePlane(AcGePoint3d::kOrigin, AcGeVector3d::kYAxis));
    AcGeMatrix3d squash;
    squash(1, 1) = 2.0;
    struct Case {
        const char* name;
        J::AcTextAlignment justification;
        double rotationDeg;
        AcGeMatrix3d xform;
        Acad::ErrorStatus status;
        AcGePoint3d position;
        double rotationAfter, height;
    };
    // Each text is "中文" at height 3 whose alignment point (or start) is (10, 0).
    const Case cases[] = {
        {"moved", J::kTextAlignmentLeft, 30, AcGeMatrix3d::translation(AcGeVector3d(1, 2, 0)), Acad::eOk, {11, 2, 0},
         30, 3},
        {"turned", J::kTextAlignmentLeft, 0, AcGeMatrix3d::rotation(M_PI / 2, AcGeVector3d::kZAxis), Acad::eOk,
         {0, 10, 0}, 90, 3},
        {"scaled", J::kTextAlignmentCenter, 0, AcGeMatrix3d::scaling(2.0), Acad::eOk, {14, 0, 0}, 0, 6},
        {"mirrored across y reads on", J::kTextAlignmentLeft, 0, acrossY, Acad::eOk, {-10, 0, 0}, 0, 3},
        {"mirrored across y at 30 degrees", J::kTextAlignmentLeft, 30, acrossY, Acad::eOk, {-10, 0, 0}, 330, 3},
        {"mirrored across x at 30 degrees", J::kTextAlignmentLeft, 30, acrossX, Acad::eOk, {10, 0, 0}, 330, 3},
        {"mirrored right text stays right", J::kTextAlignmentRight, 0, acrossY, Acad::eOk, {-16, 0, 0}, 0, 3},
        {"squashed", J::kTextAlignmentLeft, 0, squash, Acad::eCannotScaleNonUniformly, {10, 0, 0}, 0, 3},
    };
    for (Kind kind : kKinds) {
        const std::string name = nameOf(kind);
        for (const Case& c : cases) {
            TextPtr text = makeShowing(kind, L"中文", AcGePoint3d(10, 0, 0));
            text->setRotation(c.rotationDeg * M_PI / 180.0);
            text->setJustification(c.justification);
            text->adjustAlignment();
            EXPECT_EQ(c.status, text->transformBy(c.xform)) << name << " " << c.name;
            expectNear(c.position, text->position(), name + " " + c.name);
            EXPECT_NEAR(c.rotationAfter, text->rotation() * 180.0 / M_PI, 1e-9) << name << " " << c.name;
            EXPECT_NEAR(c.height, text->height(), 1e-12) << name << " " << c.name;
            EXPECT_FALSE(text->isMirroredInX()) << name << " " << c.name << ": not drawn backward";
        }
        // An aligned text mirrored across its direction swaps its points, so that it
        // still runs from the first to the second and reads forward.
        TextPtr aligned = makeShowing(kind, L"中文", AcGePoint3d(10, 0, 0));
        aligned->setJustification(J::kTextAlignmentAligned);
        aligned->setAlignmentPoint(AcGePoint3d(22, 0, 0));
        ASSERT_EQ(Acad::eOk, aligned->transformBy(acrossY));
        expectNear(AcGePoint3d(-22, 0, 0), aligned->position(), name + " aligned");
        expectNear(AcGePoint3d(-10, 0, 0), aligned->alignmentPoint(), name + " aligned");
        // Through its own plane: the normal turns over.
        TextPtr flipped = makeShowing(kind, L"中文", AcGePoint3d(10, 0, 0));
        const AcGeMatrix3d acrossPlan = AcGeMatrix3d::mirroring(AcGePlane(AcGePoint3d::kOrigin, AcGeVector3d::kZAxis));
        ASSERT_EQ(Acad::eOk, flipped->transformBy(acrossPlan));
        expectNear(AcGePoint3d(0, 0, -1), AcGePoint3d::kOrigin + flipped->normal(), name + " flipped");
    }

    // A block reference scaled unevenly gives its attributes a width factor.
    AcDbAttribute attribute(AcGePoint3d(1, 1, 0), L"中文", L"TAG");
    attribute.setHeight(3);
    EXPECT_EQ(Acad::eCannotScaleNonUniformly, attribute.transformBy(AcGeMatrix3d::scaling(2.0) * squash));
    ASSERT_EQ(Acad::eOk, attribute.setAttributeFromBlock(AcGeMatrix3d::scaling(2.0) * squash));
    EXPECT_NEAR(12.0, attribute.height(), 1e-12);
    EXPECT_NEAR(0.5, attribute.widthFactor(), 1e-12);
    expectNear(AcGePoint3d(2, 4, 0), attribute.position(), "attribute carried into the block's placement");
    AcGeMatrix3d skew;
    skew(0, 1) = 1.0;
    EXPECT_EQ(Acad::eCannotScaleNonUniformly, attribute.setAttributeFromBlock(skew));
}

}  // namespace
