// Ellipses and splines in DXFOUT and PLOT: the groups of ELLIPSE and SPLINE (flags,
// counts, knots, weights, control and fit points, tangents), curves that cannot be
// written left out, and ink in a PNG where the curves pass and none where they do not.
#include <gtest/gtest.h>

#include <cairo.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "dbelipse.h"
#include "dbspline.h"
#include "dxf_test_drawing.h"
#include "dxf_writer.h"
#include "host_fixture.h"
#include "plot.h"
#include "scratch_dir.h"

namespace {

using namespace dxf_test;

AcGePoint3dArray pointArray(std::initializer_list<AcGePoint3d> points)
{
    AcGePoint3dArray array;
    for (const AcGePoint3d& p : points)
        array.append(p);
    return array;
}

AcGeDoubleArray doubleArray(std::initializer_list<double> values)
{
    AcGeDoubleArray array;
    for (double v : values)
        array.append(v);
    return array;
}

// The codes of an entity's groups after its own subclass marker.
std::vector<int> codesAfter(const std::vector<Group>& object, const std::string& marker)
{
    std::vector<int> codes;
    bool after = false;
    for (const Group& g : object) {
        if (after)
            codes.push_back(g.code);
        after = after || (g.code == 100 && g.value == marker);
    }
    return codes;
}

std::vector<double> numbersOf(const std::vector<Group>& object, int code)
{
    std::vector<double> numbers;
    for (const std::string& v : valuesOf(object, code))
        numbers.push_back(std::stod(v));
    return numbers;
}

class CurvesOutput : public HostFixture {
protected:
    std::vector<std::vector<Group>> written(const std::string& type, vemio::DxfStats* stats = nullptr)
    {
        std::string dxf, error;
        EXPECT_TRUE(vemio::writeDxfToString(db(), dxf, error, stats)) << error;
        EXPECT_EQ(vemhost::testing::openObjectCount(db()), 0);
        return objectsOfType(readGroups(dxf), type);
    }
};

}  // namespace

TEST_F(CurvesOutput, EllipsesAreWrittenWithCentreAxisExtrusionRatioAndParameters)
{
    append(db(), new AcDbEllipse(AcGePoint3d(1, 2, 0), AcGeVector3d::kZAxis, AcGeVector3d(3, 0, 0), 0.5, 0, M_PI / 2));
    append(db(), new AcDbEllipse(AcGePoint3d(0, 0, 5), AcGeVector3d(0, -1, 0), AcGeVector3d(0, 0, 2), 0.25));
    append(db(), new AcDbEllipse(AcGePoint3d(), AcGeVector3d(), AcGeVector3d(), 0.5));  // null: left out
    vemio::DxfStats stats;
    const auto ellipses = written("ELLIPSE", &stats);
    ASSERT_EQ(2u, ellipses.size());
    EXPECT_EQ(1, stats.skipped);
    const std::vector<int> codes = {10, 20, 30, 11, 21, 31, 210, 220, 230, 40, 41, 42};
    EXPECT_EQ(codes, codesAfter(ellipses[0], "AcDbEllipse"));
    EXPECT_EQ((std::vector<double>{1}), numbersOf(ellipses[0], 10));
    EXPECT_EQ((std::vector<double>{3}), numbersOf(ellipses[0], 11));
    EXPECT_EQ((std::vector<double>{1}), numbersOf(ellipses[0], 230));
    EXPECT_EQ((std::vector<double>{0.5}), numbersOf(ellipses[0], 40));
    EXPECT_EQ((std::vector<double>{0}), numbersOf(ellipses[0], 41));
    EXPECT_EQ((std::vector<double>{M_PI / 2}), numbersOf(ellipses[0], 42)) << "parameters read back exactly";
    // A standing ellipse: world coordinates and its normal, the whole turn.
    EXPECT_EQ((std::vector<double>{5}), numbersOf(ellipses[1], 30));
    EXPECT_EQ((std::vector<double>{2}), numbersOf(ellipses[1], 31));
    EXPECT_EQ((std::vector<double>{-1}), numbersOf(ellipses[1], 220));
    EXPECT_EQ((std::vector<double>{2 * M_PI}), numbersOf(ellipses[1], 42));
}

