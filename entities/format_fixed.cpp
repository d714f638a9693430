// formatFixed: fixed-point text of a value. A value of drawing size is first reduced to
// the 15 significant digits a double holds reliably, so that the binary noise of two
// computations of one coordinate never shows as two different last digits. Every call is
// bounded by the buffer it writes into, and the whole text is returned.
#include "format_fixed.h"

#include <charconv>
#include <cmath>
#include <cstdio>
#include <memory>

namespace {

// Ordinary coordinates fit here; longer texts are measured and formatted on the heap.
constexpr int kStackChars = 128;
// A negative precision counts as none given, and the runtime's default is six.
constexpr int kDefaultDecimals = 6;
// Digits a double carries faithfully through a computation, and the magnitude below
// which all of them can be shown.
constexpr int kSignificantDigits = 15;
constexpr double kReducedBelow = 1e15;

int decimalsShown(Adesk::Int16 decimals) { return decimals < 0 ? kDefaultDecimals : decimals; }

// NaN compares false, so only finite values below 10^15 are reduced.
bool isReduced(double value) { return std::fabs(value) < kReducedBelow; }

// A value reduced to 15 significant digits and rounded to the decimals shown: the
// digits are those of 0.d1d2...dn × 10^(exponent + 1); no digits means zero.
struct RoundedValue {
    bool negative = false;
    char digits[kSignificantDigits + 1];
    int count = 0;
    int exponent = 0;  // place of digits[0] is 10^exponent
};

// The exponent of "e+06" or "e-324", as the runtime writes it.
int exponentOf(const char* text)
{
    const bool negative = *text == '-';
    if (*text == '-' || *text == '+')
        ++text;
    int exponent = 0;
    for (; *text >= '0' && *text <= '9'; ++text)
        exponent = exponent * 10 + (*text - '0');
    return negative ? -exponent : exponent;
}

// Adds one unit in the last kept digit; a carry out of the first digit makes "1".
void roundUp(RoundedValue& r)
{
    int i = r.count - 1;
    while (i >= 0 && r.digits[i] == '9')
        r.digits[i--] = '0';
    if (i >= 0) {
        ++r.digits[i];
        return;
    }
    for (int j = r.count; j > 0; --j)
        r.digits[j] = r.digits[j - 1];
    r.digits[0] = '1';
    ++r.count;
    ++r.exponent;
}

// The 15 significant digits come from the runtime's correctly rounded scientific
// form; the decimals are then rounded on those digits, half away from zero, so no
// binary representation error takes part in the rounding.
RoundedValue roundedValue(double value, int decimals)
{
    RoundedValue r;
    if (value == 0.0)
        return r;
    char text[32];
    const std::to_chars_result written =
        std::to_chars(text, text + sizeof text, value, std::chars_format::scientific, kSignificantDigits - 1);
    *written.ptr = '\0';
    const char* p = text;
    r.negative = *p == '-';
    if (r.negative)
        ++p;
    char all[kSignificantDigits];
    int total = 0;
    for (; *p != 'e'; ++p)
        if (*p != '.')
            all[total++] = *p;
    r.exponent = exponentOf(p + 1);
    // Digits whose place is 10^-decimals or more are kept.
    const long kept = long(r.exponent) + decimals + 1;
    if (kept < 0)
        r.count = 0;
    else
        r.count = kept < total ? int(kept) : total;
    for (int i = 0; i < r.count; ++i)
        r.digits[i] = all[i];
    if (r.count < total && kept >= 0 && all[r.count] >= '5')
        roundUp(r);
    if (r.count == 0)
        r.negative = false;  // a value that rounds to zero shows no sign
    return r;
}

char digitAt(const RoundedValue& r, int place)
{
    const int i = r.exponent - place;
    return i >= 0 && i < r.count ? r.digits[i] : '0';
}

int textLength(const RoundedValue& r, int decimals)
{
    const int wholeDigits = r.count > 0 && r.exponent >= 0 ? r.exponent + 1 : 1;
    return (r.negative ? 1 : 0) + wholeDigits + (decimals > 0 ? 1 + decimals : 0);
}

template <class Char>
void writeText(const RoundedValue& r, int decimals, Char* out)
{
    if (r.negative)
        *out++ = Char('-');
    const int highest = r.count > 0 && r.exponent >= 0 ? r.exponent : 0;
    for (int place = highest; place >= 0; --place)
        *out++ = Char(digitAt(r, place));
    if (decimals <= 0)
        return;
    *out++ = Char('.');
    for (int place = -1; place >= -decimals; --place)
        *out++ = Char(digitAt(r, place));
}

// ---- values of 10^15 and more, infinities and NaN: the runtime's own text ------------------

// The formatted bytes are plain ASCII (digits, sign, point, "inf", "nan"), so each
// byte widens to the character of the same code in the host's wide string.
void widen(const char* text, int count, wchar_t* out)
{
    for (int i = 0; i < count; ++i)
        out[i] = wchar_t(static_cast<unsigned char>(text[i]));
}

// The narrow text into text[kStackChars]: its length, or -1 when it does not fit.
// std::to_chars writes exactly what printf's "%.*f" writes in the C locale, without
// printf's cost, and refuses rather than overruns; a whole number keeps the "%0.0f"
// of the runtime's formatting.
int narrowText(double value, Adesk::Int16 decimals, char* text)
{
    if (decimals == 0) {
        const int count = std::snprintf(text, kStackChars, "%0.0f", value);
        return count >= 0 && count < kStackChars ? count : -1;
    }
    const std::to_chars_result result =
        std::to_chars(text, text + kStackChars, value, std::chars_format::fixed, decimalsShown(decimals));
    return result.ec == std::errc() ? int(result.ptr - text) : -1;
}

// The long form: snprintf measures the text, then formats it into a buffer of its size.
AcString longText(double value, Adesk::Int16 decimals)
{
    const char* format = decimals == 0 ? "%0.0f" : "%.*lf";
    const int precision = decimalsShown(decimals);
    int count = decimals == 0 ? std::snprintf(nullptr, 0, format, value)
                              : std::snprintf(nullptr, 0, format, precision, value);
    if (count < 0)
        return AcString();
    std::unique_ptr<char[]> text(new char[size_t(count) + 1]);
    if (decimals == 0)
        std::snprintf(text.get(), size_t(count) + 1, format, value);
    else
        std::snprintf(text.get(), size_t(count) + 1, format, precision, value);
    std::unique_ptr<wchar_t[]> wide(new wchar_t[size_t(count) + 1]);
    widen(text.get(), count, wide.get());
    return AcString(wide.get(), unsigned(count));
}

}  // namespace

