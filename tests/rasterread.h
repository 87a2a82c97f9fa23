// Small readers of the raster devices' output, decoding PCL raster and imPRESS streams back
// into page bitmaps (one byte per dot, 1 = ink, line = page row) for the picture checks.
#pragma once
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

struct RasterPage {
    std::vector<std::vector<uint8_t>> lines; // lines[row][dot]
    uint8_t at(int row, int dot) const {
        if (row < 0 || row >= int(lines.size())) return 0;
        const auto &l = lines[row];
        return dot >= 0 && dot < int(l.size()) ? l[dot] : 0;
    }
    void set(int row, int dot) {
        if (row >= int(lines.size())) lines.resize(row + 1);
        if (dot >= int(lines[row].size())) lines[row].resize(dot + 1);
        lines[row][dot] = 1;
    }
};

struct Raster {
    std::string err; // empty when the whole stream was understood
    int res = 0;     // PCL: raster resolution
    int resets = 0;  // PCL: printer resets seen
    bool docend = false;
    std::vector<RasterPage> pages;
};

// Decodes PCL: reset, top margin, resolution, start raster, row transfers, form feeds.
inline Raster readpcl(const std::string &s) {
    Raster r;
    RasterPage cur;
    int row = 0;
    size_t i = 0;
    auto number = [&](int *v) {
        size_t st = i;
        while (i < s.size() && s[i] >= '0' && s[i] <= '9') i++;
        *v = std::atoi(s.substr(st, i - st).c_str());
        return i > st && i < s.size();
    };
    while (i < s.size() && r.err.empty()) {
        char c = s[i++];
        if (c == '\f') {
            r.pages.push_back(cur), cur = RasterPage{}, row = 0;
        } else if (c == '\r') {
        } else if (c == '\033' && i < s.size() && s[i] == 'E') {
            i++, r.resets++;
        } else if (c == '\033' && s.compare(i, 4, "&l0E") == 0) {
            i += 4;
        } else if (c == '\033' && s.compare(i, 4, "*r0A") == 0) {
            i += 4;
        } else if (c == '\033' && s.compare(i, 2, "*t") == 0) {
            i += 2;
            if (!number(&r.res) || s[i++] != 'R') r.err = "bad resolution";
        } else if (c == '\033' && s.compare(i, 2, "*b") == 0) {
            i += 2;
            int n;
            if (!number(&n) || s[i++] != 'W' || i + n > s.size()) {
                r.err = "bad transfer";
                break;
            }
            for (int b = 0; b < n; b++)
                for (int k = 0; k < 8; k++)
                    if (uint8_t(s[i + b]) & (0x80 >> k)) cur.set(row, 8 * b + k);
            if (int(cur.lines.size()) <= row) cur.lines.resize(row + 1);
            i += n, row++;
        } else {
            r.err = "unknown byte at " + std::to_string(i - 1);
        }
    }
    if (!cur.lines.empty()) r.pages.push_back(cur);
    return r;
}

// Decodes imPRESS: document header, horizontal positions, bitmaps of 32 x 32-dot patches,
// vertical moves, end of page and end of document.
inline Raster readimp(const std::string &s) {
    Raster r;
    const std::string hdr = "@document(language impress)";
    if (s.compare(0, hdr.size(), hdr) != 0) {
        if (s != "\xff") r.err = "no document header";
        r.docend = s == "\xff";
        return r;
    }
    RasterPage cur;
    int h = 0, v = 0;
    size_t i = hdr.size();
    auto u16 = [&]() { return i + 2 <= s.size() ? (uint8_t(s[i]) << 8 | uint8_t(s[i + 1])) : -1; };
    while (i < s.size() && r.err.empty() && !r.docend) {
        int op = uint8_t(s[i++]);
        if (op == 135) {
            h = u16(), i += 2;
        } else if (op == 138) {
            v += u16(), i += 2;
        } else if (op == 235) {
            if (i + 3 > s.size() || s[i] != 15 || s[i + 2] != 1) {
                r.err = "bad bitmap";
                break;
            }
            int n = uint8_t(s[i + 1]);
            i += 3;
            if (i + size_t(n) * 128 > s.size()) {
                r.err = "short bitmap";
                break;
            }
            for (int p = 0; p < n; p++)
                for (int l = 0; l < 32; l++)
                    for (int b = 0; b < 4; b++)
                        for (int k = 0; k < 8; k++)
                            if (uint8_t(s[i + p * 128 + l * 4 + b]) & (0x80 >> k))
                                cur.set(v + l, h + 32 * p + 8 * b + k);
            i += size_t(n) * 128;
        } else if (op == 219) {
            r.pages.push_back(cur), cur = RasterPage{}, v = 0, h = 0;
        } else if (op == 255) {
            r.docend = true;
        } else {
            r.err = "unknown operation " + std::to_string(op);
        }
    }
    if (i != s.size()) r.err += " trailing bytes";
    return r;
}
