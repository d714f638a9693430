// What the tests of pass-through entities share: groups written as code/value pairs,
// entities made from them, and what an entity draws and measures.
#pragma once

#include <gtest/gtest.h>

#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "block_test_support.h"
#include "pass_through.h"

namespace pass_through_test {

using block_test::appendTo;
using block_test::drawnPoints;

inline acrt::DxfGroups groupsOf(std::initializer_list<std::pair<int, const char*>> list)
{
    acrt::DxfGroups groups;
    for (const auto& item : list)
        groups.push_back(acrt::DxfGroup{item.first, item.second});
    return groups;
}

inline std::unique_ptr<DxfPassThroughEntity> entityOf(const char* type, acrt::DxfGroups groups)
{
    return std::make_unique<DxfPassThroughEntity>(type, std::move(groups));
}

// The extents, or an empty box when the entity has none.
inline AcDbExtents extentsOf(const AcDbEntity& ent)
{
    AcDbExtents box;
    if (ent.getGeomExtents(box) != Acad::eOk)
        return AcDbExtents();
    return box;
}

inline void expectBox(const AcDbExtents& box, const AcGePoint3d& low, const AcGePoint3d& high,
                      const std::string& where, double tol = 1e-9)
{
    ASSERT_FALSE(box.isEmpty()) << where;
    block_test::expectNear(low, box.minPoint(), where + " (lower)", tol);
    block_test::expectNear(high, box.maxPoint(), where + " (upper)", tol);
}

// The number of polylines the entity draws.
inline size_t polylineCount(AcDbEntity* ent)
{
    std::vector<vemhost::Primitive> primitives;
    drawnPoints(ent, &primitives);
    size_t count = 0;
    for (const vemhost::Primitive& p : primitives)
        count += p.kind == vemhost::Primitive::kPolyline ? 1 : 0;
    return count;
}

// The value of the first group with the code, empty when there is none.
inline std::string valueOf(const acrt::DxfGroups& groups, int code, int occurrence = 0)
{
    for (const acrt::DxfGroup& g : groups)
        if (g.code == code && occurrence-- == 0)
            return g.value;
    return std::string();
}

}  // namespace pass_through_test
