// The window in-process on Qt's offscreen platform: menus and accelerators reach their
// commands, a click shows the read-out, Export and Print write pages real readers render
// with the tone where it belongs, Copy hands over the picture, a failed run keeps serving.
#include <QApplication>
#include <QClipboard>
#include <QMenuBar>
#include <QPrinter>
#include <QTest>

#include <algorithm>
#include <filesystem>

#include "base/opts.h"
#include "devices/screen.h"
#include "pngread.h"
#include "render/core.h"
#include "testkit.h"
#include "winshell/qt/window.h"
#include "winshell/readout.h"
#include "winshell/shell.h"

namespace {

// A shown, active window on a 1920-pixel screen, with a loud 1 kHz tone to plot.
struct Shown {
    Scratch s{"win"};
    std::string tone = s / "tone.wav";
    MainWin *w;
    Shown() {
        EXPECT_TRUE(sox(s.dir, "-n -r 16000 -b 16 tone.wav synth 1 sine 1000"));
        opt = Opts{}, scr = Screen{}, shell = Shell{};
        mkbitmap(1920);
        w = new MainWin;
        w->show();
        QApplication::setActiveWindow(w);
        EXPECT_TRUE(QTest::qWaitForWindowActive(w));
        shell.runargv = {"wkavrel", "-q", tone};
    }
    std::filesystem::path cwd = std::filesystem::current_path(); // Export changes it
    ~Shown() {
        delete w;
        std::filesystem::current_path(cwd);
    }
    void keys(QKeySequence k) { QTest::keySequence(w, k), QApplication::processEvents(); }
};

// Client pixel of the tone at the middle of the plot, for the first plot record.
QPoint tonepixel() {
    const PlotRec &r = plot.plotrec[0];
    const double q = (1000 - r.flo) / (r.fhi - r.flo);
    return {(r.left + r.right) / 2,
            scr.bmh - static_cast<int>(r.bottom + q * (r.top - r.bottom) + 0.5)};
}

// How far (pixels) the middle of the darkest band across the plot's frequency extent lies from
// the 1 kHz column, in a page picture at coldpi across (frequency) and rowdpi along (time).
double toneoff(const Picture &p, int coldpi, int rowdpi) {
    const PlotRec &r = plot.plotrec[0];
    const int y = tonepixel().x() * rowdpi / page.xres;
    return darkband(p, r.bottom * coldpi / page.yres + 2, r.top * coldpi / page.yres - 3, y - 3,
                    y + 3) -
           (scr.bmh - tonepixel().y()) * coldpi / double(page.yres);
}

} // namespace

