// Runs in one process: each starts from the defaults with a clean failure flag, while the
// option counters and the resolution selection persist.
#include "driver/run.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <string>
#include <unistd.h>
#include <vector>

#include "base/opts.h"
#include "base/outfile.h"
#include "base/params.h"
#include "msgcap.h"

namespace {

int runwith(std::vector<std::string> words) {
    words.insert(words.begin(), "kavrel");
    std::vector<char *> argv;
    for (std::string &w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    return runmain(static_cast<int>(words.size()), argv.data());
}

TEST(Runs, EachRunStartsFromTheDefaultsWhileOptionCountersPersist) {
    run = ::Run{};
    unsetenv("KAVREL");
    const Scratch s;
    writefile(s.dir + "/first.spc", "tmin=3\n");
    writefile(s.dir + "/second.spc", "; nothing\n");
    std::fflush(stderr); // the runs' messages are checked by the program's own tests
    const int saved = dup(2), null = open("/dev/null", O_WRONLY);
    dup2(null, 2);
    EXPECT_EQ(runwith({"-c", "-d", "-q", "-a", "-nh", "-Pps2", "xlen=5", s.dir + "/first.spc"}), 0);
    EXPECT_EQ(std::tuple(par.tmin, par.xlen, opt.devindex, opt.devres, opt.debugopt, opt.verbose),
              std::tuple(3.0f, 5.0f, 4, 2, int8_t{1}, int8_t{0}));
    EXPECT_EQ(runwith({s.dir + "/missing"}), 0); // returns all the same
    EXPECT_EQ(out.failed, 1);
    EXPECT_EQ(par.tmin, 0.0f);
    EXPECT_EQ(runwith({s.dir + "/second.spc"}), 0);
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    close(null);
    EXPECT_EQ(pardiff(par, Params{}), "");
    EXPECT_EQ(std::tuple(opt.devindex, opt.devres, opt.debugopt, opt.verbose, out.failed),
              std::tuple(0, 2, int8_t{0}, int8_t{1}, 0)); // devres changes only by -P
    EXPECT_EQ(std::tuple(opt.coloropt, opt.asciiopt, opt.nohdropt), std::tuple(1, 1, 1));
    EXPECT_EQ(msgfp, stderr);
    run = ::Run{};
}

} // namespace
