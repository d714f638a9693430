// Drawing files: the round trip byte for byte, saves that fail at every step, files
// that are refused, and records that come back as proxies keeping their bytes.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>

#include "dbents.h"
#include "dbmtext.h"
#include "dbpl.h"
#include "drawing_file.h"
#include "host_fixture.h"
#include "io_test_support.h"

namespace {

struct Sample {
    AcDbObjectId marksLayer;
    AcDbObjectId line;
    AcDbObjectId erasedLine;
};

// Something in every table: a new layer made current, a second text style, a line, a
// polyline and a text in model space, a line in paper space, a block in a block shown by
// a reference with an attribute, and an erased line.
Sample buildSample(AcDbDatabase* db)
{
    Sample sample;
    AcDbLayerTable* layers = nullptr;
    EXPECT_EQ(db->getLayerTable(layers, AcDb::kForWrite), Acad::eOk);
    AcDbLayerTableRecord* marks = new AcDbLayerTableRecord();
    marks->setName(L"Marks");
    marks->setColorIndex(3);
    EXPECT_EQ(layers->add(sample.marksLayer, marks), Acad::eOk);
    marks->close();
    layers->close();
    EXPECT_EQ(db->setClayer(sample.marksLayer), Acad::eOk);

    AcDbTextStyleTable* styles = nullptr;
    EXPECT_EQ(db->getTextStyleTable(styles, AcDb::kForWrite), Acad::eOk);
    AcDbTextStyleTableRecord* style = new AcDbTextStyleTableRecord();
    style->setName(L"Labels");
    style->setFileName(L"complex8.shx");
    AcDbObjectId styleId;
    EXPECT_EQ(styles->add(styleId, style), Acad::eOk);
    style->close();
    styles->close();

    sample.line = appendTo(db, ACDB_MODEL_SPACE, new AcDbLine(AcGePoint3d(0, 0, 0), AcGePoint3d(10, 5, 0)));
    AcDbPolyline* pline = new AcDbPolyline();
    pline->addVertexAt(0, AcGePoint2d(0, 0), 0.5);
    pline->addVertexAt(1, AcGePoint2d(4, 0));
    pline->addVertexAt(2, AcGePoint2d(4, 3));
    appendTo(db, ACDB_MODEL_SPACE, pline);
    AcDbMText* text = new AcDbMText();
    text->setContents(L"N=12.500\\PÄrger 文字");
    text->setTextStyle(styleId);
    text->setLocation(AcGePoint3d(2, 2, 0));
    appendTo(db, ACDB_MODEL_SPACE, text);
    appendTo(db, ACDB_PAPER_SPACE, new AcDbLine(AcGePoint3d(1, 1, 0), AcGePoint3d(2, 2, 0)));
    // A user block inside another, shown by a reference with unequal scales.
    const AcDbObjectId inner = test_support::addBlock(db, L"Inner", AcGePoint3d(1, 0, 0),
                                                      {new AcDbLine(AcGePoint3d(1, 0, 0), AcGePoint3d(2, 0, 0))});
    const AcDbObjectId outer = test_support::addBlock(db, L"*U", AcGePoint3d(0, 0, 0),
                                                      {new AcDbBlockReference(AcGePoint3d(3, 0, 0), inner)});
    AcDbBlockReference* ref = new AcDbBlockReference(AcGePoint3d(7, 8, 0), outer);
    ref->setScaleFactors(AcGeScale3d(2, -3, 1));
    ref->setRotation(0.5);
    const AcDbObjectId refId = appendTo(db, ACDB_MODEL_SPACE, ref);
    EXPECT_EQ(acdbOpenObject(ref, refId, AcDb::kForWrite), Acad::eOk);
    AcDbAttribute* attribute = new AcDbAttribute(AcGePoint3d(7, 8, 0), L"编号 7", L"NO");
    EXPECT_EQ(ref->appendAttribute(attribute), Acad::eOk);
    attribute->close();
    ref->close();
    sample.erasedLine = appendTo(db, ACDB_MODEL_SPACE, new AcDbLine(AcGePoint3d(5, 5, 0), AcGePoint3d(6, 6, 0)));
    AcDbObject* obj = nullptr;
    EXPECT_EQ(acdbOpenAcDbObject(obj, sample.erasedLine, AcDb::kForWrite), Acad::eOk);
    EXPECT_EQ(obj->erase(), Acad::eOk);
    obj->close();
    db->setTilemode(false);
    return sample;
}

class DrawingFile : public HostFixture {
protected:
    void TearDown() override
    {
        vemio::setWriteFailureForTests(0, SQLITE_OK);
        HostFixture::TearDown();
    }
    std::unique_ptr<AcDbDatabase> open(const std::string& path)
    {
        std::string error;
        std::unique_ptr<AcDbDatabase> opened = vemio::openDrawing(path, error);
        EXPECT_TRUE(opened != nullptr) << error;
        return opened;
    }
    // Opening must fail, saying why in words that contain expected.
    void expectRefused(const std::string& path, const std::string& expected)
    {
        std::string error;
        std::unique_ptr<AcDbDatabase> opened = vemio::openDrawing(path, error);
        EXPECT_EQ(opened, nullptr) << path;
        EXPECT_NE(error.find(expected), std::string::npos) << "message: " << error;
    }
    void save(AcDbDatabase* drawing, const std::string& path)
    {
        std::string error;
        ASSERT_TRUE(vemio::saveDrawing(drawing, path, error)) << error;
        EXPECT_TRUE(error.empty());
    }

