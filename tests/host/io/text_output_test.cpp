// Single-line texts in the drawing's output: the groups DXFOUT writes for TEXT and
// ATTDEF (and an attribute on its own), and the ink of texts in a PNG where their
// extents say.
#include <gtest/gtest.h>

#include <cairo.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "dxf_test_drawing.h"
#include "dxf_writer.h"
#include "host_fixture.h"
#include "plot.h"
#include "scratch_dir.h"

namespace {

using namespace dxf_test;

class TextOutput : public HostFixture {
protected:
    std::vector<std::vector<Group>> writtenTexts()
    {
        std::string dxf, error;
        EXPECT_TRUE(vemio::writeDxfToString(db(), dxf, error)) << error;
        EXPECT_EQ(vemhost::testing::openObjectCount(db()), 0);
        const std::vector<Group> groups = readGroups(dxf);
        std::vector<std::vector<Group>> found;
        for (const char* type : {"TEXT", "ATTDEF"})
            for (auto& object : objectsOfType(groups, type))
                found.push_back(std::move(object));
        return found;
    }
};

double number(const std::vector<Group>& object, int code) { return std::strtod(valueOf(object, code).c_str(), nullptr); }

TEST_F(TextOutput, TextsAreWrittenWithTheirPointsJustificationAndMirroring)
{
    const AcDbObjectId style = addTextStyle(db(), L"vem_text", L"complex8.shx", L"hztxt99.shx");
    append(db(), new AcDbText(AcGePoint3d(1, 2, 0), L"坐标 X=1", style, 2.5, M_PI / 6));
    AcDbText* centered = new AcDbText(AcGePoint3d(0, 0, 0), L"中文", AcDbObjectId::kNull, 3);
    centered->setJustification(AcDbText::kTextAlignmentTopCenter);
    centered->setAlignmentPoint(AcGePoint3d(10, 20, 0));
    centered->mirrorInX(true);
    centered->mirrorInY(true);
    centered->setOblique(M_PI / 12);
    centered->setWidthFactor(0.75);
    append(db(), centered);
    AcDbText* tilted = new AcDbText(AcGePoint3d(0, 3, 4), L"tilted", AcDbObjectId::kNull, 1);
    tilted->setNormal(AcGeVector3d(1, 0, 0));
    append(db(), tilted);
    const auto texts = writtenTexts();
    ASSERT_EQ(texts.size(), 3u);

    const std::vector<Group>& left = texts[0];
    EXPECT_EQ(valuesOf(left, 100), (std::vector<std::string>{"AcDbEntity", "AcDbText", "AcDbText"}));
    EXPECT_EQ(valueOf(left, 1), "\\U+5750\\U+6807 X=1");
    EXPECT_EQ(valueOf(left, 10), "1");
    EXPECT_EQ(valueOf(left, 20), "2");
    EXPECT_EQ(valueOf(left, 40), "2.5");
    EXPECT_NEAR(number(left, 50), 30.0, 1e-12);
    EXPECT_EQ(valueOf(left, 41), "1");
    EXPECT_EQ(valueOf(left, 51), "0");
    EXPECT_EQ(valueOf(left, 7), "vem_text");
    EXPECT_EQ(valueOf(left, 71), "0");
    EXPECT_EQ(valueOf(left, 72), "0");
    EXPECT_EQ(valueOf(left, 73), "0");
    EXPECT_EQ(valueOf(left, 11), "") << "a left/base text has no second point";
    EXPECT_EQ(valueOf(left, 39), "");
    EXPECT_EQ(valueOf(left, 210), "");

    const std::vector<Group>& centre = texts[1];
    EXPECT_EQ(valueOf(centre, 7), "Standard");
    EXPECT_EQ(valueOf(centre, 71), "6") << "backward and upside down";
    EXPECT_EQ(valueOf(centre, 72), "1");
    EXPECT_EQ(valueOf(centre, 73), "3");
    EXPECT_EQ(valueOf(centre, 11), "10");
    EXPECT_EQ(valueOf(centre, 21), "20");
    EXPECT_EQ(valueOf(centre, 41), "0.75");
    EXPECT_NEAR(number(centre, 51), 15.0, 1e-12);
    // The position the justification computed: the 6 wide run at 0.75 (4.5), mirrored
    // both ways about the alignment point, starts 2.25 right of it and 3 above.
    EXPECT_NEAR(number(centre, 10), 12.25, 1e-12);
    EXPECT_NEAR(number(centre, 20), 23.0, 1e-12);

    // In the plane x = 0: the extrusion, and the points in that plane's coordinates.
    const std::vector<Group>& side = texts[2];
    EXPECT_EQ(valueOf(side, 210), "1");
    EXPECT_EQ(valueOf(side, 10), "3");
    EXPECT_EQ(valueOf(side, 20), "4");
    EXPECT_EQ(valueOf(side, 30), "0");
}

TEST_F(TextOutput, DefinitionsAreAttdefAndLoneAttributesTheTextOfTheirValue)
{
    AcDbAttributeDefinition* def = new AcDbAttributeDefinition(AcGePoint3d(5, 6, 0), L"默认", L"编号", L"Number?");
    def->setHeight(2);
    def->setJustification(AcDbText::kTextAlignmentBottomRight);
    def->setAlignmentPoint(AcGePoint3d(5, 6, 0));
    def->setConstant(true);
    def->setVerifiable(true);
    def->setFieldLength(9);
    def->setLockPositionInBlock(true);
    append(db(), def);
    AcDbAttribute* hidden = new AcDbAttribute(AcGePoint3d(1, 1, 0), L"value", L"TAG");
    hidden->setHeight(2);
    hidden->setInvisible(true);
    append(db(), hidden);
    AcDbAttribute* shown = new AcDbAttribute(AcGePoint3d(1, 5, 0), L"seen", L"TAG");
    shown->setHeight(2);
    append(db(), shown);
    const auto texts = writtenTexts();
    ASSERT_EQ(texts.size(), 3u);

    const std::vector<Group>& attdef = texts[2];
    EXPECT_EQ(valueOf(attdef, 0), "ATTDEF");
    EXPECT_EQ(valuesOf(attdef, 100), (std::vector<std::string>{"AcDbEntity", "AcDbText", "AcDbAttributeDefinition"}));
    EXPECT_EQ(valueOf(attdef, 1), "\\U+9ED8\\U+8BA4") << "the default value";
    EXPECT_EQ(valueOf(attdef, 3), "Number?");
    EXPECT_EQ(valueOf(attdef, 2), "\\U+7F16\\U+53F7");
    EXPECT_EQ(valueOf(attdef, 70), "6");
    EXPECT_EQ(valueOf(attdef, 72), "2");
    EXPECT_EQ(valueOf(attdef, 73), "9") << "the field length";
    EXPECT_EQ(valueOf(attdef, 74), "1") << "the vertical justification";
    EXPECT_EQ(valuesOf(attdef, 280), (std::vector<std::string>{"0", "1"})) << "version, then the lock";
    EXPECT_EQ(valueOf(attdef, 11), "5");

    EXPECT_EQ(valueOf(texts[0], 1), "value");
    EXPECT_EQ(valueOf(texts[0], 60), "1") << "an invisible attribute is an invisible text";
    EXPECT_EQ(valueOf(texts[0], 2), "");
    EXPECT_EQ(valueOf(texts[1], 1), "seen");
    EXPECT_EQ(valueOf(texts[1], 60), "");
}

// A PNG read back: the colour of its pixels.
class Picture {
public:
    explicit Picture(const std::string& path) : m_surface(cairo_image_surface_create_from_png(path.c_str())) {}
    ~Picture() { cairo_surface_destroy(m_surface); }
    Picture(const Picture&) = delete;
    Picture& operator=(const Picture&) = delete;
    bool ok() const { return cairo_surface_status(m_surface) == CAIRO_STATUS_SUCCESS; }
    bool inked(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= cairo_image_surface_get_width(m_surface) ||
            y >= cairo_image_surface_get_height(m_surface))
            return false;
        const unsigned char* row =
            cairo_image_surface_get_data(m_surface) + y * cairo_image_surface_get_stride(m_surface);
        std::uint32_t pixel;
        std::memcpy(&pixel, row + 4 * x, 4);
        return (pixel & 0xFFFFFF) != 0xFFFFFF;
    }
    // The inked box within x0..x1, y0..y1 (device pixels): {minX, minY, maxX, maxY}, or
    // all -1 when nothing is inked.
    std::array<int, 4> inkedBox(int x0, int y0, int x1, int y1) const
    {
        std::array<int, 4> box{-1, -1, -1, -1};
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x)
                if (inked(x, y))
                    box = box[0] < 0 ? std::array<int, 4>{x, y, x, y}
                                     : std::array<int, 4>{std::min(box[0], x), std::min(box[1], y),
                                                          std::max(box[2], x), std::max(box[3], y)};
        return box;
    }

