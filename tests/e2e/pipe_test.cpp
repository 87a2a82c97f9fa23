// Recordings given as pipes, one row per way a user hands one over: a named FIFO with a writer,
// a /dev/fd/N of process substitution, standard input, streams whose headers lack the length.
// Each plot must be the plot of the same recording as a regular file; each run has a time
// limit, so a run that blocks on its pipe fails its row.
#include <string>

#include "testkit.h"

using namespace std::string_literals;

namespace {

struct Case {
    const char *what;
    const char *file;  // the recording as a regular file
    const char *input; // bash words that hand it over as a pipe
    const char *said;  // the identification line the run must say
    const char *setup = "";
};

TEST(PipeInput, APipedRecordingPlotsAsTheSameRecordingInAFile) {
    const Scratch s("pipe");
    ASSERT_TRUE(sox(s.dir, "-n -r 16000 -b 16 t.wav synth 0.5 sine 300:3000"));
    ASSERT_TRUE(sox(s.dir, "t.wav t.flac"));
    ASSERT_TRUE(sox(s.dir, "t.wav t.au"));
    // a WAV as a writer leaves it on a pipe: 0xFFFFFFFF for the RIFF and data lengths
    std::string ff = readfile(s / "t.wav");
    ASSERT_EQ(ff.substr(36, 4), "data");
    ff.replace(4, 4, "\xFF\xFF\xFF\xFF").replace(40, 4, "\xFF\xFF\xFF\xFF");
    writefile(s / "ff.wav", ff);
    const std::string raw =
                          "<(sox t.wav -t raw - | sox -V1 -t raw -r 16000 -e signed -b 16 -c 1 - ",
                      rawwav = raw + "-t wav -)", rawau = raw + "-t au -)";
    const Case cases[] = {
        {"a named FIFO fed by a writer", "t.wav", "f.wav", "WAV file: f.wav",
         "rm -f f.wav; mkfifo f.wav; timeout 20 sh -c 'cat t.wav > f.wav' &"},
        {"a named FIFO of a recording the codec library reads", "t.flac", "f.flac",
         "FLC file: f.flac",
         "rm -f f.flac; mkfifo f.flac; timeout 20 sh -c 'cat t.flac > f.flac' &"},
        {"process substitution", "t.wav", "<(sox t.wav -t wav -)", "WAV file: /dev/fd/"},
        {"FLAC written to a pipe, without its length", "t.flac", "<(sox t.wav -t flac -)",
         "FLC file: /dev/fd/"},
        {"WAV lengths of 0xFFFFFFFF in a file", "t.wav", "ff.wav", "WAV file: ff.wav"},
        {"WAV lengths sox could not fix", "t.wav", rawwav.c_str(), "WAV file: /dev/fd/"},
        {"an SND data size of 0xFFFFFFFF on a pipe", "t.au", rawau.c_str(), "SND file: /dev/fd/"},
        {"standard input", "t.wav", "/dev/stdin < <(cat t.wav)", "WAV file: /dev/stdin"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        // kavrel on the file, then on the pipe; a writer left behind is waited for
        writefile(s / "run.sh", "K='timeout 20 " KAVREL_BIN "'\n"s + c.setup +
                                    "\n$K -Pps -o want.eps " + c.file +
                                    " 2>/dev/null || exit 99\n$K -Pps -o o.eps " + c.input +
                                    "\nst=$?; wait; exit $st\n");
        const Ran r = shrun(s, "bash run.sh");
        EXPECT_EQ((std::tuple{r.status, r.out}), (std::tuple{0, ""s})) << r.err;
        EXPECT_NE(r.err.find(c.said), std::string::npos) << r.err;
        const std::string want = nodate(readfile(s / "want.eps"), true),
                          got = nodate(readfile(s / "o.eps"), true);
        EXPECT_GT(want.size(), 1000u);
        EXPECT_TRUE(got == want) << got.size() << " bytes, " << want.size() << " wanted";
    }
}

} // namespace
