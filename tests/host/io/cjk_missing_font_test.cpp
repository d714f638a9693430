// Without the CJK outline font (VEM_CJK_FONT names a file that is not there) a Chinese
// character plots as the square it plotted as before: pixel for pixel that of a
// character no font has.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <utility>

#include "cjk_outlines.h"
#include "dbents.h"
#include "dbsymtb.h"
#include "host_fixture.h"
#include "plot.h"
#include "png_picture.h"
#include "scratch_dir.h"

namespace {

// Before any text is drawn in this process, which is when the font is read.
const bool kFontHidden = ::setenv("VEM_CJK_FONT", "/nonexistent/vem-cjk-outlines.ttc", 1) == 0;

class CjkMissingFont : public HostFixture {};

TEST_F(CjkMissingFont, AChineseCharacterPlotsAsTheSquare)
{
    ASSERT_TRUE(kFontHidden);
    ASSERT_FALSE(acrt::CjkOutlines::shared().isLoaded());
    EXPECT_EQ(acrt::CjkOutlines::shared().sourcePath(), "/nonexistent/vem-cjk-outlines.ttc");
    const wchar_t square[] = {wchar_t(0x10FFFD), 0};
    AcDbBlockTableRecord* space = nullptr;
    ASSERT_EQ(acdbOpenObject(space, db()->currentSpaceId(), AcDb::kForWrite), Acad::eOk);
    for (const auto& [x, text] : {std::pair<double, const wchar_t*>{0, L"北"}, {20, square}}) {
        AcDbText* entity = new AcDbText(AcGePoint3d(x, 0, 0), text, AcDbObjectId::kNull, 10);
        if (space->appendAcDbEntity(entity) != Acad::eOk)
            delete entity;
        else
            entity->close();
    }
    space->close();
    test_support::ScratchDir dir("vem_cjk_missing");
    vemio::PlotOptions options;
    options.window = true;
    options.corner1 = AcGePoint3d(-5, -5, 0);
    options.corner2 = AcGePoint3d(35, 15, 0);
    options.pixelWidth = 400;
    vemio::PlotPage page;
    std::string error;
    ASSERT_TRUE(vemio::plot(db(), dir.file("squares.png"), options, error, &page)) << error;
    const test_support::PngPicture picture(dir.file("squares.png"));
    ASSERT_TRUE(picture.ok());
    const int shift = int(std::lround(page.deviceX(20) - page.deviceX(0)));
    int inked = 0, differing = 0;
    for (int y = int(page.deviceY(12)); y <= int(page.deviceY(-2)); ++y)
        for (int x = int(page.deviceX(-2)); x <= int(page.deviceX(12)); ++x) {
            inked += picture.inked(x, y) ? 1 : 0;
            differing += picture.at(x, y) != picture.at(x + shift, y) ? 1 : 0;
        }
    EXPECT_GT(inked, 100) << "the square is drawn";
    EXPECT_EQ(differing, 0) << "as for a character without a glyph";
}

}  // namespace
