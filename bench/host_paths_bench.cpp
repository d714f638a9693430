// The host paths on drawings of 1,000, 10,000 and 100,000 point labels: COPY of all,
// its UNDO, COPDEC, COLIST, XALL, SAVE, OPEN and DXFOUT, each timed on fresh drawings,
// a pick, an END snap and a window selection (through the spatial index, and the pick
// also by the full scan), plus the memory a label with its display takes.
#include <benchmark/benchmark.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>

#include "bench_targets.h"
#include "acedads.h"
#include "dbapserv.h"
#include "dbsymtb.h"
#include "drawing_file.h"
#include "dxf_writer.h"
#include "eco_point.h"
#include "session.h"
#include "spatial_index.h"
#include "vemhost_testing.h"

namespace {

vemcad::Session& session()
{
    static vemcad::Session* s = [] {
        vemhost::startCapture();
        auto* created = new vemcad::Session(VEM_BIN_DIR);
        created->keepRecoveryJournal();  // as vemcad does: commands are timed with their journal
        std::string message;
        created->modules().load("VEMD", message);
        created->modules().load("VEMA", message);
        vemhost::takeCaptured();
        return created;
    }();
    return *s;
}

AcDbObjectId modelSpace(AcDbDatabase* db)
{
    AcDbBlockTable* table = nullptr;
    db->getBlockTable(table, AcDb::kForRead);
    AcDbObjectId id;
    table->getAt(ACDB_MODEL_SPACE, id);
    table->close();
    return id;
}

// A new drawing with n point labels on a grid, as copies of one label would be.
void makeDrawing(long n)
{
    vemcad::Session& s = session();
    s.newDrawing();
    AcDbDatabase* db = s.db();
    AcDbObject* obj = nullptr;
    acdbOpenAcDbObject(obj, modelSpace(db), AcDb::kForWrite);
    AcDbBlockTableRecord* space = static_cast<AcDbBlockTableRecord*>(obj);
    for (long i = 0; i < n; ++i) {
        AcGePoint3d mark(double(i % 1000) * 20.0, double(i / 1000) * 20.0, 0);
        ECoPoint* label = new ECoPoint(L"X", L"Y", mark, mark + AcGeVector3d(6, -6, 0), AcGePoint3d(-30, -30, 0),
                                       AcGeVector3d(0, 1, 0), AcGeVector3d(1, 0, 0), AcGeVector3d(1, 0, 0), 500, 1, 3,
                                       db->textstyle());
        if (space->appendAcDbEntity(label) == Acad::eOk)
            label->close();
        else
            delete label;
    }
    space->close();
}

template <class Fn>
double timed(Fn fn)
{
    auto start = std::chrono::steady_clock::now();
    fn();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void runCommand(const wchar_t* name, std::initializer_list<std::wstring> answers)
{
    vemhost::clearInput();
    vemhost::queueInput(answers);
    session().runCommand(name);
    vemhost::takeCaptured();
}

long minorPageFaults()
{
    struct rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    return usage.ru_minflt;
}

double systemSeconds()
{
    struct rusage usage;
    ::getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_stime.tv_sec) + double(usage.ru_stime.tv_usec) * 1e-6;
}

// Times one path on a fresh drawing of n labels; prepare runs untimed first. The
// path's page faults (memory the process touches for the first time) are counted
// per label.
template <class Prepare, class Path>
void hostPath(benchmark::State& state, Prepare prepare, Path path)
{
    long n = long(state.range(0));
    long faults = 0;
    for (auto _ : state) {
        makeDrawing(n);
        prepare();
        long before = minorPageFaults();
        double sysBefore = systemSeconds();
        state.SetIterationTime(timed(path));
        faults += minorPageFaults() - before;
        state.counters["sys_ms"] = (systemSeconds() - sysBefore) * 1e3;
    }
    state.counters["labels"] = double(n);
    state.counters["faults_per_label"] = double(faults) / double(n);
    state.SetItemsProcessed(n);
}

std::string scratchFile(const char* name) { return "/tmp/vem_bench_" + std::to_string(::getpid()) + "_" + name; }

void nothing() {}

void copyAll(benchmark::State& s)
{
    hostPath(s, nothing, [] { runCommand(L"COPY", {L"ALL", L"", L"0,0", L"0,30000", L""}); });
}
void undoCopy(benchmark::State& s)
{
    hostPath(s, [] { runCommand(L"COPY", {L"ALL", L"", L"0,0", L"0,30000", L""}); },
             [] { session().undo().undo(); });
}
void copdecAll(benchmark::State& s) { hostPath(s, nothing, [] { runCommand(L"COPDEC", {L"2", L"ALL", L""}); }); }
void colistAll(benchmark::State& s) { hostPath(s, nothing, [] { runCommand(L"COLIST", {L"ALL", L""}); }); }
void xall(benchmark::State& s) { hostPath(s, nothing, [] { runCommand(L"XALL", {}); }); }
void save(benchmark::State& s)
{
    hostPath(s, nothing, [] {
        std::string message;
        session().saveDrawing(scratchFile("save.vdb"), message);
    });
    std::remove(scratchFile("save.vdb").c_str());
}
void open(benchmark::State& s)
{
    hostPath(s,
             [] {
                 std::string message;
                 session().saveDrawing(scratchFile("open.vdb"), message);
             },
             [] {
                 std::string message;
                 session().openDrawing(scratchFile("open.vdb"), message);
             });
    std::remove(scratchFile("open.vdb").c_str());
}
void dxfout(benchmark::State& s)
{
    hostPath(s, nothing, [] {
        std::string message;
        vemio::writeDxf(session().db(), scratchFile("out.dxf"), message);
    });
    std::remove(scratchFile("out.dxf").c_str());
}

// A pick on a label's mark in the middle of the drawing, as a click at an object prompt.
void pickOne()
{
    vemhost::clearInput();
    vemhost::queueInput({L"10000,0"});
    ads_name ent;
    ads_point pt;
    if (acedEntSel(L"\nSelect object: ", ent, pt) != RTNORM)
        std::fprintf(stderr, "the pick found nothing\n");
    vemhost::takeCaptured();
}
// The first question of a drawing builds its index; the timed ones find it built.
void warmIndex()
{
    vemhost::clearInput();
    vemhost::queueInput({L"0,0"});
    ads_name ent;
    ads_point pt;
    acedEntSel(L"\nSelect object: ", ent, pt);
    vemhost::takeCaptured();
}
void pick(benchmark::State& s) { hostPath(s, warmIndex, pickOne); }
void pickFirst(benchmark::State& s) { hostPath(s, nothing, pickOne); }
void pickScan(benchmark::State& s)
{
    acrt::useSpatialIndex(false);
    hostPath(s, nothing, pickOne);
    acrt::useSpatialIndex(true);
}
void snapEnd(benchmark::State& s)
{
    hostPath(s, warmIndex, [] {
        vemhost::clearInput();
        vemhost::queueInput({L"END", L"10001,1"});
        ads_point p;
        acedGetPoint(nullptr, L"\nPoint: ", p);
        vemhost::takeCaptured();
    });
}
// The edits of a whole drawing whose index is built: its upkeep is only marking what
// changed; the next question measures those again (pick_after_copy).
void copyIndexed(benchmark::State& s)
{
    hostPath(s, warmIndex, [] { runCommand(L"COPY", {L"ALL", L"", L"0,0", L"0,30000", L""}); });
}
void eraseIndexed(benchmark::State& s) { hostPath(s, warmIndex, [] { runCommand(L"ERASE", {L"ALL", L""}); }); }
void undoCopyIndexed(benchmark::State& s)
{
    hostPath(s,
             [] {
                 warmIndex();
                 runCommand(L"COPY", {L"ALL", L"", L"0,0", L"0,30000", L""});
             },
             [] { session().undo().undo(); });
}
void pickAfterCopy(benchmark::State& s)
{
    hostPath(s,
             [] {
                 warmIndex();
                 runCommand(L"COPY", {L"ALL", L"", L"0,0", L"0,30000", L""});
             },
             pickOne);
}
void erase(benchmark::State& s) { hostPath(s, nothing, [] { runCommand(L"ERASE", {L"ALL", L""}); }); }

// A window of 11 by 11 labels.
void windowSelect(benchmark::State& s)
{
    hostPath(s, warmIndex, [] {
        const ads_point a = {9990, -10, 0}, b = {10210, 210, 0};
        ads_name ss;
        if (acedSSGet(L"W", a, b, nullptr, ss) == RTNORM)
            acedSSFree(ss);
    });
}

// Heap bytes in use, the general heap's and the host's object heap's: unlike the
// resident size it also counts memory reused from earlier drawings of the run.
long heapBytesInUse()
{
    struct mallinfo2 info = ::mallinfo2();
    return long(info.uordblks + info.hblkhd + vemhost::testing::objectHeapBytesInUse());
}

// Memory taken by a drawing of 100,000 labels with their displays, per label.
void memoryPerLabel(benchmark::State& state)
{
    for (auto _ : state) {
        session().newDrawing();
        long before = heapBytesInUse();
        makeDrawing(100000);
        state.counters["bytes_per_label"] = double(heapBytesInUse() - before) / 100000.0;
        session().newDrawing();
    }
}

}  // namespace

