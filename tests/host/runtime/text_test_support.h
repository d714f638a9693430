// What the tests of single-line texts share: the three classes made to show a given
// string (a text its string, a definition its tag, an attribute its value), a summary
// of what each holds, and records written field by field. Texts of Chinese characters
// measure as squares of their height whether or not the stroke fonts are installed,
// so the expected numbers below are exact: "中文" at height 3 is 6 wide and 3 high.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "acutmem.h"
#include "dbents.h"
#include "vemhost_testing.h"

namespace text_test {

using Bytes = std::vector<unsigned char>;

struct EntityDeleter {
    void operator()(AcDbEntity* p) const { delete p; }
};
using TextPtr = std::unique_ptr<AcDbText, EntityDeleter>;

enum class Kind { kText, kDefinition, kAttribute };
const Kind kKinds[] = {Kind::kText, Kind::kDefinition, Kind::kAttribute};

inline const char* nameOf(Kind kind)
{
    return kind == Kind::kText ? "text" : kind == Kind::kDefinition ? "definition" : "attribute";
}

// A text of the kind that shows `shown`, left/base at position.
inline TextPtr makeShowing(Kind kind, const wchar_t* shown, const AcGePoint3d& position, double height = 3.0)
{
    TextPtr text;
    if (kind == Kind::kText)
        text.reset(new AcDbText(position, shown));
    else if (kind == Kind::kDefinition)
        text.reset(new AcDbAttributeDefinition(position, L"default value", shown, L"Enter it"));
    else
        text.reset(new AcDbAttribute(position, shown, L"TAG"));
    EXPECT_EQ(Acad::eOk, text->setHeight(height));
    return text;
}

inline std::string degrees(double radians)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.6f", radians * 180.0 / M_PI);
    return buffer;
}

inline std::string pointText(const AcGePoint3d& p)
{
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "(%.6f,%.6f,%.6f)", p.x + 0.0, p.y + 0.0, p.z + 0.0);
    return buffer;
}

// Everything a text of any of the kinds holds, as one comparable line.
inline std::string summary(const AcDbText& t)
{
    std::string s = pointText(t.position()) + pointText(t.alignmentPoint()) + " rot " + degrees(t.rotation()) +
                    " h " + std::to_string(t.height()) + " w " + std::to_string(t.widthFactor()) + " obl " +
                    degrees(t.oblique()) + " j " + std::to_string(t.justification()) +
                    (t.isMirroredInX() ? " backward" : "") + (t.isMirroredInY() ? " upside-down" : "") + " [" +
                    vemhost::toUtf8(t.textStringConst()) + "]";
    if (const AcDbAttributeDefinition* d = AcDbAttributeDefinition::cast(&t))
        s += " tag " + vemhost::toUtf8(d->tagConst()) + " prompt " + vemhost::toUtf8(d->promptConst()) + " flags " +
             std::to_string(d->isInvisible() + 2 * d->isConstant() + 4 * d->isVerifiable() + 8 * d->isPreset());
    if (const AcDbAttribute* a = AcDbAttribute::cast(&t))
        s += " tag " + vemhost::toUtf8(a->tagConst()) + " flags " +
             std::to_string(a->isInvisible() + 2 * a->isConstant() + 4 * a->isVerifiable() + 8 * a->isPreset());
    return s;
}

inline Bytes filed(const AcDbEntity& ent, AcDbDatabase* db)
{
    vemhost::MemoryFiler filer(db);
    EXPECT_EQ(Acad::eOk, ent.dwgOutFields(&filer));
    return filer.bytes();
}

inline void expectNear(const AcGePoint3d& expected, const AcGePoint3d& actual, const std::string& where)
{
    EXPECT_NEAR(expected.x, actual.x, 1e-9) << where;
    EXPECT_NEAR(expected.y, actual.y, 1e-9) << where;
    EXPECT_NEAR(expected.z, actual.z, 1e-9) << where;
}

// The text part of a record, each value one a test can make wrong.
struct TextRecord {
    Adesk::Int16 version = 1;
    AcGeVector3d normal = AcGeVector3d::kZAxis;
    double oblique = 0.0, rotation = 0.0, height = 2.0, widthFactor = 1.0;
    Adesk::Int16 flags = 0, horz = 0, vert = 0;
};

// The attribute part of a record.
struct AttributeRecord {
    Adesk::Int16 version = 1;
    const wchar_t* tag = L"TAG";
    Adesk::UInt16 flags = 0;
};

inline Bytes record(AcDbDatabase* db, Kind kind, const TextRecord& t, const AttributeRecord& a = {})
{
    AcDbText base;
    vemhost::MemoryFiler filer(db);
    EXPECT_EQ(Acad::eOk, base.AcDbEntity::dwgOutFields(&filer));
    filer.writeInt16(t.version);
    filer.writeString(AcString(L"text"));
    filer.writePoint3d(AcGePoint3d(1, 2, 0));
    filer.writePoint3d(AcGePoint3d(1, 2, 0));
    filer.writeVector3d(t.normal);
    for (double d : {0.0, t.oblique, t.rotation, t.height, t.widthFactor})
        filer.writeDouble(d);
    filer.writeHardPointerId(AcDbObjectId());
    for (Adesk::Int16 i : {t.flags, t.horz, t.vert})
        filer.writeInt16(i);
    if (kind != Kind::kText) {
        filer.writeInt16(a.version);
        filer.writeString(AcString(a.tag));
        if (kind == Kind::kDefinition)
            filer.writeString(AcString(L"prompt"));
        filer.writeUInt16(a.flags);
        filer.writeUInt16(0);
        filer.writeBool(false);
    }
    return filer.bytes();
}

inline AcDbIntArray indices(std::initializer_list<int> values)
{
    AcDbIntArray array;
    for (int v : values)
        array.append(v);
    return array;
}

}  // namespace text_test
