// DXFIN and opening a DXF: an ASCII DXF file (AC1009 to AC1032) read into a new
// database: header settings, layers, linetypes, text styles, user blocks and the
// entities the host models, each with its layer, colour, linetype and lineweight.
// Entities of other classes are left out and counted.
#pragma once

#include <cstddef>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "dbmain.h"
#include "vemio_port.h"

namespace vemio {

struct DxfReadStats {
    std::string version;      // $ACADVER, empty when the file has no header
    std::size_t entities = 0;  // read into the drawing
    std::size_t skipped = 0;   // left out: classes the host does not model, or unreadable
    std::map<std::string, std::size_t, std::less<>> skippedTypes;  // by entity type
};

// Whether path names a DXF file: its extension is .dxf in any case.
VEMIO_PORT bool isDxfPath(const std::string& path);

// Reads the DXF file at path into a new database (not the working one). Null, with a
// message in error, when the file cannot be read or is not DXF this reader understands.
VEMIO_PORT std::unique_ptr<AcDbDatabase> readDxf(const std::string& path, std::string& error,
                                                 DxfReadStats* stats = nullptr);

// The same from the bytes of a file.
VEMIO_PORT std::unique_ptr<AcDbDatabase> readDxfText(std::string_view text, std::string& error,
                                                     DxfReadStats* stats = nullptr);

// A sentence for the user about what was left out ("3 entities of classes this
// program does not model were left out: 2 HATCH, 1 DIMENSION."); empty when nothing was.
VEMIO_PORT std::string leftOutMessage(const DxfReadStats& stats);

}  // namespace vemio
