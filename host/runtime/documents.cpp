// The document manager, the display services, the framework's message box and the
// platform runtime calls the modules use.
#include <charconv>
#include <cmath>
#include <cstdarg>
#include <cwchar>
#include <cwctype>
#include <string>
#include <vector>

#include "acdocman.h"
#include "aced.h"
#include "acui.h"
#include "dbapserv.h"
#include "vemhost_testing.h"
#include "wincrt.h"

namespace {

struct EditorCounters {
    long displayUpdates = 0;
    long graphicsFlushes = 0;
    long queuedFlushes = 0;
    std::vector<std::wstring> messageBoxes;
};

EditorCounters& counters()
{
    static EditorCounters c;
    return c;
}

class TransactionManager : public AcTransactionManager {
public:
    Acad::ErrorStatus queueForGraphicsFlush() override
    {
        ++counters().queuedFlushes;
        return Acad::eOk;
    }
    Acad::ErrorStatus flushGraphics() override
    {
        ++counters().graphicsFlushes;
        return Acad::eOk;
    }
};

// One document: the working database.
class Document : public AcApDocument {
public:
    AcDbDatabase* database() const override { return acdbHostApplicationServices()->workingDatabase(); }
    AcTransactionManager* transactionManager() const override { return &m_transactions; }

private:
    mutable TransactionManager m_transactions;
};

class DocManager : public AcApDocManager {
public:
    AcApDocument* curDocument() const override { return &m_document; }
    AcApDocument* mdiActiveDocument() const override { return &m_document; }

private:
    mutable Document m_document;
};

}  // namespace

AcApDocManager* acDocManagerPtr()
{
    static DocManager manager;
    return &manager;
}

void acedUpdateDisplay() { ++counters().displayUpdates; }

void InitAcUiDLL() {}

// The message box of this host prints its text in the command window and is
// answered at once with OK.
int AfxMessageBox(const wchar_t* lpszText, unsigned int, unsigned int)
{
    std::wstring text = lpszText ? lpszText : L"";
    counters().messageBoxes.push_back(text);
    vemhost::printPlain(L"\n[" + text + L"]");
    return IDOK;
}

namespace vemhost::testing {
long displayUpdateCount() { return counters().displayUpdates; }
long graphicsFlushCount() { return counters().graphicsFlushes; }
const std::vector<std::wstring>& messageBoxTexts() { return counters().messageBoxes; }
void clearEditorCounters()
{
    counters().displayUpdates = 0;
    counters().graphicsFlushes = 0;
    counters().queuedFlushes = 0;
    counters().messageBoxes.clear();
}
}  // namespace vemhost::testing

namespace {

bool isDigit(wchar_t c) { return c >= L'0' && c <= L'9'; }

// The length of the decimal number p starts with: an optional sign, digits with at
// most one point among or after them (at least one digit), then an exponent only when
// a digit follows its 'e' and optional sign. 0 when p starts with no number.
size_t decimalNumberLength(const wchar_t* p)
{
    size_t n = (p[0] == L'+' || p[0] == L'-') ? 1 : 0;
    size_t digits = 0;
    for (; isDigit(p[n]); ++n)
        ++digits;
    if (p[n] == L'.')
        for (++n; isDigit(p[n]); ++n)
            ++digits;
    if (digits == 0)
        return 0;
    if (p[n] == L'e' || p[n] == L'E') {
        size_t e = n + 1;
        if (p[e] == L'+' || p[e] == L'-')
            ++e;
        if (isDigit(p[e])) {
            while (isDigit(p[e]))
                ++e;
            n = e;
        }
    }
    return n;
}

// Whether a number too large or too small for a double is large: the place of its first
// significant digit, counted from the point, plus its exponent, is above zero.
bool overflows(const std::string& number)
{
    size_t i = 0;
    long place = 0;
    bool seenPoint = false, significant = false;
    for (; i < number.size() && number[i] != 'e' && number[i] != 'E'; ++i) {
        if (number[i] == '.') {
            seenPoint = true;
        } else if (!significant && number[i] == '0') {
            place -= seenPoint ? 1 : 0;
        } else {
            significant = true;
            place += seenPoint ? 0 : 1;
        }
    }
    long exponent = 0;
    if (i < number.size()) {
        const bool negative = number[i + 1] == '-';
        for (size_t e = i + 1; e < number.size(); ++e)
            if (number[e] >= '0' && number[e] <= '9' && exponent < 100000000)
                exponent = exponent * 10 + (number[e] - '0');
        exponent = negative ? -exponent : exponent;
    }
    return place + exponent > 0;
}

}  // namespace

