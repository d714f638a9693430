// Tests of the single-line text, the attribute definition and the attribute, a table
// of cases per behaviour across the three: where each justification puts the text,
// filing and damaged records, values the setters refuse, and transforms.
#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <string>

#include "host_fixture.h"
#include "text_test_support.h"

namespace {

using namespace text_test;

class SingleLineText : public HostFixture {};

// "中文" at height 3 is 6 wide and 3 high, so every anchor is a round number.
TEST_F(SingleLineText, EveryJustificationPutsItsAnchorAtTheAlignmentPoint)
{
    const AcGePoint3d at(10, 20, 0);
    struct Case {
        const char* name;
        AcDbText::AcTextAlignment justification;
        double rotationDeg;
        bool backward, upsideDown;
        double widthFactor;
        AcGePoint3d position;  // where the run starts on its baseline
        AcGePoint3d min, max;  // the ink
    };
    //  name                 justification                            rot  back   upside w   position   ink
    const Case cases[] = {
        {"left", AcDbText::kTextAlignmentLeft, 0, false, false, 1, {10, 20, 0}, {10, 20, 0}, {16, 23, 0}},
        {"center", AcDbText::kTextAlignmentCenter, 0, false, false, 1, {7, 20, 0}, {7, 20, 0}, {13, 23, 0}},
        {"right", AcDbText::kTextAlignmentRight, 0, false, false, 1, {4, 20, 0}, {4, 20, 0}, {10, 23, 0}},
        {"middle", AcDbText::kTextAlignmentMiddle, 0, false, false, 1, {7, 18.5, 0}, {7, 18.5, 0}, {13, 21.5, 0}},
        {"top left", AcDbText::kTextAlignmentTopLeft, 0, false, false, 1, {10, 17, 0}, {10, 17, 0}, {16, 20, 0}},
        {"top center", AcDbText::kTextAlignmentTopCenter, 0, false, false, 1, {7, 17, 0}, {7, 17, 0}, {13, 20, 0}},
        {"top right", AcDbText::kTextAlignmentTopRight, 0, false, false, 1, {4, 17, 0}, {4, 17, 0}, {10, 20, 0}},
        {"middle left", AcDbText::kTextAlignmentMiddleLeft, 0, false, false, 1, {10, 18.5, 0}, {10, 18.5, 0},
         {16, 21.5, 0}},
        {"middle center", AcDbText::kTextAlignmentMiddleCenter, 0, false, false, 1, {7, 18.5, 0}, {7, 18.5, 0},
         {13, 21.5, 0}},
        {"middle right", AcDbText::kTextAlignmentMiddleRight, 0, false, false, 1, {4, 18.5, 0}, {4, 18.5, 0},
         {10, 21.5, 0}},
        {"bottom left", AcDbText::kTextAlignmentBottomLeft, 0, false, false, 1, {10, 21, 0}, {10, 21, 0},
         {16, 24, 0}},
        {"bottom center", AcDbText::kTextAlignmentBottomCenter, 0, false, false, 1, {7, 21, 0}, {7, 21, 0},
         {13, 24, 0}},
        {"bottom right", AcDbText::kTextAlignmentBottomRight, 0, false, false, 1, {4, 21, 0}, {4, 21, 0},
         {10, 24, 0}},
        {"right, turned up", AcDbText::kTextAlignmentRight, 90, false, false, 1, {10, 14, 0}, {7, 14, 0},
         {10, 20, 0}},
        {"top right, turned up", AcDbText::kTextAlignmentTopRight, 90, false, false, 1, {13, 14, 0}, {10, 14, 0},
         {13, 20, 0}},
        {"right, backward", AcDbText::kTextAlignmentRight, 0, true, false, 1, {16, 20, 0}, {10, 20, 0},
         {16, 23, 0}},
        {"top left, upside down", AcDbText::kTextAlignmentTopLeft, 0, false, true, 1, {10, 23, 0}, {10, 20, 0},
         {16, 23, 0}},
        {"center, twice as wide", AcDbText::kTextAlignmentCenter, 0, false, false, 2, {4, 20, 0}, {4, 20, 0},
         {16, 23, 0}},
    };
    for (Kind kind : kKinds) {
        for (const Case& c : cases) {
            const std::string where = std::string(nameOf(kind)) + " " + c.name;
            TextPtr text = makeShowing(kind, L"中文", AcGePoint3d(-50, -50, 0));
            text->setRotation(c.rotationDeg * M_PI / 180.0);
            text->mirrorInX(c.backward);
            text->mirrorInY(c.upsideDown);
            text->setWidthFactor(c.widthFactor);
            ASSERT_EQ(Acad::eOk, text->setJustification(c.justification)) << where;
            EXPECT_EQ(c.justification, text->justification()) << where;
            if (text->isDefaultAlignment())
                text->setPosition(at);
            else
                text->setAlignmentPoint(at);
            ASSERT_EQ(Acad::eOk, text->adjustAlignment()) << where;
            expectNear(c.position, text->position(), where + " position");
            expectNear(at, text->alignmentPoint(), where + " alignment point");
            AcDbExtents ink;
            ASSERT_EQ(Acad::eOk, text->getGeomExtents(ink));
            expectNear(c.min, ink.minPoint(), where + " ink from");
            expectNear(c.max, ink.maxPoint(), where + " ink to");
        }
    }
}

TEST_F(SingleLineText, AlignedAndFittedTextsSpanTheirTwoPoints)
{
    for (Kind kind : kKinds) {
        const std::string where = nameOf(kind);
        // Aligned: from (10,20) up to (10,32), 12 long: the run of 2 squares is 6 high.
        TextPtr aligned = makeShowing(kind, L"中文", AcGePoint3d(10, 20, 0));
        aligned->setJustification(AcDbText::kTextAlignmentAligned);
        aligned->setAlignmentPoint(AcGePoint3d(10, 32, 0));
        ASSERT_EQ(Acad::eOk, aligned->adjustAlignment());
        expectNear(AcGePoint3d(10, 20, 0), aligned->position(), where + " aligned start");
        EXPECT_NEAR(90.0, aligned->rotation() * 180.0 / M_PI, 1e-9) << where;
        EXPECT_NEAR(6.0, aligned->height(), 1e-12) << where;
        EXPECT_EQ(1.0, aligned->widthFactor()) << where;
        AcDbExtents ink;
        aligned->getGeomExtents(ink);
        expectNear(AcGePoint3d(4, 20, 0), ink.minPoint(), where + " aligned ink");
        expectNear(AcGePoint3d(10, 32, 0), ink.maxPoint(), where + " aligned ink");

        // Fitted: the height stays 3 and the run is stretched to 12.
        TextPtr fitted = makeShowing(kind, L"中文", AcGePoint3d(10, 20, 0));
        fitted->setHorizontalMode(AcDb::kTextFit);
        fitted->setVerticalMode(AcDb::kTextTop);  // ignored between two points
        fitted->setAlignmentPoint(AcGePoint3d(22, 20, 0));
        ASSERT_EQ(Acad::eOk, fitted->adjustAlignment());
        EXPECT_EQ(AcDbText::kTextAlignmentFit, fitted->justification()) << where;
        EXPECT_EQ(3.0, fitted->height()) << where;
        EXPECT_NEAR(2.0, fitted->widthFactor(), 1e-12) << where;
        EXPECT_NEAR(0.0, fitted->rotation(), 1e-12) << where;

        // Points that coincide leave the text as it was.
        fitted->setAlignmentPoint(fitted->position());
        fitted->adjustAlignment();
        EXPECT_NEAR(2.0, fitted->widthFactor(), 1e-12) << where;
    }
}

TEST_F(SingleLineText, FilingRoundTripsAndEveryCutOrDamagedValueIsRefused)
{
    const std::function<TextPtr()> makers[] = {
        [] {
            TextPtr t(new AcDbText(AcGePoint3d(1, 2, 3), L"坐标 X=1.5", AcDbObjectId::kNull, 2.5, 0.5));
            t->setJustification(AcDbText::kTextAlignmentMiddleRight);
            t->setAlignmentPoint(AcGePoint3d(4, 5, 6));
            t->setOblique(0.25);
            t->setWidthFactor(0.75);
            t->mirrorInX(true);
            t->setNormal(AcGeVector3d(0, 3, 4));
            t->setThickness(1.5);
            return t;
        },
        [] { return TextPtr(new AcDbText()); },
        [] {
            AcDbAttributeDefinition* d =
                new AcDbAttributeDefinition(AcGePoint3d(1, 1, 0), L"默认", L"名称", L"Enter the name:");
            d->setConstant(true);
            d->setPreset(true);
            d->setFieldLength(12);
            d->setLockPositionInBlock(true);
            return TextPtr(d);
        },
        [] { return TextPtr(new AcDbAttributeDefinition()); },
        [] {
            AcDbAttribute* a = new AcDbAttribute(AcGePoint3d(7, 8, 0), L"value", L"TAG");
            a->setInvisible(true);
            a->mirrorInY(true);
            return TextPtr(a);
        },
        [] { return TextPtr(new AcDbAttribute()); },
    };
    for (const auto& make : makers) {
        TextPtr original = make();
        const std::string name = original->isA()->name() ? vemhost::toUtf8(original->isA()->name()) : "?";
        const Bytes whole = filed(*original, db());
        TextPtr read(AcDbText::cast(original->isA()->create()));
        ASSERT_NE(nullptr, read) << name;
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

    struct Damage {
        const char* name;
        TextRecord text;
        AttributeRecord attribute;
        Acad::ErrorStatus status;
    };
    TextRecord later, none, oblique, turned, negative, flat, flags, horz, vert, normal;
    later.version = 2;
    none.version = 0;
    oblique.oblique = 1.5;
    turned.rotation = 7.0;
    negative.height = -1.0;
    flat.widthFactor = 0.0;
    flags.flags = 1;
    horz.horz = 6;
    vert.vert = 4;
    normal.normal = AcGeVector3d(0, 0, 0);
    AttributeRecord spaced, laterAttribute, badFlags;
    spaced.tag = L"TWO WORDS";
    laterAttribute.version = 2;
    badFlags.flags = 16;
    const Damage damaged[] = {
        {"a later version", later, {}, Acad::eMakeMeProxy},
        {"version 0", none, {}, Acad::eFilerError},
        {"oblique beyond 85 degrees", oblique, {}, Acad::eFilerError},
        {"rotation beyond a turn", turned, {}, Acad::eFilerError},
        {"negative height", negative, {}, Acad::eFilerError},
        {"width factor 0", flat, {}, Acad::eFilerError},
        {"generation flag 1", flags, {}, Acad::eFilerError},
        {"horizontal mode 6", horz, {}, Acad::eFilerError},
        {"vertical mode 4", vert, {}, Acad::eFilerError},
        {"zero normal", normal, {}, Acad::eFilerError},
        {"tag with a space", {}, spaced, Acad::eFilerError},
        {"a later attribute version", {}, laterAttribute, Acad::eMakeMeProxy},
        {"attribute flag 16", {}, badFlags, Acad::eFilerError},
    };
    for (Kind kind : kKinds) {
        for (const Damage& d : damaged) {
            const bool attributePart = d.attribute.version != 1 || d.attribute.flags != 0 ||
                                       std::wstring(d.attribute.tag) != L"TAG";
            if (attributePart && kind == Kind::kText)
                continue;
            TextPtr target = makeShowing(kind, L"中文", AcGePoint3d(5, 5, 0));
            const std::string before = summary(*target);
            vemhost::MemoryFiler filer(record(db(), kind, d.text, d.attribute), db());
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
        const Acad::ErrorStatus es =
            AcDbAttributeDefinition(AcGePoint3d(1, 2, 3), L"v", L"T", L"p").dwgOutFields(&faulty);
        if (!faulty.hasFailed()) {
            EXPECT_EQ(Acad::eOk, es);
            break;
        }
        EXPECT_NE(Acad::eOk, es) << "write failing at operation " << failAt;
    }
}

TEST_F(SingleLineText, SettersRefuseWhatNoTextCanHaveAndHandOutCopies)
{
    for (Kind kind : kKinds) {
        TextPtr text = makeShowing(kind, L"中文", AcGePoint3d::kOrigin);
        const std::string before = summary(*text);
        EXPECT_EQ(Acad::eInvalidInput, text->setOblique(1.5)) << nameOf(kind);
        EXPECT_EQ(Acad::eInvalidInput, text->setHeight(-1.0));
        EXPECT_EQ(Acad::eInvalidInput, text->setHeight(NAN));
        EXPECT_EQ(Acad::eInvalidInput, text->setWidthFactor(0.0));
        EXPECT_EQ(Acad::eInvalidInput, text->setRotation(INFINITY));
        EXPECT_EQ(Acad::eInvalidInput, text->setNormal(AcGeVector3d(0, 0, 0)));
        EXPECT_EQ(Acad::eInvalidInput, text->setHorizontalMode(AcDb::TextHorzMode(9)));
        EXPECT_EQ(Acad::eInvalidInput, text->setVerticalMode(AcDb::TextVertMode(-1)));
        EXPECT_EQ(Acad::eInvalidInput, text->setJustification(AcDbText::AcTextAlignment(15)));
        EXPECT_EQ(before, summary(*text)) << nameOf(kind);

        EXPECT_EQ(Acad::eOk, text->setRotation(-M_PI / 2));
        EXPECT_NEAR(1.5 * M_PI, text->rotation(), 1e-12) << "kept within one turn";
        ACHAR* copy = text->textString();
        ASSERT_NE(nullptr, copy);
        EXPECT_NE(text->textStringConst(), copy) << "a copy of its own";
        EXPECT_EQ(std::wstring(text->textStringConst()), std::wstring(copy));
        acutDelString(copy);
        EXPECT_EQ(nullptr, copy);
    }

    AcDbAttributeDefinition def(AcGePoint3d::kOrigin, L"v", L"HAS SPACE", L"p");
    EXPECT_STREQ(L"", def.tagConst()) << "a tag with spaces is not taken";
    EXPECT_EQ(Acad::eInvalidInput, def.setTag(L"A\tB"));
    EXPECT_EQ(Acad::eInvalidInput, def.setTag(L""));
    EXPECT_EQ(Acad::eInvalidInput, def.setTag(nullptr));
    EXPECT_EQ(Acad::eOk, def.setTag(L"编号"));
    ACHAR* tag = def.tag();
    ACHAR* prompt = def.prompt();
    EXPECT_STREQ(L"编号", tag);
    EXPECT_STREQ(L"p", prompt);
    acutDelString(tag);
    acutDelString(prompt);
    AcDbAttribute attribute;
    EXPECT_EQ(Acad::eInvalidInput, attribute.setTag(L"TWO WORDS"));
    EXPECT_FALSE(attribute.isConstant() || attribute.isPreset() || attribute.isVerifiable() || attribute.isInvisible());
}

TEST_F(SingleLineText, TransformsMoveTurnScaleAndMirrorKeepingTheTextReadable)
{
    const AcGeMatrix3d mirrorInY = AcGeMatrix3d::mirroring(AcGePlane(AcGePoint3d::kOrigin, AcGeVector3d::kXAxis));
    const AcGeMatrix3d mirrorInX = AcGeMatrix3d::mirroring(AcGePlane(AcGePoint3d::kOrigin, AcGeVector3d::kYAxis));
    AcGeMatrix3d squash;
    squash(1, 1) = 2.0;
    struct Case {
        const char* name;
        AcDbText::AcTextAlignment justification;
        double rotationDeg;
        AcGeMatrix3d xform;
        Acad::ErrorStatus status;
        AcGePoint3d position;
        double rotationAfter, height;
    };
    // Each text is "中文" at height 3 whose alignment point (or start) is (10, 0).
    const Case cases[] = {
        {"moved", AcDbText::kTextAlignmentLeft, 30, AcGeMatrix3d::translation(AcGeVector3d(1, 2, 0)), Acad::eOk,
         {11, 2, 0}, 30, 3},
        {"turned about the origin", AcDbText::kTextAlignmentLeft, 0,
         AcGeMatrix3d::rotation(M_PI / 2, AcGeVector3d::kZAxis), Acad::eOk, {0, 10, 0}, 90, 3},
        {"scaled", AcDbText::kTextAlignmentCenter, 0, AcGeMatrix3d::scaling(2.0), Acad::eOk, {14, 0, 0}, 0, 6},
        {"mirrored across the y axis reads on", AcDbText::kTextAlignmentLeft, 0, mirrorInY, Acad::eOk,
         {-10, 0, 0}, 0, 3},
        {"mirrored across the y axis at 30 degrees", AcDbText::kTextAlignmentLeft, 30, mirrorInY, Acad::eOk,
         {-10, 0, 0}, 330, 3},
        {"mirrored across the x axis at 30 degrees", AcDbText::kTextAlignmentLeft, 30, mirrorInX, Acad::eOk,
         {10, 0, 0}, 330, 3},
        {"right text mirrored keeps its justification", AcDbText::kTextAlignmentRight, 0, mirrorInY, Acad::eOk,
         {-16, 0, 0}, 0, 3},
        {"squashed", AcDbText::kTextAlignmentLeft, 0, squash, Acad::eCannotScaleNonUniformly, {10, 0, 0}, 0, 3},
    };
    for (Kind kind : kKinds) {
        for (const Case& c : cases) {
            const std::string where = std::string(nameOf(kind)) + " " + c.name;
            TextPtr text = makeShowing(kind, L"中文", AcGePoint3d(10, 0, 0));
            text->setRotation(c.rotationDeg * M_PI / 180.0);
            text->setJustification(c.justification);
            text->setAlignmentPoint(AcGePoint3d(10, 0, 0));
            text->adjustAlignment();
            EXPECT_EQ(c.status, text->transformBy(c.xform)) << where;
            expectNear(c.position, text->position(), where);
            EXPECT_NEAR(c.rotationAfter, text->rotation() * 180.0 / M_PI, 1e-9) << where;
            EXPECT_NEAR(c.height, text->height(), 1e-12) << where;
            EXPECT_FALSE(text->isMirroredInX()) << where << ": not drawn backward";
            EXPECT_EQ(c.justification, text->justification()) << where;
        }
        // An aligned text mirrored across its own direction swaps its points, so that it
        // still runs from the first to the second and reads forward.
        TextPtr aligned = makeShowing(kind, L"中文", AcGePoint3d(10, 0, 0));
        aligned->setJustification(AcDbText::kTextAlignmentAligned);
        aligned->setAlignmentPoint(AcGePoint3d(22, 0, 0));
        aligned->adjustAlignment();
        ASSERT_EQ(Acad::eOk, aligned->transformBy(mirrorInY));
        expectNear(AcGePoint3d(-22, 0, 0), aligned->position(), std::string(nameOf(kind)) + " aligned");
        expectNear(AcGePoint3d(-10, 0, 0), aligned->alignmentPoint(), std::string(nameOf(kind)) + " aligned");
        EXPECT_NEAR(0.0, aligned->rotation(), 1e-12);
        // Through its own plane: the normal turns over.
        TextPtr flipped = makeShowing(kind, L"中文", AcGePoint3d(10, 0, 0));
        ASSERT_EQ(Acad::eOk, flipped->transformBy(AcGeMatrix3d::mirroring(AcGePlane(AcGePoint3d::kOrigin, AcGeVector3d::kZAxis))));
        expectNear(AcGePoint3d(0, 0, -1), AcGePoint3d::kOrigin + flipped->normal(), nameOf(kind));
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
