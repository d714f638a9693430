// What the browser's view and PLOT cost on drawings of 1,000, 10,000 and 100,000 point
// labels laid out to fill a 1600 x 1000 view: the view of the whole drawing, the
// slowest of a ladder of zooms from the whole drawing down to a few labels, a zoomed
// view of about 2,000 labels, the closest view whose texts are still drawn as text, a
// pick, an END snap and a window selection, and a PNG of the whole drawing, each with
// the spatial index built; and the first view of a drawing, which builds it. Each is
// judged against its target in the summary table.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "acedads.h"
#include "bench_targets.h"
#include "dbapserv.h"
#include "drawing_view.h"
#include "dxf_test_drawing.h"
#include "plot.h"
#include "scaled_drawing.h"
#include "vemhost_program.h"

namespace {

constexpr int kViewWidth = 1600, kViewHeight = 1000;  // pixels
constexpr int kColumns = 400;                         // labels in a row
constexpr double kSpacing = 40.0;                     // drawing units between labels

// Point labels on a grid, turning through the four text directions, as the demo's
// copies of one label would lie.
void addLabels(AcDbDatabase* db, long count)
{
    const AcDbObjectId style = dxf_test::addTextStyle(db, L"vem_text", L"complex8.shx", L"hztxt99.shx");
    AcDbBlockTable* table = nullptr;
    AcDbBlockTableRecord* space = nullptr;
    db->getBlockTable(table, AcDb::kForRead);
    table->getAt(ACDB_MODEL_SPACE, space, AcDb::kForWrite);
    table->close();
    const AcGeVector3d directions[4] = {AcGeVector3d::kXAxis, AcGeVector3d::kYAxis, -AcGeVector3d::kXAxis,
                                        -AcGeVector3d::kYAxis};
    for (long i = 0; i < count; ++i) {
        const AcGePoint3d mark(kSpacing * double(i % kColumns), kSpacing * double(i / kColumns), 0);
        auto* label = new ECoPoint(L"X", L"Y", mark, mark + AcGeVector3d(6, -6, 0), AcGePoint3d(-3000, -5000, 0),
                                   AcGeVector3d::kYAxis, AcGeVector3d::kXAxis, directions[i % 4], 500, 1, 3, style);
        if (space->appendAcDbEntity(label) == Acad::eOk)
            label->close();
        else
            delete label;
    }
    space->close();
}

// One drawing per size, built once and kept for the whole run; main frees them before
// the runtime's own statics go.
std::map<long, std::unique_ptr<AcDbDatabase>>& drawings()
{
    static auto* kept = new std::map<long, std::unique_ptr<AcDbDatabase>>();
    return *kept;
}

AcDbDatabase* drawingOf(long labels)
{
    std::unique_ptr<AcDbDatabase>& db = drawings()[labels];
    if (!db) {
        dxf_test::loadEntityModule();
        vemhost::startCapture();  // the prompts of the picks are not shown
        db = std::make_unique<AcDbDatabase>();
        acdbHostApplicationServices()->setWorkingDatabase(db.get());
        addLabels(db.get(), labels);
    }
    acdbHostApplicationServices()->setWorkingDatabase(db.get());
    return db.get();
}

double extentOf(long labels, bool across)
{
    return across ? kSpacing * double(std::min<long>(labels, kColumns))
                  : kSpacing * double((labels + kColumns - 1) / kColumns);
}

// The window of a view of 1600 x 1000 pixels centred on (x, y) at a scale in pixels per
// drawing unit, as the page asks it.
vemweb::ViewWindow viewAt(double x, double y, double pixelsPerUnit)
{
    vemweb::ViewWindow w;
    w.minX = x - 0.5 * kViewWidth / pixelsPerUnit;
    w.maxX = x + 0.5 * kViewWidth / pixelsPerUnit;
    w.minY = y - 0.5 * kViewHeight / pixelsPerUnit;
    w.maxY = y + 0.5 * kViewHeight / pixelsPerUnit;
    w.pixelWidth = kViewWidth;
    w.pixelHeight = kViewHeight;
    return w;
}

// The whole drawing, fitted as the page's zoom to extents fits it.
vemweb::ViewWindow wholeView(long labels)
{
    const double w = extentOf(labels, true), h = extentOf(labels, false);
    return viewAt(w / 2, h / 2, 0.9 * std::min(kViewWidth / w, kViewHeight / h));
}

template <class Fn>
double timed(Fn fn)
{
    auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Times one path on the drawing of n labels (built before the timing), after a first
// untimed run that builds the spatial index and anything else kept between requests.
template <class Path>
void onDrawing(benchmark::State& state, Path path)
{
    const long n = long(state.range(0));
    AcDbDatabase* db = drawingOf(n);
    path(db, n);
    for (auto _ : state)
        state.SetIterationTime(timed([&] { path(db, n); }));
    state.counters["labels"] = double(n);
}

void countView(benchmark::State& state, const std::string& json)
{
    state.counters["json_kb"] = double(json.size()) / 1024.0;
}

void viewWhole(benchmark::State& state)
{
    std::string json;
    onDrawing(state, [&](AcDbDatabase* db, long n) { json = vemweb::viewJson(db, wholeView(n)); });
    countView(state, json);
}

// The whole view of a drawing just made, whose spatial index the view builds.
void viewFirst(benchmark::State& state)
{
    const long n = long(state.range(0));
    dxf_test::loadEntityModule();
    for (auto _ : state) {
        auto db = std::make_unique<AcDbDatabase>();
        acdbHostApplicationServices()->setWorkingDatabase(db.get());
        addLabels(db.get(), n);
        state.SetIterationTime(timed([&] { vemweb::viewJson(db.get(), wholeView(n)); }));
        acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    }
    state.counters["labels"] = double(n);
}

// The slowest of the views from the whole drawing down to 1/64 of it, the span divided
// by the square root of 2 at each step, centred and off towards a corner.
void viewWorst(benchmark::State& state)
{
    const long n = long(state.range(0));
    AcDbDatabase* db = drawingOf(n);
    const vemweb::ViewWindow whole = wholeView(n);
    const double fitted = kViewWidth / (whole.maxX - whole.minX);
    const double w = extentOf(n, true), h = extentOf(n, false);
    auto slowest = [&] {
        double worst = 0;
        for (int step = 0; step <= 12; ++step)
            for (double corner : {0.5, 0.2}) {
                const vemweb::ViewWindow view = viewAt(w * corner, h * corner, fitted * std::pow(2.0, 0.5 * step));
                worst = std::max(worst, timed([&] { vemweb::viewJson(db, view); }));
            }
        return worst;
    };
    slowest();
    for (auto _ : state)
        state.SetIterationTime(slowest());
    state.counters["labels"] = double(n);
}

// 56 labels across and 35 down: about 2,000 labels in view.
void viewZoomed(benchmark::State& state)
{
    std::string json;
    vemweb::ViewWindow window;
    onDrawing(state, [&](AcDbDatabase* db, long n) {
        window = viewAt(extentOf(n, true) / 2, extentOf(n, false) / 2, kViewWidth / (56 * kSpacing));
        json = vemweb::viewJson(db, window);
    });
    countView(state, json);
    state.counters["entities"] = double(vemhost::entitiesMeeting(drawingOf(state.range(0))->currentSpaceId(),
                                                                 AcGePoint3d(window.minX, window.minY, 0),
                                                                 AcGePoint3d(window.maxX, window.maxY, 0))
                                            .size());
}

// The closest view in which the labels' texts are still drawn as text, not as their ink
// from afar: the most strokes a view of this drawing draws, about 500 labels.
void viewReadable(benchmark::State& state)
{
    std::string json;
    const double textHeight = 3.0;  // of the labels, 3 x their size factor of 1
    onDrawing(state, [&](AcDbDatabase* db, long n) {
        json = vemweb::viewJson(db, viewAt(extentOf(n, true) / 2, extentOf(n, false) / 2,
                                           1.01 * vemhost::kReadableTextPixels / textHeight));
    });
    countView(state, json);
}

void plotPng(benchmark::State& state)
{
    const std::string path = "/tmp/vem_view_bench_" + std::to_string(::getpid()) + ".png";
    onDrawing(state, [&](AcDbDatabase* db, long) {
        std::string error;
        if (!vemio::plot(db, path, vemio::PlotOptions(), error))
            std::fprintf(stderr, "PLOT failed: %s\n", error.c_str());
    });
    std::remove(path.c_str());
}

// A click on a label's mark near the middle of the first rows, as at an object prompt.
void pick(benchmark::State& state)
{
    onDrawing(state, [](AcDbDatabase*, long) {
        vemhost::clearInput();
        vemhost::queueInput({L"8000,40"});
        ads_name ent;
        ads_point pt;
        if (acedEntSel(L"\nSelect object: ", ent, pt) != RTNORM)
            std::fprintf(stderr, "the pick found nothing\n");
        vemhost::takeCaptured();
    });
}

void snap(benchmark::State& state)
{
    onDrawing(state, [](AcDbDatabase*, long) {
        vemhost::clearInput();
        vemhost::queueInput({L"END", L"8001,41"});
        ads_point p;
        acedGetPoint(nullptr, L"\nPoint: ", p);
        vemhost::takeCaptured();
    });
}

// A window of 11 by 3 labels (all the rows of the smallest drawing).
void windowSelect(benchmark::State& state)
{
    onDrawing(state, [](AcDbDatabase*, long) {
        const ads_point a = {7990, -10, 0}, b = {8410, 90, 0};
        ads_name ss;
        if (acedSSGet(L"W", a, b, nullptr, ss) == RTNORM)
            acedSSFree(ss);
    });
}

}  // namespace

#define VIEW_PATH(fn)                                                                                  \
    BENCHMARK(fn)->Arg(1000)->Arg(10000)->Arg(100000)->Iterations(1)->Repetitions(5)->UseManualTime() \
        ->Unit(benchmark::kMillisecond)

VIEW_PATH(viewWhole)->Name("view_whole");
BENCHMARK(viewFirst)->Arg(1000)->Arg(10000)->Arg(100000)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond)
    ->Name("view_first");
VIEW_PATH(viewWorst)->Name("view_worst");
VIEW_PATH(viewZoomed)->Name("view_zoomed");
VIEW_PATH(viewReadable)->Name("view_readable");
VIEW_PATH(pick)->Name("pick");
VIEW_PATH(snap)->Name("snap");
VIEW_PATH(windowSelect)->Name("window");
VIEW_PATH(plotPng)->Name("plot_png");

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    TargetReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    const int missed = reporter.printSummary();
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    delete &drawings();
    benchmark::Shutdown();
    return missed == 0 ? 0 : 1;
}