// As the host platform's runtime reads a number: leading blanks skipped, the longest
// leading decimal number taken, the rest ignored, 0.0 when there is none. Only decimal
// digits count: hexadecimal, "inf" and "nan" read as no number (0.0) there, and here
// too. A number beyond the range of a double reads as an infinity (callers check), one
// too small for it as 0. The decimal separator is always the point, whatever the locale.
double _wtof(const wchar_t* str)
{
    if (str == nullptr)
        return 0.0;
    const wchar_t* p = str;
    while (*p != 0 && std::iswspace(wint_t(*p)))
        ++p;
    const size_t length = decimalNumberLength(p);
    if (length == 0)
        return 0.0;
    const bool negative = p[0] == L'-';
    std::string number;
    number.reserve(length);
    for (size_t i = (p[0] == L'+' || p[0] == L'-') ? 1 : 0; i < length; ++i)
        number += char(p[i]);
    double value = 0.0;
    const std::from_chars_result read = std::from_chars(number.data(), number.data() + number.size(), value);
    if (read.ec == std::errc::result_out_of_range)
        value = overflows(number) ? HUGE_VAL : 0.0;
    return negative ? -value : value;
}

// ---- result buffers ------------------------------------------------------------------------

struct resbuf* acutNewRb(int v)
{
    struct resbuf* rb = new struct resbuf();
    rb->rbnext = nullptr;
    rb->restype = short(v);
    return rb;
}

namespace {
bool holdsString(short type)
{
    return type == RTSTR || type == RTDXF0 || (type >= 0 && type <= 9) || (type >= 1000 && type <= 1009);
}
}  // namespace

int acutRelRb(struct resbuf* rb)
{
    while (rb != nullptr) {
        struct resbuf* next = rb->rbnext;
        if (holdsString(rb->restype))
            delete[] rb->resval.rstring;
        delete rb;
        rb = next;
    }
    return RTNORM;
}

// Pairs of type and value, ended by 0 or RTNONE. Strings are copied; points, reals
// and integers are taken by value.
struct resbuf* acutBuildList(int rtype, ...)
{
    va_list args;
    va_start(args, rtype);
    struct resbuf* head = nullptr;
    struct resbuf** tail = &head;
    for (int type = rtype; type != 0 && type != RTNONE; type = va_arg(args, int)) {
        struct resbuf* rb = acutNewRb(type);
        if (holdsString(short(type))) {
            const wchar_t* s = va_arg(args, const wchar_t*);
            size_t n = s ? std::wcslen(s) : 0;
            rb->resval.rstring = new wchar_t[n + 1];
            std::wmemcpy(rb->resval.rstring, s ? s : L"", n + 1);
        } else if (type == RTPOINT || type == RT3DPOINT || (type >= 10 && type <= 19)) {
            const double* pt = va_arg(args, const double*);
            for (int i = 0; i < 3; ++i)
                rb->resval.rpoint[i] = pt ? pt[i] : 0.0;
        } else if (type == RTREAL || (type >= 40 && type <= 59)) {
            rb->resval.rreal = va_arg(args, double);
        } else if (type == RTLONG || (type >= 90 && type <= 99)) {
            rb->resval.rlong = va_arg(args, int32_t);
        } else {
            rb->resval.rint = short(va_arg(args, int));
        }
        *tail = rb;
        tail = &rb->rbnext;
    }
    va_end(args);
    return head;
}
