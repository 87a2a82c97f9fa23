// The manifest's two forms. CSV quotes a field only when it must (comma, quote, line end) and
// joins several outputs with ';'; JSON escapes control characters and gives outputs as a list.
#include "driver/manifest.h"

#include <cstdio>

#include "base/msg.h"

namespace {

std::string csvfield(const std::string &s) {
    if (s.find_first_of(",\"\r\n") == std::string::npos) return s;
    std::string q = "\"";
    for (char c : s) q += c == '"' ? "\"\"" : std::string(1, c);
    return q + "\"";
}

std::string jsonstr(const std::string &s) {
    std::string q = "\"";
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            q += '\\';
            q += static_cast<char>(c);
        } else if (c < 0x20) {
            char b[8];
            std::snprintf(b, sizeof b, "\\u%04x", c);
            q += b;
        } else {
            q += static_cast<char>(c);
        }
    }
    return q + "\"";
}

std::string fixed(double v) {
    char b[32];
    std::snprintf(b, sizeof b, "%.3f", v);
    return b;
}

std::string csvline(const Row &r) {
    std::string outs;
    for (const std::string &o : r.outputs) outs += (outs.empty() ? "" : ";") + o;
    return csvfield(r.input) + "," + csvfield(outs) + "," + r.status + "," +
           std::to_string(r.pages) + "," + fixed(r.seconds) + "," + std::to_string(r.peakkb) + "," +
           csvfield(r.message) + "\n";
}

std::string jsonline(const Row &r) {
    std::string outs;
    for (const std::string &o : r.outputs) outs += (outs.empty() ? "" : ",") + jsonstr(o);
    return "{\"input\":" + jsonstr(r.input) + ",\"outputs\":[" + outs +
           "],\"status\":" + jsonstr(r.status) + ",\"pages\":" + std::to_string(r.pages) +
           ",\"seconds\":" + fixed(r.seconds) + ",\"peak_kb\":" + std::to_string(r.peakkb) +
           ",\"message\":" + jsonstr(r.message) + "}\n";
}

bool endswith(const std::string &s, const char *e) {
    const std::string t = e;
    return s.size() >= t.size() && s.compare(s.size() - t.size(), t.size(), t) == 0;
}

} // namespace

int manopen(const std::string &path, int header) {
    man.json = endswith(path, ".jsonl") || endswith(path, ".json");
    man.fp = std::fopen(path.c_str(), "w");
    if (!man.fp) return msg("kavrel-batch: can't make manifest %s\n", path.c_str()), 1;
    if (header && !man.json)
        std::fputs("input,outputs,status,pages,seconds,peak_kb,message\n", man.fp);
    return 0;
}

std::string manline(const Row &row, int json) {
    return json ? jsonline(row) : csvline(row);
}

void manrow(const Row &row) {
    if (!man.fp) return;
    std::fputs(manline(row, man.json).c_str(), man.fp);
    std::fflush(man.fp);
}

int manclose() {
    if (!man.fp) return 0;
    const int bad = std::ferror(man.fp) | (std::fclose(man.fp) != 0);
    man.fp = nullptr;
    if (bad) msg("kavrel-batch: error writing the manifest\n");
    return bad;
}
