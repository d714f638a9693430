// The coordinate system entity: the absolute origin it derives, the arrows, names and
// values it shows, and the edits that keep its absolute origin where it is.
#include <cmath>
#include <functional>

#include "dbpl.h"
#include "entity_test_support.h"

using namespace entity_test;

namespace {

const double kTol = 1e-9;

void expectNear(const AcGePoint3d& actual, const AcGePoint3d& expected, const char* what)
{
    EXPECT_NEAR(actual.x, expected.x, kTol) << what;
    EXPECT_NEAR(actual.y, expected.y, kTol) << what;
    EXPECT_NEAR(actual.z, expected.z, kTol) << what;
}

void expectNear(const AcGeVector3d& actual, const AcGeVector3d& expected, const char* what)
{
    expectNear(AcGePoint3d::kOrigin + actual, AcGePoint3d::kOrigin + expected, what);
}

AcDbPolyline* arrow(EOrigin* origin, int i) { return AcDbPolyline::cast(origin->m_subEnts[i]); }
AcDbMText* text(EOrigin* origin, int i) { return AcDbMText::cast(origin->m_subEnts[i]); }

// Vertex points and widths of an arrow from O along the world direction dir, for a
// system of size factor s.
void expectArrow(AcDbPolyline* pl, const AcGePoint3d& O, const AcGeVector3d& dir, double s)
{
    ASSERT_NE(pl, nullptr);
    ASSERT_EQ(pl->numVerts(), 3u);
    const double along[] = {0.0, 6.0 * s, 10.0 * s};
    const double startWidths[] = {0.0, 1.5 * s};
    for (unsigned i = 0; i < 3; ++i) {
        AcGePoint2d pt;
        ASSERT_EQ(pl->getPointAt(i, pt), Acad::eOk);
        EXPECT_NEAR(pt.x, O.x + dir.x * along[i], kTol) << "vertex " << i;
        EXPECT_NEAR(pt.y, O.y + dir.y * along[i], kTol) << "vertex " << i;
    }
    for (unsigned i = 0; i < 2; ++i) {
        double start = -7, end = -7;
        ASSERT_EQ(pl->getWidthsAt(i, start, end), Acad::eOk);
        EXPECT_DOUBLE_EQ(start, startWidths[i]) << "segment " << i;
        EXPECT_DOUBLE_EQ(end, 0.0) << "segment " << i;
    }
    EXPECT_EQ(pl->elevation(), 0.0);
}

// The place of a value text: beside the origin O, against the other axis `away`, its
// near end s from O, shifted along `along` by a fifth of its own height.
AcGePoint3d valuePlace(const AcGePoint3d& O, const AcGeVector3d& away, const AcGeVector3d& along,
                       const AcString& contents, AcDbObjectId style, double s)
{
    TextSize size = measured(contents.kwszPtr(), style, 3 * s * 0.6);
    return O - away * (0.5 * size.width + 10 * s * 0.1) + along * (0.2 * size.height);
}

}  // namespace

class CoordinateSystem : public EntityTest {};

TEST_F(CoordinateSystem, AbsoluteOriginComesFromOffsetsScaleAndAngles)
{
    EOrigin* up = new EOrigin(L"A", L"B", 100, 50, AcGePoint3d(1000, 2000, 0), 90, 0, 10, 1, 3, style());
    expectNear(up->m_vAxisDir, AcGeVector3d(0, 1, 0), "vertical axis");
    expectNear(up->m_hAxisDir, AcGeVector3d(1, 0, 0), "horizontal axis");
    expectNear(up->m_absOrigin, AcGePoint3d(995, 1990, 0), "absolute origin");
    EXPECT_EQ(up->m_vOffset, 100);
    EXPECT_EQ(up->m_hOffset, 50);
    EXPECT_EQ(up->m_subEnts.length(), 6);

    EOrigin* down = new EOrigin(L"A", L"B", 100, 50, AcGePoint3d(1000, 2000, 0), 270, 180, 10, 1, 3, style());
    expectNear(down->m_absOrigin, AcGePoint3d(1005, 2010, 0), "absolute origin, axes down and left");

    EOrigin* atOrigin = newOrigin(style(), AcGePoint3d(7, 8, 9));
    expectNear(atOrigin->m_absOrigin, AcGePoint3d(7, 8, 9), "zero offsets");
    delete up;
    delete down;
    delete atOrigin;
}

