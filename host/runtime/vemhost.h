// Stand-in-only facilities of the host runtime, for tests and the vemcad program:
// the captured command window, databases, memory and fault-injecting filers, the
// drawn-primitive collector and object accounting. Modules never include this.
#pragma once

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <vector>

#include "dbmain.h"
#include "gepnt2d.h"

namespace vemhost {

// ---- command window -------------------------------------------------------------
// Everything acutPrintf prints goes to the sink (UTF-8); by default to standard output.
using OutputSink = std::function<void(const std::string& utf8)>;
ACRT_PORT void setOutputSink(OutputSink sink);
// Starts collecting the command window in memory (and stops sending it to the sink).
ACRT_PORT void startCapture();
// Returns what was printed since startCapture (or the last take) and clears it.
ACRT_PORT std::string takeCaptured();
ACRT_PORT void stopCapture();
// Prints through the command window without any formatting.
ACRT_PORT void printPlain(const std::wstring& text);

// ---- text conversion ------------------------------------------------------------
ACRT_PORT std::string toUtf8(const std::wstring& text);
ACRT_PORT std::wstring fromUtf8(const std::string& text);

// ---- assertions -----------------------------------------------------------------
// The host's invariant checks report file, line and message. When throwing is on (as
// in tests) a failed check throws AssertionFailure; otherwise it prints and aborts.
struct AssertionFailure {
    std::string message;
};
ACRT_PORT void setAssertionsThrow(bool enabled);
ACRT_PORT bool assertionsThrow();

// ---- objects ----------------------------------------------------------------------
// Number of database objects alive in the process (resident or not).
ACRT_PORT long liveObjectCount();
// Bytes of the host's object heap held by live database objects (their size classes).
ACRT_PORT std::size_t objectHeapBytesInUse();
// Number of resident objects currently open (in any mode) in a database.
ACRT_PORT long openObjectCount(const AcDbDatabase* db);

// ---- fault injection (tests only) -----------------------------------------------------
// The n-th appendAcDbEntity from now on (counting from 1) fails with es, once, before
// anything is changed; 0 or less disarms. Pending: armed and not fired yet.
ACRT_PORT void failAppendAfter(int n, Acad::ErrorStatus es = Acad::eOutOfMemory);
ACRT_PORT bool appendFailurePending();
// The same for opens by id (acdbOpenAcDbObject, acdbOpenAcDbEntity, acdbOpenObject and
// the symbol tables' opens of their records).
ACRT_PORT void failOpenAfter(int n, Acad::ErrorStatus es = Acad::eOutOfMemory);
ACRT_PORT bool openFailurePending();

// ---- filers ---------------------------------------------------------------------
// A binary filer over one growing memory buffer. Each value is written with a
// one-byte type tag; reading checks the tag, the bounds and string sizes. Any failure
// is sticky: every later operation returns it until resetFilerStatus or rewind.
class ACRT_PORT MemoryFiler : public AcDbDwgFiler {
public:
    explicit MemoryFiler(AcDbDatabase* db = nullptr, AcDb::FilerType type = AcDb::kFileFiler);
    MemoryFiler(const std::vector<unsigned char>& bytes, AcDbDatabase* db = nullptr,
                AcDb::FilerType type = AcDb::kFileFiler);
    ~MemoryFiler() override;

    const std::vector<unsigned char>& bytes() const { return m_bytes; }
    // The bytes written, leaving the filer empty: a large buffer is handed over as it
    // is, a small record is copied to its exact size (records are kept by the thousand).
    std::vector<unsigned char> takeBytes();
    void setBytes(std::vector<unsigned char> bytes);
    // Back to the start for reading what was written; the status is reset.
    void rewind();
    void clear();

    Acad::ErrorStatus filerStatus() const override { return m_status; }
    AcDb::FilerType filerType() const override { return m_type; }
    void setFilerStatus(Acad::ErrorStatus es) override { m_status = es; }
    void resetFilerStatus() override { m_status = Acad::eOk; }
    AcDbDatabase* database() const override { return m_db; }

