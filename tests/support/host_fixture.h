// A fresh working database for each test, removed afterwards; checks that the test
// left no object open.
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "dbapserv.h"
#include "vemhost_testing.h"

class HostFixture : public testing::Test {
protected:
    void SetUp() override
    {
        vemhost::testing::resetForTest();
        m_db = std::make_unique<AcDbDatabase>();
        m_previous = acdbHostApplicationServices()->workingDatabase();
        acdbHostApplicationServices()->setWorkingDatabase(m_db.get());
    }
    void TearDown() override
    {
        EXPECT_EQ(vemhost::testing::openObjectCount(m_db.get()), 0) << "an object was left open";
        acdbHostApplicationServices()->setWorkingDatabase(m_previous);
        m_db.reset();
        vemhost::testing::resetForTest();
    }
    AcDbDatabase* db() const { return m_db.get(); }

private:
    std::unique_ptr<AcDbDatabase> m_db;
    AcDbDatabase* m_previous = nullptr;
};
