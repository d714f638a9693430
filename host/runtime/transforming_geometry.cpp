// The model transform stack of the recorders' world geometry, and the placing of each
// primitive in the world under it.
#include "transforming_geometry.h"

#include <algorithm>
#include <cmath>

#include "circular_frame.h"

namespace acrt {

namespace {

constexpr double kDefaultChordAngle = M_PI / 36.0;
constexpr int kMaxChords = 256;

AcGeMatrix3d linearPart(const AcGeMatrix3d& m)
{
    AcGeMatrix3d linear = m;
    linear.setTranslation(AcGeVector3d());
    return linear;
}

AcGeMatrix3d transposed(const AcGeMatrix3d& m)
{
    AcGeMatrix3d t;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            t.entry[r][c] = m.entry[c][r];
    return t;
}

// A lower bound of the least stretch of the linear part: one over the Frobenius norm of
// its inverse, which is at least the inverse's largest stretch.
double leastStretchOf(const AcGeMatrix3d& toModel)
{
    double sum = 0.0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c)
            sum += toModel.entry[r][c] * toModel.entry[r][c];
    return sum > 0.0 && std::isfinite(sum) ? 1.0 / std::sqrt(sum) : 1.0;
}

int chordsFor(double worldRadius, double deviation)
{
    double step = kDefaultChordAngle;
    if (deviation > 0.0 && deviation < worldRadius)
        step = std::min(step, 2.0 * std::acos(1.0 - deviation / worldRadius));
    const double count = std::ceil(2.0 * M_PI / step);
    return count >= kMaxChords ? kMaxChords : std::max(8, int(count));
}

}  // namespace

void TransformingGeometry::getModelToWorldTransform(AcGeMatrix3d& modelToWorld) const
{
    modelToWorld = m_levels.empty() ? AcGeMatrix3d::kIdentity : m_levels.back().toWorld;
}

void TransformingGeometry::getWorldToModelTransform(AcGeMatrix3d& worldToModel) const
{
    worldToModel = m_levels.empty() ? AcGeMatrix3d::kIdentity : m_levels.back().toModel;
}

const AcGeMatrix3d& TransformingGeometry::modelToWorld() const
{
    return m_levels.empty() ? AcGeMatrix3d::kIdentity : m_levels.back().toWorld;
}

Adesk::Boolean TransformingGeometry::pushModelTransform(const AcGeVector3d& vNormal)
{
    const CircularFrame frame(AcGePoint3d::kOrigin, vNormal.isZeroLength() ? AcGeVector3d::kZAxis : vNormal);
    AcGeMatrix3d plane;
    const AcGeVector3d axes[3] = {frame.xAxis(), frame.yAxis(), frame.zAxis()};
    for (int c = 0; c < 3; ++c) {
        plane.entry[0][c] = axes[c].x;
        plane.entry[1][c] = axes[c].y;
        plane.entry[2][c] = axes[c].z;
    }
    return pushModelTransform(plane);
}

// Composed with what is pushed already: the new transform places the nested model in
// the model of the level above.
Adesk::Boolean TransformingGeometry::pushModelTransform(const AcGeMatrix3d& xMat)
{
    Level level;
    level.toWorld = m_levels.empty() ? xMat : m_levels.back().toWorld * xMat;
    level.toModel = level.toWorld.inverse();
    level.normals = transposed(linearPart(level.toModel));
    level.leastStretch = leastStretchOf(level.toModel);
    m_levels.push_back(level);
    return Adesk::kFalse;
}

Adesk::Boolean TransformingGeometry::popModelTransform()
{
    if (m_levels.empty())
        return Adesk::kTrue;
    m_levels.pop_back();
    return Adesk::kFalse;
}

const AcGePoint3d* TransformingGeometry::placed(Adesk::UInt32 count, const AcGePoint3d* points) const
{
    if (m_levels.empty() || points == nullptr)
        return points;
    const AcGeMatrix3d& toWorld = m_levels.back().toWorld;
    m_scratch.resize(count);
    for (Adesk::UInt32 i = 0; i < count; ++i)
        m_scratch[i] = toWorld * points[i];
    return m_scratch.data();
}

