// The host's status codes for database and entity calls (0 is success).
#pragma once

#include "adesk.h"

struct Acad {
    enum ErrorStatus {
        eOk = 0,
        eNotImplementedYet = 1,
        eNotApplicable = 2,
        eInvalidInput = 3,
        eOutOfMemory = 6,
        eInvalidOpenState = 8,
        eNullObjectPointer = 15,
        eNullObjectId = 16,
        eNullEntityPointer = 20,
        eIllegalEntityType = 21,
        eKeyNotFound = 22,
        eDuplicateKey = 23,
        eInvalidIndex = 24,
        eAlreadyInDb = 26,
        eInvalidExtents = 30,
        eWrongObjectType = 34,
        eWrongDatabase = 35,
        eNotOpenForRead = 44,
        eNotOpenForWrite = 45,
        eNotThatKindOfClass = 46,
        eFilerError = 53,
        eWasErased = 80,
        ePermanentlyErased = 81,
        eWasOpenForRead = 82,
        eWasOpenForWrite = 83,
        eWasOpenForNotify = 86,
        eOnLockedLayer = 87,
        eWasNotOpenForWrite = 100,
        eCannotScaleNonUniformly = 136,
        eNotInDatabase = 137,
        eInvalidTextStyle = 163,
        eCannotRestoreFromAcisFile = 300,
        eMakeMeProxy = 301,
        eNLSFileNotAvailable = 302,
        eNotAllowedForThisProxy = 303,
        eNullExtents = 312,
        eLockViolation = 320,
        eVetoed = 325
    };
};

#define eNotImplemented eNotImplementedYet
