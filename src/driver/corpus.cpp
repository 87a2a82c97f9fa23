// Finding recordings. A folder is searched recursively for the extensions of the formats the
// system reads; hidden entries (a version-control folder, a desktop's "._x.wav" shadows, our
// own part files) are passed over, and linked folders are not followed, so a loop cannot be.
#include "driver/corpus.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <system_error>

#include "base/msg.h"

namespace fs = std::filesystem;

namespace {

const char *const exts[] = {"wav", "wave", "au",   "snd", "flac", "sph",  "nist",
                            "aif", "aiff", "aifc", "ogg", "oga",  "opus", "mp3",
                            "w64", "rf64", "bw64", "caf", "mat"};

bool hidden(const fs::path &p) {
    const std::string n = p.filename().string();
    return !n.empty() && n[0] == '.';
}

// The recordings under a folder, their {dir} relative to it.
void search(const std::string &top, std::vector<Rec> &recs) {
    std::error_code ec;
    auto it =
        fs::recursive_directory_iterator(top, fs::directory_options::skip_permission_denied, ec);
    for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        const fs::path &p = it->path();
        if (hidden(p)) {
            if (it->is_directory(ec)) it.disable_recursion_pending();
            continue;
        }
        if (!it->is_regular_file(ec) || !soundext(p.filename().string())) continue;
        std::string dir = p.parent_path().lexically_relative(top).generic_string();
        recs.push_back({p.generic_string(), dir == "." ? "" : dir});
    }
    if (ec) msg("kavrel-batch: %s: %s\n", top.c_str(), ec.message().c_str());
}

} // namespace

bool soundext(const std::string &name) {
    const size_t dot = name.rfind('.');
    if (dot == std::string::npos || name.find('/', dot) != std::string::npos) return false;
    std::string e = name.substr(dot + 1);
    for (char &c : e) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return std::find(std::begin(exts), std::end(exts), e) != std::end(exts);
}

std::vector<Rec> corpusfind(const std::vector<std::string> &args, int *missing) {
    std::vector<Rec> recs;
    *missing = 0;
    for (const std::string &a : args) {
        std::error_code ec;
        if (fs::is_directory(a, ec)) {
            search(a, recs);
        } else if (fs::exists(a, ec)) {
            recs.push_back({a, ""}); // named: tried whatever its name
        } else {
            msg("kavrel-batch: %s: no such file or folder\n", a.c_str());
            ++*missing;
        }
    }
    auto before = [](const Rec &a, const Rec &b) { return a.path < b.path; };
    std::stable_sort(recs.begin(), recs.end(), before);
    auto same = [](const Rec &a, const Rec &b) { return a.path == b.path; };
    recs.erase(std::unique(recs.begin(), recs.end(), same), recs.end());
    return recs;
}

std::vector<Rec> shardpick(const std::vector<Rec> &recs, int k, int n) {
    std::vector<Rec> part;
    for (size_t i = static_cast<size_t>(k); i < recs.size(); i += static_cast<size_t>(n))
        part.push_back(recs[i]);
    return part;
}
