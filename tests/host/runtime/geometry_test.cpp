// Geometry: angles, rotations, matrices and the scale factor the entities use.
#include <gtest/gtest.h>

#include <cmath>

#include "gemat3d.h"

TEST(GeVectorAngle, AngleToAboutZIsCounterClockwiseInZeroToTwoPi)
{
    const AcGeVector3d z = AcGeVector3d::kZAxis;
    EXPECT_DOUBLE_EQ(AcGeVector3d::kXAxis.angleTo(AcGeVector3d(0, 1, 0), z), M_PI / 2);
    EXPECT_DOUBLE_EQ(AcGeVector3d::kXAxis.angleTo(AcGeVector3d(0, -1, 0), z), 3 * M_PI / 2);
    EXPECT_DOUBLE_EQ(AcGeVector3d::kXAxis.angleTo(AcGeVector3d(-1, 0, 0), z), M_PI);
    EXPECT_DOUBLE_EQ(AcGeVector3d::kXAxis.angleTo(AcGeVector3d(3, 0, 0), z), 0.0);
    EXPECT_DOUBLE_EQ(AcGeVector3d().angleTo(AcGeVector3d::kXAxis, z), 0.0) << "a zero vector has angle 0";
}

TEST(GeVectorNormal, ZeroVectorComesBackUnchanged)
{
    EXPECT_EQ(AcGeVector3d().normal().length(), 0.0);
    EXPECT_NEAR(AcGeVector3d(3, 4, 0).normal().length(), 1.0, 1e-15);
}

TEST(GeMatrix, RotationAboutACentreKeepsTheCentreAndTurnsVectors)
{
    AcGePoint3d c(10, 5, 0);
    AcGeMatrix3d m = AcGeMatrix3d::rotation(M_PI / 2, AcGeVector3d::kZAxis, c);
    AcGePoint3d p = AcGePoint3d(11, 5, 0);
    p.transformBy(m);
    EXPECT_NEAR(p.x, 10, 1e-12);
    EXPECT_NEAR(p.y, 6, 1e-12);
    AcGePoint3d same = c;
    same.transformBy(m);
    EXPECT_NEAR(same.distanceTo(c), 0.0, 1e-12);
    AcGeVector3d v = AcGeVector3d::kXAxis;
    v.transformBy(m);
    EXPECT_NEAR(v.y, 1.0, 1e-12);
    EXPECT_NEAR(m.scale(), 1.0, 1e-12);
}

TEST(GeMatrix, ScalingMirroringAndInverse)
{
    AcGeMatrix3d s = AcGeMatrix3d::scaling(2.0, AcGePoint3d(1, 1, 0));
    EXPECT_DOUBLE_EQ(s.scale(), 2.0);
    AcGePoint3d p(2, 1, 0);
    p.transformBy(s);
    EXPECT_DOUBLE_EQ(p.x, 3.0);
    // Mirroring in the plane through the Y axis and Z: what a 2D mirror line means.
    AcGeMatrix3d mirror = AcGeMatrix3d::mirroring(AcGePlane(AcGePoint3d(0, 0, 0), AcGeVector3d::kXAxis));
    AcGeMatrix3d halfTurn = AcGeMatrix3d::mirroring(AcGeLine3d(AcGePoint3d(0, 0, 0), AcGePoint3d(0, 1, 0)));
    EXPECT_GT(halfTurn.det(), 0.0) << "reflection through a line is a half turn about it";
    AcGePoint3d q(3, 4, 0);
    q.transformBy(mirror);
    EXPECT_NEAR(q.x, -3, 1e-12);
    EXPECT_NEAR(q.y, 4, 1e-12);
    EXPECT_LT(mirror.det(), 0.0);
    EXPECT_DOUBLE_EQ(mirror.scale(), 1.0);
    AcGeMatrix3d both = s * mirror;
    AcGeMatrix3d id = both * both.inverse();
    EXPECT_TRUE(id.isEqualTo(AcGeMatrix3d::kIdentity));
}

TEST(GePointEquality, OperatorIsTolerantAsOnTheHost)
{
    EXPECT_TRUE(AcGePoint3d(1, 1, 0) == AcGePoint3d(1 + 1e-12, 1, 0));
    EXPECT_FALSE(AcGePoint3d(1, 1, 0) == AcGePoint3d(1 + 1e-9, 1, 0));
}
