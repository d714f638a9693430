// The line label: the one coordinate it shows, chosen by its reference axis, and a text
// that stays parallel to the other axis whatever happens to the label.
#include <cmath>

#include "entity_test_support.h"

using namespace entity_test;

namespace {

const double kTol = 1e-9;

AcDbMText* textOf(ECoLine* label) { return AcDbMText::cast(label->m_subEnts[0]); }

}  // namespace

class LineLabel : public EntityTest {};

TEST_F(LineLabel, ReferenceAxisChoosesValueNameAndDirection)
{
    // refAxis  text         rotation
    struct Row {
        int refAxis;
        const wchar_t* text;
        double rotation;
    };
    const Row rows[] = {
        {0, L"A=12.000", 0.0},
        {1, L"B=5.000",  M_PI / 2},
        {7, L"B=5.000",  M_PI / 2},
    };
    for (const Row& row : rows) {
        ECoLine* label = newLineLabel(style(), row.refAxis, AcGePoint3d(5, 12, 0), AcGePoint3d(8, 20, 0));
        ASSERT_EQ(label->m_subEnts.length(), 1);
        AcDbMText* text = textOf(label);
        EXPECT_EQ(text->contentsString(), AcString(row.text)) << row.refAxis;
        EXPECT_NEAR(text->rotation(), row.rotation, kTol) << row.refAxis;
        EXPECT_TRUE(text->location().isEqualTo(AcGePoint3d(8, 20, 0)));
        EXPECT_EQ(text->attachment(), AcDbMText::kMiddleCenter);
        EXPECT_EQ(text->textStyle(), style());
        EXPECT_DOUBLE_EQ(text->textHeight(), 3);
        EXPECT_EQ(text->width(), 0.0);
        delete label;
    }
}

TEST_F(LineLabel, AxesPointingLeftOrDownStillGiveReadableText)
{
    ECoLine* label = newLineLabel(style());
    label->m_hAxisDir = AcGeVector3d(-1, 0, 0);
    label->resetSubEnt(1);
    // θ = π: the text is turned by 2π and reads from left to right.
    EXPECT_NEAR(std::cos(textOf(label)->rotation()), 1.0, kTol);
    EXPECT_EQ(textOf(label)->contentsString(), AcString(L"A=12.000"));

    label->m_refAxis = 1;
    label->m_vAxisDir = AcGeVector3d(0, -1, 0);
    label->resetSubEnt(1);
    // θ = 3π/2 reads from bottom to top, as θ = π/2 does.
    EXPECT_NEAR(textOf(label)->rotation(), M_PI / 2, kTol);
    EXPECT_EQ(textOf(label)->contentsString(), AcString(L"B=-5.000"));
    EXPECT_EQ(label->m_subEnts.length(), 1);
    delete label;
}

TEST_F(LineLabel, TextOnTheMarkedPointIsCentredOnTheGridLine)
{
    ECoLine* label = newLineLabel(style(), 0, AcGePoint3d(5, 12, 0), AcGePoint3d(5, 12, 0));
    EXPECT_TRUE(textOf(label)->location().isEqualTo(AcGePoint3d(5, 12, 0)));
    AcDbExtents ext;
    ASSERT_EQ(textOf(label)->getGeomExtents(ext), Acad::eOk);
    EXPECT_NEAR((ext.minPoint().y + ext.maxPoint().y) / 2, 12.0, 1.5) << "centred about the grid line";
    delete label;
}

TEST_F(LineLabel, RotatingMovesThePointsButNotTheTextDirection)
{
    ECoLine* label = newLineLabel(style(), 0, AcGePoint3d(5, 12, 0), AcGePoint3d(8, 12, 0));
    ASSERT_EQ(label->transformBy(AcGeMatrix3d::rotation(M_PI / 2, AcGeVector3d::kZAxis, AcGePoint3d(0, 0, 0))),
              Acad::eOk);
    EXPECT_TRUE(label->m_markPoint.isEqualTo(AcGePoint3d(-12, 5, 0)));
    EXPECT_TRUE(label->m_textPoint.isEqualTo(AcGePoint3d(-12, 8, 0)));
    EXPECT_TRUE(label->m_hAxisDir.isEqualTo(AcGeVector3d::kXAxis));
    EXPECT_EQ(textOf(label)->contentsString(), AcString(L"A=5.000"));
    EXPECT_NEAR(textOf(label)->rotation(), 0.0, kTol);
    EXPECT_TRUE(textOf(label)->location().isEqualTo(AcGePoint3d(-12, 8, 0)));

    ASSERT_EQ(label->transformBy(AcGeMatrix3d::mirroring(AcGeLine3d(AcGePoint3d(0, 0, 0), AcGeVector3d::kXAxis))),
              Acad::eOk);
    EXPECT_EQ(textOf(label)->contentsString(), AcString(L"A=-5.000"));
    EXPECT_NEAR(textOf(label)->rotation(), 0.0, kTol);
    EXPECT_EQ(label->m_appearanceScale, 1);
    delete label;
}

TEST_F(LineLabel, ScalingChangesTheSizeOnly)
{
    ECoLine* label = newLineLabel(style(), 1, AcGePoint3d(5, 12, 0), AcGePoint3d(8, 12, 0), 100, 2, 1);
    EXPECT_EQ(textOf(label)->contentsString(), AcString(L"B=500.0"));
    ASSERT_EQ(label->transformBy(AcGeMatrix3d::scaling(0.5, AcGePoint3d(0, 0, 0))), Acad::eOk);
    EXPECT_EQ(label->m_appearanceScale, 1);
    EXPECT_EQ(label->m_drawingScale, 100);
    EXPECT_DOUBLE_EQ(textOf(label)->textHeight(), 3);
    EXPECT_EQ(textOf(label)->contentsString(), AcString(L"B=250.0"));
    delete label;
}

TEST_F(LineLabel, GripsMoveTheMeasuredPointOrTheText)
{
    ECoLine* label = newLineLabel(style(), 0, AcGePoint3d(5, 12, 0), AcGePoint3d(8, 12, 0));
    AcGePoint3dArray grips;
    AcDbIntArray modes, ids;
    label->getGripPoints(grips, modes, ids);
    ASSERT_EQ(grips.length(), 2);
    EXPECT_TRUE(grips[0].isEqualTo(AcGePoint3d(5, 12, 0)));
    EXPECT_TRUE(grips[1].isEqualTo(AcGePoint3d(8, 12, 0)));

    AcDbIntArray mark;
    mark.append(0);
    label->moveGripPointsAt(mark, AcGeVector3d(4, 0, 0));  // along the grid line
    EXPECT_EQ(textOf(label)->contentsString(), AcString(L"A=12.000"));
    label->moveGripPointsAt(mark, AcGeVector3d(0, 1, 0));  // across it
    EXPECT_EQ(textOf(label)->contentsString(), AcString(L"A=13.000"));
    EXPECT_TRUE(textOf(label)->location().isEqualTo(AcGePoint3d(8, 12, 0)));

    AcDbIntArray text;
    text.append(1);
    text.append(3);
    label->moveStretchPointsAt(text, AcGeVector3d(0, -2, 0));
    EXPECT_TRUE(textOf(label)->location().isEqualTo(AcGePoint3d(8, 10, 0)));
    EXPECT_EQ(textOf(label)->contentsString(), AcString(L"A=13.000"));
    delete label;
}
