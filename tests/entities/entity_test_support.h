// Shared set-up of the entity module's tests: the module loaded as the host loads it,
// a working database with a text style, and helpers to measure, draw and file entities.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "dbmtext.h"
#include "dbsymtb.h"
#include "drawing_builder.h"
#include "eco_line.h"
#include "eco_point.h"
#include "eorigin.h"
#include "host_fixture.h"
#include "label_builder.h"
#include "rxregsvc.h"
#include "vemhost_testing.h"

extern "C" AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* pkt);
extern "C" int acrxGetApiVersion(int);

// Lets assertions print the host's strings.
inline void PrintTo(const AcString& s, std::ostream* os) { *os << '"' << vemhost::toUtf8(s.wstr()) << '"'; }

namespace entity_test {

// The application id the tests hand to the module's entry point.
inline void* appId()
{
    static int token;
    return &token;
}

inline bool classRegistered(const ACHAR* name) { return acrxClassDictionary->at(name) != nullptr; }

// Sends the initialisation message unless the classes are registered already; returns
// what the module printed.
inline std::string loadModule()
{
    if (classRegistered(L"EOrigin") && classRegistered(L"ECoPoint") && classRegistered(L"ECoLine"))
        return std::string();
    vemhost::startCapture();
    acrxEntryPoint(AcRx::kInitAppMsg, appId());
    std::string printed = vemhost::takeCaptured();
    vemhost::stopCapture();
    return printed;
}

// Every test of an entity: the module loaded, a fresh database, the style "Standard".
class EntityTest : public HostFixture {
protected:
    void SetUp() override
    {
        HostFixture::SetUp();
        loadModule();
        AcDbTextStyleTable* table = nullptr;
        ASSERT_EQ(db()->getTextStyleTable(table, AcDb::kForRead), Acad::eOk);
        ASSERT_EQ(table->getAt(L"Standard", m_style), Acad::eOk);
        table->close();
    }

    AcDbObjectId style() const { return m_style; }

    // Appends the entity to model space and closes it; returns its id.
    AcDbObjectId addToModelSpace(AcDbEntity* pEnt)
    {
        const AcDbObjectId id = test_support::appendTo(db(), ACDB_MODEL_SPACE, pEnt);
        EXPECT_FALSE(id.isNull()) << "the entity was not appended";
        return id;
    }

private:
    AcDbObjectId m_style;
};

// Width and height of a text with the settings every generated text has.
struct TextSize {
    double width = 0.0;
    double height = 0.0;
};
inline TextSize measured(const wchar_t* contents, AcDbObjectId style, double height)
{
    AcDbMText text;
    text.setContents(contents);
    text.setTextStyle(style);
    text.setAttachment(AcDbMText::kMiddleCenter);
    text.setAttachmentMovingLocation(AcDbMText::kMiddleCenter);
    text.setTextHeight(height);
    AcDbExtents ext;
    EXPECT_EQ(text.getGeomExtents(ext), Acad::eOk);
    return {ext.maxPoint().x - ext.minPoint().x, ext.maxPoint().y - ext.minPoint().y};
}

inline std::vector<vemhost::Primitive> drawn(AcDbEntity* pEnt)
{
    vemhost::PrimitiveCollector collector;
    collector.draw(pEnt);
    return collector.primitives();
}

// Same primitives in the same order, to the last digit.
inline void expectSameDrawing(const std::vector<vemhost::Primitive>& a, const std::vector<vemhost::Primitive>& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
        EXPECT_EQ(a[i].kind, b[i].kind) << "primitive " << i;
        EXPECT_EQ(a[i].text, b[i].text) << "primitive " << i;
        EXPECT_EQ(a[i].radius, b[i].radius) << "primitive " << i;
        ASSERT_EQ(a[i].points.size(), b[i].points.size()) << "primitive " << i;
        for (size_t k = 0; k < a[i].points.size(); ++k) {
            EXPECT_EQ(a[i].points[k].x, b[i].points[k].x) << "primitive " << i << " point " << k;
            EXPECT_EQ(a[i].points[k].y, b[i].points[k].y) << "primitive " << i << " point " << k;
            EXPECT_EQ(a[i].points[k].z, b[i].points[k].z) << "primitive " << i << " point " << k;
        }
    }
}

// Writes src's record and reads it into dst through one memory filer.
inline Acad::ErrorStatus fileInto(const AcDbObject* src, AcDbObject* dst, AcDbDatabase* db)
{
    vemhost::MemoryFiler filer(db);
    Acad::ErrorStatus es = src->dwgOutFields(&filer);
    if (es != Acad::eOk)
        return es;
    filer.rewind();
    return dst->dwgInFields(&filer);
}

// Number of filer operations a call makes, counted through a filer that never fails.
template <class Call>
long operationsOf(AcDbDwgFiler& inner, Call call)
{
    vemhost::testing::FaultFiler counter(inner, 0);
    call(counter);
    return counter.operationCount();
}

inline AcGePoint3d locationOf(AcDbEntity* pEnt) { return AcDbMText::cast(pEnt)->location(); }
inline double rotationOf(AcDbEntity* pEnt) { return AcDbMText::cast(pEnt)->rotation(); }
inline AcString contentsOf(AcDbEntity* pEnt) { return AcDbMText::cast(pEnt)->contentsString(); }

// An angle reduced to [0, 2π), as a text's rotation reports it.
inline double reducedAngle(double a)
{
    double r = std::fmod(a, 2.0 * M_PI);
    return r < 0 ? r + 2.0 * M_PI : r;
}

// Typical entities: a default coordinate system (vertical axis up, horizontal right)
// and labels made in it, as the creating commands would make them.
using test_support::newLineLabel;
using test_support::newOrigin;
using test_support::newPointLabel;

}  // namespace entity_test
