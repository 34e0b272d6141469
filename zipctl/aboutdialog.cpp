#include "zipctl/aboutdialog.h"

#include <QDesktopServices>
#include <QEnterEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

HyperlinkLabel::HyperlinkLabel(const QString &text, const QString &tag, QWidget *parent)
    : QLabel(text, parent), m_tag(tag)
{
    setCursor(Qt::PointingHandCursor);
    setHot(false);
}

void HyperlinkLabel::setHot(bool hot)
{
    m_hot = hot;
    QPalette pal = palette();
    const QColor colour = hot ? pal.color(QPalette::Highlight) : pal.color(QPalette::ButtonText);
    pal.setColor(QPalette::WindowText, colour);
    setPalette(pal);
    QFont f = font();
    f.setUnderline(hot);
    setFont(f);
}

void HyperlinkLabel::enterEvent(QEnterEvent *event)
{
    QLabel::enterEvent(event);
    setHot(true);
}

void HyperlinkLabel::leaveEvent(QEvent *event)
{
    QLabel::leaveEvent(event);
    setHot(false);
}

void HyperlinkLabel::mouseReleaseEvent(QMouseEvent *event)
{
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()))
        emit activated(m_tag);
}

BundlexAboutDialog::BundlexAboutDialog(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(u"About Bundlex"_s);
    auto *layout = new QVBoxLayout(this);
    auto *name = new QLabel(u"Bundlex"_s, this);
    QFont bold = name->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.4);
    name->setFont(bold);
    auto *info = new QLabel(u"Zip archive control: lists, adds, extracts and deletes the entries of zip archives."_s,
                            this);
    info->setWordWrap(true);
    m_link = new HyperlinkLabel(u"https://libzip.org/"_s, u"https://libzip.org/"_s, this);
    m_ok = new QPushButton(u"OK"_s, this);
    m_ok->setDefault(true);
    layout->addWidget(name);
    layout->addWidget(info);
    layout->addWidget(m_link);
    layout->addWidget(m_ok, 0, Qt::AlignRight);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_link, &HyperlinkLabel::activated, this, [this](const QString &tag) {
        if (m_opensLinks)
            QDesktopServices::openUrl(QUrl(tag));
    });
}
