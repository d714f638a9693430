// The coordinate value rule and the readable-text rule shared by the labels and the
// coordinate system.
#include "coordinate_rule.h"

#include <cmath>

namespace {
const double kQuarterTurn = 1.5707963267948966;        // π/2
const double kThreeQuarterTurns = 4.71238898038469;    // 3π/2
const double kHalfTurn = 3.141592653589793;            // π
const double kCosineRounding = 1e-15;                  // |cos| below this is a right angle
}  // namespace

double coordinateValue(const AcGePoint3d& markPoint, const AcGePoint3d& absOrigin, const AcGeVector3d& axisDir,
                       double drawingScale)
{
    AcGeVector3d offset = markPoint - absOrigin;
    return projectedCoordinate(offset, axisDir, offset.length(), drawingScale);
}

double projectedCoordinate(const AcGeVector3d& from, const AcGeVector3d& to, double length, double drawingScale)
{
    double cosine = std::cos(from.angleTo(to, AcGeVector3d::kZAxis));
    // The cosine of a right angle is not 0 in doubles (cos 3π/2 is -1.8e-16), which
    // would make a point on the other axis show "-0.000": within that rounding the
    // projection is zero.
    if (std::fabs(cosine) < kCosineRounding)
        cosine = 0.0;
    const double value = cosine * length * drawingScale;
    return value == 0.0 ? 0.0 : value;
}

bool readsAgainstDirection(double theta) { return theta > kQuarterTurn && theta <= kThreeQuarterTurns; }

double readableRotation(double theta) { return readsAgainstDirection(theta) ? theta + kHalfTurn : theta; }

double angleFromXAxis(const AcGeVector3d& dir) { return AcGeVector3d::kXAxis.angleTo(dir, AcGeVector3d::kZAxis); }
