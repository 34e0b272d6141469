#pragma once

#include <QList>
#include <QObject>

class QLabel;
class QStatusBar;
class QTimer;

namespace kalamora {

// The main window's status bar: seven panels (a message, the program's
// name, CAPS, NUM, INS, the date and the clock), the publisher's two link
// pictures and the fault notice that its own label hides. The clock ticks
// once a second once started.
class StatusPanels : public QObject {
    Q_OBJECT

public:
    explicit StatusPanels(QStatusBar *bar);

    QStatusBar *sbMain() const { return m_bar; }
    // The seven panels, in order from the left.
    const QList<QLabel *> &sbPanels() const { return m_panels; }
    QTimer *tmTimer() const { return m_timer; }

    // Shows the date and time at once and ticks from now on.
    void startClock();
    void updateClock();

    // The saying for a point of the main toolbar, in twips from its
    // corner, in the first panel: one saying a band of the bar's width.
    // False, and nothing shown, outside the bands.
    bool showSaying(int xTwips, int yTwips);

private:
    QStatusBar *m_bar;
    QList<QLabel *> m_panels;
    QTimer *m_timer;
};

} // namespace kalamora
