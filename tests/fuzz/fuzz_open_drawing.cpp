// Fuzz target: OPEN of a drawing file. An input that starts like a SQLite file is the
// file itself; any other input is a list of edits to the rows of a small saved drawing
// (records replaced, cut or changed byte by byte, classes, owners and handles changed,
// rows removed or doubled, header values and class rows changed), written as a new
// file. Whatever vemio::openDrawing accepts must draw, explode, save, and open again
// with the same objects; nothing may stay open and no object may outlive its drawing.
#include <unistd.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "dbapserv.h"
#include "dbsymtb.h"
#include "drawing_file.h"
#include "drawing_schema.h"
#include "editor_internals.h"
#include "db_internals.h"
#include "fuzz_support.h"
#include "sample_drawing.h"
#include "scratch_dir.h"
#include "sqlite_handle.h"
#include "vemhost_testing.h"

namespace {

struct ObjectRow {
    sqlite3_int64 handle = 0;
    sqlite3_int64 owner = 0;
    std::string cls;
    std::vector<unsigned char> record;
};

struct HeaderRow {
    std::string key;
    int type = SQLITE_INTEGER;  // SQLITE_INTEGER, SQLITE_TEXT or SQLITE_NULL
    sqlite3_int64 number = 0;
    std::string text;
};

struct ClassRow {
    std::string name, parent, dxfName, appName;
    int proxyFlags = 0;
};

struct GraphicsRow {
    sqlite3_int64 handle = 0;
    std::vector<unsigned char> graphics;
};

struct Rows {
    std::vector<ObjectRow> objects;
    std::vector<HeaderRow> header;
    std::vector<ClassRow> classes;
    std::vector<GraphicsRow> graphics;
};

// The process's scratch directory, removed when the process exits.
const std::string& scratchDir()
{
    static const test_support::ScratchDir dir("vem_fuzz_open");
    return dir.path();
}

std::vector<unsigned char> blob(sqlite3_stmt* stmt, int column)
{
    const unsigned char* data = static_cast<const unsigned char*>(sqlite3_column_blob(stmt, column));
    return data ? std::vector<unsigned char>(data, data + sqlite3_column_bytes(stmt, column))
                : std::vector<unsigned char>();
}

std::string text(sqlite3_stmt* stmt, int column)
{
    const unsigned char* t = sqlite3_column_text(stmt, column);
    return t ? std::string(reinterpret_cast<const char*>(t), size_t(sqlite3_column_bytes(stmt, column))) : "";
}

template <class Row>
void selectRows(sqlite3* file, const char* sql, std::vector<Row>& rows, void (*fill)(sqlite3_stmt*, Row&))
{
    sqlite3_stmt* stmt = nullptr;
    FUZZ_CHECK(sqlite3_prepare_v2(file, sql, -1, &stmt, nullptr) == SQLITE_OK, "sample drawing unreadable");
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        rows.emplace_back();
        fill(stmt, rows.back());
    }
    sqlite3_finalize(stmt);
}