    ScratchDir m_dir;
};

}  // namespace

TEST_F(DrawingFile, SaveThenOpenGivesTheSameObjectsByteForByte)
{
    const Sample sample = buildSample(db());
    const std::string path = m_dir.file("sample.vdb");
    save(db(), path);
    std::unique_ptr<AcDbDatabase> opened = open(path);
    ASSERT_TRUE(opened);

    EXPECT_EQ(filedObjects(opened.get()), filedObjects(db()));
    EXPECT_TRUE(idOf(opened.get(), sample.erasedLine.handle().value()).isNull()) << "erased objects are not saved";
    EXPECT_EQ(vemhost::testing::openObjectCount(opened.get()), 0);

    // The header and the drawing order come back.
    EXPECT_EQ(opened->clayer().handle(), sample.marksLayer.handle());
    EXPECT_EQ(opened->textstyle().handle(), db()->textstyle().handle());
    EXPECT_EQ(opened->blockTableId().handle(), db()->blockTableId().handle());
    EXPECT_EQ(opened->layerTableId().handle(), db()->layerTableId().handle());
    EXPECT_EQ(opened->textStyleTableId().handle(), db()->textStyleTableId().handle());
    EXPECT_EQ(opened->linetypeTableId().handle(), db()->linetypeTableId().handle());
    EXPECT_FALSE(opened->tilemode());
    EXPECT_EQ(opened->handseed(), db()->handseed());
    AcDbEntity* original = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(original, sample.line, AcDb::kForRead), Acad::eOk);
    const Adesk::UInt64 modelSpaceHandle = original->ownerId().handle().value();
    original->close();
    std::vector<Adesk::UInt64> modelSpace = entityHandles(db(), ACDB_MODEL_SPACE);
    modelSpace.pop_back();  // the erased line
    EXPECT_EQ(entityHandles(opened.get(), ACDB_MODEL_SPACE), modelSpace);
    EXPECT_EQ(entityHandles(opened.get(), ACDB_PAPER_SPACE), entityHandles(db(), ACDB_PAPER_SPACE));
    EXPECT_EQ(opened->currentSpaceId().handle(), db()->currentSpaceId().handle());

    // The opened drawing works as a drawing: references resolve, new objects get new handles.
    AcDbEntity* line = nullptr;
    ASSERT_EQ(acdbOpenAcDbEntity(line, idOf(opened.get(), sample.line.handle().value()), AcDb::kForRead),
              Acad::eOk);
    EXPECT_EQ(line->layer(), AcString(L"Marks"));
    EXPECT_EQ(line->ownerId(), idOf(opened.get(), modelSpaceHandle));
    line->close();
    const AcDbObjectId added = appendTo(opened.get(), ACDB_MODEL_SPACE, new AcDbLine());
    EXPECT_GE(added.handle().value(), db()->handseed().value());

    // Saving what was opened writes the same rows again.
    const std::string again = m_dir.file("again.vdb");
    std::unique_ptr<AcDbDatabase> reopened = open(path);
    save(reopened.get(), again);
    EXPECT_EQ(objectRows(again), objectRows(path));
}

