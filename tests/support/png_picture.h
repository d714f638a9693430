// A PNG picture read back through cairo, for the tests of what PLOT draws: its size, the
// colour at a pixel and where it is inked.
#pragma once

#include <cairo.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>

namespace test_support {

class PngPicture {
public:
    explicit PngPicture(const std::string& path) : m_surface(cairo_image_surface_create_from_png(path.c_str())) {}
    ~PngPicture() { cairo_surface_destroy(m_surface); }
    PngPicture(const PngPicture&) = delete;
    PngPicture& operator=(const PngPicture&) = delete;

    bool ok() const { return cairo_surface_status(m_surface) == CAIRO_STATUS_SUCCESS; }
    int width() const { return ok() ? cairo_image_surface_get_width(m_surface) : 0; }
    int height() const { return ok() ? cairo_image_surface_get_height(m_surface) : 0; }
    // 0xRRGGBB; white outside the picture.
    unsigned at(int x, int y) const
    {
        if (x < 0 || y < 0 || x >= width() || y >= height())
            return 0xFFFFFF;
        const unsigned char* row = cairo_image_surface_get_data(m_surface) + y * cairo_image_surface_get_stride(m_surface);
        std::uint32_t pixel;
        std::memcpy(&pixel, row + 4 * x, 4);
        return pixel & 0xFFFFFF;
    }
    bool inked(int x, int y) const { return at(x, y) != 0xFFFFFF; }
    // The inked columns of rows y0..y1: first and last, or -1 when none.
    std::pair<int, int> inkedColumns(int y0, int y1) const
    {
        int first = -1, last = -1;
        for (int y = y0; y <= y1; ++y)
            for (int x = 0; x < width(); ++x)
                if (inked(x, y)) {
                    first = first < 0 ? x : std::min(first, x);
                    last = std::max(last, x);
                }
        return {first, last};
    }

private:
    cairo_surface_t* m_surface;
};

}  // namespace test_support
