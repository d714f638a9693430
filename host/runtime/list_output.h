// Private to the runtime: the lines the host's LIST command prints for an entity.
#pragma once

#include "dbmain.h"

namespace acrt {

// "X=...  Y=...  Z=..." with four decimals, as the host lists points.
AcString pointText(const AcGePoint3d& pt);
// One line of the listing; the text is an argument, never the format.
void printListLine(const AcString& text);
// The entity's kind, layer and handle.
void printEntityHeader(const wchar_t* kind, const AcDbEntity& entity);

}  // namespace acrt
