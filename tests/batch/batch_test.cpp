// kavrel-batch: its names, corpus search, shards and manifest lines in-process, and the
// program run as a user runs it on a corpus sox makes: outputs as kavrel writes them alone,
// damaged recordings failing alone, resume, a stop midway, shards and GNU parallel.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <csignal>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "driver/batchopts.h"
#include "driver/corpus.h"
#include "driver/manifest.h"
#include "driver/outname.h"
#include "driver/plotjob.h"
#include "testkit.h"

namespace fs = std::filesystem;

namespace {

Ran batch(const Scratch &s, const std::string &words) {
    return shrun(s, std::string(KAVREL_BATCH_BIN) + " " + words);
}

// The manifest's rows, by input: status and the rest of the line.
std::map<std::string, std::vector<std::string>> rows(const std::string &csv) {
    std::map<std::string, std::vector<std::string>> m;
    size_t at = csv.find('\n') + 1; // past the header
    for (size_t nl; (nl = csv.find('\n', at)) != std::string::npos; at = nl + 1) {
        std::vector<std::string> f;
        std::string line = csv.substr(at, nl - at), cur;
        bool q = false;
        for (size_t i = 0; i < line.size(); i++)
            if (line[i] == '"') // a doubled quote reopens the quotes and stands for one
                q = !q, cur += q && i && line[i - 1] == '"' ? "\"" : "";
            else if (line[i] == ',' && !q)
                f.push_back(cur), cur.clear();
            else
                cur += line[i];
        f.push_back(cur);
        EXPECT_EQ(m.count(f[0]), 0u) << "twice: " << f[0];
        m[f[0]] = f;
    }
    return m;
}

// Every regular file under dir (relative names), with its bytes.
std::map<std::string, std::string> tree(const std::string &dir) {
    std::map<std::string, std::string> t;
    if (!fs::exists(dir)) return t;
    for (const auto &e : fs::recursive_directory_iterator(dir))
        if (e.is_regular_file())
            t[fs::relative(e.path(), dir).string()] = nodate(readfile(e.path().string()));
    return t;
}

// The test corpus: short recordings of four formats in nested folders, made by sox once per
// format and per folder group and copied under the other names; three damaged.
struct Corpus {
    Scratch s{"batch"};
    std::vector<std::string> good, bad;
    explicit Corpus(int folders) {
        const char *const kinds[][2] = {{"wav", "-r 8000"},
                                        {"flac", "-r 16000"},
                                        {"au", "-r 8000 -e signed-integer"},
                                        {"aiff", "-r 11025"}};
        for (int k = 0; k < 4; k++)
            EXPECT_TRUE(sox(s.dir, std::string("-n -b 16 ") + kinds[k][1] + " made." + kinds[k][0] +
                                       " synth 0.05 sine " + std::to_string(300 + 137 * k)));
        for (int d = 0; d < folders; d++) {
            const std::string dir = "c/s" + std::to_string(d / 4) + "/t" + std::to_string(d);
            fs::create_directories(s / dir);
            for (int k = 0; k < 4; k++) {
                const std::string f = dir + "/r" + std::to_string(k) + "." + kinds[k][0];
                fs::copy_file(s / (std::string("made.") + kinds[k][0]), s / f);
                good.push_back(f);
            }
        }
        writefile(s / "c/s0/cut.wav", readfile(s / good[0]).substr(0, 30));
        writefile(s / "c/s0/junk.au", "not a recording at all");
        writefile(s / "c/empty.flac", "");
        bad = {"c/empty.flac", "c/s0/cut.wav", "c/s0/junk.au"};
        writefile(s / "c/notes.txt", "not searched: no format's extension");
        writefile(s / "p.spc", "; each recording as %1\nfmax=3000\nsdfile %1\n");
    }
};

TEST(Names, ThePatternsFieldsAreFilledAndTheBadOnesRefused) {
    // pattern, recording, its folder under the input, page, name
    const char *const cases[][5] = {
        {"plots/{dir}/{stem}.pdf", "c/a/b/x.wav", "a/b", "1", "plots/a/b/x.pdf"},
        {"plots/{dir}/{stem}.pdf", "c/x.wav", "", "1", "plots/x.pdf"},
        {"{dir}/{name}.png", "c/x.y.wav", "", "1", "x.y.wav.png"},
        {"o/{stem}-{page}.svg", "x.flac", "", "3", "o/x-3.svg"},
        {"/abs/{stem}.eps", "../r/x.au", "", "1", "/abs/x.eps"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(outname(c[0], {c[1], c[2]}, std::atoi(c[3])), c[4]) << c[0];
    // a device's own page names follow the first output's name without {page}
    EXPECT_EQ(pagename("o/{stem}.svg", {"x.wav", ""}, "o/x.svg", 2), "o/x-2.svg");
    EXPECT_EQ(pagename("o/{stem}_{page}.svg", {"x.wav", ""}, "o/x_1.svg", 2), "o/x_2.svg");
    // the part name keeps the extension (it chooses the device) and stays in the folder
    EXPECT_EQ(partname("o/x.pdf", 42), "o/.x.part42.pdf");
    EXPECT_EQ(partname("x", 7), ".x.part7");
    for (const char *bad : {"out.pdf", "o/{stem}/", "o/{stme}.pdf", "{stem}{dir.pdf"})
        EXPECT_NE(patcheck(bad), "") << bad;
    EXPECT_EQ(patcheck("o/{dir}/{name}-{page}.eps"), "");
}

TEST(Corpus, FoldersAreSearchedByExtensionAndShardsSplitTheSortedList) {
    const Scratch s("batch");
    for (const char *f : {"d/b.WAV", "d/a.flac", "d/x/c.mp3", "d/x/y/e.opus", "d/notes.txt",
                          "d/.hid/h.wav", "d/._a.wav", "named.bin"}) {
        fs::create_directories(fs::path(s / f).parent_path());
        writefile(s / f, "");
    }
    int missing = 0;
    const std::vector<Rec> r =
        corpusfind({s / "d", s / "named.bin", s / "none", s / "d"}, &missing);
    std::string got;
    for (const Rec &x : r) got += x.path.substr(s.dir.size() + 1) + ":" + x.dir + " ";
    EXPECT_EQ(got, "d/a.flac: d/b.WAV: d/x/c.mp3:x d/x/y/e.opus:x/y named.bin: ");
    EXPECT_EQ(missing, 1);
    std::vector<Rec> list;
    std::vector<std::string> names;
    for (int i = 0; i < 13; i++) list.push_back({std::to_string(100 + i), ""});
    for (const Rec &x : list) names.push_back(x.path);
    for (int n = 1; n <= 5; n++) {
        std::vector<std::string> all;
        for (int k = 0; k < n; k++)
            for (const Rec &x : shardpick(list, k, n)) {
                all.push_back(x.path);
                EXPECT_EQ((std::stoi(x.path) - 100) % n, k);
            }
        std::sort(all.begin(), all.end());
        EXPECT_EQ(all, names) << n; // each once
    }
}

TEST(CommandLine, BatchOptionsAreTakenAndTheRestGoesToEveryRun) {
    // want: the words for every run | inputs | -j | --shard | -f; "" when refused
    const std::pair<std::vector<const char *>, std::string> cases[] = {
        {{"-o", "o/{stem}.pdf", "-c", "-r", "8000", "tmin=0.1", "-j", "3", "d"},
         "-c -r 8000 tmin=0.1 |d |3|0/1|"},
        {{"-j2", "-output", "o/{stem}.eps", "-f", "p.spc", "--shard", "2/5", "a", "b"},
         "|a b |2|2/5|p.spc"},
        {{"-o", "x/{stem}.eps", "--shard", "5/5", "a"}, ""},
        {{"-o", "x/{stem}.eps", "-j", "0", "a"}, ""},
        {{"-o", "x/{stem}.eps", "--timeout", "-1", "a"}, ""},
        {{"-o", "x/{stem}.eps", "--frobnicate", "a"}, ""},
        {{"-c", "a"}, ""}, // no output pattern
    };
    for (const auto &[words, want] : cases) {
        std::vector<const char *> argv{"kavrel-batch"};
        argv.insert(argv.end(), words.begin(), words.end());
        MsgCap cap;
        EXPECT_EQ(batchargs(static_cast<int>(argv.size()), argv.data()), want.empty());
        EXPECT_EQ(cap.text() != "", want.empty()) << words[1];
        if (want.empty()) continue;
        std::string got;
        for (const auto *list : {&bopt.words, &bopt.inputs}) {
            for (const std::string &w : *list) got += w + " ";
            got += "|";
        }
        EXPECT_EQ(got + std::to_string(bopt.jobs) + "|" + std::to_string(bopt.shardk) + "/" +
                      std::to_string(bopt.shardn) + "|" + bopt.spcfile,
                  want);
    }
}

TEST(Manifest, RowsAreQuotedForTheirForm) {
    Row r{"d/a,b.wav", {"o/a-1.svg", "o/a-2.svg"}, "failed", 2, 1.5, 900, "ERROR(\"x\")\tbad"};
    EXPECT_EQ(manline(r, 0),
              "\"d/a,b.wav\",o/a-1.svg;o/a-2.svg,failed,2,1.500,900,\"ERROR(\"\"x\"\")\tbad\"\n");
    EXPECT_EQ(manline(r, 1),
              "{\"input\":\"d/a,b.wav\",\"outputs\":[\"o/a-1.svg\",\"o/a-2.svg\"],\"status\":"
              "\"failed\",\"pages\":2,\"seconds\":1.500,\"peak_kb\":900,\"message\":"
              "\"ERROR(\\\"x\\\")\\u0009bad\"}\n");
    const std::pair<std::string, std::string> why[] = {
        {"WAV file: c.wav\nERROR(c.wav): chunk runs past the end\ninvalid time range\n",
         "ERROR(c.wav): chunk runs past the end"},
        {"SPC file: j.au\nnothing to plot in j.au\n", "nothing to plot in j.au"},
        {"", "the run failed"},
    };
    for (const auto &[said, line] : why) EXPECT_EQ(failline(said), line);
}

// Runs kavrel alone on every step-th good recording (through spc when given) and checks that
// the batch wrote the same bytes under o/, nothing for the damaged and no part files.
void asalone(const Corpus &c, const std::string &spc, size_t step) {
    fs::remove_all(c.s / "k");
    std::string loop = "for f in";
    for (size_t i = 0; i < c.good.size(); i += step)
        loop += " " + c.good[i].substr(2, c.good[i].rfind('.') - 2);
    loop += "; do mkdir -p k/$(dirname $f); " + std::string(KAVREL_BIN) + " -q -o k/$f.eps " + spc +
            " c/$f.* || exit 1; done";
    ASSERT_EQ(shrun(c.s, loop).status, 0);
    const auto made = tree(c.s / "o"), alone = tree(c.s / "k");
    EXPECT_EQ(made.size(), c.good.size());
    ASSERT_EQ(alone.size(), (c.good.size() + step - 1) / step);
    for (const auto &[name, bytes] : alone) EXPECT_EQ(made.at(name), bytes) << name;
}

// Starts the batch in a process group of its own and stops the group with sig once the
// manifest holds a few rows, as a terminal's Ctrl-C or a scheduler's cancel does. Only whole
// outputs may stand, among them every one the manifest says was done (one settled as the stop
// came may have no row yet); returns how many.
size_t stopmidway(const Corpus &c, int sig, const std::string &words) {
    fs::remove(c.s / "m.csv"); // the header and 3 + 2 rows, or 60 s
    const Ran r = shrun(c.s, "setsid " + std::string(KAVREL_BATCH_BIN) + " -j 2 -q" + words +
                                 " & p=$!; for i in $(seq 6000); do [ $(cat m.csv 2>/dev/null | "
                                 "wc -l) -gt 5 ] && break; sleep 0.01; done; kill -" +
                                 std::to_string(sig) + " -$p; wait $p");
    EXPECT_EQ(r.status, 128 + sig) << r.err;
    const auto made = tree(c.s / "o");
    for (const auto &[name, bytes] : made) // written whole, not a part file
        EXPECT_TRUE(bytes.ends_with("%%EOF\n") && name.find(".part") == std::string::npos) << name;
    for (const auto &[in, f] : rows(readfile(c.s / "m.csv")))
        if (f[2] == "done") { EXPECT_EQ(made.count(f[1].substr(2)), 1u) << f[1]; }
    EXPECT_LT(made.size(), c.good.size());
    return made.size();
}

// One corpus through a run stopped midway and its completion, reruns that skip and redo,
// shards and GNU parallel, in sequence.
TEST(Program, EveryRecordingIsPlottedAsAloneOnceAndTheDamagedFailAlone) {
    const Corpus c(20); // 80 good, 3 damaged
    const std::string words = " -o 'o/{dir}/{stem}.eps' --manifest m.csv c";
    const auto summary = [&](const std::string &more, const std::string &want) {
        const Ran r = batch(c.s, "-j 2 -q" + more + words);
        EXPECT_EQ(r.status, 1) << r.err;
        EXPECT_NE(r.err.find(want + ", 3 failed in"), std::string::npos) << more << r.err;
        return r;
    };
    const size_t stood = stopmidway(c, SIGINT, words);
    const Ran first =
        summary("", std::to_string(80 - stood) + " done, " + std::to_string(stood) + " skipped");
    auto m = rows(readfile(c.s / "m.csv"));
    EXPECT_EQ(m.size(), c.good.size() + c.bad.size());
    for (const std::string &b : c.bad) {
        ASSERT_EQ(m.count(b), 1u) << b;
        EXPECT_EQ(m.at(b)[2] + m.at(b)[1], "failed") << b;
        EXPECT_NE(first.err.find(b + ": " + m.at(b)[6] + "\n"), std::string::npos) << first.err;
    }
    EXPECT_NE(m.at("c/s0/cut.wav")[6].find("ERROR(c/s0/cut.wav)"), std::string::npos);
    for (const std::string &g : c.good) { // the stop's outputs skipped, with no pages counted
        const std::string row = m.at(g)[2] + " " + m.at(g)[1] + " " + m.at(g)[3],
                          out = " o/" + g.substr(2, g.rfind('.') - 2) + ".eps ";
        EXPECT_TRUE(row == "done" + out + "1" || row == "skipped" + out + "0") << row;
    }
    asalone(c, "", 1);
    // a second run skips what is up to date and redoes what changed
    summary("", "0 done, 80 skipped");
    fs::last_write_time(c.s / "c/s1/t5/r2.au", fs::file_time_type::clock::now());
    summary("", "1 done, 79 skipped");
    EXPECT_EQ(rows(readfile(c.s / "m.csv")).at("c/s1/t5/r2.au")[2], "done");
    // shards of a folder (2 damaged) by GNU parallel make what the whole run made, none twice
    // (every split in-process above); the manifest header comes from the first shard only
    const std::string sub = " -q -o 'q/{dir}/{stem}.eps' --manifest m.csv c/s0";
    const auto whole = tree(c.s / "o/s0");
    ASSERT_EQ(whole.size(), 16u);
    ASSERT_TRUE(have("parallel"));
    const Ran p = shrun(c.s, "parallel " + std::string(KAVREL_BATCH_BIN) +
                                 " -j 1 -q --shard {}/4 -o 'q/{dir}/{stem}.eps' "
                                 "--manifest m{}.csv c/s0 ::: 0 1 2 3");
    EXPECT_GT(p.status, 0) << p.err; // the damaged recordings fail in their shards
    EXPECT_EQ(tree(c.s / "q"), whole);
    std::string merged;
    for (int k = 0; k < 4; k++) {
        const std::string ms = readfile(c.s / ("m" + std::to_string(k) + ".csv"));
        EXPECT_EQ(ms.starts_with("input,"), k == 0) << k;
        merged += ms;
    }
    EXPECT_EQ(rows(merged).size(), whole.size() + 2); // rows() fails on a repeat
    // --force redoes them all, and so does a parameter file newer than the outputs
    for (const std::string more : {"--force", "-f p.spc"}) {
        fs::last_write_time(c.s / "p.spc", fs::file_time_type::clock::now());
        const Ran r = batch(c.s, "-j 2 " + more + sub);
        EXPECT_NE(r.err.find("16 done, 0 skipped, 2 failed"), std::string::npos) << r.err;
    }
    // a stop by the scheduler, then the rest, each as kavrel alone does it
    fs::remove_all(c.s / "o");
    const size_t spcstood = stopmidway(c, SIGTERM, " -f p.spc" + words);
    summary(" -f p.spc",
            std::to_string(80 - spcstood) + " done, " + std::to_string(spcstood) + " skipped");
    asalone(c, "p.spc", 5);
}

TEST(Program, AHungOrCrashedRunFailsAloneAndTheProgressLineIsForTerminals) {
    const Scratch s("batch");
    ASSERT_TRUE(sox(s.dir, "-n -r 8000 -b 16 a.wav synth 0.05 sine 500"));
    ASSERT_EQ(mkfifo((s / "hang.wav").c_str(), 0600), 0); // opening it waits for a writer
    const std::string b = KAVREL_BATCH_BIN;
    const std::pair<std::string, std::string> cases[] = {
        {b + " -j 2 --timeout 0.5 -o 'o/{stem}.eps' --manifest m.csv hang.wav a.wav",
         "timed out after 0.5 s"},
        {b + " -j 1 -o 'o/{stem}.eps' --manifest m.csv hang.wav a.wav & p=$!; sleep 0.5; "
             "kill -ABRT $(cat /proc/$p/task/$p/children); wait $p",
         "the run crashed (Aborted)"},
    };
    for (const auto &[cmd, why] : cases) {
        fs::remove_all(s / "o");
        const Ran r = shrun(s, cmd);
        EXPECT_EQ(r.status, 1) << r.err;
        const auto m = rows(readfile(s / "m.csv"));
        ASSERT_EQ(m.size(), 2u) << r.err;
        EXPECT_EQ(m.at("hang.wav")[6], why);
        EXPECT_EQ(m.at("a.wav")[2], "done");
        EXPECT_EQ(tree(s / "o").size(), 1u);
    }
    // two recordings, one output name: the later one fails, in any shard
    fs::create_directories(s / "sub");
    fs::copy_file(s / "a.wav", s / "sub/a.wav");
    for (const char *shard : {"0/1", "1/2"}) {
        const Ran r = batch(s, std::string("--shard ") + shard + " -o 'q/{stem}.eps' a.wav sub");
        EXPECT_EQ(r.status, 1) << shard;
        EXPECT_NE(r.err.find("sub/a.wav: output q/a.eps is also that of a.wav\n"),
                  std::string::npos)
            << r.err;
    }
    // standard error a terminal (script gives one) or a file
    const std::string words = " -o 'p/{stem}.eps' --force a.wav";
    const Ran tty = shrun(s, "script -qec '" + b + words + "' /dev/null > tty.txt");
    const Ran log = batch(s, words);
    EXPECT_EQ(tty.status + log.status, 0);
    EXPECT_NE(readfile(s / "tty.txt").find("\r1 of 1 recordings"), std::string::npos);
    EXPECT_TRUE(log.err.starts_with("kavrel-batch: 1 done, 0 skipped, 0 failed in ")) << log.err;
}

} // namespace
