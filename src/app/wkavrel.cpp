// wkavrel: the window program. Shows the window, runs the program body once with its own
// arguments, then serves the window until it is closed; the process ends here.
#include <QApplication>
#include <QDir>
#include <QScreen>
#include <cstdlib>

#include "winshell/qt/window.h"
#include "winshell/shell.h"

int main(int argc, char **argv) {
    QApplication app(argc, argv);
    QScreen *screen = QGuiApplication::primaryScreen();
    const qreal r = screen ? screen->devicePixelRatio() : 1;
    mkbitmap(screen ? qRound(screen->geometry().width() * r) : 1920);
    MainWin w;
    w.move(w.x(), 0);
    w.show();
    // the gray window is up before the first run draws into it
    QApplication::processEvents();
    shell.startdir = QDir::currentPath().toStdString();
    // Qt has taken its own options out of argv
    for (int i = 0; i < argc; i++) shell.runargv.push_back(argv[i]);
    w.doreplot();
    std::exit(app.exec());
}
