// Drawings for the tests, built through the SDK surface: layers and text styles, the
// host's lines, polylines and texts, appended to a chosen block. Every helper closes
// what it opens and deletes an entity it could not append; a failure gives a null id.
// Free of gtest, so that the fuzz targets use it too.
#pragma once

#include <vector>

#include "dbents.h"
#include "dbmain.h"
#include "dbmtext.h"
#include "dbpl.h"
#include "dbsymtb.h"

namespace test_support {

// The block table record of that name (ACDB_MODEL_SPACE, ACDB_PAPER_SPACE, ...).
AcDbObjectId blockId(AcDbDatabase* db, const ACHAR* name);

// Appends the entity to the block and closes it; the entity's id. When the append
// fails the entity is deleted and the id is null.
AcDbObjectId appendTo(AcDbObjectId block, AcDbEntity* entity);
AcDbObjectId appendTo(AcDbDatabase* db, const ACHAR* space, AcDbEntity* entity);

// A new user block with its base point and the entities (taken over: those not
// appended are deleted); null when the block cannot be added.
AcDbObjectId addBlock(AcDbDatabase* db, const ACHAR* name, const AcGePoint3d& origin,
                      const std::vector<AcDbEntity*>& entities);

// A new layer; null when the name is taken or the table does not open.
AcDbObjectId addLayer(AcDbDatabase* db, const ACHAR* name, int color = 7, bool off = false, bool locked = false);
// Turns an existing layer's lock on or off.
bool setLayerLocked(AcDbObjectId layer, bool locked);

// A new text style with its font files; null when it cannot be added.
AcDbObjectId addTextStyle(AcDbDatabase* db, const ACHAR* name, const ACHAR* font, const ACHAR* bigFont);
// The text style of that name, null when there is none.
AcDbObjectId textStyleId(AcDbDatabase* db, const ACHAR* name);

// Entities not yet appended; colour 256 is by layer, a null layer leaves the default.
AcDbLine* newLine(double x1, double y1, double x2, double y2, AcDbObjectId layer = {}, int color = 256);

struct Vertex {
    double x, y, startWidth, endWidth, bulge;
};
AcDbPolyline* newPolyline(const std::vector<Vertex>& vertices, bool closed = false, AcDbObjectId layer = {});

AcDbMText* newText(const ACHAR* contents, double x, double y, double height, double rotation = 0.0,
                   AcDbMText::AttachmentPoint attachment = AcDbMText::kTopLeft, AcDbObjectId style = {});

}  // namespace test_support
