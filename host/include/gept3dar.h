// Arrays of geometry values; the host moves them by memory copy.
#pragma once

#include "acarray.h"
#include "gepnt2d.h"
#include "gepnt3d.h"

typedef AcArray<AcGePoint3d, AcArrayMemCopyReallocator<AcGePoint3d>> AcGePoint3dArray;
typedef AcArray<AcGePoint2d, AcArrayMemCopyReallocator<AcGePoint2d>> AcGePoint2dArray;
typedef AcArray<AcGeVector3d, AcArrayMemCopyReallocator<AcGeVector3d>> AcGeVector3dArray;
typedef AcArray<AcGeVector2d, AcArrayMemCopyReallocator<AcGeVector2d>> AcGeVector2dArray;
typedef AcArray<double, AcArrayMemCopyReallocator<double>> AcGeDoubleArray;