TEST_F(CoordinateSystem, DefaultSystemShowsArrowsNamesAndValues)
{
    for (double s : {1.0, 2.0}) {
        EOrigin* origin = newOrigin(style(), AcGePoint3d(0, 0, 0), 0, 0, 1, s, 3);
        const AcGeVector3d V = origin->m_vAxisDir, H = origin->m_hAxisDir;
        expectArrow(arrow(origin, 0), AcGePoint3d::kOrigin, AcGeVector3d(0, 1, 0), s);
        expectArrow(arrow(origin, 1), AcGePoint3d::kOrigin, AcGeVector3d(1, 0, 0), s);
        expectNear(text(origin, 2)->location(), AcGePoint3d(0, 12 * s, 0), "vertical name");
        expectNear(text(origin, 3)->location(), AcGePoint3d(12 * s, 0, 0), "horizontal name");
        for (int i = 2; i < 6; ++i) {
            EXPECT_EQ(text(origin, i)->attachment(), AcDbMText::kMiddleCenter);
            EXPECT_EQ(text(origin, i)->textStyle(), style());
            EXPECT_DOUBLE_EQ(text(origin, i)->textHeight(), i < 4 ? 3 * s : 3 * s * 0.6) << "text " << i;
        }
        EXPECT_EQ(text(origin, 2)->contentsString(), AcString(L"A"));
        EXPECT_EQ(text(origin, 3)->contentsString(), AcString(L"B"));
        EXPECT_EQ(text(origin, 2)->rotation(), 0.0);
        EXPECT_EQ(text(origin, 3)->rotation(), 0.0);
        // The vertical value reads along the horizontal axis, left of the origin; the
        // horizontal value reads upwards, below it.
        EXPECT_EQ(text(origin, 4)->contentsString(), AcString(L"0.000"));
        EXPECT_EQ(text(origin, 5)->contentsString(), AcString(L"0.000"));
        expectNear(text(origin, 4)->location(), valuePlace(AcGePoint3d::kOrigin, H, V, L"0.000", style(), s),
                   "vertical value");
        expectNear(text(origin, 5)->location(), valuePlace(AcGePoint3d::kOrigin, V, H, L"0.000", style(), s),
                   "horizontal value");
        EXPECT_NEAR(text(origin, 4)->rotation(), 0.0, kTol);
        EXPECT_NEAR(text(origin, 5)->rotation(), M_PI / 2, kTol);
        EXPECT_LT(text(origin, 4)->location().x, 0.0);
        EXPECT_LT(text(origin, 5)->location().y, 0.0);
        delete origin;
    }
}

TEST_F(CoordinateSystem, ValuesUseTheDecimalsAndArrowsStayAtElevationZero)
{
    EOrigin* origin = newOrigin(style(), AcGePoint3d(3, 4, 5), 1234.5678, -2.5, 1, 1, 0);
    EXPECT_EQ(text(origin, 4)->contentsString(), AcString(L"1235"));
    EXPECT_EQ(text(origin, 5)->contentsString(), AcString(L"-3")) << "a half rounds away from zero";
    EXPECT_EQ(arrow(origin, 0)->elevation(), 0.0);
    AcGePoint2d tip;
    arrow(origin, 0)->getPointAt(2, tip);
    EXPECT_NEAR(tip.x, 3, kTol);
    EXPECT_NEAR(tip.y, 14, kTol);
    for (int i = 2; i < 6; ++i)
        EXPECT_EQ(text(origin, i)->location().z, 5.0) << "text " << i;
    // Only the low 16 bits of the decimals count: 65538 shows two decimals.
    origin->m_decimals = 65538;
    origin->resetSubEnt(0);
    EXPECT_EQ(text(origin, 5)->contentsString(), AcString(L"-2.50"));
    EXPECT_EQ(origin->m_subEnts.length(), 6) << "the old cache is always discarded";
    delete origin;
}

TEST_F(CoordinateSystem, OnlyTheVerticalArrowTakesTheEntityProperties)
{
    EOrigin* origin = newOrigin(style());
    origin->setColorIndex(3);
    origin->resetSubEnt(1);
    EXPECT_EQ(origin->m_subEnts[0]->colorIndex(), 3);
    for (int i = 1; i < 6; ++i)
        EXPECT_EQ(origin->m_subEnts[i]->colorIndex(), 256) << "piece " << i;
    delete origin;
}

