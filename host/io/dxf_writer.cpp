// DXFOUT: the drawing read, its sections written through one buffered stream, the
// values known only at the end filled in, and the file put in place only when whole.
#include "dxf_writer.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "dxf_drawing.h"
#include "file_replacement.h"

namespace vemio {

namespace {

using namespace dxf;

bool writeAll(AcDbDatabase* db, DxfSink& sink, std::string& error, DxfStats* stats, DxfVersion version)
{
    if (db == nullptr) {
        error = "there is no drawing";
        return false;
    }
    Drawing d;
    d.utf8 = version == DxfVersion::kR2018;
    d.version = d.utf8 ? "AC1032" : "AC1015";
    if (!readDrawing(db, d, error))
        return false;
    DxfStats counts;
    DxfStream out(sink, d.utf8);
    DxfEntityWriter writer(out, d.symbols, d.nextHandle, counts);
    Reserved reserved{};
    writeHeader(out, d, reserved);
    writeTables(out, d, reserved);
    if (!writeBlocks(out, writer, d, error) || !writeEntities(out, writer, d, error))
        return false;
    writeObjects(out, d);
    out.str(0, "EOF");
    // Extents too large for a reserved field are left as "none" rather than failing.
    if (!fillReserved(out, reserved, writer.extents(), d.nextHandle))
        fillReserved(out, reserved, AcDbExtents(), d.nextHandle);
    if (!out.finish()) {
        error = std::string("writing failed: ") + std::strerror(errno);
        return false;
    }
    if (stats != nullptr)
        *stats = counts;
    return true;
}

}  // namespace

bool writeDxf(AcDbDatabase* db, const std::string& path, std::string& error, DxfStats* stats, DxfVersion version)
{
    error.clear();
    if (path.empty()) {
        error = "no file name";
        return false;
    }
    std::string reason, warning;
    FileReplacement replacement;
    if (!replacement.begin(path, reason)) {
        error = "cannot create " + path + ": " + reason;
        return false;
    }
    std::FILE* file = std::fopen(replacement.scratchPath().c_str(), "wb");
    if (file == nullptr) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    DxfFileSink sink(file);
    bool ok = writeAll(db, sink, error, stats, version);
    if (std::fclose(file) != 0 && ok) {
        error = std::string("writing failed: ") + std::strerror(errno);
        ok = false;
    }
    if (ok && !replacement.commit(reason, warning)) {
        error = "cannot replace " + path + ": " + reason;
        ok = false;
    }
    return ok;
}

bool writeDxfToString(AcDbDatabase* db, std::string& out, std::string& error, DxfStats* stats,
                      DxfVersion version)
{
    error.clear();
    out.clear();
    DxfStringSink sink(out);
    if (writeAll(db, sink, error, stats, version))
        return true;
    out.clear();
    return false;
}

}  // namespace vemio