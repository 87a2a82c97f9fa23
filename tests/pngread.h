// Reads a PNG file back into 8-bit RGB pixels with libpng, for the picture checks.
#pragma once
#include <png.h>

#include <cstdio>
#include <string>
#include <vector>

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
