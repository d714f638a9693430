// The fuzz targets' sample drawing.
#include "sample_drawing.h"

#include "drawing_builder.h"
#include "label_builder.h"

namespace fuzz {

using namespace test_support;

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
    // Locked last, as a user locks a layer after drawing on it.
    setLayerLocked(locked, true);
}

}  // namespace fuzz
