// Settings and measurement of the generated multiline texts.
#include "text_piece.h"

#include <cmath>

void setUpTextPiece(AcDbMText* text, const ACHAR* contents, AcDbObjectId textStyleId, double height)
{
    text->setContents(contents);
    text->setTextStyle(textStyleId);
    text->setAttachment(AcDbMText::kMiddleCenter);
    text->setAttachmentMovingLocation(AcDbMText::kMiddleCenter);
    text->setTextHeight(height);
}

void measureTextPiece(const AcDbMText* text, double& width, double& height)
{
    AcDbExtents extents;
    if (text->getGeomExtents(extents) != Acad::eOk || extents.isEmpty()) {
        width = height = 0.0;
        return;
    }
    width = std::fabs(extents.maxPoint().x - extents.minPoint().x);
    height = std::fabs(extents.maxPoint().y - extents.minPoint().y);
}
