// The coordinate value rule and the readable-text rule shared by the labels and the
// coordinate system.
#include "coordinate_rule.h"

#include <cmath>

namespace {
const double kQuarterTurn = 1.5707963267948966;        // π/2
const double kThreeQuarterTurns = 4.71238898038469;    // 3π/2
const double kHalfTurn = 3.141592653589793;            // π
}  // namespace

double coordinateValue(const AcGePoint3d& markPoint, const AcGePoint3d& absOrigin, const AcGeVector3d& axisDir,
                       double drawingScale)
{
    AcGeVector3d offset = markPoint - absOrigin;
    return std::cos(offset.angleTo(axisDir, AcGeVector3d::kZAxis)) * offset.length() * drawingScale;
}

bool readsAgainstDirection(double theta) { return theta > kQuarterTurn && theta <= kThreeQuarterTurns; }

double readableRotation(double theta) { return readsAgainstDirection(theta) ? theta + kHalfTurn : theta; }

double angleFromXAxis(const AcGeVector3d& dir) { return AcGeVector3d::kXAxis.angleTo(dir, AcGeVector3d::kZAxis); }
