// Building drawings for the output tests: layers, text styles and the host's entities
// appended to either space, the entity module loaded when the build has it, a reader
// of DXF group pairs, and a limit on file sizes that makes writes fail part-way.
#pragma once

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "dbents.h"
#include "dbmtext.h"
#include "dbpl.h"
#include "dbsymtb.h"
#include "rxdict.h"
#include "vemhost_testing.h"

#ifdef VEM_HAVE_VEMD
#include "acrxEntryPoint.h"
#include "eco_line.h"
#include "eco_point.h"
#include "eorigin.h"
extern "C" AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* pkt);
#endif

namespace dxf_test {

// Registers the entity module's classes once (quietly); false when the build lacks it.
inline bool loadEntityModule()
{
#ifdef VEM_HAVE_VEMD
    static int token;
    if (acrxClassDictionary->at(L"ECoPoint") == nullptr) {
        vemhost::startCapture();
        acrxEntryPoint(AcRx::kInitAppMsg, &token);
        vemhost::takeCaptured();
        vemhost::stopCapture();
    }
    return acrxClassDictionary->at(L"ECoPoint") != nullptr;
#else
    return false;
#endif
}

inline AcDbObjectId addLayer(AcDbDatabase* db, const wchar_t* name, int color, bool off = false, bool locked = false)
{
    AcDbLayerTable* table = nullptr;
    AcDbObjectId id;
    if (db->getLayerTable(table, AcDb::kForWrite) != Acad::eOk)
        return id;
    AcDbLayerTableRecord* layer = new AcDbLayerTableRecord();
    layer->setName(name);
    layer->setColorIndex(Adesk::UInt16(color));
    layer->setIsOff(off);
    layer->setIsLocked(locked);
    if (table->add(id, layer) == Acad::eOk)
        layer->close();
    else
        delete layer;
    table->close();
    return id;
}

inline AcDbObjectId addTextStyle(AcDbDatabase* db, const wchar_t* name, const wchar_t* font, const wchar_t* bigFont)
{
    AcDbTextStyleTable* table = nullptr;
    AcDbObjectId id;
    if (db->getTextStyleTable(table, AcDb::kForWrite) != Acad::eOk)
        return id;
    AcDbTextStyleTableRecord* style = new AcDbTextStyleTableRecord();
    style->setName(name);
    style->setFileName(font);
    style->setBigFontFileName(bigFont);
    if (table->add(id, style) == Acad::eOk)
        style->close();
    else
        delete style;
    table->close();
    return id;
}

// Appends to model space (or paper space) and closes; the id, null when it failed.
inline AcDbObjectId append(AcDbDatabase* db, AcDbEntity* ent, bool paperSpace = false)
{
    AcDbBlockTable* table = nullptr;
    AcDbBlockTableRecord* space = nullptr;
    AcDbObjectId id;
    if (db->getBlockTable(table, AcDb::kForRead) != Acad::eOk) {
        delete ent;
        return id;
    }
    const Acad::ErrorStatus es =
        table->getAt(paperSpace ? ACDB_PAPER_SPACE : ACDB_MODEL_SPACE, space, AcDb::kForWrite);
    table->close();
    if (es != Acad::eOk) {
        delete ent;
        return id;
    }
    if (space->appendAcDbEntity(id, ent) == Acad::eOk)
        ent->close();
    else
        delete ent;
    space->close();
    return id;
}

inline AcDbLine* newLine(double x1, double y1, double x2, double y2, AcDbObjectId layer = {}, int color = 256)
{
    AcDbLine* line = new AcDbLine(AcGePoint3d(x1, y1, 0), AcGePoint3d(x2, y2, 0));
    if (!layer.isNull())
        line->setLayer(layer);
    line->setColorIndex(Adesk::UInt16(color));
    return line;
}

struct Vertex {
    double x, y, startWidth, endWidth, bulge;
};

inline AcDbPolyline* newPolyline(const std::vector<Vertex>& vertices, bool closed = false, AcDbObjectId layer = {})
{
    AcDbPolyline* pline = new AcDbPolyline();
    for (unsigned i = 0; i < vertices.size(); ++i) {
        const Vertex& v = vertices[i];
        pline->addVertexAt(i, AcGePoint2d(v.x, v.y), v.bulge, v.startWidth, v.endWidth);
    }
    pline->setClosed(closed);
    if (!layer.isNull())
        pline->setLayer(layer);
    return pline;
}

inline AcDbMText* newText(const wchar_t* contents, double x, double y, double height, double rotation = 0.0,
                          AcDbMText::AttachmentPoint attachment = AcDbMText::kTopLeft, AcDbObjectId style = {})
{
    AcDbMText* text = new AcDbMText();
    text->setContents(contents);
    text->setLocation(AcGePoint3d(x, y, 0));
    text->setTextHeight(height);
    text->setRotation(rotation);
    text->setAttachment(attachment);
    if (!style.isNull())
        text->setTextStyle(style);
    return text;
}

// ---- reading DXF back ---------------------------------------------------------------

struct Group {
    int code;
    std::string value;
};

// The group pairs of ASCII DXF text; stops at the first malformed code.
inline std::vector<Group> readGroups(const std::string& dxf)
{
    std::vector<Group> groups;
    size_t pos = 0;
    auto nextLine = [&](std::string& line) {
        if (pos >= dxf.size())
            return false;
        size_t end = dxf.find('\n', pos);
        if (end == std::string::npos)
            end = dxf.size();
        line.assign(dxf, pos, end - pos);
        pos = end + 1;
        return true;
    };
    std::string codeLine, value;
    while (nextLine(codeLine) && nextLine(value)) {
        char* end = nullptr;
        const long code = std::strtol(codeLine.c_str(), &end, 10);
        if (end == codeLine.c_str())
            break;
        groups.push_back({int(code), value});
    }
    return groups;
}

// The groups of each object that starts with group 0 of this type, in file order.
inline std::vector<std::vector<Group>> objectsOfType(const std::vector<Group>& groups, const std::string& type)
{
    std::vector<std::vector<Group>> found;
    for (size_t i = 0; i < groups.size(); ++i) {
        if (groups[i].code != 0 || groups[i].value != type)
            continue;
        std::vector<Group> object{groups[i]};
        for (size_t k = i + 1; k < groups.size() && groups[k].code != 0; ++k)
            object.push_back(groups[k]);
        found.push_back(std::move(object));
    }
    return found;
}

// The first value of a code in an object, or empty.
inline std::string valueOf(const std::vector<Group>& object, int code)
{
    for (const Group& g : object)
        if (g.code == code)
            return g.value;
    return std::string();
}

inline std::vector<std::string> valuesOf(const std::vector<Group>& object, int code)
{
    std::vector<std::string> values;
    for (const Group& g : object)
        if (g.code == code)
            values.push_back(g.value);
    return values;
}

// ---- files ------------------------------------------------------------------------------

// While alive, no file this process writes grows past the limit: a write beyond it
// fails (EFBIG), as on a full disk, instead of raising SIGXFSZ.
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        ::getrlimit(RLIMIT_FSIZE, &m_previous);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = m_previous;
        limit.rlim_cur = bytes;
        ::setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_previous);
        std::signal(SIGXFSZ, m_previousHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_previous{};
    void (*m_previousHandler)(int) = nullptr;
};

inline bool isSymbolicLink(const std::string& path)
{
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode);
}

inline unsigned permissionsOf(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? unsigned(st.st_mode & 07777) : 0u;
}

}  // namespace dxf_test
