// Writing JSON by hand for the few shapes the page reads: strings and numbers.
#pragma once

#include <cmath>
#include <cstdio>
#include <string>

namespace vemweb {

// Appends text (UTF-8) as a JSON string literal.
inline void appendJsonString(std::string& out, const std::string& text)
{
    out += '"';
    for (unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += char(c);
        } else if (c < 0x20) {
            char buf[8];
            std::snprintf(buf, sizeof buf, "\\u%04x", c);
            out += buf;
        } else {
            out += char(c);
        }
    }
    out += '"';
}

// Appends a number; what is not finite goes out as 0 (JSON has no such numbers).
inline void appendJsonNumber(std::string& out, double value)
{
    char buf[32];
    std::snprintf(buf, sizeof buf, "%.10g", std::isfinite(value) ? value : 0.0);
    out += buf;
}

}  // namespace vemweb