    Acad::ErrorStatus readHardOwnershipId(AcDbHardOwnershipId* pId) override;
    Acad::ErrorStatus writeHardOwnershipId(const AcDbHardOwnershipId& id) override;
    Acad::ErrorStatus readSoftOwnershipId(AcDbSoftOwnershipId* pId) override;
    Acad::ErrorStatus writeSoftOwnershipId(const AcDbSoftOwnershipId& id) override;
    Acad::ErrorStatus readHardPointerId(AcDbHardPointerId* pId) override;
    Acad::ErrorStatus writeHardPointerId(const AcDbHardPointerId& id) override;
    Acad::ErrorStatus readSoftPointerId(AcDbSoftPointerId* pId) override;
    Acad::ErrorStatus writeSoftPointerId(const AcDbSoftPointerId& id) override;
    Acad::ErrorStatus readInt8(Adesk::Int8* pVal) override;
    Acad::ErrorStatus writeInt8(Adesk::Int8 val) override;
    Acad::ErrorStatus readString(ACHAR** pVal) override;
    Acad::ErrorStatus writeString(const ACHAR* pVal) override;
    Acad::ErrorStatus readString(AcString& val) override;
    Acad::ErrorStatus writeString(const AcString& pVal) override;
    Acad::ErrorStatus readBChunk(ads_binary* pVal) override;
    Acad::ErrorStatus writeBChunk(const ads_binary& val) override;
    Acad::ErrorStatus readAcDbHandle(AcDbHandle* pVal) override;
    Acad::ErrorStatus writeAcDbHandle(const AcDbHandle& val) override;
    Acad::ErrorStatus readInt64(Adesk::Int64* pVal) override;
    Acad::ErrorStatus writeInt64(Adesk::Int64 val) override;
    Acad::ErrorStatus readInt32(Adesk::Int32* pVal) override;
    Acad::ErrorStatus writeInt32(Adesk::Int32 val) override;
    Acad::ErrorStatus readInt16(Adesk::Int16* pVal) override;
    Acad::ErrorStatus writeInt16(Adesk::Int16 val) override;
    Acad::ErrorStatus readUInt64(Adesk::UInt64* pVal) override;
    Acad::ErrorStatus writeUInt64(Adesk::UInt64 val) override;
    Acad::ErrorStatus readUInt32(Adesk::UInt32* pVal) override;
    Acad::ErrorStatus writeUInt32(Adesk::UInt32 val) override;
    Acad::ErrorStatus readUInt16(Adesk::UInt16* pVal) override;
    Acad::ErrorStatus writeUInt16(Adesk::UInt16 val) override;
    Acad::ErrorStatus readUInt8(Adesk::UInt8* pVal) override;
    Acad::ErrorStatus writeUInt8(Adesk::UInt8 val) override;
    Acad::ErrorStatus readBoolean(Adesk::Boolean* pVal) override;
    Acad::ErrorStatus writeBoolean(Adesk::Boolean val) override;
    Acad::ErrorStatus readBool(bool* pVal) override;
    Acad::ErrorStatus writeBool(bool val) override;
    Acad::ErrorStatus readDouble(double* pVal) override;
    Acad::ErrorStatus writeDouble(double val) override;
    Acad::ErrorStatus readPoint2d(AcGePoint2d* pVal) override;
    Acad::ErrorStatus writePoint2d(const AcGePoint2d& val) override;
    Acad::ErrorStatus readPoint3d(AcGePoint3d* pVal) override;
    Acad::ErrorStatus writePoint3d(const AcGePoint3d& val) override;
    Acad::ErrorStatus readVector2d(AcGeVector2d* pVal) override;
    Acad::ErrorStatus writeVector2d(const AcGeVector2d& val) override;
    Acad::ErrorStatus readVector3d(AcGeVector3d* pVal) override;
    Acad::ErrorStatus writeVector3d(const AcGeVector3d& val) override;
    Acad::ErrorStatus readBytes(void* pDest, Adesk::UIntPtr nBytes) override;
    Acad::ErrorStatus writeBytes(const void* pSrc, Adesk::UIntPtr nBytes) override;
    Acad::ErrorStatus readAddress(void** pVal) override;
    Acad::ErrorStatus writeAddress(const void* pVal) override;
    Acad::ErrorStatus seek(Adesk::Int64 nOffset, int nMethod) override;
    Adesk::Int64 tell() const override { return Adesk::Int64(m_pos); }

private:
    Acad::ErrorStatus writeTagged(unsigned char tag, const void* data, size_t size);
    Acad::ErrorStatus readTagged(unsigned char tag, void* data, size_t size);
    Acad::ErrorStatus writeId(unsigned char tag, const AcDbObjectId& id);
    Acad::ErrorStatus readId(unsigned char tag, AcDbObjectId* pId);
    Acad::ErrorStatus fail(Acad::ErrorStatus es);

