// The spatial index against the full scan it stands in for: random drawings of lines,
// polylines and texts, edited by moves, erases, appends, undo and redo (the index built
// early and kept up to date), must give the same picks, snaps and windows, in the same
// order, as asking every entity.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "dbapserv.h"
#include "dbents.h"
#include "dbsymtb.h"
#include "drawing_builder.h"
#include "editor_internals.h"
#include "host_fixture.h"
#include "selection_areas.h"
#include "spatial_index.h"
#include "undo.h"
#include "vemhost_program.h"
#include "vemhost_testing.h"

namespace {

class SpatialIndex : public HostFixture {
protected:
    void SetUp() override
    {
        HostFixture::SetUp();
        vemhost::setPickBox(2.5);
        vemhost::startCapture();
    }
    void TearDown() override
    {
        vemhost::takeCaptured();
        acrt::useSpatialIndex(true);
        HostFixture::TearDown();
    }

    double coord(double lo, double hi) { return std::uniform_real_distribution<double>(lo, hi)(m_rng); }
    int below(int n) { return std::uniform_int_distribution<int>(0, n - 1)(m_rng); }
    AcGePoint3d somewhere() { return AcGePoint3d(coord(-10, 210), coord(-10, 210), 0); }

    AcDbEntity* randomEntity()
    {
        const double x = coord(0, 200), y = coord(0, 200);
        switch (below(3)) {
        case 0:
            return test_support::newLine(x, y, x + coord(-30, 30), y + coord(-30, 30));
        case 1:
            return test_support::newPolyline({{x, y, 0, 0, 0},
                                              {x + coord(-20, 20), y + coord(-20, 20), 0, 0, coord(-1, 1)},
                                              {x + coord(-20, 20), y + coord(-20, 20), 0, 0, 0}},
                                             below(2) == 0);
        default:
            return test_support::newText(L"P12", x, y, coord(0.5, 4), coord(0, 3));
        }
    }
    void appendRandom(const ACHAR* space = ACDB_MODEL_SPACE)
    {
        const AcDbObjectId id = test_support::appendTo(db(), space, randomEntity());
        ASSERT_FALSE(id.isNull());
        m_ids.push_back(id);
    }
    void edit(AcDbObjectId id, bool erasing)
    {
        AcDbEntity* ent = nullptr;
        if (acdbOpenAcDbEntity(ent, id, AcDb::kForWrite) != Acad::eOk)
            return;
        if (erasing)
            ent->erase();
        else
            ent->transformBy(AcGeMatrix3d::translation(AcGeVector3d(coord(-40, 40), coord(-40, 40), 0)));
        ent->close();
    }
    // One command: some entities moved, some erased, some appended.
    void randomCommand(int changes)
    {
        vemhost::UndoHistory& history = *vemhost::undoHistory(db());
        history.beginCommand(L"EDIT");
        for (int i = 0; i < changes; ++i) {
            const int what = below(3);
            if (what == 2)
                appendRandom();
            else
                edit(m_ids[size_t(below(int(m_ids.size())))], what == 1);
        }
        history.endCommand();
    }

    // Each question asked with the index and by the full scan.
    template <class Ask>
    void expectSameAnswers(Ask ask, const char* what)
    {
        acrt::useSpatialIndex(true);
        const auto indexed = ask();
        acrt::useSpatialIndex(false);
        const auto scanned = ask();
        acrt::useSpatialIndex(true);
        EXPECT_EQ(indexed, scanned) << what;
    }
    // The entities a WP or CP polygon through the corners finds, its corners typed.
    std::vector<AcDbObjectId> inPolygon(acrt::SelectionArea area, const std::vector<AcGePoint3d>& corners)
    {
        for (const AcGePoint3d& c : corners)
            vemhost::queueInput(std::to_wstring(c.x) + L"," + std::to_wstring(c.y));
        vemhost::queueInput(L"");
        std::vector<AcDbObjectId> found;
        vemhost::CrossingRegion region;
        EXPECT_TRUE(acrt::entitiesInArea(db(), area, found, region));
        return found;
    }
    void expectAgreement(int questions)
    {
        for (int i = 0; i < questions; ++i) {
            const AcGePoint3d p = somewhere(), q = somewhere();
            expectSameAnswers([&] { return acrt::entitiesAtPick(db(), p); }, "pick");
            expectSameAnswers([&] { return acrt::entitiesInWindow(db(), p, q, i % 2 == 0); }, "window");
            expectSameAnswers(
                [&] {
                    AcGePoint3d snapped(-1, -1, -1);
                    const bool found = acrt::snapPoint(db(), 0x3ff, p, q, snapped);
                    return std::make_pair(found, std::vector<double>{snapped.x, snapped.y, snapped.z});
                },
                "snap");
            if (i % 4 != 0)
                continue;
            const std::vector<AcGePoint3d> corners = {p, q, somewhere(), somewhere()};
            const acrt::SelectionArea area =
                i % 8 == 0 ? acrt::SelectionArea::kCrossingPolygon : acrt::SelectionArea::kWindowPolygon;
            expectSameAnswers([&] { return inPolygon(area, corners); }, "polygon");
        }
    }

    std::mt19937 m_rng{14};
    std::vector<AcDbObjectId> m_ids;
};

TEST_F(SpatialIndex, AnswersAsTheFullScanThroughEditsUndoAndRedo)
{
    for (int i = 0; i < 300; ++i)
        appendRandom();
    for (int i = 0; i < 20; ++i)
        appendRandom(ACDB_PAPER_SPACE);
    expectAgreement(60);
    vemhost::UndoHistory& history = *vemhost::undoHistory(db());
    for (int round = 0; round < 8; ++round) {
        randomCommand(round == 3 ? 120 : 12);  // one command changes much of the drawing
        expectAgreement(40);
        if (round % 3 == 1) {
            history.undo(1);
            expectAgreement(40);
        }
        if (round % 3 == 2) {
            history.undo(2);
            expectAgreement(20);
            history.redo(1);
            expectAgreement(40);
        }
    }
}

TEST_F(SpatialIndex, AnswersAsTheFullScanWhileAnEntityIsOpenForWrite)
{
    for (int i = 0; i < 50; ++i)
        appendRandom();
    expectAgreement(20);
    AcDbLine* line = nullptr;
    const AcDbObjectId id = test_support::appendTo(db(), ACDB_MODEL_SPACE, test_support::newLine(0, 0, 10, 0));
    ASSERT_EQ(acdbOpenObject(line, id, AcDb::kForWrite), Acad::eOk);
    line->setEndPoint(AcGePoint3d(100, 100, 0));
    // Open for write it answers nothing; once closed, it answers where it is now.
    EXPECT_EQ(acrt::entitiesAtPick(db(), AcGePoint3d(50, 50, 0)).size(), 0u);
    line->close();
    const std::vector<AcDbObjectId> hits = acrt::entitiesAtPick(db(), AcGePoint3d(50, 50, 0));
    ASSERT_FALSE(hits.empty());
    EXPECT_EQ(hits.front(), id);
    EXPECT_TRUE(acrt::entitiesAtPick(db(), AcGePoint3d(5, 0, 0)).empty() ||
                acrt::entitiesAtPick(db(), AcGePoint3d(5, 0, 0)).front() != id);
    expectAgreement(20);
}

}  // namespace
