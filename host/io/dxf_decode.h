// Texts of DXF input as the host's wide strings. Files before AC1021 hold their texts
// in the code page $DWGCODEPAGE names (GBK for ANSI_936, Windows-1252 for ANSI_1252 and
// so on, converted through iconv); later files hold UTF-8. Either may hold \U+XXXX
// escapes, and older ones \M+nXXXX (a double-byte character of an East Asian code page).
#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

#include "vemio_port.h"

namespace vemio {

class VEMIO_PORT DxfTextDecoder {
public:
    DxfTextDecoder() = default;
    ~DxfTextDecoder();
    DxfTextDecoder(const DxfTextDecoder&) = delete;
    DxfTextDecoder& operator=(const DxfTextDecoder&) = delete;

    // Texts as UTF-8 (files from AC1021 on).
    void useUtf8();
    // Texts in the code page a $DWGCODEPAGE value names; false (and Windows-1252 used)
    // when the name is unknown or the system cannot convert it.
    bool useCodePage(std::string_view dwgCodePage);

    // bytes decoded into out (replacing it), escapes resolved. A byte sequence the code
    // page does not hold becomes U+FFFD.
    void decode(std::string_view bytes, std::wstring& out);

private:
    void decodeUtf8(std::string_view bytes, std::wstring& out);
    void decodeCodePage(std::string_view bytes, std::wstring& out);
    void resolveEscapes(std::wstring& text);
    wchar_t multiByte(int page, unsigned value);

    bool m_utf8 = false;
    iconv_t m_convert = iconv_t(-1);
    iconv_t m_pages[6] = {iconv_t(-1), iconv_t(-1), iconv_t(-1), iconv_t(-1), iconv_t(-1), iconv_t(-1)};
};

// Whether a group of this code holds a text (names included) that input decodes and
// output encodes: 1-4 and 6-9, 100-102, 300-309, 410-419, 430-439, 470-479, 999 and
// 1000-1003. Handles, binary chunks and numbers are kept byte for byte.
VEMIO_PORT bool isDxfTextCode(int code);

// The iconv name of a $DWGCODEPAGE value ("ANSI_936" is "GBK"); empty when unknown.
VEMIO_PORT std::string iconvNameOf(std::string_view dwgCodePage);

}  // namespace vemio
