// The host's documents: the current drawing and its pending-graphics service.
#pragma once

#include "dbmain.h"

// Queues and flushes the graphics of changed objects (the document's transaction
// manager in the host).
class ACCORE_PORT AcTransactionManager : public AcRxObject {
public:
    virtual Acad::ErrorStatus queueForGraphicsFlush() = 0;
    virtual Acad::ErrorStatus flushGraphics() = 0;
};

class ACCORE_PORT AcApDocument : public AcRxObject {
public:
    virtual AcDbDatabase* database() const = 0;
    virtual AcTransactionManager* transactionManager() const = 0;
};

class ACCORE_PORT AcApDocManager : public AcRxObject {
public:
    virtual AcApDocument* curDocument() const = 0;
    virtual AcApDocument* mdiActiveDocument() const = 0;
};

ACCORE_PORT AcApDocManager* acDocManagerPtr();
#define acDocManager acDocManagerPtr()
