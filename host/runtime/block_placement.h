// Private to the runtime: where a block reference places its block (position, normal,
// rotation, scales) and the matrix of that placement, both ways.
#pragma once

#include "dbmain.h"
#include "gescl3d.h"

namespace acrt {

struct BlockPlacement {
    AcGePoint3d position;
    AcGeVector3d normal = AcGeVector3d::kZAxis;
    double rotation = 0.0;
    AcGeScale3d scale;
};

// Factors a reference can hold: finite, none zero within 1e-10.
bool isUsableScale(const AcGeScale3d& scale);

// translate(position) * plane(normal) * rotate(rotation) * scale * translate(-origin).
AcGeMatrix3d placementMatrix(const BlockPlacement& placement, const AcGePoint3d& origin);

// The normal, rotation and scales whose product is the linear part of the matrix, the
// normal given (the Z scale then follows its sign) and the X scale negative when
// negativeX (a mirror shows as a negative X scale); false when the part holds shear
// or flattens an axis. The position is left as it is.
bool placementOf(const AcGeMatrix3d& linear, const AcGeVector3d& normal, bool negativeX, BlockPlacement& out);

// The placement of a reference transformed by xform (points and the normal follow
// it, the X scale changes sign under a mirror); false when the result is no placement.
bool transformedPlacement(const BlockPlacement& from, const AcGeMatrix3d& xform, BlockPlacement& to);

// The placement whose matrix (with origin) is the given one; false as placementOf.
bool placementOfMatrix(const AcGeMatrix3d& matrix, const AcGePoint3d& origin, BlockPlacement& out);

}  // namespace acrt
