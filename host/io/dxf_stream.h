// The group-code layer of ASCII DXF output: codes and values written into one buffer
// that is flushed to a file or a string, numbers in their shortest round-trip form,
// texts in ASCII with \U+XXXX escapes, and values reserved now and filled in at the end.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "gepnt3d.h"
#include "gevec3d.h"

namespace vemio {

// Where the bytes go. patch overwrites bytes already written (after a flush).
class DxfSink {
public:
    virtual ~DxfSink() = default;
    virtual bool write(const char* data, std::size_t size) = 0;
    virtual bool patch(std::size_t offset, std::string_view bytes) = 0;
};

class DxfFileSink final : public DxfSink {
public:
    explicit DxfFileSink(std::FILE* file) : m_file(file) {}
    bool write(const char* data, std::size_t size) override;
    bool patch(std::size_t offset, std::string_view bytes) override;

private:
    std::FILE* m_file;
};

class DxfStringSink final : public DxfSink {
public:
    explicit DxfStringSink(std::string& out) : m_out(out) {}
    bool write(const char* data, std::size_t size) override;
    bool patch(std::size_t offset, std::string_view bytes) override;

private:
    std::string& m_out;
};

// Text as DXF stores it: ASCII, every other character as \U+XXXX (UTF-16 units, so a
// character beyond the BMP is two escapes) or, with utf8 (files from AC1021 on), as its
// UTF-8 bytes; control characters as ^ and a letter. With mtext, a line feed becomes the
// paragraph code \P instead.
void appendDxfText(std::string& out, std::wstring_view text, bool mtext, bool utf8 = false);

// Shortest decimal that reads back as the same double; "0" for zero of either sign.
// Not-finite values are written as 0 so that a reader never meets them.
void appendDxfReal(std::string& out, double value);

class DxfStream {
public:
    // Texts as UTF-8 with utf8, else escaped to ASCII.
    explicit DxfStream(DxfSink& sink, bool utf8 = false);
    DxfStream(const DxfStream&) = delete;
    DxfStream& operator=(const DxfStream&) = delete;

    void str(int code, std::string_view value);
    // A text through appendDxfText.
    void text(int code, std::wstring_view value, bool mtext = false);
    void real(int code, double value);
    void integer(int code, long long value);
    // A handle in upper-case hexadecimal, 0 for none.
    void handle(int code, std::uint64_t value);
    // code, code + 10 and code + 20: x, y and z.
    void point(int code, const AcGePoint3d& pt);
    void point(int code, double x, double y);
    void vector(int code, const AcGeVector3d& v);
    // Multiline text contents: chunks of at most 250 bytes with code 3, the last with
    // code 1; an escape is never split between chunks.
    void mtextContents(std::wstring_view contents);
    // A group kept from a file that was read: a text (isDxfTextCode) from UTF-8 into
    // this stream's encoding as text writes it (control characters as ^ and a letter),
    // any other value as it is up to a line break, so that no value starts a group.
    void kept(int code, std::string_view value);

    // Writes the code and a value of width spaces to be filled in by fill; returns
    // where the value starts.
    std::size_t reserve(int code, std::size_t width);
    // Fills a reserved value: a real padded with trailing zeros, a handle with leading
    // zeros. False when it does not fit the width it was given.
    bool fillReal(std::size_t at, std::size_t width, double value);
    bool fillHandle(std::size_t at, std::size_t width, std::uint64_t value);

    // Flushes everything and applies the fills; false when any write failed.
    bool finish();
    bool failed() const { return m_failed; }

private:
    void code(int code);
    void flushIfFull();
    bool flush();

    struct Fill {
        std::size_t at;
        std::string bytes;
    };

    DxfSink& m_sink;
    std::string m_buffer;
    std::string m_scratch;
    std::wstring m_wideScratch;
    std::size_t m_flushed = 0;  // bytes handed to the sink so far
    std::vector<Fill> m_fills;
    bool m_utf8 = false;
    bool m_failed = false;
};

}  // namespace vemio
