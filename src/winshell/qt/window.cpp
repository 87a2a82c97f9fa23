// The main window of wkavrel. Nothing is drawn from the data here: every repaint copies the
// surface the screen device drew on, and every change of what is shown is a new run.
#include "winshell/qt/window.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLayout>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>

#include "base/opts.h"
#include "devices/screen.h"
#include "winshell/qt/sound.h"
#include "winshell/readout.h"
#include "winshell/shell.h"

namespace {

PlotView *shown = nullptr; // the view the screen device's flushes repaint

// The surface as an image, without a copy; valid while the surface is not resized.
QImage surfimage(Surface &s) {
    return QImage(s.px.data(), s.w, s.h, s.w * 3, QImage::Format_RGB888);
}

// Repaints the rectangle the screen device changed, at once: no events are served during
// a run, so the user watches the plot being drawn only this way.
void flushview(int x, int y, int w, int h) {
    if (!shown) return;
    const qreal r = shown->devicePixelRatioF();
    shown->repaint(QRectF(x / r, y / r, w / r, h / r).toAlignedRect());
}

// A small page with a dark band and a trace, for the window and the About box.
QIcon mkicon() {
    QIcon icon;
    for (int n : {16, 32}) {
        QPixmap pm(n, n);
        pm.fill(Qt::white);
        QPainter p(&pm);
        p.fillRect(n / 8, n / 4, n * 3 / 4, n / 4, QColor(60, 60, 60));
        p.fillRect(n / 8, n / 2, n * 3 / 4, n / 8, QColor(150, 150, 150));
        p.setPen(Qt::black);
        p.drawRect(0, 0, n - 1, n - 1);
        for (int x = n / 8; x < n * 7 / 8; x++) p.drawPoint(x, n * 13 / 16 + (x % 3) - 1);
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace

PlotView::PlotView(QWidget *parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    shown = this;
}

void PlotView::fitsurface() {
    const qreal r = devicePixelRatioF();
    setFixedSize(qRound(scr.bmw / r), qRound(scr.bmh / r));
}

void PlotView::paintEvent(QPaintEvent *) {
    QPainter p(this);
    // during Print the screen device draws elsewhere; the window keeps its picture
    if (offbmp.w > 0 && offbmp.h > 0) {
        QImage img = surfimage(offbmp);
        img.setDevicePixelRatio(devicePixelRatioF());
        p.drawImage(QPointF(0, 0), img);
    }
    if (shell.readout.empty()) return;
    // drawn over the plot, opaque, so a shorter line covers a longer one
    p.setBackgroundMode(Qt::OpaqueMode);
    p.setBackground(Qt::white);
    p.setPen(Qt::black);
    p.drawText(QPointF(0, 3 / devicePixelRatioF() + fontMetrics().ascent()),
               QString::fromStdString(shell.readout));
}

void PlotView::mousePressEvent(QMouseEvent *e) {
    const qreal r = devicePixelRatioF();
    const QPointF at = e->position() * r;
    emit clicked(e->button() == Qt::RightButton  ? 2
                 : e->button() == Qt::LeftButton ? 1
                                                 : 0,
                 static_cast<int>(at.x()), static_cast<int>(at.y()));
}

MainWin::MainWin() {
    setWindowTitle("Kavrel");
    setWindowIcon(mkicon());
    // fixed size: no sizing border, no maximize box
    setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    view = new PlotView(this);
    view->fitsurface();
    setCentralWidget(view);
    mkmenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);
    connect(view, &PlotView::clicked, this, &MainWin::click);
}

MainWin::~MainWin() {
    if (shown == view) shown = nullptr;
}

void MainWin::mkmenus() {
    struct Item {
        const char *menu, *text, *keys;
        void (MainWin::*cmd)();
    };
    const Item items[] = {
        {"&File", "&Open", "Ctrl+O", &MainWin::cmdopen},
        {"&File", "&Edit", "Ctrl+E", &MainWin::cmdedit},
        {"&File", "&Print", "Ctrl+P", &MainWin::cmdprint},
        {"&File", "Export", "Ctrl+S", &MainWin::cmdexport},
        {"&File", "E&xit", "", nullptr},
        {"&View", "&Copy", "Ctrl+C", &MainWin::cmdcopy},
        {"&View", "&Replot", "Ctrl+R", &MainWin::doreplot},
        {"&View", "C&olor", "Ctrl+V", &MainWin::cmdcolor},
        {"&Help", "&About KAVREL", "F1", &MainWin::cmdabout},
    };
    QMenu *menu = nullptr;
    for (const Item &it : items) {
        if (!menu || menu->title() != it.menu) menu = menuBar()->addMenu(it.menu);
        QAction *a = menu->addAction(it.text);
        a->setShortcut(QKeySequence(it.keys));
        if (it.cmd)
            connect(a, &QAction::triggered, this, it.cmd);
        else
            connect(a, &QAction::triggered, this, &QWidget::close);
        if (it.cmd == &MainWin::cmdcolor) {
            colorAct = a;
            a->setCheckable(true);
            a->setChecked(opt.coloropt != 0);
        }
    }
}

void MainWin::aftermath() {
    if (shell.runusage && !shell.runmsgs.empty()) {
        auto *box = new QMessageBox(QMessageBox::Information, "Kavrel",
                                    QString::fromStdString(shell.runmsgs), QMessageBox::Ok, this);
        box->setAttribute(Qt::WA_DeleteOnClose);
        box->show();
    } else if (shell.runfailed) {
        say(QString::fromStdString(lastline(shell.runmsgs)));
    }
    view->update();
}

void MainWin::doreplot() {
    if (replot() < 0) return;
    aftermath();
}

void MainWin::say(const QString &text) {
    std::string s = " " + text.toStdString() + " ";
    if (s.size() < READOUTW) s.append(READOUTW - s.size(), ' ');
    shell.readout = s;
    view->repaint();
}

void MainWin::click(int button, int x, int y) {
    std::string text;
    if (button == 1) {
        if (!tclick(x, y, &text)) return;
        shell.readout = text;
        view->repaint();
    } else if (button == 2) {
        const PlotRec *rec = nullptr;
        if (!sclick(x, y, &text, &rec)) return;
        shell.readout = text;
        view->repaint();
        if (!rec) return;
        QString why = playsound(*rec, this);
        if (!why.isEmpty()) say(why);
    }
}

void MainWin::keyPressEvent(QKeyEvent *e) {
    static const std::pair<int, const char *> nav[] = {
        {Qt::Key_Home, "Home"},   {Qt::Key_Up, "Up"},   {Qt::Key_Left, "Left"},
        {Qt::Key_Right, "Right"}, {Qt::Key_End, "End"}, {Qt::Key_Down, "Down"}};
    for (auto &[key, name] : nav)
        if (e->key() == key) {
            shell.navkey = navcode(name); // held; the window goes on serving
            return;
        }
    QMainWindow::keyPressEvent(e); // Enter and every other key do nothing
}

void MainWin::closeEvent(QCloseEvent *e) {
    shell.runstate = 3;
    QMainWindow::closeEvent(e);
}

void mkbitmap(int screenw) {
    clientsize(screenw, &scr.bmw, &scr.bmh);
    surfinit(offbmp, scr.bmw, scr.bmh, Rgb{128, 128, 128});
    scr.drawdc = &offbmp;
    scr.windc = nullptr;
    scr.mirror = 1;
    scr.rotated = 0;
    scr.savehint = 0;
    scr.indexed = 0; // the window paints the surfaces as RGB
    scr.flush = flushview;
    installprompt();
}
