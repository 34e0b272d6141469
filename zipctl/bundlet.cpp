#include "zipctl/bundlet.h"

#include "zipctl/aboutdialog.h"

#include <QMetaMethod>
#include <QPainter>
#include <QPainterPath>
#include <QResizeEvent>
#include <QTimer>

using namespace Qt::StringLiterals;

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr int kSideTwips = 976;

} // namespace

Bundlet::Bundlet(QWidget *parent) : QWidget(parent), m_core(new BundletCore(this))
{
    // Every event of the core, raised again by the widget under its name.
    const QMetaObject &core = BundletCore::staticMetaObject;
    for (int i = core.methodOffset(); i < core.methodCount(); ++i) {
        const QMetaMethod event = core.method(i);
        if (event.methodType() != QMetaMethod::Signal)
            continue;
        const int own = metaObject()->indexOfSignal(event.methodSignature().constData());
        Q_ASSERT(own >= 0);
        connect(m_core, event, this, metaObject()->method(own));
    }
    keepSize();
}

Bundlet::~Bundlet() = default;

int Bundlet::sidePixels(qreal dotsPerInch)
{
    return qRound(kSideTwips * dotsPerInch / kTwipsPerInch);
}

QSize Bundlet::sizeHint() const
{
    const int side = sidePixels(logicalDpiX());
    return QSize(side, side);
}

QSize Bundlet::minimumSizeHint() const
{
    return sizeHint();
}

void Bundlet::keepSize()
{
    const QSize wanted = sizeHint();
    if (minimumSize() != wanted || maximumSize() != wanted)
        setFixedSize(wanted);
    if (size() != wanted)
        resize(wanted);
}

void Bundlet::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (event->size() != sizeHint())
        keepSize();
}

void Bundlet::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ScreenChangeInternal || event->type() == QEvent::ParentChange)
        keepSize();
}

void Bundlet::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    keepSize();
}

void Bundlet::paintEvent(QPaintEvent *)
{
    // The border frame, then a zip-file image: a page with a folded corner
    // and a zipper running down its middle.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.fillRect(rect(), palette().window());
    p.setPen(QPen(palette().shadow().color(), 1));
    p.drawRect(r);
    p.setPen(QPen(palette().light().color(), 1));
    p.drawLine(r.topLeft() + QPointF(1, 1), r.topRight() + QPointF(-1, 1));
    p.drawLine(r.topLeft() + QPointF(1, 1), r.bottomLeft() + QPointF(1, -1));

    const qreal side = qMin(width(), height());
    const qreal m = side * 0.18;
    const QRectF page(m, m * 0.8, side - 2 * m, side - 1.6 * m);
    const qreal fold = page.width() * 0.3;
    QPainterPath outline;
    outline.moveTo(page.topLeft());
    outline.lineTo(page.right() - fold, page.top());
    outline.lineTo(page.right(), page.top() + fold);
    outline.lineTo(page.bottomRight());
    outline.lineTo(page.bottomLeft());
    outline.closeSubpath();
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), qMax<qreal>(1.0, side / 48)));
    p.setBrush(QColor(0xF4, 0xD0, 0x3F));
    p.drawPath(outline);
    p.setBrush(QColor(0xD8, 0xB0, 0x20));
    QPainterPath corner;
    corner.moveTo(page.right() - fold, page.top());
    corner.lineTo(page.right() - fold, page.top() + fold);
    corner.lineTo(page.right(), page.top() + fold);
    p.drawPath(corner);

    const qreal cx = page.center().x() - fold / 3;
    const qreal tooth = qMax<qreal>(2.0, side / 20);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0x30, 0x30));
    for (qreal y = page.top() + tooth; y < page.bottom() - 3 * tooth; y += tooth) {
        const bool left = int((y - page.top()) / tooth) % 2 == 0;
        p.drawRect(QRectF(left ? cx - tooth : cx, y, tooth, tooth * 0.6));
    }
    p.drawRoundedRect(QRectF(cx - tooth, page.bottom() - 3 * tooth, 2 * tooth, 2.2 * tooth), 1.5, 1.5);
}

void Bundlet::beginPropertyLoad()
{
    m_loadingProperties = true;
    QTimer::singleShot(0, this, [this] { m_loadingProperties = false; });
}

void Bundlet::endPropertyLoad()
{
    m_loadingProperties = false;
}

void Bundlet::writeFilenameProperty(const QString &name)
{
    if (m_loadingProperties) {
        m_loadingProperties = false;
        m_core->readProperties({{u"Filename"_s, name}});
        return;
    }
    setFilename(name);
}

void Bundlet::setFilename(const QString &name)
{
    endPropertyLoad();
    if (m_designMode)
        m_core->storeFilename(name);
    else
        m_core->setFilename(name);
}

qint32 Bundlet::Read()
{
    endPropertyLoad();
    return m_core->Read();
}

void Bundlet::About()
{
    endPropertyLoad();
    BundlexAboutDialog dialog(this);
    dialog.exec();
}

qint32 Bundlet::Add(const QStringList &Files, Bundlet::ZipAction Action, bool StorePathInfo, bool RecurseSubFolders,
                    bool UseDOS83, Bundlet::ZipLevel CompressionLevel)
{
    endPropertyLoad();
    return m_core->Add(Files, Action, StorePathInfo, RecurseSubFolders, UseDOS83, CompressionLevel);
}

qint32 Bundlet::Extract(const QStringList &Files, Bundlet::ZipAction Action, bool UsePathInfo, bool Overwrite,
                        const QString &Path)
{
    endPropertyLoad();
    return m_core->Extract(Files, Action, UsePathInfo, Overwrite, Path);
}

qint32 Bundlet::Delete(const QStringList &Files)
{
    endPropertyLoad();
    return m_core->Delete(Files);
}
