// The point label: its two coordinates, the layout of leader, underline and texts in
// every reading direction, and how grips and transformations move it.
#include <cmath>

#include "coordinate_rule.h"
#include "dbents.h"
#include "entity_test_support.h"

using namespace entity_test;

namespace {

const double kTol = 1e-9;

AcDbLine* lineOf(ECoPoint* label, int i) { return AcDbLine::cast(label->m_subEnts[i]); }
AcDbMText* textOf(ECoPoint* label, int i) { return AcDbMText::cast(label->m_subEnts[i]); }

void expectNear(const AcGePoint3d& actual, const AcGePoint3d& expected, const char* what)
{
    EXPECT_NEAR(actual.x, expected.x, kTol) << what;
    EXPECT_NEAR(actual.y, expected.y, kTol) << what;
    EXPECT_NEAR(actual.z, expected.z, kTol) << what;
}

// A rotation that reads upside down lies in (π/2, 3π/2].
bool readable(double rotation)
{
    const double r = reducedAngle(rotation);
    return r <= M_PI / 2 + kTol || r > 3 * M_PI / 2 - kTol;
}

}  // namespace

class PointLabel : public EntityTest {};

TEST_F(PointLabel, ShowsTheProjectionOfTheOffsetTimesTheDrawingScale)
{
    ECoPoint* label = newPointLabel(style(), AcGePoint3d(0, 2, 0), AcGePoint3d(5, 5, 0), AcGeVector3d::kXAxis, 500);
    ASSERT_EQ(label->m_subEnts.length(), 4);
    EXPECT_EQ(textOf(label, 2)->contentsString(), AcString(L"A=1000.000"));
    // On the vertical axis the horizontal value is zero, without the minus sign that
    // the rounding of cos 3π/2 would give it.
    EXPECT_EQ(coordinateValue(label->m_markPoint, label->m_absOrigin, label->m_hAxisDir, 500), 0.0);
    EXPECT_EQ(textOf(label, 3)->contentsString(), AcString(L"B=0.000"));

    label->m_markPoint = AcGePoint3d(-3, 0.25, 0);
    label->m_drawingScale = 1;
    label->m_decimals = 0;
    label->resetSubEnt(1);
    EXPECT_EQ(textOf(label, 2)->contentsString(), AcString(L"A=0"));
    EXPECT_EQ(textOf(label, 3)->contentsString(), AcString(L"B=-3"));
    EXPECT_EQ(label->m_subEnts.length(), 4);

    // Axes need not be perpendicular: each value is the projection on its own axis.
    label->m_hAxisDir = AcGeVector3d(1, 1, 0);
    label->m_markPoint = AcGePoint3d(2, 0, 0);
    label->m_decimals = 3;
    label->resetSubEnt(1);
    EXPECT_EQ(textOf(label, 3)->contentsString(), AcString(L"B=1.414"));
    EXPECT_DOUBLE_EQ(coordinateValue(label->m_markPoint, label->m_absOrigin, label->m_hAxisDir, 1), std::sqrt(2.0));
    delete label;
}

TEST_F(PointLabel, ValueOfTheAbsoluteOriginItselfIsZero)
{
    ECoPoint* label = newPointLabel(style(), AcGePoint3d(0, 0, 0));
    EXPECT_EQ(textOf(label, 2)->contentsString(), AcString(L"A=0.000"));
    EXPECT_EQ(textOf(label, 3)->contentsString(), AcString(L"B=0.000"));
    EXPECT_EQ(coordinateValue(AcGePoint3d(1, 1, 0), AcGePoint3d(1, 1, 0), AcGeVector3d::kYAxis, 500), 0.0);
    delete label;
}

