// mkfont: writes the stroke font table src/render/font.cpp from the Hershey simplex Roman
// font rowmans.jhf (glyphs for codes 32..126 in file order). A few rows of the table are
// fixed by the system (the space's metrics among them): they override the file's.
// Usage: mkfont [font.jhf [font.cpp]]; differences from the fixed rows go to stderr.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace mkfont {

// One glyph: metrics and its (v + 127, u + 127) byte pairs, (1, 255) between strokes.
struct Glyph {
    int left = 0, adv = 0;
    std::vector<unsigned char> pairs;
};

// A row the system fixes: metrics, and strokes as "v,u v,u | v,u ..." (empty: keep file's,
// "-" : no strokes at all); npts > 0 only checks a closed stroke of that many points.
struct Fixed {
    int code, left, adv;
    const char *strokes;
    int npts, v0, u0;
};

const Fixed fixedrows[] = {
    {' ', 0, 20, "-", 0, 0, 0},
    {'-', 13, 26, "0,-9 0,9", 0, 0, 0},
    {'.', 5, 10, "-7,0 -8,-1 -9,0 -8,1 -7,0", 0, 0, 0},
    {'0', 10, 20, "", 17, 12, -1},
    {'1', -1, 20, "", 0, 0, 0},
    {'2', -1, 20, "", 0, 0, 0},
    {'3', -1, 20, "", 0, 0, 0},
    {'4', -1, 20, "", 0, 0, 0},
    {'5', -1, 20, "", 0, 0, 0},
    {'6', -1, 20, "", 0, 0, 0},
    {'7', -1, 20, "", 0, 0, 0},
    {'8', -1, 20, "", 0, 0, 0},
    {'9', -1, 20, "", 0, 0, 0},
    {'A', 9, 18, "12,0 -9,-8 | 12,0 -9,8 | -2,-5 -2,5", 0, 0, 0},
    {'k', 9, 17, "12,-5 -9,-5 | 5,5 -5,-5 | -1,-1 -9,6", 0, 0, 0},
};

// Parses one glyph line: number, vertex count, bounds, then coordinate pairs (" R" lifts).
bool parseglyph(const std::string &line, Glyph &g) {
    if (line.size() < 10) return false;
    int n = std::atoi(line.substr(5, 3).c_str());
    if (n < 1 || line.size() < 8 + 2 * static_cast<size_t>(n)) return false;
    int lb = line[8] - 'R', rb = line[9] - 'R';
    g.left = -lb;
    g.adv = rb - lb;
    g.pairs.clear();
    for (int k = 1; k < n; k++) {
        char a = line[8 + 2 * k], b = line[9 + 2 * k];
        if (a == ' ' && b == 'R') {
            g.pairs.insert(g.pairs.end(), {1, 255});
            continue;
        }
        int u = a - 'R', v = -(b - 'R');
        g.pairs.push_back(static_cast<unsigned char>(v + 127));
        g.pairs.push_back(static_cast<unsigned char>(u + 127));
    }
    return true;
}

// The strokes of a fixed row as byte pairs.
std::vector<unsigned char> fixedpairs(const char *text) {
    std::vector<unsigned char> out;
    std::istringstream in(text);
    std::string word;
    while (in >> word) {
        if (word == "-") break;
        if (word == "|") {
            out.insert(out.end(), {1, 255});
            continue;
        }
        int v = 0, u = 0;
        std::sscanf(word.c_str(), "%d,%d", &v, &u);
        out.push_back(static_cast<unsigned char>(v + 127));
        out.push_back(static_cast<unsigned char>(u + 127));
    }
    return out;
}

// Reports where a glyph leaves the box v -16..20, pen position 0..advance.
void checkbox(int code, const Glyph &g, std::string &report) {
    for (size_t k = 0; k + 1 < g.pairs.size(); k += 2) {
        if (g.pairs[k + 1] == 255) continue;
        int v = g.pairs[k] - 127, u = g.pairs[k + 1] - 127 + g.left;
        if (v < -16 || v > 20 || u < 0 || u > g.adv) {
            char line[128];
            std::snprintf(line, sizeof line, "code %d '%c': point (%d, %d) outside its box\n", code,
                          code, v, u - g.left);
            report += line;
            return;
        }
    }
}

