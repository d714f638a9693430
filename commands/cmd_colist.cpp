// COLIST: lists the coordinate systems, point labels and line labels among the
// selected entities, one numbered line each, and counts the other entities.
#include "aced.h"
#include "command_services.h"
#include "coordinate_rule.h"
#include "eco_line.h"
#include "eco_point.h"
#include "eorigin.h"
#include "vema_commands.h"

namespace {

AcString fixed(double value, int decimals) { return formatFixed(value, Adesk::Int16(decimals)); }

// The scales and decimals that end every line.
template <class Entity>
AcString scalesOf(const Entity* e)
{
    return AcString(L")  图纸比例=") + fixed(e->m_drawingScale, 0) + L"  外观缩放比例=" +
           fixed(e->m_appearanceScale, 0) + L"  小数位数=" + fixed(double(e->m_decimals), 0);
}

// A coordinate system lists the stored coordinates of its relative origin.
AcString bodyOf(const EOrigin* o)
{
    return AcString(L":  坐标系(") + o->m_vAxisName + L"=" + fixed(o->m_vOffset, o->m_decimals) + L"," +
           o->m_hAxisName + L"=" + fixed(o->m_hOffset, o->m_decimals) + scalesOf(o);
}

// A label lists the coordinates of its marked point, computed by the labels' own rule.
template <class Label>
double valueAlong(const Label* label, const AcGeVector3d& axisDir)
{
    return coordinateValue(label->m_markPoint, label->m_absOrigin, axisDir, label->m_drawingScale);
}

AcString bodyOf(const ECoPoint* p)
{
    return AcString(L":  点坐标(") + p->m_vAxisName + L"=" + fixed(valueAlong(p, p->m_vAxisDir), p->m_decimals) +
           L"," + p->m_hAxisName + L"=" + fixed(valueAlong(p, p->m_hAxisDir), p->m_decimals) + scalesOf(p);
}

AcString bodyOf(const ECoLine* l)
{
    bool vertical = l->m_refAxis == 0;
    const AcString& name = vertical ? l->m_vAxisName : l->m_hAxisName;
    double value = valueAlong(l, vertical ? l->m_vAxisDir : l->m_hAxisDir);
    return AcString(L":  线坐标(") + name + L"=" + fixed(value, l->m_decimals) + scalesOf(l);
}

// The body of an entity of the three classes; false for any other entity.
bool listedBody(const AcDbEntity* entity, AcString& body)
{
    if (isKindOfClass(entity, EOrigin::desc()))
        body = bodyOf(static_cast<const EOrigin*>(entity));
    else if (isKindOfClass(entity, ECoPoint::desc()))
        body = bodyOf(static_cast<const ECoPoint*>(entity));
    else if (isKindOfClass(entity, ECoLine::desc()))
        body = bodyOf(static_cast<const ECoLine*>(entity));
    else
        return false;
    return true;
}

}  // namespace

void listEntities()
{
    ads_name ss;
    if (acedSSGet(nullptr, nullptr, nullptr, nullptr, ss) != RTNORM) {
        acutPrintf(L"\n选择对象失败!");
        acedSSFree(ss);
        return;
    }
    Adesk::Int32 length = 0;
    acedSSLength(ss, &length);
    int listed = 0;
    for (int i = 0; i < length; ++i) {
        ads_name name;
        if (acedSSName(ss, i, name) != RTNORM)
            continue;
        AcDbObjectId id;
        if (acdbGetObjectId(id, name) != Acad::eOk) {
            acedSSFree(ss);
            acutPrintf(L"打开对象失败!");
            return;
        }
        // Opened for write as the listing always has been: an entity on a locked
        // layer ends the listing.
        AcDbEntity* entity = nullptr;
        if (acdbOpenAcDbEntity(entity, id, AcDb::kForWrite) != Acad::eOk) {
            acedSSFree(ss);
            acutPrintf(L"打开实体失败!");
            return;
        }
        AcString body;
        if (listedBody(entity, body)) {
            ++listed;
            // Axis names are user text: the line is printed, never used as a format.
            AcString line = AcString(L"\n序号") + formatInt(listed) + body;
            acutPrintf(L"%s", line.kwszPtr());
        }
        entity->close();
    }
    acutPrintf(L"\n\n忽略%d个无关图元\n", int(length) - listed);
    acedSSFree(ss);
}