private:
    cairo_surface_t* m_surface;
};

TEST_F(TextOutput, PngInkLiesWhereTheExtentsSay)
{
    const AcDbObjectId texts[] = {
        append(db(), new AcDbText(AcGePoint3d(0, 0, 0), L"中文 TEXT", AcDbObjectId::kNull, 5)),
        append(db(), new AcDbAttributeDefinition(AcGePoint3d(0, 20, 0), L"v", L"TAG", L"p")),
        append(db(), new AcDbText(AcGePoint3d(80, 0, 0), L"TURNED", AcDbObjectId::kNull, 5, M_PI / 2)),
    };
    test_support::ScratchDir dir("vem_text_plot");
    vemio::PlotOptions options;
    options.window = true;
    options.corner1 = AcGePoint3d(-10, -10, 0);
    options.corner2 = AcGePoint3d(90, 50, 0);
    options.pixelWidth = 1000;
    vemio::PlotPage page;
    std::string error;
    ASSERT_TRUE(vemio::plot(db(), dir.file("texts.png"), options, error, &page)) << error;
    Picture picture(dir.file("texts.png"));
    ASSERT_TRUE(picture.ok());
    for (const AcDbObjectId& id : texts) {
        AcDbEntity* ent = nullptr;
        ASSERT_EQ(Acad::eOk, acdbOpenObject(ent, id, AcDb::kForRead));
        AcDbExtents ink;
        ASSERT_EQ(Acad::eOk, ent->getGeomExtents(ink));
        ent->close();
        const double left = page.deviceX(ink.minPoint().x), right = page.deviceX(ink.maxPoint().x);
        const double top = page.deviceY(ink.maxPoint().y), bottom = page.deviceY(ink.minPoint().y);
        const auto box = picture.inkedBox(int(left) - 6, int(top) - 6, int(right) + 6, int(bottom) + 6);
        ASSERT_GE(box[0], 0) << "the text is drawn";
        EXPECT_NEAR(box[0], left, 2.0);
        EXPECT_NEAR(box[2], right, 2.0);
        EXPECT_NEAR(box[1], top, 2.0);
        EXPECT_NEAR(box[3], bottom, 2.0);
    }
}

}  // namespace
