// formatFixed: fixed-point text of a value. Every call is bounded by the buffer it
// writes into, so no value or precision can overrun it, and the whole text is returned.
#include "format_fixed.h"

#include <charconv>
#include <cstdio>
#include <memory>

namespace {

// Ordinary coordinates fit here; longer texts are measured and formatted on the heap.
constexpr int kStackChars = 128;
// A negative precision counts as none given, and the runtime's default is six.
constexpr int kDefaultDecimals = 6;

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
    const int precision = decimals < 0 ? kDefaultDecimals : decimals;
    const std::to_chars_result result = std::to_chars(text, text + kStackChars, value, std::chars_format::fixed,
                                                      precision);
    return result.ec == std::errc() ? int(result.ptr - text) : -1;
}

// The long form: snprintf measures the text, then formats it into a buffer of its size.
AcString longText(double value, Adesk::Int16 decimals)
{
    const char* format = decimals == 0 ? "%0.0f" : "%.*lf";
    const int precision = decimals < 0 ? kDefaultDecimals : decimals;
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
    char text[kStackChars];
    const int count = narrowText(value, decimals, text);
    if (count < 0 || count > capacity)
        return -1;
    widen(text, count, out);
    return count;
}

AcString formatFixed(double value, Adesk::Int16 decimals)
{
    wchar_t wide[kStackChars];
    const int count = formatFixedInto(value, decimals, wide, kStackChars);
    return count < 0 ? longText(value, decimals) : AcString(wide, unsigned(count));
}