    std::vector<unsigned char> m_bytes;
    size_t m_pos = 0;
    AcDbDatabase* m_db;
    AcDb::FilerType m_type;
    Acad::ErrorStatus m_status = Acad::eOk;
};

// Wraps another filer and fails its N-th operation (counting from 1, reads, writes and
// seeks alike; 0 or less never) with a chosen status, without reaching the inner filer.
// The failure is sticky like MemoryFiler's: later operations return it at once
// until resetFilerStatus (or setFilerStatus(eOk)).
class ACRT_PORT FaultFiler : public AcDbDwgFiler {
public:
    FaultFiler(AcDbDwgFiler& inner, long failAt, Acad::ErrorStatus status = Acad::eFilerError);
    ~FaultFiler() override;
    // Operations seen so far, failed ones included.
    long operationCount() const { return m_count; }
    // True while the injected failure is in force.
    bool hasFailed() const { return m_failed; }

    Acad::ErrorStatus filerStatus() const override;
    AcDb::FilerType filerType() const override { return m_inner.filerType(); }
    void setFilerStatus(Acad::ErrorStatus es) override;
    void resetFilerStatus() override;
    AcDbDatabase* database() const override { return m_inner.database(); }

    Acad::ErrorStatus readHardOwnershipId(AcDbHardOwnershipId* pId) override;
    Acad::ErrorStatus writeHardOwnershipId(const AcDbHardOwnershipId& id) override;
    Acad::ErrorStatus readSoftOwnershipId(AcDbSoftOwnershipId* pId) override;
    Acad::ErrorStatus writeSoftOwnershipId(const AcDbSoftOwnershipId& id) override;
    Acad::ErrorStatus readHardPointerId(AcDbHardPointerId* pId) override;
    Acad::ErrorStatus writeHardPointerId(const AcDbHardPointerId& id) override;
    Acad::ErrorStatus readSoftPointerId(AcDbSoftPointerId* pId) override;
    Acad::ErrorStatus writeSoftPointerId(const AcDbSoftPointerId& id) override;
    Acad::ErrorStatus readInt8(Adesk::Int8* pVal) override;
    Acad::ErrorStatus writeInt8(Adesk::Int8 val) override;
    Acad::ErrorStatus readString(ACHAR** pVal) override;
    Acad::ErrorStatus writeString(const ACHAR* pVal) override;
    Acad::ErrorStatus readString(AcString& val) override;
    Acad::ErrorStatus writeString(const AcString& pVal) override;
    Acad::ErrorStatus readBChunk(ads_binary* pVal) override;
    Acad::ErrorStatus writeBChunk(const ads_binary& val) override;
    Acad::ErrorStatus readAcDbHandle(AcDbHandle* pVal) override;
    Acad::ErrorStatus writeAcDbHandle(const AcDbHandle& val) override;
    Acad::ErrorStatus readInt64(Adesk::Int64* pVal) override;
    Acad::ErrorStatus writeInt64(Adesk::Int64 val) override;
    Acad::ErrorStatus readInt32(Adesk::Int32* pVal) override;
    Acad::ErrorStatus writeInt32(Adesk::Int32 val) override;
    Acad::ErrorStatus readInt16(Adesk::Int16* pVal) override;
    Acad::ErrorStatus writeInt16(Adesk::Int16 val) override;
    Acad::ErrorStatus readUInt64(Adesk::UInt64* pVal) override;
    Acad::ErrorStatus writeUInt64(Adesk::UInt64 val) override;
    Acad::ErrorStatus readUInt32(Adesk::UInt32* pVal) override;
    Acad::ErrorStatus writeUInt32(Adesk::UInt32 val) override;
    Acad::ErrorStatus readUInt16(Adesk::UInt16* pVal) override;
    Acad::ErrorStatus writeUInt16(Adesk::UInt16 val) override;
    Acad::ErrorStatus readUInt8(Adesk::UInt8* pVal) override;
    Acad::ErrorStatus writeUInt8(Adesk::UInt8 val) override;
    Acad::ErrorStatus readBoolean(Adesk::Boolean* pVal) override;
    Acad::ErrorStatus writeBoolean(Adesk::Boolean val) override;
    Acad::ErrorStatus readBool(bool* pVal) override;
    Acad::ErrorStatus writeBool(bool val) override;
    Acad::ErrorStatus readDouble(double* pVal) override;
    Acad::ErrorStatus writeDouble(double val) override;
    Acad::ErrorStatus readPoint2d(AcGePoint2d* pVal) override;
    Acad::ErrorStatus writePoint2d(const AcGePoint2d& val) override;
    Acad::ErrorStatus readPoint3d(AcGePoint3d* pVal) override;
    Acad::ErrorStatus writePoint3d(const AcGePoint3d& val) override;
    Acad::ErrorStatus readVector2d(AcGeVector2d* pVal) override;
    Acad::ErrorStatus writeVector2d(const AcGeVector2d& val) override;
    Acad::ErrorStatus readVector3d(AcGeVector3d* pVal) override;
    Acad::ErrorStatus writeVector3d(const AcGeVector3d& val) override;
    Acad::ErrorStatus readBytes(void* pDest, Adesk::UIntPtr nBytes) override;
    Acad::ErrorStatus writeBytes(const void* pSrc, Adesk::UIntPtr nBytes) override;
    Acad::ErrorStatus readAddress(void** pVal) override;
    Acad::ErrorStatus writeAddress(const void* pVal) override;
    Acad::ErrorStatus seek(Adesk::Int64 nOffset, int nMethod) override;
    Adesk::Int64 tell() const override { return m_inner.tell(); }

private:
    // True when this operation is the one to fail; counts every operation.
    bool failsNow();