int formatFixedInto(double value, Adesk::Int16 decimals, wchar_t* out, int capacity)
{
    if (isReduced(value)) {
        const int shown = decimalsShown(decimals);
        const RoundedValue rounded = roundedValue(value, shown);
        const int length = textLength(rounded, shown);
        if (length > capacity)
            return -1;
        writeText(rounded, shown, out);
        return length;
    }
    char text[kStackChars];
    const int count = narrowText(value, decimals, text);
    if (count < 0 || count > capacity)
        return -1;
    widen(text, count, out);
    return count;
}

AcString formatFixed(double value, Adesk::Int16 decimals)
{
    if (isReduced(value)) {
        const int shown = decimalsShown(decimals);
        const RoundedValue rounded = roundedValue(value, shown);
        const int length = textLength(rounded, shown);
        if (length <= kStackChars) {
            wchar_t wide[kStackChars];
            writeText(rounded, shown, wide);
            return AcString(wide, unsigned(length));
        }
        std::unique_ptr<wchar_t[]> wide(new wchar_t[size_t(length)]);
        writeText(rounded, shown, wide.get());
        return AcString(wide.get(), unsigned(length));
    }
    wchar_t wide[kStackChars];
    const int count = formatFixedInto(value, decimals, wide, kStackChars);
    return count < 0 ? longText(value, decimals) : AcString(wide, unsigned(count));
}