TEST(Window, MenusAcceleratorsClicksAndAFailedRun) {
    Shown sh;
    QStringList seen;
    for (QAction *m : sh.w->menuBar()->actions())
        for (QAction *a : m->menu()->actions())
            seen << m->text() + " " + a->text() + " " + a->shortcut().toString();
    EXPECT_EQ(seen.join("|").toStdString(),
              "&File &Open Ctrl+O|&File &Edit Ctrl+E|&File &Print Ctrl+P|&File Export Ctrl+S|"
              "&File E&xit |&View &Copy Ctrl+C|&View &Replot Ctrl+R|&View C&olor Ctrl+V|"
              "&Help &About KAVREL F1");
    EXPECT_EQ(sh.w->windowTitle(), "Kavrel");
    EXPECT_EQ(sh.w->view->size(), QSize(1680, 1226));
    EXPECT_EQ(surfget(offbmp, 5, 5), (Rgb{128, 128, 128})) << "gray before the first plot";
    sh.keys(QKeySequence("Ctrl+R"));
    ASSERT_EQ(plot.nplotrec, 1);
    const QPoint at = tonepixel();
    const Rgb gray = surfget(offbmp, at.x(), at.y() - 40); // above the tone: light paper
    sh.keys(QKeySequence(Qt::Key_Home));
    EXPECT_EQ(shell.navkey, 327);
    for (int on : {1, 0}) { // still serving after a navigation key
        sh.keys(QKeySequence("Ctrl+V"));
        EXPECT_EQ(std::tuple(opt.coloropt, sh.w->colorAct->isChecked(),
                             surfget(offbmp, at.x(), at.y() - 40) == gray),
                  std::tuple(on, on == 1, on == 0));
    }
    const std::vector<uint8_t> before = offbmp.px;
    sh.keys(QKeySequence(Qt::Key_Return)); // does nothing
    EXPECT_EQ(offbmp.px, before);
    // Copy: a copy of the picture, equal to the surface
    sh.keys(QKeySequence("Ctrl+C"));
    QImage img = QApplication::clipboard()->image().convertToFormat(QImage::Format_RGB888);
    ASSERT_EQ(img.size(), QSize(offbmp.w, offbmp.h));
    EXPECT_EQ(0, std::memcmp(img.constBits(), offbmp.px.data(), offbmp.px.size())); // rows of 5040
    // a click shows the read-out; the right click names the file and plays it, or says why it
    // cannot: never a hang; the next run clears it
    QTest::mouseClick(sh.w->view, Qt::LeftButton, {}, at);
    EXPECT_EQ(shell.readout.substr(0, 11), " (t,f,v) = ") << shell.readout;
    QTest::mouseClick(sh.w->view, Qt::RightButton, {}, at);
    const std::string said = shell.readout;
    EXPECT_TRUE(said.starts_with("sdf = " + sh.tone) || said.find("sound") != std::string::npos)
        << said;
    sh.keys(QKeySequence("Ctrl+R"));
    EXPECT_EQ(shell.readout, "");
    // a run that cannot make its output file says so and the window goes on
    shell.runargv = {"wkavrel", "-q", "-o", sh.s / "no/x.png", sh.tone};
    sh.w->doreplot();
    EXPECT_NE(shell.readout.find("can't open output file"), std::string::npos) << shell.readout;
    sh.keys(QKeySequence("Ctrl+V"));
    EXPECT_TRUE(opt.coloropt == 1 && sh.w->isVisible());
}

// Export under the PostScript filter, read by Ghostscript (75 dpi, landscape on letter: x =
// column inches, y = row inches, as kavrel's own test); Print to a PDF file at 150 dpi, where
// the screen device draws the page turned a quarter, 10.5 in long: each shows the tone at its
// frequency, and the screen is plotted again after each.
TEST(Window, ExportAndPrintDrawTheToneAtItsRow) {
    Shown sh;
    sh.w->doreplot();
    shell.startdir = sh.s.dir;
    sh.w->exportto(1, QString::fromStdString(sh.s / "out.ps"));
    ASSERT_EQ(readfile(sh.s / "out.ps").substr(0, 4), "%!PS");
    EXPECT_EQ(page.xres, 160);
    EXPECT_NEAR(toneoff(readpages(sh.s, "out.ps").at(0), 75, 75), 0, 2.5);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(sh.s / "p.pdf"));
    printer.setResolution(150);
    ASSERT_EQ(sh.w->printto(printer), 1);
    EXPECT_EQ(std::pair(scr.bmw, page.xres), std::pair(1680, 160));
    const Picture p = readpages(sh.s, "p.pdf", 150).at(0);
    ASSERT_GT(p.w, 1149);
    // the page is 1575 dots long at 150 dpi and 1680 x 1226 in proportion: 1149 wide (144 dpi)
    int lastx = 0, lasty = 0;
    for (int y = 0; y < p.h; y++)
        for (int x = 0; x < p.w; x++)
            if (p.gray(x, y) < 128) lastx = std::max(lastx, x), lasty = std::max(lasty, y);
    EXPECT_TRUE(lastx < 1149 && lasty > 1450 && lasty < 1575) << lastx << " " << lasty;
    EXPECT_NEAR(toneoff(p, 144, 150), 0, 2.5);
}

int main(int argc, char **argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    Scratch rt("xdg"); // Qt's runtime folder, which it would otherwise leave in /tmp
    if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) qputenv("XDG_RUNTIME_DIR", rt.dir.c_str());
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
