#include "app/frmsplash.h"

#include "app/icons.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <utility>

using namespace Qt::StringLiterals;

namespace kalamora {

frmSplash::frmSplash(std::function<void()> whenDone, std::function<void()> meanwhile)
    : QWidget(nullptr, Qt::SplashScreen | Qt::FramelessWindowHint)
    , m_whenDone(std::move(whenDone))
    , m_meanwhile(std::move(meanwhile))
    , m_timer(new QTimer(this))
{
    setObjectName(u"frmSplash"_s);
    setWindowTitle(u"Kalamora"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    resize(420, 220);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_timer->setSingleShot(true);
    m_timer->setInterval(400);
    connect(m_timer, &QTimer::timeout, this, [this] {
        m_meanwhile = nullptr;
        if (m_whenDone)
            m_whenDone();
        close();
    });
}

void frmSplash::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_started) {
        m_started = true;
        m_timer->start();
    }
}

void frmSplash::paintEvent(QPaintEvent *)
{
    if (m_meanwhile) {
        // After this paint has reached the screen.
        QTimer::singleShot(0, this, [this] {
            if (auto work = std::exchange(m_meanwhile, nullptr))
                work();
        });
    }
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.fillRect(rect(), QColor(0xfc, 0xfc, 0xfc));
    p.setPen(QColor(0xc0, 0x39, 0x2b));
    p.drawRect(rect().adjusted(0, 0, -1, -1));
    p.drawPixmap(24, 60, kalamora::applicationIcon().pixmap(96, 96));
    QFont title = font();
    title.setPointSize(26);
    title.setBold(true);
    p.setFont(title);
    p.setPen(QColor(0x23, 0x26, 0x29));
    p.drawText(QRect(140, 60, 260, 50), Qt::AlignLeft | Qt::AlignVCenter, u"Kalamora"_s);
    QFont sub = font();
    sub.setPointSize(10);
    p.setFont(sub);
    p.drawText(QRect(140, 110, 270, 60), Qt::AlignLeft | Qt::TextWordWrap,
               u"Hindi word processing on an ordinary keyboard"_s);
}

} // namespace kalamora