// Each path is timed on five fresh drawings of each size and judged by the median: on
// a shared machine one run can be off by half.
#define HOST_PATH(fn)                                                                                   \
    BENCHMARK(fn)->Arg(1000)->Arg(10000)->Arg(100000)->Iterations(1)->Repetitions(5)                          \
        ->UseManualTime()->Unit(benchmark::kMillisecond)

HOST_PATH(copyAll)->Name("copy");
HOST_PATH(undoCopy)->Name("undo_copy");
HOST_PATH(copdecAll)->Name("copdec");
HOST_PATH(colistAll)->Name("colist");
HOST_PATH(xall)->Name("xall");
HOST_PATH(save)->Name("save");
HOST_PATH(open)->Name("open");
HOST_PATH(dxfout)->Name("dxfout");
HOST_PATH(pick)->Name("pick");
HOST_PATH(pickFirst)->Name("pick_first");
HOST_PATH(pickScan)->Name("pick_scan");
HOST_PATH(snapEnd)->Name("snap");
HOST_PATH(windowSelect)->Name("window");
HOST_PATH(erase)->Name("erase");
HOST_PATH(copyIndexed)->Name("copy_indexed");
HOST_PATH(eraseIndexed)->Name("erase_indexed");
HOST_PATH(undoCopyIndexed)->Name("undo_copy_indexed");
HOST_PATH(pickAfterCopy)->Name("pick_after_copy");
BENCHMARK(memoryPerLabel)->Iterations(1)->Unit(benchmark::kMillisecond);

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    TargetReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    session().newDrawing();  // the last drawing's recovery journal goes with it
    int missed = reporter.printSummary();
    benchmark::Shutdown();
    return missed == 0 ? 0 : 1;
}
