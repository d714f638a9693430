// DXFOUT: the drawing read, its sections written through one buffered stream, the
// values known only at the end filled in, and the file put in place only when whole.
#include "dxf_writer.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "dxf_drawing.h"

namespace vemio {

namespace {

using namespace dxf;

bool writeAll(AcDbDatabase* db, DxfSink& sink, std::string& error, DxfStats* stats)
{
    if (db == nullptr) {
        error = "there is no drawing";
        return false;
    }
    Drawing d;
    if (!readDrawing(db, d, error))
        return false;
    DxfStats counts;
    DxfStream out(sink);
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

// A new file beside the target, not yet there: the target's name with a suffix.
std::string scratchPathFor(const std::string& path)
{
    static std::atomic<unsigned> counter{0};
    return path + ".~" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

}  // namespace

bool writeDxf(AcDbDatabase* db, const std::string& path, std::string& error, DxfStats* stats)
{
    error.clear();
    if (path.empty()) {
        error = "no file name";
        return false;
    }
    const std::string scratch = scratchPathFor(path);
    std::FILE* file = std::fopen(scratch.c_str(), "wbx");
    if (file == nullptr) {
        error = "cannot create " + path + ": " + std::strerror(errno);
        return false;
    }
    std::setvbuf(file, nullptr, _IOFBF, 1 << 16);
    DxfFileSink sink(file);
    bool ok = writeAll(db, sink, error, stats);
    if (std::fclose(file) != 0 && ok) {
        error = std::string("writing failed: ") + std::strerror(errno);
        ok = false;
    }
    if (ok && std::rename(scratch.c_str(), path.c_str()) != 0) {
        error = "cannot replace " + path + ": " + std::strerror(errno);
        ok = false;
    }
    if (!ok)
        std::remove(scratch.c_str());
    return ok;
}

bool writeDxfToString(AcDbDatabase* db, std::string& out, std::string& error, DxfStats* stats)
{
    error.clear();
    out.clear();
    DxfStringSink sink(out);
    if (writeAll(db, sink, error, stats))
        return true;
    out.clear();
    return false;
}

}  // namespace vemio