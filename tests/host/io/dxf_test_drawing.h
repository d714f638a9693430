// Building drawings for the output tests (the shared drawing builder, entities
// appended to either space), the entity module loaded when the build has it, a reader
// of DXF group pairs, and a limit on file sizes that makes writes fail part-way.
#pragma once

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <cstdlib>
#include <string>
#include <vector>

#include "drawing_builder.h"
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

using test_support::addLayer;
using test_support::addTextStyle;
using test_support::newLine;
using test_support::newPolyline;
using test_support::newText;
using test_support::Vertex;

// Appends to model space (or paper space) and closes; the id, null when it failed.
inline AcDbObjectId append(AcDbDatabase* db, AcDbEntity* ent, bool paperSpace = false)
{
    return test_support::appendTo(db, paperSpace ? ACDB_PAPER_SPACE : ACDB_MODEL_SPACE, ent);
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
