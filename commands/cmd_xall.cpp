// XALL: turns every coordinate system, point label and line label of the drawing into
// the ordinary entities that draw it, in the block where each one lies.
#include "aced.h"
#include "command_services.h"
#include "vema_commands.h"

namespace {

// Coordinate systems first, then point labels, then line labels.
const ACHAR* const kExplodedClasses[] = {L"EOrigin", L"ECoPoint", L"ECoLine"};

AcDbEntity* pieceAt(const AcDbVoidPtrArray& pieces, int i) { return static_cast<AcDbEntity*>(pieces[i]); }

// Appends the pieces in order to the block. All or nothing: when one is refused, the
// pieces already appended are erased again and the rest deleted, and the answer is
// false. Every piece is closed or deleted on return.
bool appendAllPieces(const AcDbVoidPtrArray& pieces, AcDbObjectId blockId)
{
    int appended = 0;
    while (appended < pieces.length() && appendToBlock(pieceAt(pieces, appended), blockId) == Acad::eOk)
        ++appended;
    bool complete = appended == pieces.length();
    for (int i = 0; i < pieces.length(); ++i) {
        AcDbEntity* piece = pieceAt(pieces, i);
        if (i >= appended) {
            delete piece;
            continue;
        }
        if (!complete)
            piece->erase();
        piece->close();
    }
    return complete;
}

// Replaces the entity by its pieces. An entity that cannot be opened for write (on a
// locked layer, say), copied, exploded or wholly appended stays as it was.
void explodeEntity(const ads_name name)
{
    AcDbObjectId id;
    AcDbEntity* entity = nullptr;
    if (acdbGetObjectId(id, name) != Acad::eOk || acdbOpenAcDbEntity(entity, id, AcDb::kForWrite) != Acad::eOk)
        return;
    // The pieces come from a copy, whose display is built afresh from the filed members.
    AcRxObject* made = entity->clone();
    AcDbEntity* copy = AcDbEntity::cast(made);
    if (copy == nullptr) {
        delete made;
        entity->close();
        return;
    }
    AcDbVoidPtrArray pieces(0, 8);
    Acad::ErrorStatus es = copy->explode(pieces);
    delete copy;
    if (es != Acad::eOk) {
        for (int i = 0; i < pieces.length(); ++i)
            delete pieceAt(pieces, i);
    } else if (appendAllPieces(pieces, entity->blockId())) {
        entity->erase();
    }
    entity->close();
}

void explodeClass(const ACHAR* className)
{
    ads_name ss;
    if (selectAllOfClass(ss, className) != RTNORM)
        return;
    Adesk::Int32 length = 0;
    acedSSLength(ss, &length);
    for (int i = 0; i < length; ++i) {
        ads_name name;
        if (acedSSName(ss, i, name) == RTNORM)
            explodeEntity(name);
    }
    acedSSFree(ss);
}

}  // namespace

void explodeAll()
{
    // No pick-first selection or grips may refer to the entities about to go.
    acedSSSetFirst(nullptr, nullptr);
    for (const ACHAR* className : kExplodedClasses)
        explodeClass(className);
}
