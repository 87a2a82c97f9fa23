// Sound through Qt's audio output, fed sample by sample from the reader slot the cursor
// holds, so every format the program reads plays and a long file starts at once. While it
// plays, a local loop lets paint events through, ends on the first key or button press
// (consumed) and swallows all other input, closing included.
#include "winshell/qt/sound.h"

#include <QApplication>
#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QEvent>
#include <QEventLoop>
#include <QIODevice>
#include <QMediaDevices>
#include <QTimer>

#include <algorithm>
#include <cstring>

#include "sdinput/cursor.h"
#include "sdinput/sdfile.h"

namespace {

// The open file's samples as 16-bit little-endian PCM, read on demand.
class Feed : public QIODevice {
  public:
    explicit Feed(int32_t n) : n(n) {}
    bool isSequential() const override { return true; }
    qint64 bytesAvailable() const override {
        return 2 * qint64(n - next) + QIODevice::bytesAvailable();
    }

  protected:
    qint64 readData(char *data, qint64 max) override {
        qint64 k = 0;
        for (; k + 2 <= max && next < n; k += 2) {
            int32_t v = std::clamp<int32_t>(getsamp(next++), -32768, 32767);
            const int16_t s = static_cast<int16_t>(v);
            std::memcpy(data + k, &s, 2);
        }
        return k;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

  private:
    int32_t n, next = 0;
};

// Ends the wait on a key or a click (consumed); all other input is swallowed meanwhile.
class Stopper : public QObject {
  public:
    explicit Stopper(QEventLoop *loop) : loop(loop) {}

  protected:
    bool eventFilter(QObject *, QEvent *e) override {
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick: loop->quit(); return true;
        case QEvent::KeyRelease:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseMove:
        case QEvent::Wheel:
        case QEvent::Close:
        case QEvent::Shortcut:
        case QEvent::ShortcutOverride:
        case QEvent::ContextMenu:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd: return true;
        default: return false;
        }
    }

  private:
    QEventLoop *loop;
};

} // namespace

QString playsound(const PlotRec &rec, QWidget *) {
    if (!curopen(rec.sdname.c_str(), rec.srate, rec.channel) || !getsamp)
        return QString("can't read %1").arg(QString::fromStdString(rec.sdname));
    const int rate = static_cast<int>(rec.srate + 0.5);
    if (rate <= 0 || sd.nsamp <= 0) return "nothing to play";
    const QAudioDevice dev = QMediaDevices::defaultAudioOutput();
    if (dev.isNull()) return "no sound device: the recording can't be played";
    QAudioFormat fmt;
    fmt.setSampleRate(rate);
    fmt.setChannelCount(1);
    fmt.setSampleFormat(QAudioFormat::Int16);
    if (!dev.isFormatSupported(fmt))
        return QString("the sound device refuses %1 samples/second").arg(rate);
    Feed feed(sd.nsamp);
    feed.open(QIODevice::ReadOnly);
    QAudioSink sink(dev, fmt);
    QEventLoop loop;
    QObject::connect(&sink, &QAudioSink::stateChanged, &loop, [&](QAudio::State s) {
        if (s == QAudio::IdleState || s == QAudio::StoppedState) loop.quit();
    });
    sink.start(&feed);
    if (sink.error() != QAudio::NoError || sink.state() == QAudio::StoppedState)
        return "the sound device could not be opened";
    // a device that never reports the end must not hold the window: the length plus a margin
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, &loop, &QEventLoop::quit);
    guard.start(static_cast<int>(std::min(1000.0 * sd.nsamp / rate + 2000, 2.0e9)));
    Stopper stop(&loop);
    qApp->installEventFilter(&stop);
    loop.exec();
    qApp->removeEventFilter(&stop);
    sink.stop();
    return "";
}