TEST_F(DrawingFile, SaveFailingAtAnyStepLeavesThePreviousFileIntact)
{
    buildSample(db());
    const std::string path = m_dir.file("drawing.vdb");
    save(db(), path);
    const Bytes previous = readFile(path);
    appendTo(db(), ACDB_MODEL_SPACE, new AcDbLine(AcGePoint3d(7, 7, 0), AcGePoint3d(8, 9, 0)));

    int failingStep = 1;
    for (;; ++failingStep) {
        vemio::setWriteFailureForTests(failingStep, SQLITE_FULL);
        std::string error;
        if (vemio::saveDrawing(db(), path, error))
            break;
        EXPECT_NE(error.find("full"), std::string::npos) << "step " << failingStep << ": " << error;
        EXPECT_EQ(readFile(path), previous) << "step " << failingStep;
        EXPECT_EQ(m_dir.entries(), std::vector<std::string>{"drawing.vdb"}) << "step " << failingStep;
        ASSERT_LT(failingStep, 200) << "the save never gets past its failures";
    }
    EXPECT_GT(failingStep, 20) << "every row, the commit, the flush and the rename are steps";
    vemio::setWriteFailureForTests(0, SQLITE_OK);
    std::unique_ptr<AcDbDatabase> opened = open(path);
    ASSERT_TRUE(opened);
    EXPECT_EQ(filedObjects(opened.get()), filedObjects(db()));
}

TEST_F(DrawingFile, SaveKeepingABackupReplacesTheBakOnlyOnceTheNewFileIsInPlace)
{
    buildSample(db());
    const std::string path = m_dir.file("drawing.vdb");
    save(db(), path);
    const Bytes previous = readFile(path);
    const Bytes olderBackup = {'o', 'l', 'd'};
    writeFile(m_dir.file("drawing.bak"), olderBackup);
    appendTo(db(), ACDB_MODEL_SPACE, new AcDbLine(AcGePoint3d(7, 7, 0), AcGePoint3d(8, 9, 0)));

    int failingStep = 1;
    for (;; ++failingStep) {
        vemio::setWriteFailureForTests(failingStep, SQLITE_IOERR);
        std::string error;
        if (vemio::saveDrawing(db(), path, error, vemio::Backup::kKeep)) {
            EXPECT_TRUE(error.empty()) << error;
            break;
        }
        EXPECT_EQ(readFile(path), previous) << "step " << failingStep;
        EXPECT_EQ(readFile(m_dir.file("drawing.bak")), olderBackup) << "step " << failingStep << ": " << error;
        std::vector<std::string> entries = m_dir.entries();
        std::sort(entries.begin(), entries.end());
        EXPECT_EQ(entries, (std::vector<std::string>{"drawing.bak", "drawing.vdb"})) << "step " << failingStep;
        ASSERT_LT(failingStep, 200) << "the save never gets past its failures";
    }
    vemio::setWriteFailureForTests(0, SQLITE_OK);
    EXPECT_EQ(readFile(m_dir.file("drawing.bak")), previous);
    std::unique_ptr<AcDbDatabase> opened = open(path);
    ASSERT_TRUE(opened);
    EXPECT_EQ(filedObjects(opened.get()), filedObjects(db()));

    // A first save has nothing to keep; a drawing named .bak keeps no backup of itself.
    std::string error;
    ASSERT_TRUE(vemio::saveDrawing(db(), m_dir.file("new.vdb"), error, vemio::Backup::kKeep)) << error;
    ASSERT_TRUE(vemio::saveDrawing(db(), m_dir.file("x.bak"), error, vemio::Backup::kKeep)) << error;
    ASSERT_TRUE(vemio::saveDrawing(db(), m_dir.file("x.bak"), error, vemio::Backup::kKeep)) << error;
    std::vector<std::string> entries = m_dir.entries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"drawing.bak", "drawing.vdb", "new.vdb", "x.bak"}));

    //  drawing                  its backup
    const char* const names[][2] = {
        {"site.vdb",             "site.bak"},
        {"/a.b/site",            "/a.b/site.bak"},
        {"dir/.hidden",          "dir/.hidden.bak"},
        {"plan.v1.vdb",          "plan.v1.bak"},
        {"中文图纸.vdb",          "中文图纸.bak"},
    };
    for (const auto& n : names)
        EXPECT_EQ(vemio::backupPathOf(n[0]), n[1]);
}

