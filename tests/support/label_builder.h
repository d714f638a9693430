// The entity module's objects for the tests that link it: a coordinate system and
// labels made in the plain system (origin at the world origin, axes up and right), as
// the creating commands would make them. Header-only, so that only the tests with the
// entity module compile it; free of gtest for the fuzz targets.
#pragma once

#include "eco_line.h"
#include "eco_point.h"
#include "eorigin.h"

namespace test_support {

inline EOrigin* newOrigin(AcDbObjectId style, AcGePoint3d at = AcGePoint3d(0, 0, 0), double vOffset = 0,
                          double hOffset = 0, double drawingScale = 1, double appearanceScale = 1, int decimals = 3,
                          const ACHAR* vName = L"A", const ACHAR* hName = L"B")
{
    return new EOrigin(AcString(vName), AcString(hName), vOffset, hOffset, at, 90, 0, drawingScale, appearanceScale,
                       decimals, style);
}

inline ECoPoint* newPointLabel(AcDbObjectId style, AcGePoint3d mark = AcGePoint3d(3, 4, 0),
                               AcGePoint3d text = AcGePoint3d(5, 7, 0), AcGeVector3d dir = AcGeVector3d::kXAxis,
                               double drawingScale = 1, double appearanceScale = 1, int decimals = 3)
{
    return new ECoPoint(AcString(L"A"), AcString(L"B"), mark, text, AcGePoint3d(0, 0, 0), AcGeVector3d::kYAxis,
                        AcGeVector3d::kXAxis, dir, drawingScale, appearanceScale, decimals, style);
}

inline ECoLine* newLineLabel(AcDbObjectId style, int refAxis = 0, AcGePoint3d mark = AcGePoint3d(5, 12, 0),
                             AcGePoint3d text = AcGePoint3d(8, 12, 0), double drawingScale = 1,
                             double appearanceScale = 1, int decimals = 3)
{
    return new ECoLine(refAxis, AcString(L"A"), AcString(L"B"), mark, text, AcGePoint3d(0, 0, 0),
                       AcGeVector3d::kYAxis, AcGeVector3d::kXAxis, drawingScale, appearanceScale, decimals, style);
}

}  // namespace test_support
