// formatFixed: fixed-point text of a value, formatted with a bounded call so that no
// value or precision can overrun a buffer.
#include "format_fixed.h"

#include <cstdio>
#include <memory>

namespace {

// Ordinary coordinates fit here; longer texts are formatted again on the heap.
constexpr int kStackChars = 128;

// The formatted bytes are plain ASCII (digits, sign, point, "inf", "nan"), so each
// byte widens to the character of the same code in the host's wide string.
AcString widened(const char* text, int count, wchar_t* buffer)
{
    for (int i = 0; i < count; ++i)
        buffer[i] = wchar_t(static_cast<unsigned char>(text[i]));
    return AcString(buffer, unsigned(count));
}

AcString withDecimals(double value, int decimals)
{
    char text[kStackChars];
    int count = std::snprintf(text, sizeof text, "%.*lf", decimals, value);
    if (count < 0)
        return AcString();
    if (count < kStackChars) {
        wchar_t wide[kStackChars];
        return widened(text, count, wide);
    }
    std::unique_ptr<char[]> longText(new char[size_t(count) + 1]);
    std::snprintf(longText.get(), size_t(count) + 1, "%.*lf", decimals, value);
    std::unique_ptr<wchar_t[]> wide(new wchar_t[size_t(count)]);
    return widened(longText.get(), count, wide.get());
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
