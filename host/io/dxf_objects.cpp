// The OBJECTS section of DXF output: the root dictionary first, the dictionaries of
// groups and layouts, the objects the drawing kept of a file it was read from in handle
// order, and a layout for each space that has none among them, entered in the layout
// dictionary so that readers find every space.
#include <algorithm>

#include "dxf_drawing.h"

namespace vemio {
namespace dxf {

namespace {

void dictionaryBegin(DxfStream& out, std::uint64_t handle, std::uint64_t owner)
{
    out.str(0, "DICTIONARY");
    out.handle(5, handle);
    if (owner != 0) {
        out.str(102, "{ACAD_REACTORS");
        out.handle(330, owner);
        out.str(102, "}");
    }
    out.handle(330, owner);
    out.str(100, "AcDbDictionary");
    out.integer(281, 1);
}

void entry(DxfStream& out, const std::string& name, std::uint64_t handle)
{
    out.str(3, name);
    out.handle(350, handle);
}

void layout(DxfStream& out, std::uint64_t dictionary, const ObjectsPlan::Layout& l)
{
    out.str(0, "LAYOUT");
    out.handle(5, l.handle);
    out.str(102, "{ACAD_REACTORS");
    out.handle(330, dictionary);
    out.str(102, "}");
    out.handle(330, dictionary);
    out.str(100, "AcDbPlotSettings");
    out.str(1, "");
    out.str(4, "");
    out.str(6, "");
    for (int code = 40; code <= 49; ++code)
        out.real(code, 0.0);
    out.real(140, 0.0);
    out.real(141, 0.0);
    out.real(142, 1.0);
    out.real(143, 1.0);
    out.integer(70, 688);
    out.integer(72, 1);
    out.integer(73, 0);
    out.integer(74, 5);
    out.str(7, "");
    out.integer(75, 16);
    out.real(147, 1.0);
    out.real(148, 0.0);
    out.real(149, 0.0);
    out.str(100, "AcDbLayout");
    out.str(1, l.name);
    out.integer(70, 1);
    out.integer(71, l.tab);
    out.point(10, 0.0, 0.0);
    out.point(11, 420.0, 297.0);
    out.point(12, AcGePoint3d());
    out.point(14, AcGePoint3d());
    out.point(15, AcGePoint3d());
    out.real(146, 0.0);
    out.point(13, AcGePoint3d());
    out.vector(16, AcGeVector3d::kXAxis);
    out.vector(17, AcGeVector3d::kYAxis);
    out.integer(76, 0);
    out.handle(330, l.block);
}

// The handle of the first group with code after the group {marker code, marker value};
// 0 when there is none.
std::uint64_t handleAfter(const acrt::DxfGroups& groups, int markerCode, const char* marker, int code)
{
    bool seen = markerCode == 0;
    for (const acrt::DxfGroup& g : groups) {
        if (seen && g.code == code)
            return handleValue(g.value);
        seen = seen || (g.code == markerCode && sameName(g.value, marker));
    }
    return 0;
}

// The owner: the first 330 outside 102 groups.
std::uint64_t ownerOf(const KeptRecord& r)
{
    int depth = 0;
    for (const acrt::DxfGroup& g : r.groups) {
        if (g.code == 102)
            depth += !g.value.empty() && g.value[0] == '{' ? 1 : depth > 0 ? -1 : 0;
        else if (g.code == 330 && depth == 0)
            return handleValue(g.value);
    }
    return 0;
}

// The handle a dictionary's entry of this name holds; 0 when it has none.
std::uint64_t entryOf(const KeptRecord& dictionary, const std::string& name)
{
    const acrt::DxfGroups& groups = dictionary.groups;
    for (std::size_t i = 0; i + 1 < groups.size(); ++i)
        if (groups[i].code == 3 && sameName(groups[i].value, name.c_str()) &&
            (groups[i + 1].code == 350 || groups[i + 1].code == 360))
            return handleValue(groups[i + 1].value);
    return 0;
}

const KeptRecord* keptObject(const Drawing& d, std::uint64_t handle, const char* type)
{
    const std::vector<KeptRecord>& objects = d.kept.objects;
    auto it = std::lower_bound(objects.begin(), objects.end(), handle,
                               [](const KeptRecord& r, std::uint64_t h) { return r.handle < h; });
    return it != objects.end() && it->handle == handle && handle != 0 && sameName(it->type, type) ? &*it : nullptr;
}

// The kept dictionary without an owner that names the layout or group dictionary (the
// first without an owner when none does).
const KeptRecord* findRoot(const Drawing& d)
{
    const KeptRecord* first = nullptr;
    for (const KeptRecord& r : d.kept.objects) {
        if (!sameName(r.type, "DICTIONARY") || ownerOf(r) != 0)
            continue;
        if (entryOf(r, "ACAD_LAYOUT") != 0 || entryOf(r, "ACAD_GROUP") != 0)
            return &r;
        if (first == nullptr)
            first = &r;
    }
    return first;
}

// A kept layout of the block record with this handle; 0 when there is none.
std::uint64_t keptLayoutOf(const Drawing& d, std::uint64_t block)
{
    for (const KeptRecord& r : d.kept.objects)
        if (sameName(r.type, "LAYOUT") && handleAfter(r.groups, 100, "AcDbLayout", 330) == block)
            return r.handle;
    return 0;
}

// name, or name with a number after it, that the layout dictionary does not hold yet.
std::string freeLayoutName(const Drawing& d, const char* name, int number)
{
    const KeptRecord* dictionary = keptObject(d, d.objects.layoutDict, "DICTIONARY");
    std::string candidate = number == 0 ? std::string(name) : name + std::to_string(number);
    while (dictionary != nullptr && entryOf(*dictionary, candidate) != 0)
        candidate = name + std::to_string(++number);
    return candidate;
}

void planDictionaries(Drawing& d)
{
    ObjectsPlan& p = d.objects;
    const Generated& g = d.generated;
    p.root = findRoot(d);
    p.rootHandle = p.root != nullptr ? p.root->handle : g.rootDict;
    p.layoutDict = g.layoutDict;
    if (p.root == nullptr)
        return;
    p.groupDictGenerated = keptObject(d, entryOf(*p.root, "ACAD_GROUP"), "DICTIONARY") == nullptr;
    if (p.groupDictGenerated)
        p.entries.push_back({p.rootHandle, "ACAD_GROUP", g.groupDict});
    const KeptRecord* layouts = keptObject(d, entryOf(*p.root, "ACAD_LAYOUT"), "DICTIONARY");
    p.layoutDictGenerated = layouts == nullptr;
    if (layouts != nullptr)
        p.layoutDict = layouts->handle;
    else
        p.entries.push_back({p.rootHandle, "ACAD_LAYOUT", g.layoutDict});
}

// Entries a kept dictionary gains go before its XDATA.
void writeKeptObject(DxfStream& out, const KeptRecord& r, const ObjectsPlan& p)
{
    out.kept(0, r.type);
    bool added = false;
    auto addEntries = [&] {
        for (const ObjectsPlan::Entry& e : p.entries)
            if (e.dictionary == r.handle)
                entry(out, e.name, e.handle);
        added = true;
    };
    for (const acrt::DxfGroup& g : r.groups) {
        if (g.code == 1001 && !added)
            addEntries();
        if (g.code != 0)
            out.kept(g.code, g.value);
    }
    if (!added)
        addEntries();
}

}  // namespace

void planObjects(Drawing& d)
{
    ObjectsPlan& p = d.objects;
    const Generated& g = d.generated;
    planDictionaries(d);
    for (BlockRecord& b : d.blocks) {
        if (!b.modelSpace && !b.paperSpace)
            continue;
        b.layout = p.layoutDictGenerated ? 0 : keptLayoutOf(d, b.handle);
        if (b.layout != 0)
            continue;
        const std::string name = b.modelSpace ? freeLayoutName(d, "Model", 0) : freeLayoutName(d, "Layout", 1);
        b.layout = b.modelSpace ? g.modelLayout : g.paperLayout;
        p.layouts.push_back({b.layout, name, b.modelSpace ? 0 : 1, b.handle});
        p.entries.push_back({p.layoutDict, name, b.layout});
    }
    std::stable_sort(p.entries.begin(), p.entries.end(), [](const ObjectsPlan::Entry& a, const ObjectsPlan::Entry& b) {
        return a.dictionary != b.dictionary ? a.dictionary < b.dictionary : a.name < b.name;
    });
    std::stable_sort(p.layouts.begin(), p.layouts.end(),
                     [](const ObjectsPlan::Layout& a, const ObjectsPlan::Layout& b) { return a.tab < b.tab; });
}

void writeObjects(DxfStream& out, const Drawing& d)
{
    const ObjectsPlan& p = d.objects;
    const Generated& g = d.generated;
    out.str(0, "SECTION");
    out.str(2, "OBJECTS");
    if (p.root != nullptr) {
        writeKeptObject(out, *p.root, p);
    } else {
        dictionaryBegin(out, g.rootDict, 0);
        entry(out, "ACAD_GROUP", g.groupDict);
        entry(out, "ACAD_LAYOUT", g.layoutDict);
    }
    if (p.groupDictGenerated)
        dictionaryBegin(out, g.groupDict, p.rootHandle);
    if (p.layoutDictGenerated) {
        dictionaryBegin(out, g.layoutDict, p.rootHandle);
        for (const ObjectsPlan::Entry& e : p.entries)
            if (e.dictionary == g.layoutDict)
                entry(out, e.name, e.handle);
    }
    for (const KeptRecord& r : d.kept.objects)
        if (&r != p.root)
            writeKeptObject(out, r, p);
    for (const ObjectsPlan::Layout& l : p.layouts)
        layout(out, p.layoutDict, l);
    out.str(0, "ENDSEC");
}

}  // namespace dxf
}  // namespace vemio
