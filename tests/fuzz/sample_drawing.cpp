// The fuzz targets' sample drawing.
#include "sample_drawing.h"

#include <cmath>

#include "dbelipse.h"
#include "dbents.h"
#include "dbspline.h"
#include "drawing_builder.h"
#include "label_builder.h"

namespace fuzz {

using namespace test_support;

namespace {

// One entity of each of the host's curve, point and text classes, and a block with an
// attribute definition shown by a reference that owns its attribute.
void addHostEntities(AcDbDatabase* db, AcDbObjectId model)
{
    appendTo(model, new AcDbCircle(AcGePoint3d(70, 10, 0), AcGeVector3d::kZAxis, 4));
    appendTo(model, new AcDbArc(AcGePoint3d(80, 10, 0), 3, 0.5, 2.5));
    appendTo(model, new AcDbPoint(AcGePoint3d(90, 10, 0)));
    appendTo(model, new AcDbEllipse(AcGePoint3d(70, 30, 0), AcGeVector3d::kZAxis, AcGeVector3d(5, 1, 0), 0.5));
    AcGePoint3dArray fit;
    for (const AcGePoint3d& p : {AcGePoint3d(80, 25, 0), AcGePoint3d(84, 32, 0), AcGePoint3d(88, 27, 0)})
        fit.append(p);
    appendTo(model, new AcDbSpline(fit));
    AcDbText* text = new AcDbText(AcGePoint3d(70, 40, 0), L"站 A", db->textstyle(), 2.5, 0.3);
    text->setJustification(AcDbText::kTextAlignmentMiddleCenter);
    text->setAlignmentPoint(AcGePoint3d(70, 40, 0));
    appendTo(model, text);
    const AcDbObjectId bubble =
        addBlock(db, L"BUBBLE", AcGePoint3d(0, 0, 0),
                 {new AcDbCircle(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, 3),
                  new AcDbAttributeDefinition(AcGePoint3d(0, 0, 0), L"1", L"NO", L"Number:", db->textstyle())});
    AcDbBlockReference* ref = new AcDbBlockReference(AcGePoint3d(90, 40, 0), bubble);
    ref->setScaleFactors(AcGeScale3d(2, 1, 1));
    const AcDbObjectId refId = appendTo(model, ref);
    AcDbBlockReference* opened = nullptr;
    if (acdbOpenObject(opened, refId, AcDb::kForWrite) != Acad::eOk)
        return;
    AcDbAttribute* attribute = new AcDbAttribute(AcGePoint3d(90, 40, 0), L"A7", L"NO", db->textstyle());
    if (opened->appendAttribute(attribute) == Acad::eOk)
        attribute->close();
    else
        delete attribute;
    opened->close();
}

}  // namespace

void populateSampleDrawing(AcDbDatabase* db)
{
    const AcDbObjectId model = blockId(db, ACDB_MODEL_SPACE);
    const AcDbObjectId paper = blockId(db, ACDB_PAPER_SPACE);
    const AcDbObjectId style = db->textstyle();
    const AcGeVector3d toText(5, 5, 0);
    appendTo(model, newOrigin(style));
    appendTo(model, newPointLabel(style, AcGePoint3d(10, 20, 0), AcGePoint3d(10, 20, 0) + toText));
    appendTo(model, newLineLabel(style, 0, AcGePoint3d(30, 0, 0), AcGePoint3d(35, 0, 0)));
    appendTo(model, newLine(0, 40, 50, 40));
    appendTo(model, newPolyline({{0, 50, 1.0, 2.0, 0.5}, {20, 50, -1, -1, 0}, {20, 70, -1, -1, 0}}, true));
    AcDbMText* text = new AcDbMText();
    text->setLocation(AcGePoint3d(40, 60, 0));
    text->setTextHeight(2.5);
    text->setContents(L"坐标 plan %s");
    appendTo(model, text);
    const AcDbObjectId locked = addLayer(db, L"locked");
    ECoPoint* onLocked = newPointLabel(style, AcGePoint3d(60, 60, 0), AcGePoint3d(60, 60, 0) + toText);
    onLocked->setLayer(locked);
    appendTo(model, onLocked);
    appendTo(paper, newPointLabel(style, AcGePoint3d(5, 5, 0), AcGePoint3d(5, 5, 0) + toText));
    addHostEntities(db, model);
    // Locked last, as a user locks a layer after drawing on it.
    setLayerLocked(locked, true);
}

}  // namespace fuzz