TEST_F(CoordinateSystem, GripDragRecomputesTheOffsetsAndKeepsTheAbsoluteOrigin)
{
    EOrigin* origin = newOrigin(style(), AcGePoint3d(100, 200, 0), 0, 0, 1000, 1, 3);
    AcGePoint3dArray grips;
    AcDbIntArray modes, ids;
    origin->getGripPoints(grips, modes, ids);
    ASSERT_EQ(grips.length(), 1);
    EXPECT_TRUE(grips[0].isEqualTo(AcGePoint3d(100, 200, 0)));

    AcDbIntArray first;
    first.append(0);
    ASSERT_EQ(origin->moveGripPointsAt(first, AcGeVector3d(1, 2, 0)), Acad::eOk);
    EXPECT_NEAR(origin->m_vOffset, 2000, 1e-6);
    EXPECT_NEAR(origin->m_hOffset, 1000, 1e-6);
    expectNear(origin->m_absOrigin, AcGePoint3d(100, 200, 0), "absolute origin");
    expectNear(origin->m_relOrigin, AcGePoint3d(101, 202, 0), "relative origin");
    EXPECT_EQ(text(origin, 4)->contentsString(), AcString(L"2000.000"));
    EXPECT_EQ(text(origin, 5)->contentsString(), AcString(L"1000.000"));
    expectNear(text(origin, 2)->location(), AcGePoint3d(101, 214, 0), "the name follows the origin");

    AcDbIntArray other;
    other.append(1);
    ASSERT_EQ(origin->moveStretchPointsAt(other, AcGeVector3d(50, 50, 0)), Acad::eOk);
    expectNear(origin->m_relOrigin, AcGePoint3d(101, 202, 0), "other indices are ignored");
    EXPECT_EQ(origin->m_drawingScale, 1000);
    EXPECT_EQ(origin->m_appearanceScale, 1);
    delete origin;
}

TEST_F(CoordinateSystem, AnOriginMovedAlongOneAxisKeepsAPlainZeroOnTheOther)
{
    // Axes up and right at 1:1000, offsets 0, 3 decimals; every edit that moves the
    // relative origin along the horizontal axis line to (2, 0).
    AcDbIntArray first;
    first.append(0);
    const AcGeVector3d along(2, 0, 0);
    const std::function<void(EOrigin*)> edits[] = {
        [&](EOrigin* o) { o->moveGripPointsAt(first, along); },
        [&](EOrigin* o) { o->moveStretchPointsAt(first, along); },
        [&](EOrigin* o) { o->transformBy(AcGeMatrix3d::translation(along)); },
        [&](EOrigin* o) { o->transformBy(AcGeMatrix3d::scaling(2, AcGePoint3d(-2, 0, 0))); },
    };
    for (size_t i = 0; i < sizeof edits / sizeof edits[0]; ++i) {
        EOrigin* origin = newOrigin(style(), AcGePoint3d::kOrigin, 0, 0, 1000, 1, 3);
        edits[i](origin);
        expectNear(origin->m_relOrigin, AcGePoint3d(2, 0, 0), "relative origin");
        EXPECT_EQ(origin->m_vOffset, 0.0) << "edit " << i;
        EXPECT_FALSE(std::signbit(origin->m_vOffset)) << "edit " << i;
        EXPECT_NEAR(origin->m_hOffset, 2000, 1e-9) << "edit " << i;
        EXPECT_EQ(text(origin, 4)->contentsString(), AcString(L"0.000")) << "edit " << i;
        EXPECT_EQ(text(origin, 5)->contentsString(), AcString(L"2000.000")) << "edit " << i;
        delete origin;
    }
    // Along the vertical axis the horizontal value is the plain zero.
    EOrigin* origin = newOrigin(style(), AcGePoint3d::kOrigin, 0, 0, 1000, 1, 3);
    origin->moveGripPointsAt(first, AcGeVector3d(0, -3, 0));
    EXPECT_EQ(origin->m_hOffset, 0.0);
    EXPECT_FALSE(std::signbit(origin->m_hOffset));
    EXPECT_EQ(text(origin, 5)->contentsString(), AcString(L"0.000"));
    delete origin;
}

