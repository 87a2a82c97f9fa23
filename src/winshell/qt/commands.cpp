// The commands of the main window that reach outside the plot: Open, Edit, Print, Export,
// Copy, Color and About, and the rate prompt as a dialog. Open, Print and Export run the
// program body over argument vectors, exactly as a command line would.
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QProcess>
#include <QVBoxLayout>

#include <cstring>

#include "base/opts.h"
#include "devices/screen.h"
#include "driver/run.h"
#include "sdinput/cursor.h"
#include "sdinput/sdrate.h"
#include "winshell/qt/window.h"
#include "winshell/shell.h"

namespace {

const char *const savefilters[NFILTERS] = {"PostScript (ps) (*.ps)",
                                           "Enhanced Metafile (emf) (*.emf)", "All Files (*)"};
const char *const saveexts[NFILTERS] = {"ps", "emf", ""};

// The rate prompt: Cancel answers nothing, as an empty line does.
int askrate(const char *prompt, char *line, int size) {
    bool ok = false;
    QString a = QInputDialog::getText(QApplication::activeWindow(), "Kavrel", prompt,
                                      QLineEdit::Normal, QString(), &ok);
    if (!ok) return 0;
    std::strncpy(line, a.toStdString().c_str(), size - 1);
    line[size - 1] = 0;
    return 1;
}

bool isfile(const std::string &name) {
    return QFileInfo(QString::fromStdString(name)).isFile();
}

} // namespace

void installprompt() {
    askhook = askrate;
}

void MainWin::cmdopen() {
    curclose();
    QString f = QFileDialog::getOpenFileName(this, "KAVREL files", QString(),
                                             "SPC Files (*.spc);;WAV Files (*.wav);;ILS Files "
                                             "(*.ils);;TSD Files (*.tsd);;All Files (*)");
    if (!f.isEmpty()) openfile(f);
}

void MainWin::openfile(const QString &path) {
    curclose();
    QFileInfo fi(path);
    // the template and the names inside a parameter file are found beside it
    QDir::setCurrent(fi.absolutePath());
    shell.runargv = openvec(fi.absoluteFilePath().toStdString());
    shell.startdir = QDir::currentPath().toStdString();
    doreplot();
}

void MainWin::cmdedit() {
    Words w = editvec();
    if (w.empty()) return;
    QStringList args;
    for (size_t i = 1; i < w.size(); i++) args << QString::fromStdString(w[i]);
    if (!QProcess::startDetached(QString::fromStdString(w[0]), args))
        say(QString("can't start %1").arg(QString::fromStdString(w[0])));
}

void MainWin::cmdprint() {
    if (shell.runargv.size() <= 1) return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setCopyCount(1);
    QPrintDialog dlg(&printer, this);
    dlg.setMinMax(1, 1);
    dlg.setFromTo(1, 1);
    if (dlg.exec() != QDialog::Accepted) return;
    // the page is drawn as one picture: at 1200 dpi that is a gigabyte and seconds of drawing
    if (printer.resolution() > 600) printer.setResolution(600);
    printto(printer);
}

int MainWin::printto(QPrinter &printer) {
    if (shell.runargv.size() <= 1) return 0;
    printer.setFullPage(true);
    printer.setDocName("WKAVREL");
    const int keptw = scr.bmw, kepth = scr.bmh;
    Surface sheet;
    printsize(printer.logicalDpiY(), keptw, kepth, &scr.bmw, &scr.bmh);
    scr.rotated = 1, scr.mirror = 0, scr.drawdc = &sheet;
    QPainter p;
    int done = p.begin(&printer);
    if (done) {
        replot();
        if (sheet.w > 0)
            p.drawImage(
                0, 0,
                QImage(sheet.px.data(), sheet.w, sheet.h, sheet.w * 3, QImage::Format_RGB888));
        done = p.end();
    }
    scr.bmw = keptw, scr.rotated = 0, scr.drawdc = &offbmp, scr.mirror = 1, scr.bmh = kepth;
    // the bitmap and the plot records describe the screen again
    doreplot();
    if (!done) say("the printer could not be used");
    return done;
}

void MainWin::cmdexport() {
    if (run.runfile.empty()) return;
    QFileDialog d(this, "PLT Save As...");
    d.setOption(QFileDialog::DontUseNativeDialog);
    d.setAcceptMode(QFileDialog::AcceptSave);
    QStringList filters;
    for (const char *f : savefilters) filters << f;
    d.setNameFilters(filters);
    const int shown = shell.savefilter >= 1 && shell.savefilter <= NFILTERS ? shell.savefilter : 1;
    d.selectNameFilter(filters[shown - 1]);
    d.setDefaultSuffix(saveexts[shown - 1]);
    // a name typed without extension gets the one of the chosen format
    connect(&d, &QFileDialog::filterSelected, &d, [&](const QString &f) {
        const qsizetype i = filters.indexOf(f);
        d.setDefaultSuffix(i >= 0 ? saveexts[i] : "");
    });
    d.selectFile(QString::fromStdString(savestem()));
    if (d.exec() != QDialog::Accepted || d.selectedFiles().isEmpty()) return;
    exportto(static_cast<int>(filters.indexOf(d.selectedNameFilter())) + 1, d.selectedFiles()[0]);
}

void MainWin::exportto(int filter, const QString &name) {
    if (run.runfile.empty()) return;
    std::string n = name.toStdString();
    const std::string dev = exportdev(filter, &n);
    if (dev.empty()) return;
    if (n != name.toStdString() && isfile(n) &&
        QMessageBox::question(this, "PLT Save As...",
                              QString("%1 already exists.\nDo you want to replace it?")
                                  .arg(QString::fromStdString(n))) != QMessageBox::Yes)
        return;
    QDir::setCurrent(QString::fromStdString(shell.startdir));
    const int failed = runwords(exportvec(dev, n));
    const std::string said = lastline(shell.runmsgs);
    shell.savefilter = filter;
    // clicks read the plot on the screen again
    doreplot();
    say(failed ? QString::fromStdString(said) : QString("wrote %1").arg(QString::fromStdString(n)));
}

void MainWin::cmdcopy() {
    if (offbmp.w <= 0) return;
    QImage img(offbmp.px.data(), offbmp.w, offbmp.h, offbmp.w * 3, QImage::Format_RGB888);
    QApplication::clipboard()->setImage(img.copy()); // the window goes on drawing into its own
}

void MainWin::cmdcolor() {
    const int on = colortoggle();
    if (colorAct) colorAct->setChecked(on != 0);
    doreplot();
}

void MainWin::cmdabout() {
    QDialog d(this);
    d.setWindowTitle("About KAVREL");
    auto *lay = new QVBoxLayout(&d);
    auto *icon = new QLabel(&d);
    icon->setPixmap(windowIcon().pixmap(32, 32));
    lay->addWidget(icon);
    const char *lines[] = {"ORMEK KAVREL",
                           "KAVREL version 2.52                          January 2018",
                           "Spectrographs of speech and other sounds",
                           "Click: time, frequency and level; right click: listen",
                           "Replot after editing the parameter file"};
    for (int i = 0; i < 5; i++) {
        auto *l = new QLabel(lines[i], &d);
        if (i >= 2) l->setAlignment(Qt::AlignHCenter);
        lay->addWidget(l);
    }
    auto *ok = new QDialogButtonBox(QDialogButtonBox::Ok, &d);
    connect(ok, &QDialogButtonBox::accepted, &d, &QDialog::accept);
    lay->addWidget(ok);
    d.exec();
}
