#include "app/statuspanels.h"

#include "app/icons.h"

#include <QDateTime>
#include <QDesktopServices>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QUrl>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

// Shown in the first panel while the right button moves over the main
// toolbar, one per band of its width.
const char *const Sayings[22] = {
    "Hindi flows best when the tea is hot.",
    "A halant a day keeps the vowels away.",
    "Every conjunct was once two consonants in love.",
    "The reph always rides on top.",
    "Type as it sounds; the font will do the rest.",
    "Short i goes first, but only in writing.",
    "Purna viram: the full stop that means it.",
    "Save early, save often, save in RTF.",
    "A page without a table is a page with room.",
    "Bold is for headlines, not for arguments.",
    "Justified text: every line minds its margins.",
    "The nukta is small, but it has opinions.",
    "Copy with care; the clipboard remembers.",
    "Undo is the bravest button on the bar.",
    "Find the word, replace the doubt.",
    "Zoom in on the details, out on the worries.",
    "Two columns make a table; two tables make a plan.",
    "Anusvara hums where a nasal should be.",
    "A document unsaved is a thought unkept.",
    "Print preview: measure twice, print once.",
    "Every letter has a headline of its own.",
    "Press F1; help is only a key away.",
};

} // namespace

StatusPanels::StatusPanels(QStatusBar *bar)
    : QObject(bar)
    , m_bar(bar)
    , m_timer(new QTimer(this))
{
    bar->setObjectName(u"sbMain"_s);
    const QString texts[7] = {u"Press F1 To See Help"_s, u"Kalamora"_s, u"CAPS"_s, u"NUM"_s, u"INS"_s, {}, {}};
    for (int i = 0; i < 7; ++i) {
        auto *label = new QLabel(texts[i], bar);
        label->setObjectName(u"sbPanel%1"_s.arg(i + 1));
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setContentsMargins(4, 0, 4, 0);
        m_panels.append(label);
        if (i == 0)
            bar->addWidget(label, 1);
        else
            bar->addPermanentWidget(label);
    }
    // Two pictures that open the publisher's web pages, and a small notice
    // that its label hides.
    const struct {
        const char *name;
        const char *tip;
        const char *url;
        const char *icon;
    } links[] = {
        {"Picture2", "Kalamora on the web", "https://kalamora.org/", "internet-web-browser"},
        {"Picture3", "Get the Glyphora fonts", "https://kalamora.org/fonts", "preferences-desktop-font"},
    };
    for (const auto &link : links) {
        auto *picture = new QToolButton(bar);
        picture->setObjectName(QLatin1StringView(link.name));
        picture->setAutoRaise(true);
        picture->setIcon(QIcon::fromTheme(QLatin1StringView(link.icon), kalamora::applicationIcon()));
        picture->setToolTip(QLatin1StringView(link.tip));
        const QUrl url(QLatin1StringView(link.url));
        connect(picture, &QToolButton::clicked, this, [url] { QDesktopServices::openUrl(url); });
        bar->addPermanentWidget(picture);
    }
    auto *picBug = new QLabel(bar);
    picBug->setObjectName(u"picBug"_s);
    picBug->setPixmap(QIcon::fromTheme(u"help-hint"_s).pixmap(16, 16));
    picBug->setToolTip(u"Found a fault? Tell us at https://kalamora.org/"_s);
    auto *lblBugHide = new QLabel(u"<a href=\"hide\">Hide</a>"_s, bar);
    lblBugHide->setObjectName(u"lblBugHide"_s);
    lblBugHide->setToolTip(u"Hide this notice"_s);
    connect(lblBugHide, &QLabel::linkActivated, this, [picBug, lblBugHide] {
        picBug->hide();
        lblBugHide->hide();
    });
    bar->insertWidget(0, picBug);
    bar->insertWidget(1, lblBugHide);

    m_timer->setObjectName(u"tmTimer"_s);
    m_timer->setInterval(1000);
    connect(m_timer, &QTimer::timeout, this, &StatusPanels::updateClock);
}

void StatusPanels::startClock()
{
    const QDateTime now = QDateTime::currentDateTime();
    m_panels[5]->setToolTip(now.date().toString(u"dd/MM/yyyy"_s));
    m_panels[6]->setToolTip(QLocale().toString(now.time(), QLocale::LongFormat));
    updateClock();
    m_timer->start();
}

void StatusPanels::updateClock()
{
    const QLocale locale;
    const QDateTime now = QDateTime::currentDateTime();
    m_panels[5]->setText(locale.toString(now.date(), QLocale::ShortFormat));
    m_panels[6]->setText(locale.toString(now.time(), u"hh:mm:ss AP"_s));
    m_panels[6]->setToolTip(locale.toString(now.time(), QLocale::LongFormat));
}

bool StatusPanels::showSaying(int xTwips, int yTwips)
{
    if (yTwips < 30 || yTwips > 330 || xTwips < 0 || xTwips >= 8600)
        return false;
    const int band = qBound(0, xTwips * 22 / 8600, 21);
    m_panels[0]->setText(QString::fromUtf8(Sayings[band]));
    return true;
}

} // namespace kalamora
