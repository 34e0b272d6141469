#pragma once

#include <QWidget>

#include <functional>

class QTimer;

namespace kalamora {

// The splash window. When it is first shown it starts a 400 ms timer; the
// first tick runs `whenDone` (which shows the main window) and closes it.
// `meanwhile`, when given, runs once while the timer runs, as soon as the
// splash has been painted: work that need not wait for the tick.
class frmSplash : public QWidget {
    Q_OBJECT
public:
    explicit frmSplash(std::function<void()> whenDone, std::function<void()> meanwhile = {});

protected:
    void showEvent(QShowEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    std::function<void()> m_whenDone;
    std::function<void()> m_meanwhile;
    QTimer *m_timer;
    bool m_started = false;
};

} // namespace kalamora
