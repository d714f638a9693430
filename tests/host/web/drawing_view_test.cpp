// The page's view of the drawing: the entities the spatial index finds for a window
// give what walking every entity gives, through edits, undo and redo; at the view's
// pixel size, entities under a couple of pixels come as marks of pixel cells in their
// colour, texts too low to read as a stroke along their ink, and strokes in steps of
// an eighth of a pixel that land where their points are.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "dbents.h"
#include "dbmtext.h"
#include "drawing_builder.h"
#include "drawing_view.h"
#include "host_fixture.h"
#include "label_builder.h"
#include "rxdict.h"
#include "spatial_index.h"
#include "undo.h"
#include "vemhost_io.h"

namespace {

using test_support::addLayer;
using test_support::appendTo;
using test_support::newLine;
using test_support::newPolyline;
using test_support::newText;

vemweb::ViewWindow window(double x0, double y0, double x1, double y1, int w = 0, int h = 0)
{
    vemweb::ViewWindow v;
    v.minX = x0, v.minY = y0, v.maxX = x1, v.maxY = y1;
    v.pixelWidth = w, v.pixelHeight = h;
    return v;
}

size_t count(const std::string& text, const std::string& what)
{
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// The numbers of the JSON array that follows `key` at or after `from`.
std::vector<double> numbersAfter(const std::string& json, const std::string& key, size_t from = 0)
{
    std::vector<double> out;
    size_t at = json.find(key, from);
    if (at == std::string::npos)
        return out;
    at += key.size();
    for (int depth = 0; at < json.size(); ++at) {
        const char c = json[at];
        if (c == '[')
            ++depth;
        else if (c == ']' && --depth <= 0)
            break;
        else if (c == '-' || (c >= '0' && c <= '9')) {
            size_t used = 0;
            out.push_back(std::stod(json.substr(at), &used));
            at += used - 1;
        }
    }
    return out;
}

class DrawingView : public HostFixture {
protected:
    void SetUp() override
    {
        HostFixture::SetUp();
        ASSERT_TRUE(acrxClassDictionary->at(L"ECoPoint") != nullptr || loadLabels());
    }
    void TearDown() override
    {
        acrt::useSpatialIndex(true);
        HostFixture::TearDown();
    }
    static bool loadLabels();

    double coord(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(m_rng); }
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }

    // Lines and polylines from a pixel to a hundred units long, texts from a tenth of a
    // unit to ten high at any angle, point labels, some on a layer that is off.
    void appendRandom()
    {
        const double x = coord(0, 1000), y = coord(0, 1000), size = std::pow(10.0, coord(-1, 2));
        const AcDbObjectId layer = below(8) == 0 ? m_offLayer : AcDbObjectId();
        AcDbEntity* ent = nullptr;
        switch (below(4)) {
        case 0: ent = newLine(x, y, x + size * coord(-1, 1), y + size * coord(-1, 1), layer, 1 + below(7)); break;
        case 1:
            ent = newPolyline({{x, y, 0, 0, 0}, {x + size, y, 0, 0, coord(-1, 1)}, {x + size, y + size, 0, 0, 0}},
                              below(2) == 0, layer);
            break;
        case 2: ent = newText(L"N=125.5\\PE=7", x, y, size / 10, coord(0, 6.3)); break;
        default:
            ent = test_support::newPointLabel(AcDbObjectId(), AcGePoint3d(x, y, 0), AcGePoint3d(x + 2, y + 3, 0),
                                              AcGeVector3d::kXAxis, 1, size / 20);
        }
        const AcDbObjectId id = appendTo(db(), ACDB_MODEL_SPACE, ent);
        ASSERT_FALSE(id.isNull());
        m_ids.push_back(id);
    }
    void editRandomly(int changes)
    {
        vemhost::UndoHistory& history = *vemhost::undoHistory(db());
        history.beginCommand(L"EDIT");
        for (int i = 0; i < changes; ++i) {
            AcDbEntity* ent = nullptr;
            if (below(3) == 0) {
                appendRandom();
            } else if (acdbOpenAcDbEntity(ent, m_ids[size_t(below(int(m_ids.size())))], AcDb::kForWrite) ==
                       Acad::eOk) {
                if (below(2) == 0)
                    ent->erase();
                else
                    ent->transformBy(AcGeMatrix3d::translation(AcGeVector3d(coord(-200, 200), coord(-200, 200), 0)));
                ent->close();
            }
        }
        history.endCommand();
    }

    // Random windows, without a pixel size and at a few: the view through the index is
    // the view that measures every entity.
    void expectTheFullWalk(int windows)
    {
        for (int i = 0; i < windows; ++i) {
            const double x = coord(-100, 900), y = coord(-100, 900), span = std::pow(10.0, coord(0, 3));
            for (int pixels : {0, 40, 800}) {
                const vemweb::ViewWindow w = window(x, y, x + span, y + span * 0.625, pixels, pixels * 5 / 8);
                acrt::useSpatialIndex(true);
                const std::string indexed = vemweb::viewJson(db(), w);
                acrt::useSpatialIndex(false);
                const std::string walked = vemweb::viewJson(db(), w);
                acrt::useSpatialIndex(true);
                ASSERT_EQ(indexed, walked) << "window " << x << "," << y << " span " << span << " at " << pixels;
                if (pixels == 0) {
                    EXPECT_EQ(count(indexed, "{\"k\":"), primitivesMeeting(w)) << "window " << x << "," << y;
                }
            }
        }
    }

    // What drawing every entity of model space gives on layers that show, within w.
    size_t primitivesMeeting(const vemweb::ViewWindow& w)
    {
        size_t n = 0;
        AcDbBlockTableRecord* space = nullptr;
        EXPECT_EQ(acdbOpenObject(space, test_support::blockId(db(), ACDB_MODEL_SPACE), AcDb::kForRead), Acad::eOk);
        vemhost::PrimitiveCollector collector;
        for (const AcDbObjectId& id : space->entityIds()) {
            AcDbEntity* ent = nullptr;
            if (acdbOpenAcDbEntity(ent, id, AcDb::kForRead) != Acad::eOk)
                continue;
            collector.clear();
            collector.draw(ent);
            ent->close();
            for (const vemhost::Primitive& p : collector.primitives()) {
                double x0 = HUGE_VAL, y0 = HUGE_VAL, x1 = -HUGE_VAL, y1 = -HUGE_VAL;
                for (const AcGePoint3d& q : p.points)
                    x0 = std::min(x0, q.x), y0 = std::min(y0, q.y), x1 = std::max(x1, q.x), y1 = std::max(y1, q.y);
                n += p.layerId != m_offLayer && x0 <= w.maxX && x1 >= w.minX && y0 <= w.maxY && y1 >= w.minY;
            }
        }
        space->close();
        return n;
    }

    std::mt19937 m_rng{1414};
    std::vector<AcDbObjectId> m_ids;
    AcDbObjectId m_offLayer;
};

extern "C" AcRx::AppRetCode acrxEntryPoint(AcRx::AppMsgCode msg, void* pkt);

bool DrawingView::loadLabels()
{
    static int token;
    vemhost::startCapture();
    acrxEntryPoint(AcRx::kInitAppMsg, &token);
    vemhost::takeCaptured();
    vemhost::stopCapture();
    return acrxClassDictionary->at(L"ECoPoint") != nullptr;
}

}  // namespace