TEST_F(DrawingFile, SaveRefusesWhatItCannotDoCleanly)
{
    const std::string path = m_dir.file("drawing.vdb");
    save(db(), path);
    const Bytes previous = readFile(path);
    std::string error;

    // An object open for write has no settled state to save.
    const AcDbObjectId line = appendTo(db(), ACDB_MODEL_SPACE, new AcDbLine());
    AcDbObject* obj = nullptr;
    ASSERT_EQ(acdbOpenAcDbObject(obj, line, AcDb::kForWrite), Acad::eOk);
    EXPECT_FALSE(vemio::saveDrawing(db(), path, error));
    EXPECT_NE(error.find("open for write"), std::string::npos) << error;
    obj->close();
    EXPECT_EQ(readFile(path), previous);

    // Readers do not stop a save.
    ASSERT_EQ(acdbOpenAcDbObject(obj, line, AcDb::kForRead), Acad::eOk);
    EXPECT_TRUE(vemio::saveDrawing(db(), path, error)) << error;
    obj->close();

    // A target that cannot be replaced, or a directory that does not exist.
    ASSERT_EQ(::mkdir(m_dir.file("folder").c_str(), 0755), 0);
    EXPECT_FALSE(vemio::saveDrawing(db(), m_dir.file("folder"), error));
    EXPECT_NE(error.find("folder"), std::string::npos) << error;
    EXPECT_FALSE(vemio::saveDrawing(db(), m_dir.file("missing/drawing.vdb"), error));
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(vemio::saveDrawing(nullptr, path, error));

    std::vector<std::string> entries = m_dir.entries();
    std::sort(entries.begin(), entries.end());
    EXPECT_EQ(entries, (std::vector<std::string>{"drawing.vdb", "folder"}));
}

