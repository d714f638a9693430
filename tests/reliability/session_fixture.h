// The frame of the reliability tests: a vemcad session in the test process with both
// modules loaded, on a small drawing made by a script, in a scratch directory; scripts
// run as vemcad runs them; and views of the drawing (its objects' filed records, what
// its entities draw) that tell whether a command lost or doubled anything.
#pragma once

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "db_internals.h"
#include "dbapserv.h"
#include "editor_internals.h"
#include "scratch_dir.h"
#include "session.h"
#include "vemhost_testing.h"

#ifndef VEM_BIN_DIR
#error "VEM_BIN_DIR must name the directory of the built modules"
#endif

// Handle -> filed record (file filer) of every object that is not erased.
using Snapshot = std::map<Adesk::UInt64, std::vector<unsigned char>>;

class SessionTest : public testing::Test {
protected:
    // The sample drawing: a coordinate system at the origin, point labels at (10, 20)
    // and (40, 20), a line label at (30, 0), a line, a polyline, and a point label at
    // (60, 60) on the locked layer "locked".
    static constexpr const char* kSample =
        "EORI\n0,0\n\n\n\n\n\n\n\n\n\n"
        "ECOP\n0,5\n10,20\n15,25\n\n"
        "ECOP\n0,5\n40,20\n45,25\n\n"
        "ECOL\n0,5\nA\n30,0\n\n"
        "LINE\n0,40\n50,40\n\n"
        "PLINE\n0,50\n20,50\n20,70\n\n"
        "LAYER\nN\nlocked\nS\nlocked\n\n"
        "ECOP\n0,5\n60,60\n65,65\n\n"
        "LAYER\nS\n0\nL\nlocked\n\n";

    void SetUp() override
    {
        ASSERT_NE(::getcwd(m_previousDir, sizeof m_previousDir), nullptr);
        ASSERT_EQ(::chdir(m_scratch.path().c_str()), 0);
        m_liveBefore = vemhost::testing::liveObjectCount();
        vemhost::testing::resetForTest();
        vemhost::startCapture();
        vemhost::setEchoAnswers(true);
        m_session = std::make_unique<vemcad::Session>(VEM_BIN_DIR);
        std::string message;
        ASSERT_TRUE(m_session->modules().load("VEMD", message)) << message;
        ASSERT_TRUE(m_session->modules().load("VEMA", message)) << message;
        script(kSample);
        ASSERT_EQ(recordsOf(L"ECoPoint").size(), 3u) << "the sample drawing was not made";
    }

    void TearDown() override
    {
        vemhost::testing::failAppendAfter(0);
        vemhost::testing::failOpenAfter(0);
        EXPECT_EQ(vemhost::testing::openSelectionSetCount(), 0) << "a selection set was left";
        m_session.reset();
        vemhost::testing::resetForTest();
        EXPECT_EQ(vemhost::testing::liveObjectCount(), m_liveBefore) << "an object outlived its drawing";
        EXPECT_EQ(::chdir(m_previousDir), 0);
    }

    vemcad::Session& session() { return *m_session; }
    AcDbDatabase* db() { return m_session->db(); }
    std::string file(const std::string& name) const { return m_scratch.file(name); }
    // The names in the scratch directory, one per line, sorted.
    std::string listing() const { return m_scratch.listing(); }

    // Runs a script (lines, the first word of each command line its name) as vemcad
    // does, checking after each command that nothing is left open; returns what the
    // command window showed. Every line must have been taken.
    std::string script(const std::string& text)
    {
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);)
            vemhost::queueInput(vemhost::fromUtf8(line));
        vemhost::takeCaptured();
        std::wstring name;
        while (m_session->nextCommand(name)) {
            m_session->runCommand(name);
            EXPECT_EQ(vemhost::testing::openObjectCount(db()), 0) << vemhost::toUtf8(name) << " left an object open";
            EXPECT_EQ(vemhost::testing::openSelectionSetCount(), 0) << vemhost::toUtf8(name) << " left a selection set";
        }
        vemhost::clearInput();
        return vemhost::takeCaptured();
    }

    // ---- views of the drawing ---------------------------------------------------------
    Snapshot snapshot()
    {
        Snapshot out;
        for (AcDbStub& stub : AcDbSystemInternals::impl(db())->stubs) {
            if (stub.object == nullptr || stub.erased)
                continue;
            AcDbObject* obj = nullptr;
            if (acdbOpenAcDbObject(obj, AcDbObjectId(&stub), AcDb::kForRead) != Acad::eOk) {
                ADD_FAILURE() << "object " << stub.handle << " does not open";
                continue;
            }
            vemhost::MemoryFiler filer(db());
            obj->dwgOutFields(&filer);
            obj->close();
            out[stub.handle] = filer.bytes();
        }
        return out;
    }

    // Records of the entities of both spaces whose class has the name.
    std::vector<std::vector<unsigned char>> recordsOf(const wchar_t* className)
    {
        std::vector<std::vector<unsigned char>> out;
        const Snapshot all = snapshot();
        for (const AcDbObjectId& id : acrt::allEntities(db())) {
            AcDbStub* stub = AcDbSystemInternals::stubOf(id);
            AcDbObject* obj = AcDbSystemInternals::peek(id);
            if (stub != nullptr && !stub->erased && obj != nullptr && AcString(obj->isA()->name()) == className)
                out.push_back(all.at(stub->handle));
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    // What every entity of both spaces draws, one line per primitive (geometry and
    // text, rounded), sorted: equal before and after a command that loses and doubles
    // nothing it does not mean to.
    std::vector<std::string> drawing()
    {
        std::vector<std::string> out;
        for (const AcDbObjectId& id : acrt::allEntities(db())) {
            if (id.isErased())
                continue;
            AcDbEntity* ent = nullptr;
            if (acdbOpenAcDbEntity(ent, id, AcDb::kForRead) != Acad::eOk)
                continue;
            vemhost::PrimitiveCollector collector;
            collector.draw(ent);
            ent->close();
            for (const vemhost::Primitive& p : collector.primitives()) {
                std::string line = std::to_string(int(p.kind)) + " " + vemhost::toUtf8(p.text) + " " + rounded(p.radius);
                for (const AcGePoint3d& pt : p.points)
                    line += " " + rounded(pt.x) + "," + rounded(pt.y);
                out.push_back(line);
            }
        }
        std::sort(out.begin(), out.end());
        return out;
    }

    static std::string rounded(double v)
    {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.6f", std::fabs(v) < 5e-7 ? 0.0 : v);
        return buf;
    }

private:
    test_support::ScratchDir m_scratch{"vem_reliability"};
    std::unique_ptr<vemcad::Session> m_session;
    char m_previousDir[4096] = {};
    long m_liveBefore = 0;
};
