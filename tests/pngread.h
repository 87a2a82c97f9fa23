// Reads a PNG file back into 8-bit RGB pixels with libpng, and the pages of documents through
// the real readers (Ghostscript, poppler, librsvg), for the picture checks.
#pragma once
#include <png.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "testkit.h"

struct Picture {
    int w = 0, h = 0;
    std::vector<unsigned char> px; // RGB, top row first
    const unsigned char *at(int x, int y) const { return &px[(size_t(y) * w + x) * 3]; }
    int gray(int x, int y) const { return (at(x, y)[0] + at(x, y)[1] + at(x, y)[2]) / 3; }
};

// Empty picture (w = 0) when the file is missing or not a PNG.
inline Picture readpng(const std::string &path) {
    Picture p;
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&img, path.c_str())) return p;
    img.format = PNG_FORMAT_RGB;
    std::vector<unsigned char> buf(PNG_IMAGE_SIZE(img));
    if (!png_image_finish_read(&img, nullptr, buf.data(), 0, nullptr)) {
        png_image_free(&img);
        return p;
    }
    p.w = int(img.width);
    p.h = int(img.height);
    p.px = std::move(buf);
    return p;
}

// Mean gray (0 black .. 255 white) over a box of pixels.
inline double mean(const Picture &p, int x0, int x1, int y0, int y1) {
    double s = 0;
    for (int y = y0; y <= y1; y++)
        for (int x = x0; x <= x1; x++) s += p.gray(x, y);
    return s / ((x1 - x0 + 1) * (y1 - y0 + 1));
}

// Middle pixel column of the darkest band among columns x0..x1 over rows y0..y1: the run of
// columns within 10 levels of the darkest mean gray; -1 when none is darker than 128.
inline double darkband(const Picture &p, int x0, int x1, int y0, int y1) {
    std::vector<double> m;
    for (int x = x0; x <= x1; x++) m.push_back(mean(p, x, x, y0, y1));
    size_t k = std::min_element(m.begin(), m.end()) - m.begin(), a = k, b = k;
    while (a > 0 && m[a - 1] <= m[k] + 10) a--;
    while (b + 1 < m.size() && m[b + 1] <= m[k] + 10) b++;
    return m[k] > 128 ? -1 : x0 + (a + b) / 2.0;
}

// The pages of a PostScript, PDF or SVG file in the folder of s (an SVG file's later pages are
// files of their own) as pictures at dpi. Ghostscript prints PostScript on letter paper moved
// by the plot's 18-point margin: at 75 dpi dot (row, column) of a 300-dpi plot is pixel
// (column / 4, row / 4).
inline std::vector<Picture> readpages(const Scratch &s, const std::string &file, int dpi = 75) {
    const std::string d = std::to_string(dpi), stem = file.substr(0, file.rfind('.'));
    const bool svg = file.ends_with(".svg");
    if (file.ends_with(".pdf")) {
        EXPECT_TRUE(tool(s.dir, "pdftoppm -r " + d + " -png " + file + " pg"));
    } else if (!svg) {
        EXPECT_TRUE(tool(s.dir, "gs -q -dSAFER -dBATCH -dNOPAUSE -sPAPERSIZE=letter "
                                "-sDEVICE=png16m -r" +
                                    d +
                                    " -sOutputFile=pg-%d.png -c "
                                    "'<</PageOffset [-18 -18]>> setpagedevice' -f " +
                                    file));
    }
    for (std::vector<Picture> p;;) {
        const std::string n = std::to_string(p.size() + 1), png = s / ("pg-" + n + ".png");
        if (svg && !tool(s.dir, "rsvg-convert -b white -d " + d + " -p " + d + " -o " + png + " " +
                                    (n == "1" ? file : stem + "-" + n + ".svg")))
            return p;
        if (p.push_back(readpng(png)), p.back().w == 0) return p.pop_back(), p;
        std::filesystem::remove(png);
    }
}
