// DXFOUT: a drawing written as ASCII DXF of release AC1015, for other programs to open.
// The host's entities go out as themselves; application entities as the ordinary
// entities they explode into; proxies as the graphics saved with them; what the drawing
// kept of a DXF file it was read from (entities, objects, records and extras the host
// does not model) as it was read, with the drawing's current handles and properties.
#pragma once

#include <string>

#include "dbmain.h"
#include "dxf_entities.h"
#include "vemio_port.h"

namespace vemio {

// R2000 (AC1015) writes texts in ASCII with \U+XXXX escapes, which every reader takes;
// R2018 (AC1032) writes them as UTF-8, as readers of newer files expect.
enum class DxfVersion { kR2000, kR2018 };

// Writes db to path, replacing the file there whole or not at all (file_replacement.h):
// on failure nothing is left behind and an older file is untouched; false then, with a
// message in error. Objects may be open for read, not for write.
VEMIO_PORT bool writeDxf(AcDbDatabase* db, const std::string& path, std::string& error,
                         DxfStats* stats = nullptr, DxfVersion version = DxfVersion::kR2000);

// The same file into a string (replacing its contents).
VEMIO_PORT bool writeDxfToString(AcDbDatabase* db, std::string& out, std::string& error,
                                 DxfStats* stats = nullptr, DxfVersion version = DxfVersion::kR2000);

}  // namespace vemio
