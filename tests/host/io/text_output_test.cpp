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

#include "cjk_outlines.h"
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

double number(const std::vector<Group>& object, int code)
{
    return std::strtod(valueOf(object, code).c_str(), nullptr);
}

// Each code's first value, "" for a code the object must not have.
void expectGroups(const std::vector<Group>& object, const std::vector<std::pair<int, std::string>>& expected)
{
    for (const auto& [code, value] : expected)
        EXPECT_EQ(valueOf(object, code), value) << valueOf(object, 0) << " group " << code;
}

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

    EXPECT_EQ(valuesOf(texts[0], 100), (std::vector<std::string>{"AcDbEntity", "AcDbText", "AcDbText"}));
    EXPECT_NEAR(number(texts[0], 50), 30.0, 1e-12);
    // A left/base text has no second point; thickness and extrusion are left out.
    expectGroups(texts[0], {{1, "\\U+5750\\U+6807 X=1"}, {10, "1"}, {20, "2"}, {40, "2.5"}, {41, "1"}, {51, "0"},
                            {7, "vem_text"}, {71, "0"}, {72, "0"}, {73, "0"}, {11, ""}, {39, ""}, {210, ""}});
    // Backward and upside down (6), top (3) center (1). The position the justification
    // computed: the 6 wide run at 0.75 (4.5), mirrored both ways about the alignment
    // point, starts 2.25 right of it and 3 above.
    expectGroups(texts[1], {{7, "Standard"}, {71, "6"}, {72, "1"}, {73, "3"}, {11, "10"}, {21, "20"}, {41, "0.75"}});
    EXPECT_NEAR(number(texts[1], 51), 15.0, 1e-12);
    EXPECT_NEAR(number(texts[1], 10), 12.25, 1e-12);
    EXPECT_NEAR(number(texts[1], 20), 23.0, 1e-12);
    // In the plane x = 0: the extrusion, and the points in that plane's coordinates.
    expectGroups(texts[2], {{210, "1"}, {10, "3"}, {20, "4"}, {30, "0"}});
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
    for (bool invisible : {true, false}) {
        AcDbAttribute* attribute = new AcDbAttribute(AcGePoint3d(1, 1, 0), invisible ? L"hidden" : L"seen", L"TAG");
        attribute->setInvisible(invisible);
        append(db(), attribute);
    }
    const auto texts = writtenTexts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(valuesOf(texts[2], 100), (std::vector<std::string>{"AcDbEntity", "AcDbText", "AcDbAttributeDefinition"}));
    // The default value, prompt and tag; constant and verifiable (6); bottom (1) right
    // (2); the field length in 73; the version, then the lock.
    expectGroups(texts[2], {{0, "ATTDEF"}, {1, "\\U+9ED8\\U+8BA4"}, {3, "Number?"}, {2, "\\U+7F16\\U+53F7"}, {70, "6"},
                            {72, "2"}, {73, "9"}, {74, "1"}, {11, "5"}});
    EXPECT_EQ(valuesOf(texts[2], 280), (std::vector<std::string>{"0", "1"}));
    // An attribute no reference owns: the text of its value, invisible when it is.
    expectGroups(texts[0], {{1, "hidden"}, {60, "1"}, {2, ""}});
    expectGroups(texts[1], {{1, "seen"}, {60, ""}});
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
    // The first text starts with a glyph from the CJK outline font, which stands inside
    // the square measured for it by a tenth of the square at most.
    const double glyphInset = acrt::CjkOutlines::shared().isLoaded() ? 0.1 * 5 * page.scale : 0.0;
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
        const double inset = id == texts[0] ? glyphInset : 0.0;
        EXPECT_GE(box[0], left - 2.0);
        EXPECT_LE(box[0], left + 2.0 + inset);
        EXPECT_NEAR(box[2], right, 2.0);
        EXPECT_NEAR(box[1], top, 2.0);
        EXPECT_NEAR(box[3], bottom, 2.0);
    }
}

}  // namespace
