// Private to the runtime: each database's spatial index of its entities' extents, one
// R-tree per owning block, so that a pick, a snap or a window asks only the entities
// near it instead of drawing every entity of the space. The index hears every change
// of the database and refreshes what changed before the next question.
#pragma once

#include <cstdint>
#include <memory>
#include <unordered_map>
#include <vector>

#include "db_internals.h"
#include "scaled_drawing.h"

namespace acrt {

class SpatialIndex final : public DatabaseObserver {
public:
    SpatialIndex();
    ~SpatialIndex() override;

    void objectOpenedForWrite(AcDbObject* object) override;
    void objectAppended(AcDbObject* object) override;
    void objectErased(AcDbObject* object, bool erasing) override;
    void objectRestored(AcDbObject* object) override;
    void objectsDiscarded() override;

    // The live entities of a block whose box meets the box lo-hi (in the XY plane), in
    // drawing order. An entity's box holds both its geometric and its drawn extents.
    std::vector<AcDbObjectId> entitiesMeeting(AcDbObjectId block, const AcGePoint3d& lo, const AcGePoint3d& hi);
    // The same with each entity's box.
    std::vector<vemhost::EntityBox> boxesMeeting(AcDbObjectId block, const AcGePoint3d& lo, const AcGePoint3d& hi);
    // The box of all the live entities of a block; false when none has a box.
    bool bounds(AcDbObjectId block, AcGePoint3d& lo, AcGePoint3d& hi);

private:
    struct Blocks;
    void markChanged(AcDbObject* object);
    void forgetAll();
    void refresh();

    std::unique_ptr<Blocks> m_blocks;
    std::vector<AcDbStub*> m_changed;  // entities whose box may differ from the index's
};

// The entities of the current space whose index box meets lo-hi, in drawing order:
// the candidates of a pick, a snap or a selection area. Without the index (the
// reference the tests compare with) every entity of the space is a candidate.
ACRT_PORT std::vector<AcDbObjectId> currentSpaceEntitiesNear(AcDbDatabase* db, const AcGePoint3d& lo,
                                                             const AcGePoint3d& hi);
// Whether queries go through the index (on by default); the tests turn it off to ask
// the plain scan of every entity the same questions.
ACRT_PORT void useSpatialIndex(bool on);
bool spatialIndexInUse();

}  // namespace acrt
