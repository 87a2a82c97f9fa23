// The main window: a menu bar over a client area that shows the screen device's surface one
// pixel to one device pixel, and the menu commands, accelerators and clicks of the shell.
#pragma once
#include <QMainWindow>
#include <QString>
#include <QWidget>

class QAction;
class QPrinter;

// The client area: repaints from the surface and paints the read-out line over it.
class PlotView : public QWidget {
    Q_OBJECT
  public:
    explicit PlotView(QWidget *parent);
    // Size in device pixels of the surface shown.
    void fitsurface();

  signals:
    void clicked(int button, int x, int y);

  protected:
    void paintEvent(QPaintEvent *e) override;
    void mousePressEvent(QMouseEvent *e) override;
};

class MainWin : public QMainWindow {
    Q_OBJECT
  public:
    MainWin();
    ~MainWin() override;
    PlotView *view = nullptr;
    QAction *colorAct = nullptr;

    // Runs runargv (Replot) and shows what the run said when it failed.
    void doreplot();
    // Open with the file already chosen.
    void openfile(const QString &path);
    // Export to a chosen file under filter 1..3 (after the dialog, overwrite confirmed).
    void exportto(int filter, const QString &name);
    // Print onto a printer already set up (the dialog's part done); 0 when nothing printed.
    int printto(QPrinter &printer);
    // Left or right click at client pixel (x, y) in device pixels.
    void click(int button, int x, int y);
    // Shows a message in the read-out line.
    void say(const QString &text);

  public slots:
    void cmdopen();
    void cmdedit();
    void cmdprint();
    void cmdexport();
    void cmdcopy();
    void cmdcolor();
    void cmdabout();

  protected:
    void keyPressEvent(QKeyEvent *e) override;
    void closeEvent(QCloseEvent *e) override;

  private:
    void mkmenus();
    // After a run: the usage text in a box, a failure's last message in the read-out line.
    void aftermath();
};

// Makes a run that must ask for the sample rate ask in a dialog, not on standard input.
void installprompt();
// Builds the off-screen surface for the client size of the screen, gray, and installs the
// window's hooks into the screen device and the rate prompt.
void mkbitmap(int screenw);
