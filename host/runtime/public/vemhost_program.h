// What a front end of the host (the vemcad command line, a browser page) reaches of the
// runtime beyond the SDK: the command window's output, text conversion, the editor's
// input (typed lines and picks, prompts read by the front end itself, the pick box and
// the running object snaps), the crossing areas of the last selection, and running
// commands by name. The modules never include this.
#pragma once

#include <functional>
#include <initializer_list>
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

// How a prompt that the front end asks itself was answered.
enum class Answer { kText, kCancel };
// Prints the prompt and takes the next answer, as the editor's own string requests do:
// the rest of the current line when spaces are allowed, else up to the next space or
// line end (a "^C" line cancels; the end of the input answers kCancel, and then
// inputExhausted() is true).
ACRT_PORT Answer readAnswer(const ACHAR* prompt, bool spacesAllowed, std::wstring& answer);

// ---- what the editor waits for ------------------------------------------------------
// A front end that shows feedback before a click (the snap marker, the objects
// selected so far) asks what the request that is reading its answer wants.
enum class Request { kNone, kText, kPoint, kObject, kSelection };
struct Waiting {
    Request request = Request::kNone;   // kNone while no request reads input
    bool runningSnaps = false;          // kPoint: a pick takes the running snaps
    AcGePoint3d base;                   // kPoint: where relative answers start
    std::vector<AcDbObjectId> selected; // kSelection: the objects gathered so far
};
ACRT_PORT Waiting waiting();
// The running snap a pick at `pick` would take at the point request now waiting (as
// that request would take it: OSMODE, the pick box as aperture, perpendiculars from its
// base), with the OSMODE bit of the mode that gave it; false when there is none or no
// point request with running snaps is waiting.
ACRT_PORT bool previewRunningSnap(const AcGePoint3d& pick, AcGePoint3d& snapped, unsigned& modeBit);
// The entity the last pick found at an object or selection request, while it is in
// the working drawing and not erased; null otherwise.
ACRT_PORT AcDbObjectId lastPickedEntity();

// Told, on the command thread, of every input the editor takes with the request it
// answered (a pick at a request that takes no point is passed over, as the editor
// passes it over), and of the point each pick gave a point request after the snaps, so
// that a front end can keep a session as a script of typed answers.
class ACRT_PORT InputObserver {
public:
    virtual ~InputObserver();
    virtual void inputTaken(const Input& input, Request request) = 0;
    virtual void pickedPoint(const AcGePoint3d& point) = 0;
};
// The observer (not owned); null for none.
ACRT_PORT void setInputObserver(InputObserver* observer);

// ---- fonts ------------------------------------------------------------------------
// Whether the stroke fonts texts are measured with were found, and where they were
// looked for (without them every character measures as a square of the text height).
ACRT_PORT bool strokeFontsFound();
ACRT_PORT std::string strokeFontSource();

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

// ---- objects ------------------------------------------------------------------------
// How many objects db holds in memory (erased ones too: undo may bring them back) for
// which the predicate is true.
ACRT_PORT std::size_t countObjects(AcDbDatabase* db, const std::function<bool(const AcDbObject*)>& which);

// ---- commands -----------------------------------------------------------------------
// Runs a registered command by its local name, or its global name with a leading "_"
// (case-insensitive). False when no command of that name is registered.
ACRT_PORT bool runCommand(const std::wstring& name);
ACRT_PORT bool isCommandRegistered(const std::wstring& name);

}  // namespace vemhost