TEST_F(DrawingView, WindowsThroughTheIndexShowWhatEveryEntityShowsThroughEditsUndoAndRedo)
{
    m_offLayer = addLayer(db(), L"Off", 3, true);
    for (int i = 0; i < 300; ++i)
        appendRandom();
    expectTheFullWalk(20);
    vemhost::UndoHistory& history = *vemhost::undoHistory(db());
    for (int round = 0; round < 6; ++round) {
        editRandomly(round == 2 ? 120 : 12);
        expectTheFullWalk(6);
        if (round % 2 == 1) {
            history.undo(2);
            expectTheFullWalk(6);
            history.redo(1);
            expectTheFullWalk(6);
        }
    }
}

TEST_F(DrawingView, ExtentsHoldWhatShowsAndLeaveOutLayersThatAreOff)
{
    EXPECT_NE(vemweb::viewJson(db(), window(0, 0, 1, 1, 100, 100)).find("\"extents\":null,\"items\":[]"),
              std::string::npos);
    const AcDbObjectId off = addLayer(db(), L"Off", 3, true);
    appendTo(db(), ACDB_MODEL_SPACE, newLine(0, 0, 100, 50));
    appendTo(db(), ACDB_MODEL_SPACE, newLine(-20, 10, 30, 80));
    const std::string json = vemweb::viewJson(db(), window(0, 0, 1, 1, 100, 100));
    EXPECT_NE(json.find("\"extents\":[-20,0,100,80]"), std::string::npos) << json;
    appendTo(db(), ACDB_MODEL_SPACE, newLine(500, 500, 600, 600, off));
    EXPECT_EQ(vemweb::viewJson(db(), window(0, 0, 1, 1, 100, 100)), json);
}