TEST_F(PointLabel, LaysOutLeaderUnderlineAndTextsInEachReadingDirection)
{
    // reading direction    rotation given to both texts
    struct Row {
        AcGeVector3d dir;
        double rotation;
    };
    const Row rows[] = {
        {AcGeVector3d(1, 0, 0),  0.0},
        {AcGeVector3d(-1, 0, 0), 2 * M_PI},
        {AcGeVector3d(0, -1, 0), 5 * M_PI / 2},
        {AcGeVector3d(0, 1, 0),  M_PI / 2},
    };
    const AcGePoint3d mark(30, 40, 0), start(35, 47, 0);
    for (const Row& row : rows) {
        ECoPoint* label = newPointLabel(style(), mark, start, row.dir, 1, 2, 3);
        const TextSize upper = measured(L"A=40.000", style(), 6);
        const TextSize lower = measured(L"B=30.000", style(), 6);
        const double length = upper.width > lower.width ? upper.width : lower.width;

        expectNear(lineOf(label, 0)->startPoint(), mark, "leader start");
        expectNear(lineOf(label, 0)->endPoint(), start, "leader end");
        expectNear(lineOf(label, 1)->startPoint(), start, "underline start");
        expectNear(lineOf(label, 1)->endPoint(), start + row.dir * length, "underline end");

        // Left-hand normal of the reading direction, which is against dir for −X and −Y.
        AcGeVector3d up = AcGeVector3d(-row.dir.y, row.dir.x, 0);
        if (row.rotation > M_PI)
            up = -up;
        const AcGePoint3d middle = start + row.dir * (0.5 * length);
        expectNear(textOf(label, 2)->location(), middle + up * (0.6 * upper.height), "upper text");
        expectNear(textOf(label, 3)->location(), middle - up * (0.6 * lower.height), "lower text");
        for (int i = 2; i < 4; ++i) {
            EXPECT_NEAR(textOf(label, i)->rotation(), reducedAngle(row.rotation), kTol);
            EXPECT_DOUBLE_EQ(textOf(label, i)->textHeight(), 6);
            EXPECT_EQ(textOf(label, i)->attachment(), AcDbMText::kMiddleCenter);
            EXPECT_EQ(textOf(label, i)->textStyle(), style());
        }
        if (row.dir.y < 0) {
            EXPECT_LT(textOf(label, 2)->location().x, start.x) << "vertical text left of a downward underline";
        }
        if (row.dir.y == 0) {
            EXPECT_GT(textOf(label, 2)->location().y, start.y) << "vertical text above";
            EXPECT_LT(textOf(label, 3)->location().y, start.y) << "horizontal text below";
        }
        delete label;
    }
}

TEST_F(PointLabel, OnlyTheLeaderTakesTheLabelProperties)
{
    ECoPoint* label = newPointLabel(style());
    label->setColorIndex(5);
    label->resetSubEnt(1);
    EXPECT_EQ(label->m_subEnts[0]->colorIndex(), 5);
    for (int i = 1; i < 4; ++i)
        EXPECT_EQ(label->m_subEnts[i]->colorIndex(), 256) << "piece " << i;
    delete label;
}

TEST_F(PointLabel, GripsMoveTheMarkedPointTheTextOrBoth)
{
    ECoPoint* label = newPointLabel(style(), AcGePoint3d(3, 4, 0), AcGePoint3d(5, 7, 0));
    AcGePoint3dArray grips;
    AcDbIntArray modes, ids;
    label->getGripPoints(grips, modes, ids);
    ASSERT_EQ(grips.length(), 2);
    EXPECT_TRUE(grips[0].isEqualTo(AcGePoint3d(3, 4, 0)));
    EXPECT_TRUE(grips[1].isEqualTo(AcGePoint3d(5, 7, 0)));

    const AcGePoint3d textBefore = textOf(label, 2)->location();
    AcDbIntArray mark;
    mark.append(0);
    label->moveGripPointsAt(mark, AcGeVector3d(1, 1, 0));
    EXPECT_EQ(textOf(label, 2)->contentsString(), AcString(L"A=5.000"));
    EXPECT_EQ(textOf(label, 3)->contentsString(), AcString(L"B=4.000"));
    expectNear(lineOf(label, 0)->startPoint(), AcGePoint3d(4, 5, 0), "the leader follows");
    expectNear(textOf(label, 2)->location(), textBefore, "the texts stay");

    AcDbIntArray text;
    text.append(1);
    label->moveStretchPointsAt(text, AcGeVector3d(0, 10, 0));
    EXPECT_EQ(textOf(label, 2)->contentsString(), AcString(L"A=5.000"));
    expectNear(textOf(label, 2)->location(), textBefore + AcGeVector3d(0, 10, 0), "the texts move");

    AcDbIntArray both;
    both.append(0);
    both.append(1);
    label->moveGripPointsAt(both, AcGeVector3d(-3.5, 0, 0));
    expectNear(label->m_markPoint, AcGePoint3d(0.5, 5, 0), "mark");
    expectNear(label->m_textPoint, AcGePoint3d(1.5, 17, 0), "text");
    EXPECT_EQ(textOf(label, 3)->contentsString(), AcString(L"B=0.500"));
    delete label;
}

