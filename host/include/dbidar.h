// Arrays of object ids, as the database's services that answer many objects fill them.
#pragma once

#include "acarray.h"
#include "dbid.h"

typedef AcArray<AcDbObjectId> AcDbObjectIdArray;
