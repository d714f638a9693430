// The lines the host's LIST command prints for an entity.
#include "list_output.h"

#include "acutads.h"

namespace acrt {

AcString pointText(const AcGePoint3d& pt)
{
    AcString text;
    text.format(L"X=%.4f  Y=%.4f  Z=%.4f", pt.x, pt.y, pt.z);
    return text;
}

void printListLine(const AcString& text) { acutPrintf(L"%s\n", text.kwszPtr()); }

void printEntityHeader(const wchar_t* kind, const AcDbEntity& entity)
{
    AcString text;
    text.format(L"%s  Layer: \"%s\"", kind, entity.layer().kwszPtr());
    printListLine(text);
    const AcDbHandle handle = entity.objectHandle();
    if (!handle.isNull()) {
        ACHAR buffer[32];
        handle.getIntoAsciiBuffer(buffer, sizeof buffer / sizeof buffer[0]);
        printListLine(AcString(L"  Handle = ") + buffer);
    }
}

}  // namespace acrt