AcGeVector3d TransformingGeometry::placedNormal(const AcGeVector3d& normal) const
{
    if (m_levels.empty())
        return normal;
    const AcGeVector3d image = m_levels.back().normals * normal;
    return image.isZeroLength() ? normal : image.normal();
}

Adesk::Boolean TransformingGeometry::circle(const AcGePoint3d& center, const double radius,
                                            const AcGeVector3d& normal) const
{
    if (m_levels.empty())
        return worldCircle(center, radius, normal);
    const AcGeMatrix3d& toWorld = m_levels.back().toWorld;
    const CircularFrame frame(center, normal.isZeroLength() ? AcGeVector3d::kZAxis : normal);
    const PlaneImage image = planeImageOf(frame, toWorld);
    if (image.similar)
        return worldCircle(toWorld * center, radius * image.scale, image.normal);
    // Not round in the world: the chords of its image, closed.
    const double worldRadius = std::fabs(radius) * toWorld.scale();
    const int chords = chordsFor(worldRadius, chordDeviation());
    m_scratch.resize(size_t(chords) + 1);
    for (int i = 0; i <= chords; ++i)
        m_scratch[size_t(i)] = toWorld * frame.pointAt(radius, kTwoPi * double(i % chords) / double(chords));
    const AcGeVector3d worldNormal = placedNormal(frame.zAxis());
    return worldPolyline(Adesk::UInt32(m_scratch.size()), m_scratch.data(), &worldNormal, -1);
}

Adesk::Boolean TransformingGeometry::polyline(const Adesk::UInt32 nbPoints, const AcGePoint3d* pVertexList,
                                              const AcGeVector3d* pNormal, Adesk::LongPtr lBaseSubEntMarker) const
{
    if (m_levels.empty())
        return worldPolyline(nbPoints, pVertexList, pNormal, lBaseSubEntMarker);
    const AcGeVector3d normal = pNormal != nullptr ? placedNormal(*pNormal) : AcGeVector3d();
    return worldPolyline(nbPoints, placed(nbPoints, pVertexList), pNormal != nullptr ? &normal : nullptr,
                         lBaseSubEntMarker);
}

Adesk::Boolean TransformingGeometry::polygon(const Adesk::UInt32 nbPoints, const AcGePoint3d* pVertexList) const
{
    return worldPolygon(nbPoints, placed(nbPoints, pVertexList));
}

// The glyph frame (direction, and the up direction slanted by the obliquing angle, in
// units of the height) is transformed, and the text's values are read from its image.
Adesk::Boolean TransformingGeometry::text(const AcGePoint3d& position, const AcGeVector3d& normal,
                                          const AcGeVector3d& direction, const double height, const double width,
                                          const double oblique, const ACHAR* pMsg) const
{
    if (m_levels.empty())
        return worldText(position, normal, direction, height, width, oblique, pMsg);
    const AcGeMatrix3d& toWorld = m_levels.back().toWorld;
    const AcGeVector3d n = normal.normal(), d = direction.normal();
    const AcGeVector3d along = toWorld * d;
    const AcGeVector3d up = toWorld * (n.crossProduct(d) + d * std::tan(oblique));
    const AcGeVector3d worldNormal = along.crossProduct(up).normal();
    if (along.isZeroLength() || worldNormal.isZeroLength())
        return Adesk::kFalse;  // the transform flattens the text to nothing
    const AcGeVector3d worldDirection = along.normal();
    const AcGeVector3d worldUp = worldNormal.crossProduct(worldDirection);
    const double heightScale = up.dotProduct(worldUp);
    return worldText(toWorld * position, worldNormal, worldDirection, height * heightScale,
                     width * along.length() / heightScale, std::atan2(up.dotProduct(worldDirection), heightScale),
                     pMsg);
}

}  // namespace acrt
