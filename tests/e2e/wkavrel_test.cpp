// wkavrel as a user starts it, under a real X server (Xvfb, 1920 x 1440): its window shows in
// the client area exactly the picture kavrel writes for the same words, a click changes the
// top line, Ctrl+V turns the plot to colour, and Exit closes it with status 0.
#include <gtest/gtest.h>

#include <string>

#include "pngread.h"
#include "testkit.h"

namespace {

// The session: kavrel's picture, then photographs of the window after each step.
const char *const script = R"(
K=$1; W=$2
mkdir -m 700 rt; export XDG_RUNTIME_DIR=$PWD/rt
$K -q -o ref.png tone.wav 2>/dev/null
$W -q tone.wav 2>w.err &
pid=$!
wid=$(xdotool search --sync --name '^Kavrel$' | head -1)
xdotool getwindowgeometry --shell $wid > geom
# until the plot is complete on screen (or 20 s)
for i in $(seq 1 100); do
  import -window $wid s1.png
  convert s1.png -gravity south -crop 1680x1226+0+0 +repage c1.png
  compare -metric AE c1.png ref.png null: 2>/dev/null && break
  sleep 0.2
done
xdotool mousemove --window $wid 840 600 click 1; sleep 0.5
import -window $wid s2.png
xdotool windowfocus --sync $wid; xdotool key ctrl+v; sleep 2
import -window $wid s3.png
xdotool key alt+f; sleep 0.5; xdotool key x
for i in $(seq 1 50); do kill -0 $pid 2>/dev/null || break; sleep 0.2; done
kill -9 $pid 2>/dev/null
wait $pid; echo $? > status
)";

// Pixels that differ between two pictures of the same size within rows y0..y1-1.
int differ(const Picture &a, const Picture &b, int y0, int y1) {
    int n = 0;
    for (int y = y0; y < y1; y++)
        for (int x = 0; x < a.w; x++)
            n += a.gray(x, y) != b.gray(x, y) || a.at(x, y)[0] != b.at(x, y)[0];
    return n;
}

} // namespace

TEST(Wkavrel, WindowShowsThePlotReadsClicksTurnsToColourAndExits) {
    Scratch s("wk");
    ASSERT_TRUE(sox(s.dir, "-n -r 16000 -b 16 tone.wav synth 1 sine 1000"));
    writefile(s / "run.sh", script);
    ASSERT_TRUE(tool(s.dir, std::string("xvfb-run -a -s '-screen 0 1920x1440x24' sh run.sh ") +
                                KAVREL_BIN + " " + WKAVREL_BIN));
    Picture ref = readpng(s / "ref.png"), s1 = readpng(s / "s1.png"), s2 = readpng(s / "s2.png"),
            s3 = readpng(s / "s3.png");
    ASSERT_EQ(std::pair(ref.w, ref.h), std::pair(1680, 1226));
    ASSERT_EQ(s1.w, 1680);
    ASSERT_GT(s1.h, 1226) << "a menu bar over the client area";
    const int top = s1.h - 1226;
    EXPECT_TRUE(std::equal(ref.px.begin(), ref.px.end(), s1.at(0, top))) << "kavrel's picture";
    ASSERT_EQ(std::pair(s2.w, s2.h), std::pair(s1.w, s1.h));
    EXPECT_GT(differ(s1, s2, top, top + 20), 50) << "the read-out line";
    EXPECT_EQ(differ(s1, s2, top + 30, s1.h), 0);
    int coloured = 0;
    for (int y = top; y < s3.h; y += 4)
        for (int x = 0; x < s3.w; x += 4) coloured += s3.at(x, y)[0] != s3.at(x, y)[2];
    EXPECT_GT(coloured, 10000) << "Ctrl+V turns the plot to colour";
    EXPECT_EQ(readfile(s / "status"), "0\n") << readfile(s / "w.err");
}
