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
AcString widened(const char* text, size_t count, wchar_t* buffer)
{
    for (size_t i = 0; i < count; ++i)
        buffer[i] = wchar_t(static_cast<unsigned char>(text[i]));
    return AcString(buffer, unsigned(count));
}

// The long form: snprintf measures the text, then formats it into a buffer of its size.
AcString longText(double value, int decimals)
{
    int count = std::snprintf(nullptr, 0, "%.*lf", decimals, value);
    if (count < 0)
        return AcString();
    std::unique_ptr<char[]> text(new char[size_t(count) + 1]);
    std::snprintf(text.get(), size_t(count) + 1, "%.*lf", decimals, value);
    std::unique_ptr<wchar_t[]> wide(new wchar_t[size_t(count) + 1]);
    return widened(text.get(), size_t(count), wide.get());
}

// std::to_chars writes exactly what printf's "%.*f" writes in the C locale, without
// printf's cost, and refuses rather than overruns when the text does not fit.
AcString withDecimals(double value, int decimals)
{
    if (decimals < 0)
        decimals = kDefaultDecimals;
    char text[kStackChars];
    const std::to_chars_result result = std::to_chars(text, text + kStackChars, value, std::chars_format::fixed,
                                                      decimals);
    if (result.ec != std::errc())
        return longText(value, decimals);
    wchar_t wide[kStackChars];
    return widened(text, size_t(result.ptr - text), wide);
}

}  // namespace

AcString formatFixed(double value, Adesk::Int16 decimals)
{
    if (decimals == 0) {
        AcString whole;
        whole.format(L"%0.0f", value);
        return whole;
    }
    return withDecimals(value, decimals);
}
