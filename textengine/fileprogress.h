#pragma once

#include <QElapsedTimer>
#include <QPointer>
#include <QString>

#include <functional>

class QProgressDialog;
class QWidget;

namespace kalamora::textengine {

// A long file operation (opening, saving) of a control in a window on the
// screen. While it runs the window goes on painting, and after half a
// second a progress window says what is being done; keys, clicks and close
// requests wait until it is over, so nothing can change or close the
// document meanwhile. For a control in no shown window it only runs the
// work: the command line and hidden controls stay as they were.
class FileProgress {
public:
    // `what` is the progress window's text ("Opening letter.rtf").
    FileProgress(QWidget *control, const QString &what);
    ~FileProgress();
    FileProgress(const FileProgress &) = delete;
    FileProgress &operator=(const FileProgress &) = delete;

    // Runs `work` on a thread of its own and waits for it, letting the
    // window paint meanwhile. `work` touches no widget and no document.
    void inBackground(const std::function<void()> &work);
    // For work on the window's own thread: lets the window paint (and the
    // progress window appear) when some time has passed since it last did.
    void step();

    // Whether the window paints and shows progress (a control on screen).
    bool active() const { return m_window != nullptr; }

    // Files smaller than this open and save without any of it.
    static constexpr qint64 LargeFile = 512 * 1024;

private:
    void update();

    QPointer<QWidget> m_window;
    QString m_what;
    QElapsedTimer m_clock;
    qint64 m_lastStep = 0;
    QProgressDialog *m_dialog = nullptr;
};

} // namespace kalamora::textengine
