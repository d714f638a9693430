// A drawing with one entity of every class the host has, each in its own cell of a
// grid: it survives SAVE and OPEN byte for byte, every entity leaves ink in its cell and
// nowhere else when plotted, and DXFOUT writes each as the DXF entity of its name.
#include <gtest/gtest.h>


#include <cmath>
#include <cstring>
#include <functional>
#include <string>

#include "dbelipse.h"
#include "dbents.h"
#include "dbspline.h"
#include "drawing_builder.h"
#include "dbmtext.h"
#include "dbpl.h"
#include "drawing_file.h"
#include "dxf_writer.h"
#include "host_fixture.h"
#include "png_picture.h"
#include "io_test_support.h"
#include "plot.h"

namespace {

constexpr double kCell = 20.0;  // each entity lies inside its cell, 2 units clear of the edges

struct EntityCase {
    const char* dxfName;
    std::function<AcDbEntity*(const AcGePoint3d& corner)> make;  // corner: the cell's lower left
};

AcGePoint3d at(const AcGePoint3d& corner, double x, double y) { return corner + AcGeVector3d(x, y, 0); }

const EntityCase kCases[] = {
    {"LINE", [](const AcGePoint3d& c) { return new AcDbLine(at(c, 2, 2), at(c, 18, 18)); }},
    {"LWPOLYLINE",
     [](const AcGePoint3d& c) {
         AcDbPolyline* pline = new AcDbPolyline();
         pline->addVertexAt(0, AcGePoint2d(c.x + 2, c.y + 8), 0.5);  // the bulge dips to y 4.5
         pline->addVertexAt(1, AcGePoint2d(c.x + 16, c.y + 8));
         pline->addVertexAt(2, AcGePoint2d(c.x + 10, c.y + 17));
         return pline;
     }},
    {"MTEXT",
     [](const AcGePoint3d& c) {
         AcDbMText* text = new AcDbMText();
         text->setContents(L"N 文字");
         text->setTextHeight(3.0);
         text->setLocation(at(c, 3, 12));
         return text;
     }},
    {"CIRCLE", [](const AcGePoint3d& c) { return new AcDbCircle(at(c, 10, 10), AcGeVector3d::kZAxis, 6.0); }},
    {"ARC", [](const AcGePoint3d& c) { return new AcDbArc(at(c, 10, 10), 7.0, M_PI / 6, 4 * M_PI / 3); }},
    {"POINT", [](const AcGePoint3d& c) { return new AcDbPoint(at(c, 10, 10)); }},
    {"ELLIPSE",
     [](const AcGePoint3d& c) {
         return new AcDbEllipse(at(c, 10, 10), AcGeVector3d::kZAxis, AcGeVector3d(7, 2, 0), 0.5);
     }},
    {"SPLINE",
     [](const AcGePoint3d& c) {
         AcGePoint3dArray fit;
         for (const AcGePoint3d& p : {at(c, 3, 4), at(c, 8, 15), at(c, 12, 6), at(c, 17, 14)})
             fit.append(p);
         return new AcDbSpline(fit);
     }},
    {"TEXT",
     [](const AcGePoint3d& c) {
         AcDbText* text = new AcDbText(at(c, 10, 10), L"Tx 中", AcDbObjectId::kNull, 3.0);
         text->setJustification(AcDbText::kTextAlignmentMiddleCenter);
         text->setAlignmentPoint(at(c, 10, 10));
         return text;
     }},
    {"ATTDEF",
     [](const AcGePoint3d& c) {
         return new AcDbAttributeDefinition(at(c, 3, 8), L"7", L"NO", L"Number:", AcDbObjectId::kNull);
     }},
    // A reference to the block of SetUp, turned and scaled unequally; it gets its
    // attribute once it is in the drawing.
    {"INSERT", [](const AcGePoint3d& c) {
         AcDbBlockReference* ref = new AcDbBlockReference(at(c, 10, 10), AcDbObjectId::kNull);
         ref->setScaleFactors(AcGeScale3d(1.5, 1, 1));
         ref->setRotation(0.3);
         return ref;
     }},
};
constexpr int kCount = int(sizeof kCases / sizeof kCases[0]);

AcGePoint3d cornerOf(int i) { return AcGePoint3d(kCell * (i % 4), -kCell * (i / 4), 0); }

using Picture = test_support::PngPicture;

class EveryEntity : public HostFixture {
protected:
    void SetUp() override
    {
        HostFixture::SetUp();
        ASSERT_EQ(db()->setPdmode(3), Acad::eOk);  // points as crosses, large enough to see
        ASSERT_EQ(db()->setPdsize(8.0), Acad::eOk);
        const AcDbObjectId bubble = test_support::addBlock(
            db(), L"BUBBLE", AcGePoint3d::kOrigin,
            {new AcDbCircle(AcGePoint3d::kOrigin, AcGeVector3d::kZAxis, 5),
             new AcDbAttributeDefinition(AcGePoint3d(-2, -1, 0), L"1", L"NO", L"Number:", AcDbObjectId::kNull)});
        ASSERT_FALSE(bubble.isNull());
        for (int i = 0; i < kCount; ++i) {
            AcDbEntity* ent = kCases[i].make(cornerOf(i));
            if (AcDbBlockReference* ref = AcDbBlockReference::cast(ent))
                ref->setBlockTableRecord(bubble);
            const AcDbObjectId id = appendTo(db(), ACDB_MODEL_SPACE, ent);
            if (AcDbBlockReference::cast(ent) != nullptr)
                giveAttribute(id, at(cornerOf(i), 8, 9));
        }
    }
    static void giveAttribute(AcDbObjectId refId, const AcGePoint3d& where)
    {
        AcDbBlockReference* ref = nullptr;
        ASSERT_EQ(acdbOpenObject(ref, refId, AcDb::kForWrite), Acad::eOk);
        AcDbAttribute* attribute = new AcDbAttribute(where, L"A7", L"NO");
        attribute->setHeight(2.5);
        ASSERT_EQ(ref->appendAttribute(attribute), Acad::eOk);
        attribute->close();
        ref->close();
    }
    ScratchDir m_dir;
};

}  // namespace

