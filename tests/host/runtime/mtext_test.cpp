// Tests of multiline text: extents that match the drawn strokes exactly, rotation
// reduced to one turn, attachment changes that keep the text in place, transforms
// (scale and mirror), the font taken from the text style, filing and listing.
#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>

#include "dbmtext.h"
#include "dbsymtb.h"
#include "host_fixture.h"
#include "vemhost_testing.h"

namespace {

using Bytes = std::vector<unsigned char>;

struct EntityDeleter {
    void operator()(AcDbEntity* p) const { delete p; }
};
using MTextPtr = std::unique_ptr<AcDbMText, EntityDeleter>;

MTextPtr makeText(const wchar_t* contents, const AcGePoint3d& location, AcDbMText::AttachmentPoint attachment,
                  double height = 2.5)
{
    MTextPtr text(new AcDbMText());
    text->setContents(contents);
    text->setLocation(location);
    text->setAttachment(attachment);
    text->setTextHeight(height);
    return text;
}

// Without the font files every character measures as the same square.
bool fontsInstalled()
{
    MTextPtr narrow = makeText(L"i", AcGePoint3d::kOrigin, AcDbMText::kTopLeft);
    MTextPtr wide = makeText(L"W", AcGePoint3d::kOrigin, AcDbMText::kTopLeft);
    return narrow->actualWidth() != wide->actualWidth();
}

#define REQUIRE_FONTS()                                   \
    if (!fontsInstalled()) {                              \
        GTEST_SKIP() << "stroke fonts not installed";     \
    }

AcDbExtents extentsOf(const AcDbEntity& entity)
{
    AcDbExtents extents;
    EXPECT_EQ(Acad::eOk, entity.getGeomExtents(extents));
    return extents;
}

AcDbExtents drawnStrokeBox(AcDbEntity* entity)
{
    vemhost::PrimitiveCollector collector;
    collector.draw(entity);
    AcDbExtents box;
    for (const vemhost::Primitive& p : collector.primitives()) {
        EXPECT_EQ(vemhost::Primitive::kPolyline, p.kind);
        for (const AcGePoint3d& pt : p.points)
            box.addPoint(pt);
    }
    return box;
}

void expectSamePoint(const AcGePoint3d& expected, const AcGePoint3d& actual, double tolerance)
{
    EXPECT_NEAR(expected.x, actual.x, tolerance);
    EXPECT_NEAR(expected.y, actual.y, tolerance);
    EXPECT_NEAR(expected.z, actual.z, tolerance);
}

void expectSameExtents(const AcDbExtents& expected, const AcDbExtents& actual, double tolerance)
{
    expectSamePoint(expected.minPoint(), actual.minPoint(), tolerance);
    expectSamePoint(expected.maxPoint(), actual.maxPoint(), tolerance);
}

void expectSameText(const AcDbMText& expected, const AcDbMText& actual)
{
    EXPECT_EQ(expected.contentsString(), actual.contentsString());
    EXPECT_TRUE(expected.location().isEqualTo(actual.location()));
    EXPECT_TRUE(expected.normal().isEqualTo(actual.normal()));
    EXPECT_TRUE(expected.direction().isEqualTo(actual.direction()));
    EXPECT_EQ(expected.width(), actual.width());
    EXPECT_EQ(expected.textHeight(), actual.textHeight());
    EXPECT_EQ(expected.textStyle(), actual.textStyle());
    EXPECT_EQ(expected.attachment(), actual.attachment());
    EXPECT_EQ(expected.flowDirection(), actual.flowDirection());
}

Acad::ErrorStatus appendToModelSpace(AcDbDatabase* db, MTextPtr text, AcDbObjectId& id)
{
    AcDbBlockTable* table = nullptr;
    Acad::ErrorStatus es = db->getBlockTable(table, AcDb::kForRead);
    if (es != Acad::eOk)
        return es;
    AcDbBlockTableRecord* space = nullptr;
    es = table->getAt(ACDB_MODEL_SPACE, space, AcDb::kForWrite);
    table->close();
    if (es != Acad::eOk)
        return es;
    es = space->appendAcDbEntity(id, text.get());
    space->close();
    if (es == Acad::eOk)
        text.release()->close();
    return es;
}

class MText : public HostFixture {};

TEST_F(MText, ExtentsOfAnUnrotatedTextAreExactlyItsDrawnStrokes)
{
    REQUIRE_FONTS();
    MTextPtr text = makeText(L"Ag 12.5\\PXy", AcGePoint3d(3.25, -7.5, 1.0), AcDbMText::kMiddleCenter);
    const AcDbExtents drawn = drawnStrokeBox(text.get());
    ASSERT_FALSE(drawn.isEmpty());
    const AcDbExtents extents = extentsOf(*text);
    EXPECT_EQ(drawn.minPoint().x, extents.minPoint().x);
    EXPECT_EQ(drawn.minPoint().y, extents.minPoint().y);
    EXPECT_EQ(drawn.maxPoint().x, extents.maxPoint().x);
    EXPECT_EQ(drawn.maxPoint().y, extents.maxPoint().y);
    EXPECT_EQ(1.0, extents.minPoint().z);

    // Rotated, the extents are the box of the rotated ink box: they hold every stroke.
    text->setRotation(M_PI / 6);
    const AcDbExtents rotated = extentsOf(*text);
    const AcDbExtents rotatedDrawn = drawnStrokeBox(text.get());
    EXPECT_LE(rotated.minPoint().x, rotatedDrawn.minPoint().x + 1e-12);
    EXPECT_LE(rotated.minPoint().y, rotatedDrawn.minPoint().y + 1e-12);
    EXPECT_GE(rotated.maxPoint().x, rotatedDrawn.maxPoint().x - 1e-12);
    EXPECT_GE(rotated.maxPoint().y, rotatedDrawn.maxPoint().y - 1e-12);

    MTextPtr empty = makeText(L"", AcGePoint3d(1, 2, 3), AcDbMText::kMiddleCenter);
    const AcDbExtents point = extentsOf(*empty);
    EXPECT_TRUE(point.minPoint().isEqualTo(AcGePoint3d(1, 2, 3)));
    EXPECT_TRUE(point.maxPoint().isEqualTo(AcGePoint3d(1, 2, 3)));
}

TEST_F(MText, RotationIsMeasuredInOneTurnAndExactForWholeTurns)
{
    MTextPtr text = makeText(L"x", AcGePoint3d::kOrigin, AcDbMText::kTopLeft);
    text->setRotation(2 * M_PI);
    EXPECT_EQ(0.0, text->rotation());
    EXPECT_EQ(1.0, text->direction().x);
    EXPECT_EQ(0.0, text->direction().y);
    text->setRotation(5 * M_PI / 2);
    EXPECT_NEAR(M_PI / 2, text->rotation(), 1e-12);
    text->setRotation(-M_PI / 2);
    EXPECT_NEAR(3 * M_PI / 2, text->rotation(), 1e-12);
    text->setRotation(0.0);
    EXPECT_EQ(0.0, text->rotation());

    // In a plane facing down the rotation still turns about the text's own normal.
    ASSERT_EQ(Acad::eOk, text->setNormal(AcGeVector3d(0, 0, -1)));
    text->setRotation(M_PI / 3);
    EXPECT_NEAR(M_PI / 3, text->rotation(), 1e-12);
    EXPECT_NEAR(0.0, text->direction().dotProduct(text->normal()), 1e-15);
    EXPECT_EQ(Acad::eInvalidInput, text->setDirection(AcGeVector3d(0, 0, 2)));
}

TEST_F(MText, ChangingTheAttachmentMovingLocationKeepsTheText)
{
    REQUIRE_FONTS();
    for (double angle : {0.0, 0.7}) {
        for (int a = AcDbMText::kTopLeft; a <= AcDbMText::kBottomRight; ++a) {
            MTextPtr text = makeText(L"Ng-42", AcGePoint3d(10, 20, 0), AcDbMText::kMiddleCenter);
            text->setRotation(angle);
            const AcDbExtents before = extentsOf(*text);
            ASSERT_EQ(Acad::eOk, text->setAttachmentMovingLocation(AcDbMText::AttachmentPoint(a)));
            EXPECT_EQ(a, text->attachment());
            expectSameExtents(before, extentsOf(*text), 1e-9);
        }
    }
    MTextPtr text = makeText(L"Ng", AcGePoint3d(10, 20, 0), AcDbMText::kMiddleCenter);
    EXPECT_EQ(Acad::eInvalidInput, text->setAttachmentMovingLocation(AcDbMText::AttachmentPoint(0)));
    EXPECT_TRUE(text->location().isEqualTo(AcGePoint3d(10, 20, 0)));
}

TEST_F(MText, ScalingScalesHeightAndMirroringKeepsTheTextReadable)
{
    REQUIRE_FONTS();
    MTextPtr text = makeText(L"Scale", AcGePoint3d(4, 3, 0), AcDbMText::kBottomLeft);
    const AcGePoint3d centre(1, 1, 0);
    const AcDbExtents before = extentsOf(*text);
    ASSERT_EQ(Acad::eOk, text->transformBy(AcGeMatrix3d::scaling(2.0, centre)));
    EXPECT_EQ(5.0, text->textHeight());
    EXPECT_TRUE(text->location().isEqualTo(AcGePoint3d(7, 5, 0)));
    const AcDbExtents after = extentsOf(*text);
    expectSamePoint(centre + (before.minPoint() - centre) * 2.0, after.minPoint(), 1e-9);
    expectSamePoint(centre + (before.maxPoint() - centre) * 2.0, after.maxPoint(), 1e-9);

    // Mirrored about the upright plane x = 0, as the host's MIRROR does.
    const AcGeMatrix3d mirror = AcGeMatrix3d::mirroring(AcGePlane(AcGePoint3d::kOrigin, AcGeVector3d::kXAxis));
    MTextPtr level = makeText(L"Mirror", AcGePoint3d(4, 3, 0), AcDbMText::kBottomLeft);
    ASSERT_EQ(Acad::eOk, level->transformBy(mirror));
    EXPECT_TRUE(level->location().isEqualTo(AcGePoint3d(-4, 3, 0)));
    EXPECT_TRUE(level->direction().isEqualTo(AcGeVector3d::kXAxis)) << "not run backwards";
    EXPECT_TRUE(level->normal().isEqualTo(AcGeVector3d::kZAxis));
    EXPECT_EQ(2.5, level->textHeight());

    MTextPtr tilted = makeText(L"Mirror", AcGePoint3d(4, 3, 0), AcDbMText::kBottomLeft);
    tilted->setRotation(M_PI / 6);
    ASSERT_EQ(Acad::eOk, tilted->transformBy(mirror));
    EXPECT_NEAR(2 * M_PI - M_PI / 6, tilted->rotation(), 1e-12);
}

TEST_F(MText, FontComesFromTheTextStyle)
{
    REQUIRE_FONTS();
    MTextPtr text = makeText(L"Wide words", AcGePoint3d::kOrigin, AcDbMText::kTopLeft);
    const double defaultWidth = text->actualWidth();
    const AcDbObjectId styleId = db()->textstyle();
    text->setTextStyle(styleId);
    for (const wchar_t* fileName : {L"COMPLEX8.SHX", L"romans.shx"}) {
        AcDbTextStyleTableRecord* style = nullptr;
        ASSERT_EQ(Acad::eOk, acdbOpenObject(style, styleId, AcDb::kForWrite));
        style->setFileName(fileName);
        style->close();
        const bool complex = fileName[0] == L'C';
        EXPECT_EQ(complex, text->actualWidth() != defaultWidth) << "complex8.shx is the one other font";
        const AcDbExtents drawn = drawnStrokeBox(text.get());
        EXPECT_EQ(drawn.maxPoint().x, extentsOf(*text).maxPoint().x) << "measured and drawn with the same font";
    }
}

TEST_F(MText, FilingRoundTripsAndRefusesCutOrDamagedRecords)
{
    MTextPtr text = makeText(L"{\\H2;Z} \u00e9\u4e2d", AcGePoint3d(1, 2, 3), AcDbMText::kBottomRight, 0.75);
    text->setNormal(AcGeVector3d(0, 1, 1));
    text->setRotation(1.25);
    text->setWidth(12.0);
    text->setTextStyle(db()->textstyle());
    text->setFlowDirection(AcDbMText::kTtoB);

    vemhost::MemoryFiler filer(db());
    ASSERT_EQ(Acad::eOk, text->dwgOutFields(&filer));
    filer.rewind();
    MTextPtr read(new AcDbMText());
    ASSERT_EQ(Acad::eOk, read->dwgInFields(&filer));
    expectSameText(*text, *read);

    // COPY clones a text in the drawing; the copy is outside it, with the same style.
    AcDbObjectId residentId;
    ASSERT_EQ(Acad::eOk, appendToModelSpace(db(), makeText(L"", AcGePoint3d::kOrigin, AcDbMText::kTopLeft), residentId));
    AcDbMText* resident = nullptr;
    ASSERT_EQ(Acad::eOk, acdbOpenObject(resident, residentId, AcDb::kForWrite));
    filer.rewind();
    ASSERT_EQ(Acad::eOk, resident->dwgInFields(&filer));
    MTextPtr copy(AcDbMText::cast(resident->clone()));
    resident->close();
    ASSERT_NE(nullptr, copy);
    expectSameText(*text, *copy);

    const Bytes whole = filer.bytes();
    for (size_t cut = 0; cut < whole.size(); ++cut) {
        vemhost::MemoryFiler truncated(Bytes(whole.begin(), whole.begin() + long(cut)), db());
        MTextPtr target = makeText(L"keep", AcGePoint3d(9, 9, 9), AcDbMText::kTopLeft);
        EXPECT_NE(Acad::eOk, target->dwgInFields(&truncated)) << "cut at " << cut;
        EXPECT_EQ(AcString(L"keep"), target->contentsString()) << "cut at " << cut;
        EXPECT_TRUE(target->location().isEqualTo(AcGePoint3d(9, 9, 9))) << "cut at " << cut;
    }

    // An attachment outside 1..9 is a damaged record, not a text.
    vemhost::MemoryFiler damaged(db());
    ASSERT_EQ(Acad::eOk, text->AcDbEntity::dwgOutFields(&damaged));
    damaged.writeString(AcString(L"x"));
    damaged.writePoint3d(AcGePoint3d::kOrigin);
    damaged.writeVector3d(AcGeVector3d::kZAxis);
    damaged.writeVector3d(AcGeVector3d::kXAxis);
    damaged.writeDouble(0.0);
    damaged.writeDouble(1.0);
    damaged.writeHardPointerId(AcDbHardPointerId());
    damaged.writeInt16(12);
    damaged.writeInt16(1);
    damaged.rewind();
    MTextPtr target = makeText(L"keep", AcGePoint3d::kOrigin, AcDbMText::kTopLeft);
    EXPECT_EQ(Acad::eFilerError, target->dwgInFields(&damaged));
    EXPECT_EQ(AcDbMText::kTopLeft, target->attachment());
}

TEST_F(MText, ContentsAreCopiedSnapToTheLocationAndListAsPlainText)
{
    MTextPtr text = makeText(L"", AcGePoint3d(5, 6, 0), AcDbMText::kTopLeft);
    EXPECT_EQ(10, text->setContents(L"50% %s %d."));
    ACHAR* copy = text->contents();
    EXPECT_EQ(std::wstring(L"50% %s %d."), copy);
    delete[] copy;
    EXPECT_EQ(0, text->setContents(nullptr));
    text->setContents(L"50% %s %d.");

    AcGePoint3dArray snaps;
    AcDbIntArray geomIds;
    text->getOsnapPoints(AcDb::kOsModeIns, 0, AcGePoint3d::kOrigin, AcGePoint3d::kOrigin, AcGeMatrix3d::kIdentity,
                         snaps, geomIds);
    ASSERT_EQ(1, snaps.length());
    EXPECT_TRUE(snaps[0].isEqualTo(AcGePoint3d(5, 6, 0)));

    vemhost::startCapture();
    text->list();
    const std::string listed = vemhost::takeCaptured();
    vemhost::stopCapture();
    EXPECT_NE(std::string::npos, listed.find("MTEXT")) << listed;
    EXPECT_NE(std::string::npos, listed.find("50% %s %d.")) << listed;
}

}  // namespace