// Applies one fixed row to glyph g, noting each difference from the file.
void applyfixed(const Fixed &f, Glyph &g, std::string &report) {
    char line[160];
    if (f.left >= 0 && g.left != f.left) {
        std::snprintf(line, sizeof line, "code %d '%c': left offset %d in the font, %d fixed\n",
                      f.code, f.code, g.left, f.left);
        report += line;
        g.left = f.left;
    }
    if (g.adv != f.adv) {
        std::snprintf(line, sizeof line, "code %d '%c': advance %d in the font, %d fixed\n", f.code,
                      f.code, g.adv, f.adv);
        report += line;
        g.adv = f.adv;
    }
    if (f.npts > 0) {
        size_t np = g.pairs.size() / 2;
        bool closed = np == static_cast<size_t>(f.npts) && g.pairs[0] == f.v0 + 127 &&
                      g.pairs[1] == f.u0 + 127 && g.pairs[2 * np - 2] == g.pairs[0] &&
                      g.pairs[2 * np - 1] == g.pairs[1];
        if (!closed) {
            std::snprintf(line, sizeof line, "code %d '%c': not one closed stroke of %d points\n",
                          f.code, f.code, f.npts);
            report += line;
        }
    } else if (f.strokes[0]) {
        std::vector<unsigned char> want = fixedpairs(f.strokes);
        if (want != g.pairs) {
            std::snprintf(line, sizeof line,
                          "code %d '%c': strokes differ (%zu pairs in the "
                          "font, %zu fixed)\n",
                          f.code, f.code, g.pairs.size() / 2, want.size() / 2);
            report += line;
            g.pairs = want;
        }
    }
}

// Writes a byte table, 16 to the line.
void table(std::ostringstream &out, const char *decl, const std::vector<int> &vals, int hex) {
    out << decl << " = {";
    for (size_t k = 0; k < vals.size(); k++) {
        if (k % 16 == 0) out << "\n   ";
        char num[16];
        std::snprintf(num, sizeof num, hex ? " 0x%02X," : " %d,", vals[k]);
        out << num;
    }
    out << "\n};\n";
}

// The table source for the font file; differences and notes are appended to report.
// Returns an empty string when the file cannot be read or holds fewer than 95 glyphs.
std::string mkfont(const std::string &path, std::string &report) {
    std::ifstream in(path);
    std::vector<Glyph> glyphs;
    std::string line;
    while (glyphs.size() < 95 && std::getline(in, line)) {
        Glyph g;
        if (parseglyph(line, g)) glyphs.push_back(g);
    }
    if (glyphs.size() < 95) return "";
    size_t filepairs = 0;
    for (const Glyph &g : glyphs) filepairs += g.pairs.size() / 2;
    report += "pairs in the font's 95 glyphs: " + std::to_string(filepairs) + "\n";
    for (const Fixed &f : fixedrows) applyfixed(f, glyphs[f.code - 32], report);
    for (int c = 32; c < 127; c++) checkbox(c, glyphs[c - 32], report);
    std::vector<int> left(128, 0), adv(128, 0), start(128, 1), bytes;
    for (int c = 32; c < 127; c++) {
        const Glyph &g = glyphs[c - 32];
        left[c] = g.left, adv[c] = g.adv, start[c] = static_cast<int>(bytes.size() / 2 + 1);
        bytes.insert(bytes.end(), g.pairs.begin(), g.pairs.end());
    }
    start[127] = static_cast<int>(bytes.size() / 2 + 1);
    std::ostringstream out;
    out << "// The stroke font table: Hershey simplex Roman, generated by tools/mkfont from\n"
           "// rowmans.jhf with the system's fixed rows applied. Do not edit: regenerate.\n"
           "// clang-format off\n#include \"render/font.h\"\n\n";
    table(out, "const int8_t fontleft[128]", left, 0);
    table(out, "const int8_t fontadv[128]", adv, 0);
    table(out, "const uint16_t fontstart[128]", start, 0);
    table(out, "const uint8_t fontpairs[]", bytes, 1);
    out << "const int fontnpairs = " << bytes.size() / 2 << ";\n";
    return out.str();
}

} // namespace mkfont

#ifndef MKFONT_NO_MAIN
int main(int argc, char **argv) {
    std::string src = argc > 1 ? argv[1] : "/usr/share/hershey-fonts/rowmans.jhf";
    std::string report;
    std::string text = mkfont::mkfont(src, report);
    std::fputs(report.c_str(), stderr);
    if (text.empty()) {
        std::fprintf(stderr, "mkfont: can't read 95 glyphs from %s\n", src.c_str());
        return 1;
    }
    if (argc < 3) {
        std::fputs(text.c_str(), stdout);
        return 0;
    }
    std::ofstream out(argv[2], std::ios::binary);
    out << text;
    return out ? 0 : 1;
}
#endif