    AcDbDwgFiler& m_inner;
    long m_failAt;
    long m_count = 0;
    Acad::ErrorStatus m_status;
    bool m_failed = false;
};

// ---- drawing ----------------------------------------------------------------------
// One drawn primitive in world coordinates with the traits in force when it was drawn.
struct Primitive {
    enum Kind { kPolyline, kPolygon, kCircle, kText };
    Kind kind = kPolyline;
    std::vector<AcGePoint3d> points;  // polyline / polygon vertices, circle centre, text position
    double radius = 0.0;              // circle radius or text height
    AcGeVector3d normal = AcGeVector3d::kZAxis;
    AcGeVector3d direction = AcGeVector3d::kXAxis;
    std::wstring text;
    Adesk::UInt16 color = 256;
    AcDbObjectId layerId;
    AcDbObjectId linetypeId;
    AcDb::LineWeight lineWeight = AcDb::kLnWtByLayer;
    Adesk::LongPtr marker = -1;
};

// A world-draw context that records what an entity draws.
class ACRT_PORT PrimitiveCollector {
public:
    PrimitiveCollector();
    ~PrimitiveCollector();
    PrimitiveCollector(const PrimitiveCollector&) = delete;
    PrimitiveCollector& operator=(const PrimitiveCollector&) = delete;