TEST_F(EveryEntity, SaveOpenAndSaveAgainWriteTheSameFileByteForByte)
{
    std::string error;
    const std::string first = m_dir.file("first.vdb"), second = m_dir.file("second.vdb");
    ASSERT_TRUE(vemio::saveDrawing(db(), first, error)) << error;
    std::unique_ptr<AcDbDatabase> opened = vemio::openDrawing(first, error);
    ASSERT_NE(opened, nullptr) << error;
    EXPECT_EQ(filedObjects(opened.get()), filedObjects(db()));
    EXPECT_EQ(opened->pdmode(), 3);
    EXPECT_EQ(opened->pdsize(), 8.0);
    ASSERT_TRUE(vemio::saveDrawing(opened.get(), second, error)) << error;
    EXPECT_TRUE(readFile(first) == readFile(second)) << "the second save differs from the first";
    EXPECT_EQ(vemhost::testing::openObjectCount(opened.get()), 0);
}

TEST_F(EveryEntity, EachLeavesInkInItsCellWhenPlotted)
{
    vemio::PlotOptions options;
    options.window = true;
    options.corner1 = AcGePoint3d(0, -kCell * ((kCount + 3) / 4 - 1), 0);
    options.corner2 = AcGePoint3d(kCell * 4, kCell, 0);
    options.paperScale = 0;
    options.pixelWidth = 800;
    vemio::PlotPage page;
    std::string error;
    const std::string path = m_dir.file("every.png");
    ASSERT_TRUE(vemio::plot(db(), path, options, error, &page)) << error;
    const Picture picture(path);
    ASSERT_TRUE(picture.ok());
    std::vector<int> ink(kCount, 0);
    int stray = 0;
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            if (!picture.inked(x, y))
                continue;
            const double wx = (x + 0.5 - page.originX) / page.scale, wy = (page.originY - y - 0.5) / page.scale;
            const int column = int(std::floor(wx / kCell)), row = int(std::floor(-wy / kCell)) + 1;
            const int cell = row * 4 + column;
            if (column >= 0 && column < 4 && cell >= 0 && cell < kCount)
                ++ink[size_t(cell)];
            else
                ++stray;
        }
    }
    for (int i = 0; i < kCount; ++i)
        EXPECT_GT(ink[size_t(i)], 20) << kCases[i].dxfName << " left too little ink in its cell";
    EXPECT_EQ(stray, 0) << "ink outside every cell";
}

TEST_F(EveryEntity, DxfoutWritesEachAsTheEntityOfItsName)
{
    std::string error;
    const std::string path = m_dir.file("every.dxf");
    vemio::DxfStats stats;
    ASSERT_TRUE(vemio::writeDxf(db(), path, error, &stats)) << error;
    const Bytes bytes = readFile(path);
    const std::string dxf(bytes.begin(), bytes.end());
    const size_t entities = dxf.find("\nENTITIES\n");
    ASSERT_NE(entities, std::string::npos);
    for (const EntityCase& c : kCases)
        EXPECT_NE(dxf.find(std::string("\n  0\n") + c.dxfName + "\n", entities), std::string::npos) << c.dxfName;
    EXPECT_NE(dxf.find("\n  0\nATTRIB\n", entities), std::string::npos);
    EXPECT_NE(dxf.find("\n  0\nSEQEND\n", entities), std::string::npos);
    EXPECT_GE(stats.entities, long(kCount));
    EXPECT_EQ(stats.skipped, 0);
}