TEST_F(DrawingView, EntitiesUnderACoupleOfPixelsAreMarksOfTheCellsTheyTouch)
{
    const AcDbObjectId red = addLayer(db(), L"Red", 1);
    const AcDbObjectId off = addLayer(db(), L"Off", 3, true);
    appendTo(db(), ACDB_MODEL_SPACE, newLine(0, 0, 100, 0));
    for (int i = 0; i < 20; ++i)  // all in the pixel of row 89, column 10
        appendTo(db(), ACDB_MODEL_SPACE, newLine(10.1, 10.1, 10.5 - i * 0.01, 10.3, red));
    appendTo(db(), ACDB_MODEL_SPACE, newLine(20.5, 50.5, 26.5, 50.5, red));  // thin: 6 by 0 pixels
    appendTo(db(), ACDB_MODEL_SPACE, newLine(40.5, 40.5, 41, 41, off));
    const vemweb::ViewWindow view = window(0, 0, 100, 100, 100, 100);
    const std::string json = vemweb::viewJson(db(), view);
    // The long line is a stroke in eighths of a pixel from the top-left corner; the marks
    // come last, one item per colour, each cell once.
    EXPECT_NE(json.find("\"items\":[{\"k\":\"L\",\"c\":\"#ffffff\",\"x\":0,\"y\":100,\"d\":0.125,\"p\":[[0,800,800,"
                        "800]]},{\"k\":\"m\",\"c\":\"#ff0000\",\"x\":0,\"y\":100,\"d\":1,\"r\":[49,20,7,89,10,1]}],"),
              std::string::npos)
        << json;

    // Closer, the same entities are strokes; without a pixel size, every detail as it was.
    const std::string near = vemweb::viewJson(db(), window(9, 9, 29, 29, 800, 800));
    EXPECT_EQ(count(near, "\"k\":\"m\""), 0u) << near;
    EXPECT_EQ(count(near, "],["), 19u);  // 20 strokes in one item
    const std::string full = vemweb::viewJson(db(), window(0, 0, 100, 100));
    EXPECT_EQ(count(full, "{\"k\":\"l\""), 22u) << full;
    EXPECT_NE(full.find("\"p\":[10.1,10.1,10.5,10.3]"), std::string::npos);
}

TEST_F(DrawingView, StrokesLandWithinASixteenthOfAPixelOfTheirPoints)
{
    appendTo(db(), ACDB_MODEL_SPACE, newLine(123.4567, -45.678, 777.77, 333.333));
    const vemweb::ViewWindow view = window(-13.3, -100.7, 1013.3, 541.1, 1600, 1000);
    const std::string json = vemweb::viewJson(db(), view);
    const std::vector<double> origin = {numbersAfter(json, "\"x\":").at(0), numbersAfter(json, "\"y\":").at(0),
                                        numbersAfter(json, "\"d\":").at(0)};
    const std::vector<double> steps = numbersAfter(json, "\"p\":");
    ASSERT_EQ(steps.size(), 4u) << json;
    const double pixel = std::max((view.maxX - view.minX) / 1600, (view.maxY - view.minY) / 1000);
    EXPECT_NEAR(origin[2], pixel / 8, 1e-12);
    EXPECT_NEAR(origin[0] + steps[0] * origin[2], 123.4567, pixel / 16);
    EXPECT_NEAR(origin[1] - steps[1] * origin[2], -45.678, pixel / 16);
    EXPECT_NEAR(origin[0] + steps[2] * origin[2], 777.77, pixel / 16);
    EXPECT_NEAR(origin[1] - steps[3] * origin[2], 333.333, pixel / 16);
}