    // Draws the entity as the host does: its attributes set up its traits, then worldDraw.
    Adesk::Boolean draw(AcDbEntity* pEntity);
    AcGiWorldDraw* worldDraw();
    const std::vector<Primitive>& primitives() const;
    void clear();

private:
    struct Impl;
    std::unique_ptr<Impl> m_impl;
};


// ---- editor input -----------------------------------------------------------------
// One thing the user gives: a typed line (one or more answers, as if ended with Enter)
// or a pick, a point clicked in the drawing, which answers one prompt by itself. A
// point prompt applies the running object snaps to a pick, never to a typed point;
// prompts that take no point ignore picks, as the host ignores clicks there.
struct Input {
    enum Kind { kLine, kPick };
    Kind kind = kLine;
    std::wstring line;  // kLine
    AcGePoint3d point;  // kPick, world coordinates
};
// Supplies the lines the user types or a script holds, and the picks of a front end
// that has a drawing to click in. False means no more input, which the editor answers
// as a cancel.
class ACRT_PORT InputProvider {
public:
    virtual ~InputProvider();
    virtual bool readLine(std::wstring& line) = 0;
    // The next input; a provider that delivers picks overrides this. The default
    // reads a line.
    virtual bool read(Input& input);
};
// The editor reads from this provider (not owned); null means the built-in queue.
ACRT_PORT void setInputProvider(InputProvider* provider);
// The built-in queue: each entry is one line, as if typed and ended with Enter. The
// line "^C" cancels the prompt it answers, as ESC does.
ACRT_PORT void queueInput(const std::wstring& line);
ACRT_PORT void queueInput(std::initializer_list<std::wstring> lines);
// Queues a pick at a world point, as a click in the drawing gives it.
ACRT_PORT void queuePick(const AcGePoint3d& pt);
ACRT_PORT void clearInput();
ACRT_PORT size_t pendingInputCount();
// Drops what is left of the current line (after a command ends or is cancelled).
ACRT_PORT void discardPendingAnswer();
// True after the provider had no more lines for an answer (until it gives one again).
ACRT_PORT bool inputExhausted();
// When on, each answer is printed after its prompt, as a script run shows it.
ACRT_PORT void setEchoAnswers(bool on);
// Pick box: how far (drawing units) from a pick an entity may pass to be picked.
ACRT_PORT void setPickBox(double size);
ACRT_PORT double pickBox();
// The last point the editor returned (for relative answers), and the entity last
// appended in the current space is the "L" of a selection.
ACRT_PORT AcGePoint3d lastPoint();
ACRT_PORT void setLastPoint(const AcGePoint3d& pt);
// Running object snaps (OSMODE), with the host's bits: END 1, MID 2, CEN 4, NOD 8,
// QUA 16, INT 32, INS 64, PER 128, TAN 256, NEA 512 (higher bits are kept, unused).
// Like the host, which keeps it in the registry, the value belongs to the program, not
// to a drawing. The snap aperture is the pick box. setOsmode refuses a value outside
// 0..kMaxOsmode and returns false.
constexpr int kDefaultOsmode = 4133;
constexpr int kMaxOsmode = 16383;
ACRT_PORT bool setOsmode(int bits);
ACRT_PORT int osmode();

// ---- selection areas ----------------------------------------------------------------
// A crossing area of an interactive selection, in the XY plane: a C window as its four
// corners, or a CP polygon as the corners given, in order (three or more).
struct CrossingRegion {
    std::vector<AcGePoint2d> corners;

    // Whether the region holds a point; a point on the border is inside.
    ACRT_PORT bool contains(const AcGePoint3d& p) const;
    // Whether the region meets an axis-aligned box (an entity's extents), touching
    // included.
    ACRT_PORT bool meetsBox(const AcGePoint3d& lo, const AcGePoint3d& hi) const;
    // Whether the region meets the entity's extents, as a crossing selection tests it.
    ACRT_PORT bool meets(AcDbEntity* ent) const;
};
// The crossing areas (C and CP answers) that added to the last interactive selection
// (acedSSGet without a mode), in the order given; those given while removing (R) are
// left out. Each acedSSGet starts with none, and a cancelled selection keeps none.
// A program that treats crossed entities apart, as STRETCH moves only their points
// inside, reads them after acedSSGet returns.
ACRT_PORT std::vector<CrossingRegion> lastCrossingRegions();

// ---- editor accounting ------------------------------------------------------------
ACRT_PORT long openSelectionSetCount();
ACRT_PORT long displayUpdateCount();
ACRT_PORT long graphicsFlushCount();
ACRT_PORT const std::vector<std::wstring>& messageBoxTexts();
ACRT_PORT void clearEditorCounters();

// ---- commands -----------------------------------------------------------------------
// Runs a registered command by its local name, or its global name with a leading "_"
// (case-insensitive). False when no command of that name is registered.
ACRT_PORT bool runCommand(const std::wstring& name);
ACRT_PORT bool isCommandRegistered(const std::wstring& name);

}  // namespace vemhost