TEST_F(DrawingFile, OpenRefusesFilesThatAreNotDrawingsItReads)
{
    const std::string missing = m_dir.file("missing.vdb");
    expectRefused(missing, "No such file");
    EXPECT_TRUE(m_dir.entries().empty()) << "opening creates nothing";
    expectRefused(m_dir.file(""), "directory");

    const std::string garbage = m_dir.file("garbage.vdb");
    writeFile(garbage, Bytes(3000, 0x5A));
    expectRefused(garbage, "not a SQLite database");
    const std::string empty = m_dir.file("empty.vdb");
    writeFile(empty, Bytes());
    expectRefused(empty, "empty");

    const std::string emptyDatabase = m_dir.file("empty-db.vdb");
    runSql(emptyDatabase, "PRAGMA user_version = 7");
    expectRefused(emptyDatabase, "not a VEM drawing");
    const std::string other = m_dir.file("other.vdb");
    runSql(other, "CREATE TABLE customers (id INTEGER PRIMARY KEY, name TEXT);"
                  "INSERT INTO customers VALUES (1, 'Ada');");
    expectRefused(other, "not a VEM drawing");
    const std::string lookalike = m_dir.file("lookalike.vdb");
    runSql(lookalike, "CREATE TABLE header (key TEXT PRIMARY KEY, value);"
                      "INSERT INTO header VALUES ('format', 'Spreadsheet');");
    expectRefused(lookalike, "not a VEM drawing");

    const std::string newer = m_dir.file("newer.vdb");
    save(db(), newer);
    runSql(newer, "UPDATE header SET value = 2 WHERE key = 'version'");
    expectRefused(newer, "newer version");
    const std::string noSpace = m_dir.file("no-model-space.vdb");
    save(db(), noSpace);
    runSql(noSpace, "DELETE FROM header WHERE key = 'model_space'");
    expectRefused(noSpace, "damaged");
}

TEST_F(DrawingFile, OpenRefusesTruncatedAndCorruptFiles)
{
    buildSample(db());
    const std::string path = m_dir.file("drawing.vdb");
    save(db(), path);
    const Bytes whole = readFile(path);
    ASSERT_GT(whole.size(), 8192u);
    const std::string cut = m_dir.file("cut.vdb");
    for (size_t size : {size_t(10), size_t(100), size_t(1024), size_t(4096), whole.size() / 2, whole.size() - 4096,
                        whole.size() - 1}) {
        writeFile(cut, Bytes(whole.begin(), whole.begin() + long(size)));
        std::string error;
        EXPECT_EQ(vemio::openDrawing(cut, error), nullptr) << "cut at " << size;
        EXPECT_FALSE(error.empty()) << "cut at " << size;
    }
    // Pages overwritten with noise: refused or read, never a crash.
    for (size_t at = 4096; at + 512 <= whole.size(); at += 4096) {
        Bytes noisy = whole;
        for (size_t i = 0; i < 512; ++i)
            noisy[at + i] = static_cast<unsigned char>(i * 37 + at);
        writeFile(cut, noisy);
        std::string error;
        std::unique_ptr<AcDbDatabase> opened = vemio::openDrawing(cut, error);
        EXPECT_EQ(opened == nullptr, !error.empty()) << "noise at " << at;
    }
    // A table whose record is not one: the file is damaged, not half-opened.
    const long long blockTable = firstHandleOf(path, "AcDbBlockTable");
    runSql(path, "UPDATE objects SET record = x'00' WHERE handle = " + std::to_string(blockTable));
    expectRefused(path, "no block table");
}

