// The filed record of the three entity classes: the base entity data, the version, then
// the class's own members. Each class names those members once, in filing order, in its
// visitFiledMembers; writing, reading and the tests all walk that one list, each member
// through the filer member of its kind.
#pragma once

#include "dbmain.h"
#include "filer_members.h"

// The filer member of each kind of field that the entities file. A member of any other
// type is refused at compile time rather than converted.
template <class T>
Acad::ErrorStatus dwgOutField(const FilerMembers& fm, AcDbDwgFiler*& pFiler, const T& value) = delete;
template <class T>
Acad::ErrorStatus dwgInField(FilerMembers& fm, AcDbDwgFiler*& pFiler, T& value) = delete;

inline Acad::ErrorStatus dwgOutField(const FilerMembers& fm, AcDbDwgFiler*& pFiler, const AcString& value)
{
    return fm.dwgOutString(pFiler, value);
}
inline Acad::ErrorStatus dwgOutField(const FilerMembers& fm, AcDbDwgFiler*& pFiler, double value)
{
    return fm.dwgOutDouble(pFiler, value);
}
inline Acad::ErrorStatus dwgOutField(const FilerMembers& fm, AcDbDwgFiler*& pFiler, int value)
{
    return fm.dwgOutInt(pFiler, value);
}
inline Acad::ErrorStatus dwgOutField(const FilerMembers& fm, AcDbDwgFiler*& pFiler, const AcGePoint3d& value)
{
    return fm.dwgOutPoint3d(pFiler, value);
}
inline Acad::ErrorStatus dwgOutField(const FilerMembers& fm, AcDbDwgFiler*& pFiler, const AcGeVector3d& value)
{
    return fm.dwgOutVector3d(pFiler, value);
}
inline Acad::ErrorStatus dwgOutField(const FilerMembers& fm, AcDbDwgFiler*& pFiler, const AcDbObjectId& value)
{
    return fm.dwgOutId(pFiler, value);
}

inline Acad::ErrorStatus dwgInField(FilerMembers& fm, AcDbDwgFiler*& pFiler, AcString& value)
{
    return fm.dwgInString(pFiler, value);
}
inline Acad::ErrorStatus dwgInField(FilerMembers& fm, AcDbDwgFiler*& pFiler, double& value)
{
    return fm.dwgInDouble(pFiler, value);
}
inline Acad::ErrorStatus dwgInField(FilerMembers& fm, AcDbDwgFiler*& pFiler, int& value)
{
    return fm.dwgInInt(pFiler, value);
}
inline Acad::ErrorStatus dwgInField(FilerMembers& fm, AcDbDwgFiler*& pFiler, AcGePoint3d& value)
{
    return fm.dwgInPoint3d(pFiler, value);
}
inline Acad::ErrorStatus dwgInField(FilerMembers& fm, AcDbDwgFiler*& pFiler, AcGeVector3d& value)
{
    return fm.dwgInVector3d(pFiler, value);
}
inline Acad::ErrorStatus dwgInField(FilerMembers& fm, AcDbDwgFiler*& pFiler, AcDbObjectId& value)
{
    return fm.dwgInId(pFiler, value);
}

// Calls visit on each member, first to last, until one answers a failure; returns that
// status, or eOk when every member succeeded.
template <class Visit, class... Members>
Acad::ErrorStatus visitInOrder(Visit& visit, Members&... members)
{
    Acad::ErrorStatus es = Acad::eOk;
    (void)(((es = visit(members)) == Acad::eOk) && ...);
    return es;
}

// Writes the base entity data, the version and the class's members in filing order;
// the first failure is returned at once and nothing after it is written.
template <class Entity>
Acad::ErrorStatus dwgOutRecord(const Entity& entity, AcDbDwgFiler* pFiler)
{
    entity.assertReadEnabled();
    Acad::ErrorStatus es = entity.AcDbEntity::dwgOutFields(pFiler);
    if (es != Acad::eOk)
        return es;
    if ((es = pFiler->writeUInt32(Entity::kCurrentVersionNumber)) != Acad::eOk)
        return es;
    return Entity::visitFiledMembers(entity, [&](const auto& member) { return dwgOutField(entity, pFiler, member); });
}

// Reads the record that dwgOutRecord writes, each field straight into its member, then
// rebuilds the display. A record of another version is refused before any member is
// read; one that fails part-way leaves the earlier members new, the later ones old and
// the previous display in place.
template <class Entity>
Acad::ErrorStatus dwgInRecord(Entity& entity, AcDbDwgFiler* pFiler)
{
    entity.assertWriteEnabled();
    Acad::ErrorStatus es = entity.AcDbEntity::dwgInFields(pFiler);
    if (es != Acad::eOk)
        return es;
    Adesk::UInt32 version = 0;
    if ((es = pFiler->readUInt32(&version)) != Acad::eOk)
        return es;
    if (version != Entity::kCurrentVersionNumber)
        return Acad::eMakeMeProxy;
    es = Entity::visitFiledMembers(entity, [&](auto& member) { return dwgInField(entity, pFiler, member); });
    if (es != Acad::eOk)
        return es;
    entity.resetSubEnt(1);
    return Acad::eOk;
}
