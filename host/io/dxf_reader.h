// DXFIN and opening a DXF: an ASCII DXF file (AC1009 to AC1032) read into a new
// database: header settings, layers, linetypes, text styles, blocks and the entities
// the host models, each with its layer, colour, linetype and lineweight. What the host
// does not model (entities of other classes, other tables' records, classes, objects,
// header variables, other applications' data) is kept as it is, every object under the
// handle the file gives it, so that DXF output writes it back.
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
    std::string version;       // $ACADVER, empty when the file has no header
    std::size_t entities = 0;  // read into the drawing as the host's own entities
    std::size_t kept = 0;      // of classes the host does not model, kept as they are
    std::map<std::string, std::size_t, std::less<>> keptTypes;  // by entity type
    std::size_t skipped = 0;   // left out: unreadable
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

// Sentences for the user about what was kept as it is ("3 entities of classes this
// program does not model are kept as they are: 2 HATCH, 1 DIMENSION.") and what was
// left out ("1 entity that could not be read was left out: 1 CIRCLE."); empty when
// everything was read.
VEMIO_PORT std::string leftOutMessage(const DxfReadStats& stats);

}  // namespace vemio
