// DXFOUT and PLOT of drawings of 1k, 10k and 100k point labels (lines and texts when
// the build has no entity module), reported as labels per second; DXF input (OPEN of a
// .dxf, DXFIN) of the file DXFOUT writes for them, reported as entities read per second
// (target: 100,000 labels' file, some 400,000 entities, in at most 2 s).
#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "dbapserv.h"
#include "dxf_reader.h"
#include "dxf_test_drawing.h"
#include "dxf_writer.h"
#include "plot.h"

namespace {

// Point labels on a grid, turning through the four text directions; without the entity
// module, the two lines and two texts a label is made of.
void addLabels(AcDbDatabase* db, int count)
{
    const AcDbObjectId style = dxf_test::addTextStyle(db, L"vem_text", L"complex8.shx", L"hztxt99.shx");
    AcDbBlockTable* table = nullptr;
    AcDbBlockTableRecord* space = nullptr;
    db->getBlockTable(table, AcDb::kForRead);
    table->getAt(ACDB_MODEL_SPACE, space, AcDb::kForWrite);
    table->close();
    const AcGeVector3d directions[4] = {AcGeVector3d::kXAxis, AcGeVector3d::kYAxis, -AcGeVector3d::kXAxis,
                                        -AcGeVector3d::kYAxis};
    auto add = [&](AcDbEntity* ent) {
        if (space->appendAcDbEntity(ent) == Acad::eOk)
            ent->close();
        else
            delete ent;
    };
    for (int i = 0; i < count; ++i) {
        const AcGePoint3d mark(40.0 * (i % 300), 40.0 * (i / 300), 0);
        const AcGePoint3d textPoint = mark + AcGeVector3d(6, -6, 0);
#ifdef VEM_HAVE_VEMD
        add(new ECoPoint(L"X", L"Y", mark, textPoint, AcGePoint3d(-3000, -5000, 0), AcGeVector3d::kYAxis,
                         AcGeVector3d::kXAxis, directions[i % 4], 500, 1, 3, style));
#else
        add(new AcDbLine(mark, textPoint));
        add(new AcDbLine(textPoint, textPoint + directions[i % 4] * 20));
        for (int k = 0; k < 2; ++k) {
            auto* text = new AcDbMText();
            text->setContents(k == 0 ? L"X=250000.000" : L"Y=175000.000");
            text->setLocation(textPoint + AcGeVector3d(10, k == 0 ? 2 : -2, 0));
            text->setTextHeight(3);
            text->setTextStyle(style);
            text->setAttachment(AcDbMText::kMiddleCenter);
            text->setRotation(0.5 * M_PI * (i % 4));
            add(text);
        }
#endif
    }
    space->close();
}

// One drawing per size, built once and kept for the whole run; main frees them before
// the runtime's own statics go.
std::map<int, std::unique_ptr<AcDbDatabase>>& drawings()
{
    static auto* kept = new std::map<int, std::unique_ptr<AcDbDatabase>>();
    return *kept;
}

AcDbDatabase* drawingOf(int labels)
{
    std::unique_ptr<AcDbDatabase>& db = drawings()[labels];
    if (!db) {
        dxf_test::loadEntityModule();
        db = std::make_unique<AcDbDatabase>();
        acdbHostApplicationServices()->setWorkingDatabase(db.get());
        addLabels(db.get(), labels);
    }
    acdbHostApplicationServices()->setWorkingDatabase(db.get());
    return db.get();
}

std::string scratchFile(const char* extension)
{
    return "/tmp/vem_dxf_bench_" + std::to_string(::getpid()) + extension;
}

void BM_DxfOut(benchmark::State& state)
{
    AcDbDatabase* db = drawingOf(int(state.range(0)));
    const std::string path = scratchFile(".dxf");
    std::string error;
    vemio::DxfStats stats;
    for (auto _ : state) {
        if (!vemio::writeDxf(db, path, error, &stats))
            state.SkipWithError(error.c_str());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    state.counters["entities"] = double(stats.entities);
    std::remove(path.c_str());
}

// The drawing's DXF read back whole, as OPEN NAME.dxf reads it; the drawing read is
// freed outside the timing.
void BM_DxfRead(benchmark::State& state)
{
    const std::string path = scratchFile(".dxf");
    std::string error;
    if (!vemio::writeDxf(drawingOf(int(state.range(0))), path, error)) {
        state.SkipWithError(error.c_str());
        return;
    }
    vemio::DxfReadStats stats;
    for (auto _ : state) {
        stats = vemio::DxfReadStats();
        std::unique_ptr<AcDbDatabase> read = vemio::readDxf(path, error, &stats);
        state.PauseTiming();
        if (!read)
            state.SkipWithError(error.c_str());
        read.reset();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * int64_t(stats.entities));
    state.counters["entities"] = double(stats.entities);
    state.counters["labels"] = double(state.range(0));
    std::remove(path.c_str());
}

void plotBenchmark(benchmark::State& state, const char* extension)
{
    AcDbDatabase* db = drawingOf(int(state.range(0)));
    const std::string path = scratchFile(extension);
    std::string error;
    vemio::PlotOptions options;
    for (auto _ : state) {
        if (!vemio::plot(db, path, options, error))
            state.SkipWithError(error.c_str());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
    std::remove(path.c_str());
}

void BM_PlotPng(benchmark::State& state) { plotBenchmark(state, ".png"); }
void BM_PlotSvg(benchmark::State& state) { plotBenchmark(state, ".svg"); }

}  // namespace

BENCHMARK(BM_DxfOut)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DxfRead)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlotPng)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PlotSvg)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    benchmark::RunSpecifiedBenchmarks();
    acdbHostApplicationServices()->setWorkingDatabase(nullptr);
    delete &drawings();
    benchmark::Shutdown();
    return 0;
}