TEST_F(DrawingView, TextsTooLowToReadAreAStrokeAlongTheirInk)
{
    const AcDbObjectId text = appendTo(db(), ACDB_MODEL_SPACE,
                                       newText(L"X=3000.000", 10, 10, 3, 0, AcDbMText::kBottomLeft));
    const AcDbObjectId turned = appendTo(db(), ACDB_MODEL_SPACE,
                                         newText(L"Y=25", 60, 10, 3, M_PI / 2, AcDbMText::kBottomLeft));
    appendTo(db(), ACDB_MODEL_SPACE, newText(L"A\\PB\\PC\\PD\\PE\\PF", 10, 80, 3, 0, AcDbMText::kBottomLeft));
    AcDbExtents ink;
    AcDbEntity* ent = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(ent, text, AcDb::kForRead), Acad::eOk);
    ASSERT_EQ(ent->getGeomExtents(ink), Acad::eOk);
    ent->close();

    // 3 units high at a pixel a unit: one stroke through the middle of the ink, the
    // turned text one upright; the block of six lines is a filled outline.
    const std::string json = vemweb::viewJson(db(), window(0, 0, 100, 100, 100, 100));
    const std::vector<double> strokes = numbersAfter(json, "\"p\":");
    ASSERT_EQ(strokes.size(), 8u) << json;
    EXPECT_NEAR(strokes[0] / 8, ink.minPoint().x, 1.0 / 16);
    EXPECT_NEAR(strokes[2] / 8, ink.maxPoint().x, 1.0 / 16);
    EXPECT_NEAR(100 - strokes[1] / 8, (ink.minPoint().y + ink.maxPoint().y) / 2, 1.0 / 16);
    EXPECT_EQ(strokes[1], strokes[3]);
    EXPECT_EQ(strokes[4], strokes[6]);
    EXPECT_EQ(count(json, "{\"k\":\"g\""), 1u) << json;

    // At 2 pixels a unit, 6 pixels high: drawn in its strokes.
    const std::string close = vemweb::viewJson(db(), window(0, 0, 100, 62.5, 200, 125));
    EXPECT_GT(count(close, "],["), 10u);
    (void)turned;
}

TEST_F(DrawingView, PointLabelsFarOffAreMarksAndNearerTheirTextsAreStrokes)
{
    appendTo(db(), ACDB_MODEL_SPACE, test_support::newPointLabel(AcDbObjectId(), AcGePoint3d(10, 10, 0),
                                                                 AcGePoint3d(16, 4, 0)));
    // Its 24 by 8 or so units are a few cells at 10 units a pixel, its texts one stroke
    // each at a pixel a unit, and stroked glyphs at 4 pixels a unit.
    const std::string far = vemweb::viewJson(db(), window(0, -500, 1000, 500, 100, 100));
    EXPECT_EQ(count(far, "\"k\":"), 1u) << far;
    EXPECT_EQ(count(far, "\"k\":\"m\""), 1u);
    const std::string middle = vemweb::viewJson(db(), window(0, -50, 100, 50, 100, 100));
    EXPECT_EQ(count(middle, "\"k\":"), 1u) << middle;
    EXPECT_EQ(count(middle, "],["), 3u);  // leader, underline and two texts
    const std::string near = vemweb::viewJson(db(), window(0, -15, 50, 35, 200, 200));
    EXPECT_GT(count(near, "],["), 20u);
}
