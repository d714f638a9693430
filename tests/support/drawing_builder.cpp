// The tests' drawing builder: each helper opens what it needs for as short a time as
// it can and follows the SDK's ownership rule (an entity not appended is deleted).
#include "drawing_builder.h"

namespace test_support {

AcDbObjectId blockId(AcDbDatabase* db, const ACHAR* name)
{
    AcDbBlockTable* blocks = nullptr;
    AcDbObjectId id;
    if (db->getBlockTable(blocks, AcDb::kForRead) == Acad::eOk) {
        blocks->getAt(name, id);
        blocks->close();
    }
    return id;
}

AcDbObjectId appendTo(AcDbObjectId block, AcDbEntity* entity)
{
    AcDbBlockTableRecord* record = nullptr;
    AcDbObjectId id;
    if (acdbOpenObject(record, block, AcDb::kForWrite) != Acad::eOk) {
        delete entity;
        return id;
    }
    if (record->appendAcDbEntity(id, entity) == Acad::eOk) {
        entity->close();
    } else {
        delete entity;
        id = AcDbObjectId();
    }
    record->close();
    return id;
}

AcDbObjectId appendTo(AcDbDatabase* db, const ACHAR* space, AcDbEntity* entity)
{
    return appendTo(blockId(db, space), entity);
}

AcDbObjectId addBlock(AcDbDatabase* db, const ACHAR* name, const AcGePoint3d& origin,
                      const std::vector<AcDbEntity*>& entities)
{
    AcDbBlockTable* table = nullptr;
    AcDbObjectId id;
    AcDbBlockTableRecord* block = new AcDbBlockTableRecord();
    if (block->setName(name) != Acad::eOk || block->setOrigin(origin) != Acad::eOk ||
        db->getBlockTable(table, AcDb::kForWrite) != Acad::eOk) {
        delete block;
    } else if (table->add(id, block) != Acad::eOk) {
        table->close();
        delete block;
        id = AcDbObjectId();
    } else {
        table->close();
        block->close();
    }
    for (AcDbEntity* ent : entities) {
        if (id.isNull())
            delete ent;
        else
            appendTo(id, ent);
    }
    return id;
}

AcDbObjectId addLayer(AcDbDatabase* db, const ACHAR* name, int color, bool off, bool locked)
{
    AcDbLayerTable* table = nullptr;
    AcDbObjectId id;
    if (db->getLayerTable(table, AcDb::kForWrite) != Acad::eOk)
        return id;
    AcDbLayerTableRecord* layer = new AcDbLayerTableRecord();
    layer->setName(name);
    layer->setColorIndex(Adesk::UInt16(color));
    layer->setIsOff(off);
    layer->setIsLocked(locked);
    if (table->add(id, layer) == Acad::eOk) {
        layer->close();
    } else {
        delete layer;
        id = AcDbObjectId();
    }
    table->close();
    return id;
}

bool setLayerLocked(AcDbObjectId layer, bool locked)
{
    AcDbLayerTableRecord* record = nullptr;
    if (acdbOpenObject(record, layer, AcDb::kForWrite) != Acad::eOk)
        return false;
    record->setIsLocked(locked);
    record->close();
    return true;
}

AcDbObjectId addTextStyle(AcDbDatabase* db, const ACHAR* name, const ACHAR* font, const ACHAR* bigFont)
{
    AcDbTextStyleTable* table = nullptr;
    AcDbObjectId id;
    if (db->getTextStyleTable(table, AcDb::kForWrite) != Acad::eOk)
        return id;
    AcDbTextStyleTableRecord* style = new AcDbTextStyleTableRecord();
    style->setName(name);
    style->setFileName(font);
    style->setBigFontFileName(bigFont);
    if (table->add(id, style) == Acad::eOk) {
        style->close();
    } else {
        delete style;
        id = AcDbObjectId();
    }
    table->close();
    return id;
}

AcDbObjectId textStyleId(AcDbDatabase* db, const ACHAR* name)
{
    AcDbTextStyleTable* styles = nullptr;
    AcDbObjectId id;
    if (db->getTextStyleTable(styles, AcDb::kForRead) == Acad::eOk) {
        styles->getAt(name, id);
        styles->close();
    }
    return id;
}

AcDbLine* newLine(double x1, double y1, double x2, double y2, AcDbObjectId layer, int color)
{
    AcDbLine* line = new AcDbLine(AcGePoint3d(x1, y1, 0), AcGePoint3d(x2, y2, 0));
    if (!layer.isNull())
        line->setLayer(layer);
    line->setColorIndex(Adesk::UInt16(color));
    return line;
}

AcDbPolyline* newPolyline(const std::vector<Vertex>& vertices, bool closed, AcDbObjectId layer)
{
    AcDbPolyline* pline = new AcDbPolyline();
    for (unsigned i = 0; i < vertices.size(); ++i) {
        const Vertex& v = vertices[i];
        pline->addVertexAt(i, AcGePoint2d(v.x, v.y), v.bulge, v.startWidth, v.endWidth);
    }
    pline->setClosed(closed);
    if (!layer.isNull())
        pline->setLayer(layer);
    return pline;
}

AcDbMText* newText(const ACHAR* contents, double x, double y, double height, double rotation,
                   AcDbMText::AttachmentPoint attachment, AcDbObjectId style)
{
    AcDbMText* text = new AcDbMText();
    text->setContents(contents);
    text->setLocation(AcGePoint3d(x, y, 0));
    text->setTextHeight(height);
    text->setRotation(rotation);
    text->setAttachment(attachment);
    if (!style.isNull())
        text->setTextStyle(style);
    return text;
}

}  // namespace test_support