TEST_F(PointLabel, MovingChangesTheValuesByTheScaledDisplacement)
{
    ECoPoint* label = newPointLabel(style(), AcGePoint3d(1, 2, 0), AcGePoint3d(3, 3, 0), AcGeVector3d::kXAxis, 100);
    const double width = lineOf(label, 1)->startPoint().distanceTo(lineOf(label, 1)->endPoint());
    ASSERT_EQ(label->transformBy(AcGeMatrix3d::translation(AcGeVector3d(0.5, -0.25, 0))), Acad::eOk);
    EXPECT_EQ(textOf(label, 2)->contentsString(), AcString(L"A=175.000"));
    EXPECT_EQ(textOf(label, 3)->contentsString(), AcString(L"B=150.000"));
    EXPECT_DOUBLE_EQ(textOf(label, 2)->textHeight(), 3);
    EXPECT_NEAR(lineOf(label, 1)->startPoint().distanceTo(lineOf(label, 1)->endPoint()), width, kTol);
    expectNear(label->m_absOrigin, AcGePoint3d(0, 0, 0), "the coordinate system stays");
    delete label;
}

TEST_F(PointLabel, ScalingEnlargesTheTextsAndMeasuresTheScaledPoint)
{
    ECoPoint* label = newPointLabel(style(), AcGePoint3d(1, 2, 0), AcGePoint3d(3, 3, 0), AcGeVector3d::kXAxis, 1, 1.5);
    ASSERT_EQ(label->transformBy(AcGeMatrix3d::scaling(2, AcGePoint3d(1, 0, 0))), Acad::eOk);
    EXPECT_EQ(label->m_appearanceScale, 3);
    EXPECT_EQ(label->m_drawingScale, 1);
    EXPECT_DOUBLE_EQ(textOf(label, 2)->textHeight(), 9);
    EXPECT_EQ(textOf(label, 2)->contentsString(), AcString(L"A=4.000"));
    EXPECT_EQ(textOf(label, 3)->contentsString(), AcString(L"B=1.000"));
    EXPECT_TRUE(label->m_textDir.isEqualTo(AcGeVector3d::kXAxis));
    delete label;
}

TEST_F(PointLabel, TextsNeverReadUpsideDownWhateverTheRotationOrMirror)
{
    for (int degrees = 0; degrees < 360; degrees += 15) {
        ECoPoint* label = newPointLabel(style());
        const double angle = degrees * M_PI / 180;
        ASSERT_EQ(label->transformBy(AcGeMatrix3d::rotation(angle, AcGeVector3d::kZAxis, AcGePoint3d(2, 2, 0))),
                  Acad::eOk);
        EXPECT_NEAR(label->m_textDir.length(), 1.0, kTol);
        EXPECT_NEAR(AcGeVector3d::kXAxis.angleTo(label->m_textDir, AcGeVector3d::kZAxis), angle, 1e-9) << degrees;
        EXPECT_TRUE(readable(textOf(label, 2)->rotation())) << degrees;
        EXPECT_NEAR(textOf(label, 2)->rotation(), textOf(label, 3)->rotation(), kTol);
        ASSERT_EQ(label->transformBy(AcGeMatrix3d::mirroring(AcGeLine3d(AcGePoint3d(0, 0, 0), AcGeVector3d(1, 2, 0)))),
                  Acad::eOk);
        EXPECT_TRUE(readable(textOf(label, 2)->rotation())) << degrees << " mirrored";
        EXPECT_EQ(label->m_appearanceScale, 1);
        delete label;
    }
}

TEST_F(PointLabel, MirroringReversesTheUnderlineAndKeepsTheCoordinateSystem)
{
    ECoPoint* label = newPointLabel(style(), AcGePoint3d(1, 2, 0), AcGePoint3d(3, 3, 0));
    ASSERT_EQ(label->transformBy(AcGeMatrix3d::mirroring(AcGeLine3d(AcGePoint3d(0, 0, 0), AcGeVector3d::kYAxis))),
              Acad::eOk);
    expectNear(label->m_markPoint, AcGePoint3d(-1, 2, 0), "mark");
    EXPECT_TRUE(label->m_textDir.isEqualTo(AcGeVector3d(-1, 0, 0)));
    EXPECT_TRUE(label->m_hAxisDir.isEqualTo(AcGeVector3d::kXAxis));
    EXPECT_EQ(textOf(label, 3)->contentsString(), AcString(L"B=-1.000"));
    EXPECT_GT(textOf(label, 2)->location().y, label->m_textPoint.y) << "the vertical text stays above";
    delete label;
}