TEST_F(DrawingFile, RecordsThatDoNotReadBecomeProxiesKeepingTheirBytes)
{
    const Sample sample = buildSample(db());
    const std::string path = m_dir.file("drawing.vdb");
    save(db(), path);
    const std::string line = std::to_string(sample.line.handle().value());
    const std::string layer = std::to_string(sample.marksLayer.handle().value());
    // A line record with bytes it does not know (a newer version's) and a layer record
    // of a class this host lacks.
    runSql(path, "UPDATE objects SET record = record || x'0B0000000000000000' WHERE handle = " + line);
    runSql(path, "UPDATE objects SET class = 'AcDbFancyLayer' WHERE handle = " + layer);
    runSql(path, "INSERT INTO classes VALUES ('AcDbFancyLayer', 'AcDbLayerTableRecord', 'FANCYLAYER', 'Fancy', 1)");
    const std::map<long long, ObjectRow> rows = objectRows(path);

    std::unique_ptr<AcDbDatabase> opened = open(path);
    ASSERT_TRUE(opened);
    AcDbObject* obj = nullptr;
    ASSERT_EQ(acdbOpenAcDbObject(obj, idOf(opened.get(), sample.line.handle().value()), AcDb::kForWrite), Acad::eOk);
    AcDbProxyEntity* proxyLine = AcDbProxyEntity::cast(obj);
    ASSERT_NE(proxyLine, nullptr);
    EXPECT_STREQ(proxyLine->originalClassName(), L"AcDbLine");
    EXPECT_EQ(proxyLine->originalRecord(), rows.at(std::stoll(line)).record);
    EXPECT_EQ(proxyLine->layerId().handle(), sample.marksLayer.handle()) << "the entity part still reads";
    EXPECT_EQ(proxyLine->erase(), Acad::eNotAllowedForThisProxy);
    proxyLine->close();

    ASSERT_EQ(acdbOpenAcDbObject(obj, idOf(opened.get(), sample.marksLayer.handle().value()), AcDb::kForWrite),
              Acad::eOk);
    AcDbProxyObject* proxyLayer = AcDbProxyObject::cast(obj);
    ASSERT_NE(proxyLayer, nullptr);
    EXPECT_STREQ(proxyLayer->originalDxfName(), L"FANCYLAYER");
    EXPECT_EQ(proxyLayer->proxyFlags(), AcDbProxyObject::kEraseAllowed);
    EXPECT_EQ(proxyLayer->erase(), Acad::eOk) << "its flags allow erasing";
    EXPECT_EQ(proxyLayer->erase(false), Acad::eOk);
    proxyLayer->close();
    // The current layer was the one now kept as a proxy: layer "0" stands in for it.
    AcDbLayerTableRecord* current = nullptr;
    ASSERT_EQ(acdbOpenObject(current, opened->clayer(), AcDb::kForRead), Acad::eOk);
    const ACHAR* name = nullptr;
    current->getName(name);
    EXPECT_STREQ(name, L"0");
    current->close();

    // Saved again, both rows are exactly what was read, classes row included.
    const std::string again = m_dir.file("again.vdb");
    save(opened.get(), again);
    EXPECT_EQ(objectRows(again), rows);
    opened = open(again);
    ASSERT_TRUE(opened);
    ASSERT_EQ(acdbOpenAcDbObject(obj, idOf(opened.get(), sample.marksLayer.handle().value()), AcDb::kForRead),
              Acad::eOk);
    ASSERT_NE(AcDbProxyObject::cast(obj), nullptr);
    EXPECT_STREQ(AcDbProxyObject::cast(obj)->applicationDescription(), L"Fancy");
    obj->close();
}

TEST_F(DrawingFile, EveryCutOfARecordOpensAsAProxyOrItself)
{
    const Sample sample = buildSample(db());
    const std::string path = m_dir.file("drawing.vdb");
    save(db(), path);
    const std::string handle = std::to_string(sample.line.handle().value());
    const Bytes record = objectRows(path).at(std::stoll(handle)).record;
    const std::string cut = m_dir.file("cut.vdb");
    for (size_t size = 0; size < record.size(); ++size) {
        writeFile(cut, readFile(path));
        runSql(cut, "UPDATE objects SET record = substr(record, 1, " + std::to_string(size) +
                        ") WHERE handle = " + handle);
        std::unique_ptr<AcDbDatabase> opened = open(cut);
        ASSERT_TRUE(opened);
        AcDbObject* obj = nullptr;
        ASSERT_EQ(acdbOpenAcDbObject(obj, idOf(opened.get(), sample.line.handle().value()), AcDb::kForRead),
                  Acad::eOk);
        const AcDbProxyEntity* proxy = AcDbProxyEntity::cast(obj);
        ASSERT_NE(proxy, nullptr) << "cut at " << size;
        EXPECT_EQ(proxy->originalRecord(), Bytes(record.begin(), record.begin() + long(size)));
        obj->close();
    }
}
