// What the tests of blocks and block references share: making a user block with its
// entities, references in a block, and reading a drawn reference back as world points.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "dbents.h"
#include "dbsymtb.h"
#include "drawing_builder.h"
#include "host_fixture.h"
#include "vemhost_io.h"

namespace block_test {

struct EntityDeleter {
    void operator()(AcDbEntity* p) const { delete p; }
};
using EntityPtr = std::unique_ptr<AcDbEntity, EntityDeleter>;

// A new user block with the entities (taken over) and the origin; null on failure.
inline AcDbObjectId makeBlock(AcDbDatabase* db, const wchar_t* name, const AcGePoint3d& origin,
                              std::vector<AcDbEntity*> entities)
{
    const AcDbObjectId id = test_support::addBlock(db, name, origin, entities);
    EXPECT_FALSE(id.isNull()) << "adding block";
    return id;
}

// Appends the entity to the block (model space when null); the entity is closed, or
// deleted when the append fails. The status of the append.
inline Acad::ErrorStatus appendTo(AcDbDatabase* db, AcDbObjectId blockId, AcDbEntity* ent,
                                  AcDbObjectId* made = nullptr)
{
    if (blockId.isNull())
        blockId = db->currentSpaceId();
    AcDbBlockTableRecord* block = nullptr;
    Acad::ErrorStatus es = acdbOpenObject(block, blockId, AcDb::kForWrite);
    if (es != Acad::eOk) {
        delete ent;
        return es;
    }
    AcDbObjectId id;
    es = block->appendAcDbEntity(id, ent);
    block->close();
    if (es == Acad::eOk)
        ent->close();
    else
        delete ent;
    if (made != nullptr)
        *made = id;
    return es;
}

inline AcDbBlockReference* newReference(AcDbObjectId block, const AcGePoint3d& at, const AcGeScale3d& scale,
                                        double rotation)
{
    AcDbBlockReference* ref = new AcDbBlockReference(at, block);
    EXPECT_EQ(Acad::eOk, ref->setScaleFactors(scale));
    EXPECT_EQ(Acad::eOk, ref->setRotation(rotation));
    return ref;
}

// Every vertex the entity draws (polylines, polygons and circle centres), in the world.
inline std::vector<AcGePoint3d> drawnPoints(AcDbEntity* ent, std::vector<vemhost::Primitive>* primitives = nullptr)
{
    vemhost::PrimitiveCollector collector;
    collector.draw(ent);
    std::vector<AcGePoint3d> points;
    for (const vemhost::Primitive& p : collector.primitives())
        points.insert(points.end(), p.points.begin(), p.points.end());
    if (primitives != nullptr)
        *primitives = collector.primitives();
    return points;
}

inline void expectNear(const AcGePoint3d& expected, const AcGePoint3d& actual, const std::string& where,
                       double tol = 1e-9)
{
    EXPECT_NEAR(expected.x, actual.x, tol) << where;
    EXPECT_NEAR(expected.y, actual.y, tol) << where;
    EXPECT_NEAR(expected.z, actual.z, tol) << where;
}

inline void expectMatrixNear(const AcGeMatrix3d& expected, const AcGeMatrix3d& actual, const std::string& where)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(expected.entry[r][c], actual.entry[r][c], 1e-9) << where << " [" << r << "][" << c << "]";
}

}  // namespace block_test
