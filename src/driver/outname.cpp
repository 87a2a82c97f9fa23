// Output names. A pattern's fields are filled in one pass; the result is made tidy lexically
// ("plots/./a.pdf" is "plots/a.pdf"), so a recording at the top of its folder argument
// gets the name a pattern without {dir} would give it.
#include "driver/outname.h"

#include <filesystem>
#include <system_error>

#include "devices/svg.h"

namespace fs = std::filesystem;

namespace {

const char *const fields[] = {"{stem}", "{name}", "{dir}", "{page}"};

// The length of the field at text[at], or 0 when none begins there.
size_t fieldat(const std::string &text, size_t at) {
    for (const char *f : fields)
        if (text.compare(at, std::char_traits<char>::length(f), f) == 0)
            return std::char_traits<char>::length(f);
    return 0;
}

std::string value(const std::string &field, const Rec &rec, int page) {
    const fs::path p(rec.path);
    if (field == "{stem}") return p.stem().string();
    if (field == "{name}") return p.filename().string();
    if (field == "{dir}") return rec.dir.empty() ? "." : rec.dir;
    return std::to_string(page);
}

// The extension of a name's last component, with its dot; "" when none.
std::string extof(const std::string &name) {
    return fs::path(name).extension().string();
}

} // namespace

std::string patcheck(const std::string &pattern) {
    if (pattern.find("{stem}") == std::string::npos && pattern.find("{name}") == std::string::npos)
        return "the pattern names no recording ({stem} or {name}): every output would be one file";
    for (size_t at = pattern.find('{'); at != std::string::npos; at = pattern.find('{', at + 1))
        if (!fieldat(pattern, at))
            return "unknown field at '" + pattern.substr(at) +
                   "' (fields: {stem} {name} {dir} {page})";
    if (pattern.back() == '/') return "the pattern names a folder, not a file";
    return "";
}

std::string outname(const std::string &pattern, const Rec &rec, int page) {
    std::string s;
    for (size_t at = 0; at < pattern.size();) {
        const size_t n = pattern[at] == '{' ? fieldat(pattern, at) : 0;
        if (n) {
            s += value(pattern.substr(at, n), rec, page);
            at += n;
        } else {
            s += pattern[at++];
        }
    }
    return fs::path(s).lexically_normal().generic_string();
}

std::string pagename(const std::string &pattern, const Rec &rec, const std::string &first, int k) {
    if (pattern.find("{page}") != std::string::npos) return outname(pattern, rec, k);
    return svgpagename(first, k);
}

std::string partname(const std::string &final, long tag) {
    const fs::path p(final);
    const std::string ext = extof(final);
    const std::string stem =
        p.filename().string().substr(0, p.filename().string().size() - ext.size());
    return (p.parent_path() / ("." + stem + ".part" + std::to_string(tag) + ext)).generic_string();
}

int mkparents(const std::string &file, std::string *why) {
    const fs::path dir = fs::path(file).parent_path();
    if (dir.empty()) return 0;
    std::error_code ec;
    fs::create_directories(dir, ec);
    // another worker may have made it at the same moment
    if (ec && !fs::is_directory(dir)) return *why = dir.string() + ": " + ec.message(), 1;
    return 0;
}