TEST_F(CurvesOutput, SplinesAreWrittenWithFlagsCountsKnotsWeightsAndPoints)
{
    const double w = std::sqrt(0.5);
    append(db(), new AcDbSpline(pointArray({{0, 0, 0}, {2, 2, 0}, {4, 0, 0}}), AcGeVector3d(0, 1, 0),
                                AcGeVector3d(1, 0, 0)));
    append(db(), new AcDbSpline(2, true, false, false, pointArray({{2, 0, 0}, {2, 2, 0}, {0, 2, 0}}),
                                doubleArray({0, 0, 0, 1, 1, 1}), doubleArray({1, w, 1})));
    append(db(), new AcDbSpline(1, false, false, false, pointArray({{0, 0, 0}, {1, 0, 1}, {1, 1, 0}, {0, 1, 2}}),
                                doubleArray({0, 0, 1, 2, 3, 3}), AcGeDoubleArray()));
    append(db(), new AcDbSpline(pointArray({{0, 0, 3}, {4, 0, 3}, {4, 4, 3}}), true));
    const auto splines = written("SPLINE");
    ASSERT_EQ(4u, splines.size());
    const struct {
        const char* name;
        int flags, degree, knots, points, fits;
        bool normal, tangents;
    } cases[] = {
        {"fitted with tangents", 8, 3, 9, 5, 3, true, true},
        {"rational quarter circle", 4 + 8, 2, 6, 3, 0, true, false},
        {"in space", 0, 1, 6, 4, 0, false, false},
        {"closed fit", 1 + 8, 3, 0, 0, 3, true, false},
    };
    for (size_t i = 0; i < 4; ++i) {
        const auto& c = cases[i];
        const auto& s = splines[i];
        EXPECT_EQ(std::to_string(c.flags), valueOf(s, 70)) << c.name;
        EXPECT_EQ(std::to_string(c.degree), valueOf(s, 71)) << c.name;
        const int knots = std::stoi(valueOf(s, 72)), points = std::stoi(valueOf(s, 73));
        if (c.knots > 0) {
            EXPECT_EQ(c.knots, knots) << c.name;
            EXPECT_EQ(c.points, points) << c.name;
        }
        EXPECT_EQ(knots, int(valuesOf(s, 40).size())) << c.name;
        EXPECT_EQ(points, int(valuesOf(s, 10).size())) << c.name;
        EXPECT_EQ(points, int(valuesOf(s, 20).size())) << c.name;
        EXPECT_EQ(std::to_string(c.fits), valueOf(s, 74)) << c.name;
        EXPECT_EQ(c.fits, int(valuesOf(s, 11).size())) << c.name;
        EXPECT_EQ(c.normal, !valueOf(s, 210).empty()) << c.name;
        EXPECT_EQ(c.tangents, !valueOf(s, 12).empty() && !valueOf(s, 13).empty()) << c.name;
    }
    EXPECT_EQ((std::vector<double>{1, w, 1}), numbersOf(splines[1], 41)) << "weights of a rational spline";
    EXPECT_TRUE(valuesOf(splines[0], 41).empty()) << "no weights otherwise";
    EXPECT_EQ((std::vector<double>{0, 2, 4}), numbersOf(splines[0], 11));
    EXPECT_EQ((std::vector<double>{1}), numbersOf(splines[0], 22)) << "the start tangent";
    EXPECT_EQ((std::vector<double>{0, 0, 1, 2, 3, 3}), numbersOf(splines[2], 40));
    // Groups in the order of the DXF reference.
    const std::vector<int> head = {210, 220, 230, 70, 71, 72, 73, 74, 42, 43, 44, 12, 22, 32, 13, 23, 33, 40};
    const std::vector<int> codes = codesAfter(splines[0], "AcDbSpline");
    EXPECT_EQ(head, std::vector<int>(codes.begin(), codes.begin() + long(head.size())));
}

TEST_F(CurvesOutput, PlottedCurvesLeaveInkWhereTheyPass)
{
    append(db(), new AcDbEllipse(AcGePoint3d(0, 0, 0), AcGeVector3d::kZAxis, AcGeVector3d(50, 0, 0), 0.5));
    append(db(), new AcDbSpline(pointArray({{80, -20, 0}, {100, 20, 0}, {120, -10, 0}, {140, 25, 0}})));
    test_support::ScratchDir dir("vem_curves_plot");
    std::string error;
    vemio::PlotPage page;
    ASSERT_TRUE(vemio::plot(db(), dir.file("curves.png"), vemio::PlotOptions(), error, &page)) << error;
    cairo_surface_t* surface = cairo_image_surface_create_from_png(dir.file("curves.png").c_str());
    ASSERT_EQ(CAIRO_STATUS_SUCCESS, cairo_surface_status(surface));
    const int width = cairo_image_surface_get_width(surface), height = cairo_image_surface_get_height(surface);
    auto inkedNear = [&](double x, double y) {
        const int px = int(std::lround(page.deviceX(x))), py = int(std::lround(page.deviceY(y)));
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx) {
                if (px + dx < 0 || py + dy < 0 || px + dx >= width || py + dy >= height)
                    continue;
                const unsigned char* row =
                    cairo_image_surface_get_data(surface) + (py + dy) * cairo_image_surface_get_stride(surface);
                std::uint32_t pixel;
                std::memcpy(&pixel, row + 4 * (px + dx), 4);
                if ((pixel & 0xFFFFFF) != 0xFFFFFF)
                    return true;
            }
        return false;
    };
    for (const AcGePoint3d& p : {AcGePoint3d(50, 0, 0), AcGePoint3d(0, 25, 0), AcGePoint3d(-50, 0, 0),
                                 AcGePoint3d(50 * std::cos(1.0), 25 * std::sin(1.0), 0), AcGePoint3d(80, -20, 0),
                                 AcGePoint3d(100, 20, 0), AcGePoint3d(120, -10, 0), AcGePoint3d(140, 25, 0)})
        EXPECT_TRUE(inkedNear(p.x, p.y)) << p.x << "," << p.y;
    for (const AcGePoint3d& p : {AcGePoint3d(0, 0, 0), AcGePoint3d(0, 15, 0), AcGePoint3d(110, -20, 0)})
        EXPECT_FALSE(inkedNear(p.x, p.y)) << p.x << "," << p.y << " is off the curves";
    cairo_surface_destroy(surface);
}
