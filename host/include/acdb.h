// Enumerations of the drawing database.
#pragma once

#include "adesk.h"

#define ACDB_MODEL_SPACE ACRX_T("*Model_Space")
#define ACDB_PAPER_SPACE ACRX_T("*Paper_Space")

struct AcDb {
    enum OpenMode { kForRead = 0, kForWrite = 1, kForNotify = 2 };

    enum OsnapMode {
        kOsModeEnd = 1,
        kOsModeMid = 2,
        kOsModeCen = 3,
        kOsModeNode = 4,
        kOsModeQuad = 5,
        kOsModeIns = 7,
        kOsModePerp = 8,
        kOsModeTan = 9,
        kOsModeNear = 10,
        kOsModeCentroid = 11
    };

    enum FilerType {
        kFileFiler = 0,
        kCopyFiler = 1,
        kUndoFiler = 2,
        kBagFiler = 3,
        kIdXlateFiler = 4,
        kPageFiler = 5,
        kDeepCloneFiler = 6,
        kIdFiler = 7,
        kPurgeFiler = 8,
        kWblockCloneFiler = 9
    };

    enum FilerSeekType { kSeekFromStart = 0, kSeekFromCurrent = 1, kSeekFromEnd = 2 };

    enum Visibility { kInvisible = 1, kVisible = 0 };

    enum LineWeight {
        kLnWt000 = 0,
        kLnWt005 = 5,
        kLnWt009 = 9,
        kLnWt013 = 13,
        kLnWt015 = 15,
        kLnWt018 = 18,
        kLnWt020 = 20,
        kLnWt025 = 25,
        kLnWt030 = 30,
        kLnWt035 = 35,
        kLnWt040 = 40,
        kLnWt050 = 50,
        kLnWt053 = 53,
        kLnWt060 = 60,
        kLnWt070 = 70,
        kLnWt080 = 80,
        kLnWt090 = 90,
        kLnWt100 = 100,
        kLnWt106 = 106,
        kLnWt120 = 120,
        kLnWt140 = 140,
        kLnWt158 = 158,
        kLnWt200 = 200,
        kLnWt211 = 211,
        kLnWtByLayer = -1,
        kLnWtByBlock = -2,
        kLnWtByLwDefault = -3
    };

    // How a single-line text is justified along its baseline and across it.
    enum TextHorzMode {
        kTextLeft = 0,    // TH_LEFT
        kTextCenter = 1,  // TH_CENT
        kTextRight = 2,   // TH_RIGHT
        kTextAlign = 3,   // THV_ALIGN
        kTextMid = 4,     // THV_MID
        kTextFit = 5      // THV_FIT
    };
    enum TextVertMode {
        kTextBase = 0,     // TV_BASE
        kTextBottom = 1,   // TV_BOT
        kTextVertMid = 2,  // TV_MID
        kTextTop = 3       // TV_TOP
    };

    // The unit a drawing unit stands for (INSUNITS).
    enum UnitsValue {
        kUnitsUndefined = 0,
        kUnitsInches = 1,
        kUnitsFeet = 2,
        kUnitsMiles = 3,
        kUnitsMillimeters = 4,
        kUnitsCentimeters = 5,
        kUnitsMeters = 6,
        kUnitsKilometers = 7,
        kUnitsMicroinches = 8,
        kUnitsMils = 9,
        kUnitsYards = 10,
        kUnitsAngstroms = 11,
        kUnitsNanometers = 12,
        kUnitsMicrons = 13,
        kUnitsDecimeters = 14,
        kUnitsDekameters = 15,
        kUnitsHectometers = 16,
        kUnitsGigameters = 17,
        kUnitsAstronomical = 18,
        kUnitsLightYears = 19,
        kUnitsParsecs = 20,
        kUnitsUSSurveyFeet = 21,
        kUnitsUSSurveyInch = 22,
        kUnitsUSSurveyYard = 23,
        kUnitsUSSurveyMile = 24,
        kUnitsMax = kUnitsUSSurveyMile
    };
};