// The rows of the sample drawing, saved once per process.
const Rows& sampleRows()
{
    static const Rows rows = [] {
        fuzz::loadEntityModule();
        const std::string path = scratchDir() + "/sample.vdb";
        {
            AcDbDatabase db;
            AcDbDatabase* previous = acdbHostApplicationServices()->workingDatabase();
            acdbHostApplicationServices()->setWorkingDatabase(&db);
            fuzz::populateSampleDrawing(&db);
            std::string error;
            FUZZ_CHECK(vemio::saveDrawing(&db, path, error), "the sample drawing does not save");
            acdbHostApplicationServices()->setWorkingDatabase(previous);
        }
        Rows r;
        sqlite3* file = nullptr;
        FUZZ_CHECK(sqlite3_open_v2(path.c_str(), &file, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK, "no sample");
        selectRows<ObjectRow>(file, "SELECT handle, owner, class, record FROM objects ORDER BY handle", r.objects,
                              [](sqlite3_stmt* s, ObjectRow& o) {
                                  o.handle = sqlite3_column_int64(s, 0);
                                  o.owner = sqlite3_column_int64(s, 1);
                                  o.cls = text(s, 2);
                                  o.record = blob(s, 3);
                              });
        selectRows<HeaderRow>(file, "SELECT key, value FROM header ORDER BY key", r.header,
                              [](sqlite3_stmt* s, HeaderRow& h) {
                                  h.key = text(s, 0);
                                  h.type = sqlite3_column_type(s, 1);
                                  h.number = sqlite3_column_int64(s, 1);
                                  h.text = text(s, 1);
                              });
        selectRows<ClassRow>(file, "SELECT name, parent, dxf_name, app_name, proxy_flags FROM classes ORDER BY name",
                             r.classes, [](sqlite3_stmt* s, ClassRow& c) {
                                 c.name = text(s, 0);
                                 c.parent = text(s, 1);
                                 c.dxfName = text(s, 2);
                                 c.appName = text(s, 3);
                                 c.proxyFlags = sqlite3_column_int(s, 4);
                             });
        selectRows<GraphicsRow>(file, "SELECT handle, graphics FROM graphics ORDER BY handle", r.graphics,
                                [](sqlite3_stmt* s, GraphicsRow& g) {
                                    g.handle = sqlite3_column_int64(s, 0);
                                    g.graphics = blob(s, 1);
                                });
        sqlite3_close(file);
        FUZZ_CHECK(!r.objects.empty() && !r.header.empty(), "the sample drawing is empty");
        return r;
    }();
    return rows;
}

// The fuzz bytes, read one value at a time; zeros once they run out.
class Reader {
public:
    Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
    bool done() const { return m_pos >= m_size; }
    unsigned byte() { return m_pos < m_size ? m_data[m_pos++] : 0u; }
    sqlite3_int64 number()
    {
        sqlite3_int64 v = 0;
        for (int i = 0; i < 8; ++i)
            v = (v << 8) | sqlite3_int64(byte());
        return v;
    }
    std::vector<unsigned char> bytes(size_t count)
    {
        std::vector<unsigned char> out;
        while (count-- > 0 && !done())
            out.push_back(static_cast<unsigned char>(byte()));
        return out;
    }

private:
    const uint8_t* m_data;
    size_t m_size;
    size_t m_pos = 0;
};

// Names an edited class or parent may take: the sample's own, the host's base classes,
// the proxies and names no class has.
std::string className(const Rows& rows, unsigned pick)
{
    static const char* const kOthers[] = {"AcDbEntity", "AcDbObject", "AcDbProxyEntity", "AcDbProxyObject",
                                          "AcRxObject", "VemNoSuchClass", "", "AcDbDatabase"};
    const size_t others = sizeof kOthers / sizeof kOthers[0];
    if (pick % (rows.classes.size() + others) < rows.classes.size())
        return rows.classes[pick % (rows.classes.size() + others)].name;
    return kOthers[pick % others];
}

sqlite3_int64 someHandle(const Rows& rows, Reader& in)
{
    const unsigned pick = in.byte();
    if (pick < 200 && !rows.objects.empty())
        return rows.objects[pick % rows.objects.size()].handle;
    return pick == 200 ? 0 : in.number();
}

void editObject(Rows& rows, Reader& in)
{
    if (rows.objects.empty())
        return;
    ObjectRow& row = rows.objects[in.byte() % rows.objects.size()];
    switch (in.byte() % 8) {
    case 0: row.record = in.bytes(in.byte() * 4); break;
    case 1: {
        const unsigned at = in.byte() | (in.byte() << 8);
        const unsigned value = in.byte();
        if (!row.record.empty())
            row.record[at % row.record.size()] = static_cast<unsigned char>(value);
        break;
    }
    case 2: row.record.resize(std::min<size_t>(row.record.size(), in.byte())); break;
    case 3: row.cls = className(rows, in.byte()); break;
    case 4: row.owner = someHandle(rows, in); break;
    case 5: row.handle = someHandle(rows, in); break;
    case 6: rows.objects.erase(rows.objects.begin() + (&row - rows.objects.data())); break;
    default: {
        ObjectRow copy = row;
        copy.handle = someHandle(rows, in);
        rows.objects.push_back(std::move(copy));
        break;
    }
    }
}

void editHeader(Rows& rows, Reader& in)
{
    if (rows.header.empty())
        return;
    HeaderRow& row = rows.header[in.byte() % rows.header.size()];
    switch (in.byte() % 4) {
    case 0: row.type = SQLITE_INTEGER; row.number = someHandle(rows, in); break;
    case 1: row.type = SQLITE_TEXT; row.text = className(rows, in.byte()); break;
    case 2: row.type = SQLITE_NULL; break;
    default: rows.header.erase(rows.header.begin() + (&row - rows.header.data())); break;
    }
}

void editClass(Rows& rows, Reader& in)
{
    if (rows.classes.empty())
        return;
    ClassRow& row = rows.classes[in.byte() % rows.classes.size()];
    switch (in.byte() % 4) {
    case 0: row.parent = className(rows, in.byte()); break;
    case 1: row.name = className(rows, in.byte()); break;
    case 2: row.proxyFlags = int(in.byte()); break;
    default: rows.classes.erase(rows.classes.begin() + (&row - rows.classes.data())); break;
    }
}

void editGraphics(Rows& rows, Reader& in)
{
    GraphicsRow row;
    row.handle = someHandle(rows, in);
    row.graphics = in.bytes(in.byte() * 4);
    rows.graphics.push_back(std::move(row));
}

// At most this many edits per input, so that every input stays quick.
const int kMaxEdits = 32;

Rows editedRows(Reader& in)
{
    Rows rows = sampleRows();
    for (int edit = 0; edit < kMaxEdits && !in.done(); ++edit) {
        switch (in.byte() % 4) {
        case 0: editObject(rows, in); break;
        case 1: editHeader(rows, in); break;
        case 2: editClass(rows, in); break;
        default: editGraphics(rows, in); break;
        }
    }
    return rows;
}

void bindBlob(sqlite3_stmt* stmt, int column, const std::vector<unsigned char>& bytes)
{
    sqlite3_bind_blob(stmt, column, bytes.empty() ? "" : static_cast<const void*>(bytes.data()), int(bytes.size()),
                      SQLITE_TRANSIENT);
}

// Writes the rows as a drawing file; rows SQLite refuses (a doubled key) are left out.
void writeRows(const Rows& rows, const std::string& path)
{
    ::unlink(path.c_str());
    sqlite3* file = nullptr;
    FUZZ_CHECK(sqlite3_open(path.c_str(), &file) == SQLITE_OK, "cannot write a scratch file");
    sqlite3_exec(file, "PRAGMA journal_mode=OFF; PRAGMA synchronous=OFF; BEGIN;", nullptr, nullptr, nullptr);
    sqlite3_exec(file, vemio::schema::kCreateTables, nullptr, nullptr, nullptr);
    sqlite3_stmt* stmt = nullptr;
    sqlite3_prepare_v2(file, "INSERT INTO objects VALUES (?, ?, ?, ?)", -1, &stmt, nullptr);
    for (const ObjectRow& o : rows.objects) {
        sqlite3_bind_int64(stmt, 1, o.handle);
        sqlite3_bind_int64(stmt, 2, o.owner);
        sqlite3_bind_text(stmt, 3, o.cls.c_str(), -1, SQLITE_TRANSIENT);
        bindBlob(stmt, 4, o.record);
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_prepare_v2(file, "INSERT INTO header VALUES (?, ?)", -1, &stmt, nullptr);
    for (const HeaderRow& h : rows.header) {
        sqlite3_bind_text(stmt, 1, h.key.c_str(), -1, SQLITE_TRANSIENT);
        if (h.type == SQLITE_INTEGER)
            sqlite3_bind_int64(stmt, 2, h.number);
        else if (h.type == SQLITE_TEXT)
            sqlite3_bind_text(stmt, 2, h.text.c_str(), -1, SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(stmt, 2);
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_prepare_v2(file, "INSERT INTO classes VALUES (?, ?, ?, ?, ?)", -1, &stmt, nullptr);
    for (const ClassRow& c : rows.classes) {
        sqlite3_bind_text(stmt, 1, c.name.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(stmt, 2, c.parent.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(stmt, 3, c.dxfName.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_text(stmt, 4, c.appName.c_str(), -1, SQLITE_TRANSIENT);
        sqlite3_bind_int(stmt, 5, c.proxyFlags);
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_prepare_v2(file, "INSERT INTO graphics VALUES (?, ?)", -1, &stmt, nullptr);
    for (const GraphicsRow& g : rows.graphics) {
        sqlite3_bind_int64(stmt, 1, g.handle);
        bindBlob(stmt, 2, g.graphics);
        sqlite3_step(stmt);
        sqlite3_reset(stmt);
    }
    sqlite3_finalize(stmt);
    sqlite3_exec(file, "COMMIT;", nullptr, nullptr, nullptr);
    FUZZ_CHECK(sqlite3_close(file) == SQLITE_OK, "a scratch file did not close");
}

void writeBytes(const uint8_t* data, size_t size, const std::string& path)
{
    FILE* out = std::fopen(path.c_str(), "wb");
    FUZZ_CHECK(out != nullptr, "cannot write a scratch file");
    FUZZ_CHECK(std::fwrite(data, 1, size, out) == size, "cannot write a scratch file");
    std::fclose(out);
}

long residentObjects(AcDbDatabase* db)
{
    long count = 0;
    for (const AcDbStub& stub : AcDbSystemInternals::impl(db)->stubs)
        if (stub.object != nullptr)
            ++count;
    return count;
}

// Draws, measures and explodes every entity of both spaces, as a display and XALL do.
void drawEverything(AcDbDatabase* db)
{
    for (const AcDbObjectId& id : acrt::allEntities(db)) {
        AcDbEntity* ent = nullptr;
        if (acdbOpenAcDbEntity(ent, id, AcDb::kForRead) != Acad::eOk)
            continue;
        vemhost::PrimitiveCollector collector;
        collector.draw(ent);
        AcDbExtents extents;
        ent->getGeomExtents(extents);
        AcDbVoidPtrArray pieces;
        ent->explode(pieces);
        for (int i = 0; i < pieces.length(); ++i)
            delete static_cast<AcDbEntity*>(pieces[i]);
        ent->close();
    }
}

void openedDrawing(std::unique_ptr<AcDbDatabase> db)
{
    AcDbDatabase* previous = acdbHostApplicationServices()->workingDatabase();
    acdbHostApplicationServices()->setWorkingDatabase(db.get());
    drawEverything(db.get());
    FUZZ_CHECK(vemhost::testing::openObjectCount(db.get()) == 0, "an object of an opened drawing was left open");
    const long objects = residentObjects(db.get());
    const std::string saved = scratchDir() + "/saved.vdb";
    std::string error;
    FUZZ_CHECK(vemio::saveDrawing(db.get(), saved, error), "a drawing that opened does not save");
    acdbHostApplicationServices()->setWorkingDatabase(previous);
    db.reset();
    std::unique_ptr<AcDbDatabase> reopened = vemio::openDrawing(saved, error);
    FUZZ_CHECK(reopened != nullptr, "a drawing saved after opening does not open again");
    FUZZ_CHECK(residentObjects(reopened.get()) == objects, "a save and open changed the number of objects");
}

const char kSqliteMagic[] = "SQLite format 3";

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    sampleRows();
    const long liveBefore = vemhost::testing::liveObjectCount();
    const std::string path = scratchDir() + "/input.vdb";
    if (size >= sizeof kSqliteMagic && std::memcmp(data, kSqliteMagic, sizeof kSqliteMagic) == 0) {
        writeBytes(data, size, path);
    } else {
        Reader in(data, size);
        writeRows(editedRows(in), path);
    }
    std::string error;
    std::unique_ptr<AcDbDatabase> db = vemio::openDrawing(path, error);
    if (db != nullptr)
        openedDrawing(std::move(db));
    else
        FUZZ_CHECK(!error.empty(), "a refused drawing gives no reason");
    FUZZ_CHECK(vemhost::testing::liveObjectCount() == liveBefore, "an object outlived its drawing");
    return 0;
}

namespace fuzz {

// Small saved drawings (the sample and a new one), and one edit of each kind.
void writeSeeds(const std::string& dir)
{
    sampleRows();
    const std::string sample = scratchDir() + "/sample.vdb";
    FILE* in = std::fopen(sample.c_str(), "rb");
    std::vector<unsigned char> bytes;
    for (int c; in != nullptr && (c = std::fgetc(in)) != EOF;)
        bytes.push_back(static_cast<unsigned char>(c));
    if (in != nullptr)
        std::fclose(in);
    writeSeed(dir, "sample.vdb", bytes);
    {
        AcDbDatabase db;
        std::string error;
        const std::string empty = scratchDir() + "/new.vdb";
        vemio::saveDrawing(&db, empty, error);
        bytes.clear();
        in = std::fopen(empty.c_str(), "rb");
        for (int c; in != nullptr && (c = std::fgetc(in)) != EOF;)
            bytes.push_back(static_cast<unsigned char>(c));
        if (in != nullptr)
            std::fclose(in);
        writeSeed(dir, "new.vdb", bytes);
    }
    //  name                     edit bytes: kind, then its operands
    const struct {
        const char* name;
        std::vector<unsigned char> edit;
    } kEdits[] = {
        {"edit-none",            {}},
        {"edit-record-replaced", {0, 12, 0, 2, 'V', 'E', 'M', 0, 1, 2, 3, 4}},
        {"edit-record-byte",     {0, 13, 1, 9, 0, 0xFF}},
        {"edit-record-cut",      {0, 14, 2, 7}},
        {"edit-class",           {0, 12, 3, 5}},
        {"edit-owner",           {0, 13, 4, 3}},
        {"edit-handle",          {0, 14, 5, 2}},
        {"edit-row-removed",     {0, 15, 6}},
        {"edit-row-doubled",     {0, 16, 7, 201, 0, 0, 0, 0, 0, 0, 1, 0}},
        {"edit-header-number",   {1, 3, 0, 7}},
        {"edit-header-text",     {1, 4, 1, 2}},
        {"edit-header-null",     {1, 5, 2}},
        {"edit-header-removed",  {1, 6, 3}},
        {"edit-class-parent",    {2, 1, 0, 1}},
        {"edit-class-name",      {2, 2, 1, 4}},
        {"edit-class-flags",     {2, 0, 2, 0xFF}},
        {"edit-class-removed",   {2, 1, 3}},
        {"edit-graphics",        {3, 12, 2, 1, 2, 3, 4, 5, 6, 7, 8}},
    };
    for (const auto& e : kEdits)
        writeSeed(dir, e.name, e.edit.empty() ? std::vector<unsigned char>{0xFE} : e.edit);
}

}  // namespace fuzz
