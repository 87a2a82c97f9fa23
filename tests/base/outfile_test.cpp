// After a write error only what the run made is removed: a link named by -o, or a file put in
// the name's place meanwhile, stays, and the run says the output is incomplete.
#include "base/outfile.h"
#include "testkit.h"

#include <filesystem>
#include <unistd.h>

TEST(OutputStream, AWriteErrorRemovesNothingButTheFileTheRunMade) {
    const Scratch s;
    MsgCap cap;
    writefile(s / "target.eps", "t"), writefile(s / "moved.eps", "m"),
        writefile(s / "new.eps", "n");
    ASSERT_EQ(symlink((s / "target.eps").c_str(), (s / "link.eps").c_str()), 0);
    for (const std::string name : {"link.eps", "moved.eps"}) {
        const std::string path = s / name;
        out = Output{.outfile = std::fopen(path.c_str(), "rb"), .outname = path}; // writes fail
        std::fputs(std::string(10000, 'p').c_str(), outfp());
        if (name == "moved.eps") std::filesystem::rename(s / "new.eps", path);
        outclose();
        EXPECT_EQ(std::tuple(out.failed, cap.times("output file " + path + " is incomplete\n")),
                  std::tuple(1, 1))
            << name;
        EXPECT_TRUE(std::filesystem::exists(std::filesystem::symlink_status(path))) << name;
    }
    EXPECT_EQ(std::tuple(readfile(s / "target.eps"), readfile(s / "moved.eps")),
              std::tuple("t", "n"));
    out = Output{};
}
