// Infinite plane (a point and a normal) and infinite 3D line, enough for mirroring.
#pragma once

#include "gepnt3d.h"

class GE_DLLEXPIMPORT AcGePlane {
public:
    AcGePlane() : m_origin(AcGePoint3d::kOrigin), m_normal(AcGeVector3d::kZAxis) {}
    AcGePlane(const AcGePoint3d& origin, const AcGeVector3d& normal) : m_origin(origin), m_normal(normal.normal()) {}
    AcGePoint3d pointOnPlane() const { return m_origin; }
    AcGeVector3d normal() const { return m_normal; }

private:
    AcGePoint3d m_origin;
    AcGeVector3d m_normal;
};

class GE_DLLEXPIMPORT AcGeLine3d {
public:
    AcGeLine3d() : m_point(AcGePoint3d::kOrigin), m_dir(AcGeVector3d::kXAxis) {}
    AcGeLine3d(const AcGePoint3d& pnt1, const AcGePoint3d& pnt2) : m_point(pnt1), m_dir((pnt2 - pnt1).normal()) {}
    AcGeLine3d(const AcGePoint3d& pnt, const AcGeVector3d& vec) : m_point(pnt), m_dir(vec.normal()) {}
    AcGePoint3d pointOnLine() const { return m_point; }
    AcGeVector3d direction() const { return m_dir; }

private:
    AcGePoint3d m_point;
    AcGeVector3d m_dir;
};
