// The placement of a block by its reference: the block transform built from position,
// normal, rotation and scales, and those values read back from a matrix.
#include "block_placement.h"

#include <cmath>

#include "circular_arcs.h"
#include "circular_frame.h"
#include "db_internals.h"

namespace acrt {

namespace {

constexpr double kLeastScale = 1e-10;     // a smaller factor flattens the block
constexpr double kShearTolerance = 1e-9;  // relative: rounding of composed transforms passes

AcGeVector3d column(const AcGeMatrix3d& m, int c) { return AcGeVector3d(m.entry[0][c], m.entry[1][c], m.entry[2][c]); }

void setColumn(AcGeMatrix3d& m, int c, const AcGeVector3d& v)
{
    m.entry[0][c] = v.x;
    m.entry[1][c] = v.y;
    m.entry[2][c] = v.z;
}

bool isFinite(const AcGeVector3d& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Only affine transforms place a block: the last row is 0 0 0 1.
bool isAffine(const AcGeMatrix3d& m)
{
    return m.entry[3][0] == 0.0 && m.entry[3][1] == 0.0 && m.entry[3][2] == 0.0 && m.entry[3][3] == 1.0;
}

AcGeMatrix3d linearPart(const AcGeMatrix3d& m)
{
    AcGeMatrix3d linear = m;
    linear.setTranslation(AcGeVector3d());
    return linear;
}

// The column is the factor times the axis, within the tolerance of its length.
bool isAlong(const AcGeVector3d& col, const AcGeVector3d& axis, double factor)
{
    return (col - axis * factor).length() <= kShearTolerance * col.length();
}

}  // namespace

bool isUsableScale(const AcGeScale3d& scale)
{
    for (unsigned i = 0; i < 3; ++i)
        if (!std::isfinite(scale[i]) || std::fabs(scale[i]) < kLeastScale)
            return false;
    return true;
}

AcGeMatrix3d placementMatrix(const BlockPlacement& placement, const AcGePoint3d& origin)
{
    const CircularFrame frame(AcGePoint3d::kOrigin, placement.normal);
    const double c = std::cos(placement.rotation), s = std::sin(placement.rotation);
    AcGeMatrix3d m;
    setColumn(m, 0, (frame.xAxis() * c + frame.yAxis() * s) * placement.scale.sx);
    setColumn(m, 1, (frame.yAxis() * c - frame.xAxis() * s) * placement.scale.sy);
    setColumn(m, 2, frame.zAxis() * placement.scale.sz);
    return m.setTranslation(placement.position.asVector() - m * origin.asVector());
}

bool placementOf(const AcGeMatrix3d& linear, const AcGeVector3d& normal, bool negativeX, BlockPlacement& out)
{
    const AcGeVector3d c0 = column(linear, 0), c1 = column(linear, 1), c2 = column(linear, 2);
    const double l0 = c0.length();
    if (!(l0 > 0.0) || !std::isfinite(l0) || !isFinite(c1) || !isFinite(c2) || !isUsableNormal(normal))
        return false;
    const AcGeVector3d n = normal.normal();
    if (std::fabs(c0.dotProduct(n)) > kShearTolerance * l0)
        return false;
    const double sz = c2.dotProduct(n);
    const AcGeVector3d xAxis = c0 * ((negativeX ? -1.0 : 1.0) / l0);
    const AcGeVector3d yAxis = n.crossProduct(xAxis);
    const double sy = c1.dotProduct(yAxis);
    if (!isAlong(c2, n, sz) || !isAlong(c1, yAxis, sy))
        return false;
    const AcGeScale3d scale(negativeX ? -l0 : l0, sy, sz);
    if (!isUsableScale(scale))
        return false;
    const CircularFrame frame(AcGePoint3d::kOrigin, n);
    out.normal = normal;
    out.rotation = normalizedAngle(std::atan2(xAxis.dotProduct(frame.yAxis()), xAxis.dotProduct(frame.xAxis())));
    out.scale = scale;
    return true;
}

bool transformedPlacement(const BlockPlacement& from, const AcGeMatrix3d& xform, BlockPlacement& to)
{
    if (!isAffine(xform))
        return false;
    const AcGeMatrix3d linear = linearPart(xform);
    AcGeVector3d normal = linear * from.normal;
    if (!isUsableNormal(normal))
        return false;
    // A transform within the plane keeps the normal exactly, so edits do not drift it.
    normal = normal.isCodirectionalTo(from.normal) ? from.normal : normal.normal();
    const bool negativeX = (from.scale.sx < 0.0) != (linear.det() < 0.0);
    BlockPlacement placed;
    if (!placementOf(linear * linearPart(placementMatrix(from, AcGePoint3d::kOrigin)), normal, negativeX, placed))
        return false;
    placed.position = xform * from.position;
    if (!std::isfinite(placed.position.x) || !std::isfinite(placed.position.y) || !std::isfinite(placed.position.z))
        return false;
    to = placed;
    return true;
}

bool placementOfMatrix(const AcGeMatrix3d& matrix, const AcGePoint3d& origin, BlockPlacement& out)
{
    if (!isAffine(matrix))
        return false;
    const AcGeVector3d c0 = column(matrix, 0), c1 = column(matrix, 1), c2 = column(matrix, 2);
    const AcGeVector3d normal = c2.normal();
    BlockPlacement placed;
    if (!placementOf(linearPart(matrix), normal, c0.crossProduct(c1).dotProduct(normal) < 0.0, placed))
        return false;
    placed.position = matrix * origin;
    out = placed;
    return true;
}

}  // namespace acrt
