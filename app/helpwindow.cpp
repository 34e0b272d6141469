#include "app/helpwindow.h"

#include "settings/paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QRegularExpression>
#include <QShortcut>
#include <QSplitter>
#include <QTextBrowser>
#include <QTextDocument>
#include <QUrl>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

QString pageText(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QTextDocument doc;
    doc.setHtml(QString::fromUtf8(f.readAll()));
    return doc.toPlainText();
}

QString pageTitle(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QFileInfo(path).baseName();
    static const QRegularExpression title(u"<title>(.*?)</title>"_s, QRegularExpression::CaseInsensitiveOption);
    const auto m = title.match(QString::fromUtf8(f.readAll()));
    return m.hasMatch() ? m.captured(1) : QFileInfo(path).baseName();
}

} // namespace

QString HelpWindow::helpFolder()
{
    return kalamora::programFolder() + u"/help"_s;
}

bool HelpWindow::available()
{
    return QFileInfo::exists(helpFolder() + u"/index.html"_s);
}

QStringList HelpWindow::search(const QString &query)
{
    const QStringList words = query.split(QRegularExpression(u"\\s+"_s), Qt::SkipEmptyParts);
    QStringList hits;
    if (words.isEmpty())
        return hits;
    const QDir dir(helpFolder());
    for (const QString &name : dir.entryList({u"*.html"_s}, QDir::Files, QDir::Name)) {
        const QString text = pageText(dir.filePath(name));
        bool all = true;
        for (const QString &w : words)
            all = all && text.contains(w, Qt::CaseInsensitive);
        if (all)
            hits.append(name);
    }
    return hits;
}

HelpWindow::HelpWindow(QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_query(new QLineEdit(this))
    , m_results(new QListWidget(this))
    , m_browser(new QTextBrowser(this))
{
    setObjectName(u"HelpWindow"_s);
    setWindowTitle(u"Kalamora Help"_s);
    resize(820, 600);
    m_query->setObjectName(u"txtHelpSearch"_s);
    m_query->setPlaceholderText(u"Search the help"_s);
    m_query->setClearButtonEnabled(true);
    m_results->setObjectName(u"lstHelpResults"_s);
    m_browser->setObjectName(u"helpBrowser"_s);
    m_browser->setSearchPaths({helpFolder()});
    m_browser->setOpenExternalLinks(true);

    auto *side = new QWidget(this);
    auto *sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(0, 0, 0, 0);
    sideLayout->addWidget(new QLabel(u"&Search:"_s, side));
    sideLayout->addWidget(m_query);
    sideLayout->addWidget(m_results, 1);
    qobject_cast<QLabel *>(sideLayout->itemAt(0)->widget())->setBuddy(m_query);

    auto *split = new QSplitter(this);
    split->addWidget(side);
    split->addWidget(m_browser);
    split->setStretchFactor(1, 3);
    auto *layout = new QHBoxLayout(this);
    layout->addWidget(split);

    connect(m_query, &QLineEdit::textChanged, this, &HelpWindow::runSearch);
    connect(m_results, &QListWidget::itemActivated, this,
            [this](QListWidgetItem *item) { m_browser->setSource(QUrl(item->data(Qt::UserRole).toString())); });
    connect(m_results, &QListWidget::itemClicked, this,
            [this](QListWidgetItem *item) { m_browser->setSource(QUrl(item->data(Qt::UserRole).toString())); });
    new QShortcut(QKeySequence(Qt::Key_Escape), this, this, &QWidget::close);
    runSearch();
}

void HelpWindow::runSearch()
{
    m_results->clear();
    const QString query = m_query->text();
    const QDir dir(helpFolder());
    const QStringList pages = query.trimmed().isEmpty()
        ? dir.entryList({u"*.html"_s}, QDir::Files, QDir::Name)
        : search(query);
    for (const QString &name : pages) {
        auto *item = new QListWidgetItem(pageTitle(dir.filePath(name)), m_results);
        item->setData(Qt::UserRole, name);
    }
}

void HelpWindow::showPage(const QString &page)
{
    if (page == u"search"_s) {
        m_browser->setSource(QUrl(u"index.html"_s));
        m_query->setFocus();
    } else {
        m_browser->setSource(QUrl(page.isEmpty() ? u"index.html"_s : page));
    }
    show();
    raise();
    activateWindow();
}

} // namespace kalamora
