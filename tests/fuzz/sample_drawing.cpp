// The fuzz targets' sample drawing.
#include "sample_drawing.h"

#include "dbents.h"
#include "dbmtext.h"
#include "dbpl.h"
#include "dbsymtb.h"
#include "eco_line.h"
#include "eco_point.h"
#include "eorigin.h"

namespace fuzz {

namespace {

AcDbObjectId blockNamed(AcDbDatabase* db, const ACHAR* name)
{
    AcDbBlockTable* blocks = nullptr;
    AcDbObjectId id;
    if (db->getBlockTable(blocks, AcDb::kForRead) == Acad::eOk) {
        blocks->getAt(name, id);
        blocks->close();
    }
    return id;
}

void append(AcDbEntity* entity, AcDbObjectId block)
{
    AcDbBlockTableRecord* record = nullptr;
    if (acdbOpenObject(record, block, AcDb::kForWrite) != Acad::eOk) {
        delete entity;
        return;
    }
    if (record->appendAcDbEntity(entity) != Acad::eOk) {
        delete entity;
    } else {
        entity->close();
    }
    record->close();
}

AcDbObjectId addLayer(AcDbDatabase* db, const ACHAR* name, bool locked)
{
    AcDbLayerTable* layers = nullptr;
    AcDbObjectId id;
    if (db->getLayerTable(layers, AcDb::kForWrite) != Acad::eOk)
        return id;
    AcDbLayerTableRecord* layer = new AcDbLayerTableRecord();
    layer->setName(name);
    layer->setIsLocked(locked);
    if (layers->add(id, layer) == Acad::eOk)
        layer->close();
    else
        delete layer;
    layers->close();
    return id;
}

ECoPoint* pointLabel(const AcGePoint3d& at, AcDbObjectId style)
{
    return new ECoPoint(L"A", L"B", at, at + AcGeVector3d(5, 5, 0), AcGePoint3d::kOrigin, AcGeVector3d::kYAxis,
                        AcGeVector3d::kXAxis, AcGeVector3d::kXAxis, 1.0, 1.0, 3, style);
}

}  // namespace

void populateSampleDrawing(AcDbDatabase* db)
{
    const AcDbObjectId model = blockNamed(db, L"*Model_Space");
    const AcDbObjectId paper = blockNamed(db, L"*Paper_Space");
    const AcDbObjectId style = db->textstyle();
    append(new EOrigin(L"A", L"B", 0.0, 0.0, AcGePoint3d::kOrigin, 90.0, 0.0, 1.0, 1.0, 3, style), model);
    append(pointLabel(AcGePoint3d(10, 20, 0), style), model);
    append(new ECoLine(0, L"A", L"B", AcGePoint3d(30, 0, 0), AcGePoint3d(35, 0, 0), AcGePoint3d::kOrigin,
                       AcGeVector3d::kYAxis, AcGeVector3d::kXAxis, 1.0, 1.0, 3, style),
           model);
    append(new AcDbLine(AcGePoint3d(0, 40, 0), AcGePoint3d(50, 40, 0)), model);
    AcDbPolyline* pline = new AcDbPolyline();
    pline->addVertexAt(0, AcGePoint2d(0, 50), 0.5, 1.0, 2.0);
    pline->addVertexAt(1, AcGePoint2d(20, 50));
    pline->addVertexAt(2, AcGePoint2d(20, 70));
    pline->setClosed(true);
    append(pline, model);
    AcDbMText* text = new AcDbMText();
    text->setLocation(AcGePoint3d(40, 60, 0));
    text->setTextHeight(2.5);
    text->setContents(L"坐标 plan %s");
    append(text, model);
    const AcDbObjectId locked = addLayer(db, L"locked", false);
    ECoPoint* onLocked = pointLabel(AcGePoint3d(60, 60, 0), style);
    onLocked->setLayer(locked);
    append(onLocked, model);
    append(pointLabel(AcGePoint3d(5, 5, 0), style), paper);
    // Locked only now: appending to a locked layer is refused like any write open.
    AcDbLayerTableRecord* layer = nullptr;
    if (acdbOpenObject(layer, locked, AcDb::kForWrite) == Acad::eOk) {
        layer->setIsLocked(true);
        layer->close();
    }
}

}  // namespace fuzz
