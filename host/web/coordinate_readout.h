// The cursor's coordinates in a coordinate system of the drawing, written exactly as a
// point label placed there would show them. The label module does the computing: a
// point label of the system is made in memory at the cursor (through its class and its
// filed record, never appended) and its two texts are read from what it draws.
// Runs on the command thread: it reads the drawing.
#pragma once

#include <string>

#include "dbmain.h"

namespace vemweb {

struct Readout {
    std::string upper;  // vertical axis name "=" value, UTF-8
    std::string lower;  // horizontal axis name "=" value
};

// The texts a point label of `system` (a coordinate system entity) would show for the
// point `at`; false when the entity is not a coordinate system, is erased, or the label
// class is not loaded.
bool readoutAt(const AcDbObjectId& system, const AcGePoint3d& at, Readout& readout);

// The coordinate system the readout follows: the one picked last, else the one made
// last in the current space; null when the drawing has none. The last made is looked
// for once per `generation` (a number the caller changes when the drawing may have
// changed), so that moving the cursor does not walk the drawing.
class ReadoutSystem {
public:
    AcDbObjectId current(AcDbDatabase* db, unsigned long generation);

private:
    static AcDbObjectId resolve(AcDbDatabase* db, const AcDbHandle& handle);
    static AcDbObjectId latestSystem(AcDbDatabase* db);

    AcDbObjectId m_picked;
    AcDbHandle m_pickedHandle;
    AcDbObjectId m_lastPick;  // the last pick seen, a system or not
    AcDbObjectId m_latest;
    AcDbDatabase* m_db = nullptr;
    unsigned long m_generation = ~0ul;
};

// Whether the entity is a coordinate system (the label module's EOrigin class).
bool isCoordinateSystem(const AcDbObjectId& id);

}  // namespace vemweb
