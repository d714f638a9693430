// Settings and measurement of the generated multiline texts.
#include "text_piece.h"

#include <cmath>
#include <cwchar>

#include "format_fixed.h"

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

CoordinateText::CoordinateText(const AcString& axisName, double value, Adesk::Int16 decimals)
{
    const int nameLength = int(axisName.length());
    if (nameLength + 2 < kBufferChars) {
        std::wmemcpy(m_buffer, axisName.kwszPtr(), size_t(nameLength));
        m_buffer[nameLength] = L'=';
        wchar_t* digits = m_buffer + nameLength + 1;
        const int count = formatFixedInto(value, decimals, digits, kBufferChars - nameLength - 2);
        if (count >= 0) {
            digits[count] = L'\0';
            return;
        }
    }
    m_buffer[0] = L'\0';
    m_long = axisName;
    m_long += L'=';
    m_long += formatFixed(value, decimals);
}
