#include "format/frmprintview.h"

#include "textengine/textcontrol.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>

#include <cmath>

using namespace Qt::StringLiterals;

namespace kalamora {

// The page picture: white paper with the page drawn on it.
class PagePicture : public QWidget {
public:
    explicit PagePicture(frmPrintView *view)
        : QWidget(view)
        , m_view(view)
    {
        setObjectName(u"picView"_s);
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        {
            QPainter p(this);
            p.fillRect(rect(), Qt::white);
            p.setPen(Qt::darkGray);
            p.drawRect(rect().adjusted(0, 0, -1, -1));
        }
        m_view->paintPage(this);
    }

private:
    frmPrintView *m_view;
};

frmPrintView::frmPrintView(textengine::TextControl *text, std::function<void()> print, QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_text(text)
    , m_print(std::move(print))
{
    setObjectName(u"frmPrintView"_s);
    setWindowTitle(u"Print Preview"_s);
    setAttribute(Qt::WA_DeleteOnClose);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(128, 128, 128));
    setPalette(pal);

    picView = new PagePicture(this);
    VScroll1 = new QScrollBar(Qt::Vertical, this);
    VScroll1->setObjectName(u"VScroll1"_s);
    VScroll1->setRange(0, 0);
    VScroll1->setPageStep(1);
    cmdPPage = new QPushButton(u"&Previous Page"_s, this);
    cmdPPage->setObjectName(u"cmdPPage"_s);
    cmdNPage = new QPushButton(u"&Next Page"_s, this);
    cmdNPage->setObjectName(u"cmdNPage"_s);
    cmdPrint = new QPushButton(u"P&rint..."_s, this);
    cmdPrint->setObjectName(u"cmdPrint"_s);
    Command3 = new QPushButton(u"&Close"_s, this);
    Command3->setObjectName(u"Command3"_s);
    for (QPushButton *b : {cmdPPage, cmdNPage, cmdPrint, Command3})
        b->adjustSize();

    connect(VScroll1, &QScrollBar::valueChanged, this, &frmPrintView::pageChanged);
    connect(cmdNPage, &QPushButton::clicked, this, [this] {
        if (VScroll1->value() < VScroll1->maximum())
            VScroll1->setValue(VScroll1->value() + 1);
    });
    connect(cmdPPage, &QPushButton::clicked, this, [this] {
        if (VScroll1->value() > VScroll1->minimum())
            VScroll1->setValue(VScroll1->value() - 1);
        else
            cmdPPage->setEnabled(false);
    });
    connect(cmdPrint, &QPushButton::clicked, this, [this] {
        if (m_print)
            m_print();
        close();
    });
    connect(Command3, &QPushButton::clicked, this, &QWidget::close);
    resize(720, 860);
}

int frmPrintView::toPixelsX(double twips) const
{
    return int(std::lround(twips * logicalDpiX() / 1440.0));
}

int frmPrintView::toPixelsY(double twips) const
{
    return int(std::lround(twips * logicalDpiY() / 1440.0));
}

int frmPrintView::currentPage() const
{
    return VScroll1->value() + 1;
}

void frmPrintView::arrange()
{
    if (!m_text)
        return;
    const double tx = 1440.0 / std::max(logicalDpiX(), 1);
    const double ty = 1440.0 / std::max(logicalDpiY(), 1);
    const double winW = width() * tx, winH = height() * ty;
    const double pageW = std::max(m_text->PageWidth(), 1), pageH = std::max(m_text->PageHeight(), 1);
    const int pages = m_text->CurrentPages();

    // The buttons stand in the strip above the page.
    int x = toPixelsX(100);
    for (QPushButton *b : {cmdPPage, cmdNPage, cmdPrint, Command3}) {
        b->move(x, toPixelsY(120));
        x += b->width() + toPixelsX(60);
    }

    const int barW = VScroll1->sizeHint().width();
    VScroll1->setGeometry(width() - toPixelsX(100) - barW, 0, barW, std::max(toPixelsY(winH - 600), 1));
    const QSignalBlocker block(VScroll1);
    VScroll1->setRange(0, pages > 1 ? pages - 1 : 0);

    double picW, picH;
    if (pageH > pageW) {
        picH = std::max(winH - 1200, 1.0);
        picW = picH * pageW / pageH;
    } else {
        picW = std::max(winW - 300, 1.0);
        picH = picW * pageH / pageW;
    }
    const double left = (winW - 300) / 2 - picW / 2;
    picView->setGeometry(toPixelsX(left), toPixelsY(600), std::max(toPixelsX(picW), 1), std::max(toPixelsY(picH), 1));
    m_text->setPrintZoom(int(std::min(picH * 100 / pageH, picW * 100 / pageW)));

    cmdPPage->setEnabled(VScroll1->value() > VScroll1->minimum());
    cmdNPage->setEnabled(VScroll1->value() < VScroll1->maximum());
    picView->update();
}

void frmPrintView::paintPage(QPaintDevice *device)
{
    if (!m_text)
        return;
    const int page = currentPage();
    if (page > m_text->CurrentPages())
        return;
    QPaintDevice *previous = m_text->PrintDevice();
    QPainter *previousPainter = m_text->printPainter();
    m_text->setPrintPainter(nullptr);
    m_text->setPrintDevice(device);
    m_text->PrintPage(page);
    m_text->setPrintDevice(previous);
    m_text->setPrintPainter(previousPainter);
}

void frmPrintView::pageChanged()
{
    cmdNPage->setEnabled(VScroll1->value() < VScroll1->maximum());
    cmdPPage->setEnabled(VScroll1->value() > VScroll1->minimum());
    picView->update();
}

void frmPrintView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    arrange();
}

void frmPrintView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    arrange();
}

bool frmPrintView::event(QEvent *event)
{
    if (event->type() == QEvent::WindowActivate)
        arrange();
    return QWidget::event(event);
}

} // namespace kalamora
