// Host application services: which database the commands work on.
#pragma once

#include "dbmain.h"

class ACDB_PORT AcDbHostApplicationServices : public AcRxObject {
public:
    AcDbDatabase* workingDatabase() const { return mpWorkingDatabase; }
    void setWorkingDatabase(AcDbDatabase* pDatabase) { mpWorkingDatabase = pDatabase; }

private:
    AcDbDatabase* mpWorkingDatabase = nullptr;
};

ACDB_PORT AcDbHostApplicationServices* acdbHostApplicationServices();