TEST_F(CoordinateSystem, RotationTurnsTheAxesAroundAFixedAbsoluteOrigin)
{
    EOrigin* origin = newOrigin(style(), AcGePoint3d(1000, 2000, 0), 100, 50, 10);
    const AcGePoint3d absolute = origin->m_absOrigin;
    ASSERT_EQ(origin->transformBy(AcGeMatrix3d::rotation(M_PI / 2, AcGeVector3d::kZAxis, origin->m_relOrigin)),
              Acad::eOk);
    expectNear(origin->m_vAxisDir, AcGeVector3d(-1, 0, 0), "vertical axis");
    expectNear(origin->m_hAxisDir, AcGeVector3d(0, 1, 0), "horizontal axis");
    expectNear(origin->m_relOrigin, AcGePoint3d(1000, 2000, 0), "relative origin");
    EXPECT_EQ(origin->m_absOrigin.x, absolute.x);
    EXPECT_EQ(origin->m_absOrigin.y, absolute.y);
    EXPECT_NEAR(origin->m_vOffset, -50, 1e-9);
    EXPECT_NEAR(origin->m_hOffset, 100, 1e-9);
    // The vertical value now reads upwards, the horizontal one from left to right.
    EXPECT_NEAR(text(origin, 4)->rotation(), M_PI / 2, kTol);
    EXPECT_NEAR(std::cos(text(origin, 5)->rotation()), 1.0, kTol);
    EXPECT_EQ(origin->m_drawingScale, 10);
    delete origin;
}

TEST_F(CoordinateSystem, ScalingEnlargesTheDisplayButNotTheDrawingScale)
{
    EOrigin* origin = newOrigin(style(), AcGePoint3d(10, 0, 0), 0, 0, 1, 1, 3);
    ASSERT_EQ(origin->transformBy(AcGeMatrix3d::scaling(2, AcGePoint3d(0, 0, 0))), Acad::eOk);
    EXPECT_EQ(origin->m_appearanceScale, 2);
    EXPECT_EQ(origin->m_drawingScale, 1);
    expectNear(origin->m_absOrigin, AcGePoint3d(10, 0, 0), "absolute origin");
    expectNear(origin->m_relOrigin, AcGePoint3d(20, 0, 0), "relative origin");
    EXPECT_NEAR(origin->m_hOffset, 10, 1e-9);
    EXPECT_NEAR(origin->m_vOffset, 0, 1e-9);
    EXPECT_DOUBLE_EQ(text(origin, 2)->textHeight(), 6);
    expectArrow(arrow(origin, 1), AcGePoint3d(20, 0, 0), AcGeVector3d(1, 0, 0), 2);
    delete origin;
}

TEST_F(CoordinateSystem, MirroringAndMovingKeepTheAbsoluteOriginAndReadableValues)
{
    EOrigin* origin = newOrigin(style(), AcGePoint3d(5, 5, 0), 10, 20, 2);
    const AcGePoint3d absolute = origin->m_absOrigin;
    ASSERT_EQ(origin->transformBy(AcGeMatrix3d::mirroring(AcGeLine3d(AcGePoint3d(0, 0, 0), AcGeVector3d::kYAxis))),
              Acad::eOk);
    expectNear(origin->m_hAxisDir, AcGeVector3d(-1, 0, 0), "mirrored horizontal axis");
    expectNear(origin->m_vAxisDir, AcGeVector3d(0, 1, 0), "vertical axis");
    expectNear(origin->m_relOrigin, AcGePoint3d(-5, 5, 0), "relative origin");
    EXPECT_EQ(origin->m_appearanceScale, 1);
    // α_H = π: the vertical value is turned by 2π, that is upright.
    EXPECT_NEAR(std::cos(text(origin, 4)->rotation()), 1.0, kTol);
    const double vOffset = origin->m_vOffset, hOffset = origin->m_hOffset;
    ASSERT_EQ(origin->transformBy(AcGeMatrix3d::translation(AcGeVector3d(1, 0, 0))), Acad::eOk);
    EXPECT_EQ(origin->m_absOrigin.x, absolute.x);
    EXPECT_EQ(origin->m_absOrigin.y, absolute.y);
    EXPECT_NEAR(origin->m_vOffset, vOffset, 1e-9);
    EXPECT_NEAR(origin->m_hOffset, hOffset - 2, 1e-9) << "one unit against the mirrored axis at scale 1:2";
    delete origin;
}
