#include "app/documentwindows.h"

#include "app/frmdocument.h"
#include "app/icons.h"

#include "textengine/ruler.h"
#include "textengine/textcontrol.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace kalamora {

DocumentWindows::DocumentWindows(QWidget *parent)
    : QWidget(parent)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    m_ruler = new textengine::TXRuler(this);
    m_ruler->setObjectName(u"TXRuler"_s);
    m_area = new QMdiArea(this);
    m_area->setObjectName(u"mdiArea"_s);
    m_area->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_area->setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    layout->addWidget(m_ruler);
    layout->addWidget(m_area, 1);
    connect(m_area, &QMdiArea::subWindowActivated, this, &DocumentWindows::subWindowActivated);
}

DocumentWindows::~DocumentWindows()
{
    // The frame's windows go with it: no activation is reported on the way.
    disconnect(m_area, nullptr, this, nullptr);
}

void DocumentWindows::addDocument(frmDocument *doc)
{
    ++m_count;
    QMdiSubWindow *sub = m_area->addSubWindow(doc);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    sub->setWindowIcon(kalamora::commandIcon(u"New"_s));
    connect(doc, &frmDocument::documentClosed, this, &DocumentWindows::closed);
}

void DocumentWindows::showDocument(frmDocument *doc)
{
    auto *sub = qobject_cast<QMdiSubWindow *>(doc->parentWidget());
    if (!sub)
        return;
    if (m_count == 1)
        sub->showMaximized();
    else
        sub->show();
    m_area->setActiveSubWindow(sub);
}

frmDocument *DocumentWindows::activeDocument() const
{
    QMdiSubWindow *sub = m_area->activeSubWindow();
    if (!sub) {
        const auto list = m_area->subWindowList(QMdiArea::ActivationHistoryOrder);
        sub = list.isEmpty() ? nullptr : list.last();
    }
    return sub ? qobject_cast<frmDocument *>(sub->widget()) : nullptr;
}

QList<frmDocument *> DocumentWindows::documents() const
{
    QList<frmDocument *> docs;
    for (QMdiSubWindow *sub : m_area->subWindowList()) {
        if (auto *d = qobject_cast<frmDocument *>(sub->widget()))
            docs.append(d);
    }
    return docs;
}

void DocumentWindows::activate(frmDocument *doc)
{
    if (auto *sub = doc ? qobject_cast<QMdiSubWindow *>(doc->parentWidget()) : nullptr)
        m_area->setActiveSubWindow(sub);
}

bool DocumentWindows::closeAll()
{
    const auto subs = m_area->subWindowList();
    for (QMdiSubWindow *sub : subs) {
        if (!sub->close())
            return false;
    }
    return true;
}

// The shared ruler leaves the document that is no longer active and serves
// the one that now is.
void DocumentWindows::subWindowActivated(QMdiSubWindow *sub)
{
    auto *doc = sub ? qobject_cast<frmDocument *>(sub->widget()) : nullptr;
    Q_EMIT documentActivated(doc);
    if (doc == m_rulerDocument)
        return;
    if (m_rulerDocument)
        m_rulerDocument->rtftext()->setRulerHandle(0);
    m_rulerDocument = doc;
    if (doc)
        doc->rtftext()->setRulerHandle(m_ruler->handle());
}

void DocumentWindows::closed(frmDocument *doc)
{
    if (doc == m_rulerDocument) {
        doc->rtftext()->setRulerHandle(0);
        m_rulerDocument = nullptr;
    }
    --m_count;
    Q_EMIT documentClosed(doc);
}

void DocumentWindows::cascade()
{
    m_area->cascadeSubWindows();
}

// Lays the windows that are not minimized out in a row (`direction`
// Horizontal) or a column (Vertical), filling the frame.
void DocumentWindows::tile(Qt::Orientation direction)
{
    QList<QMdiSubWindow *> shown;
    for (QMdiSubWindow *sub : m_area->subWindowList()) {
        if (!sub->isMinimized())
            shown.append(sub);
    }
    if (shown.isEmpty())
        return;
    const QRect area = m_area->viewport()->rect();
    const int n = int(shown.size());
    for (int i = 0; i < n; ++i) {
        shown[i]->showNormal();
        if (direction == Qt::Horizontal)
            shown[i]->setGeometry(i * (area.width() / n), 0, area.width() / n, area.height());
        else
            shown[i]->setGeometry(0, i * (area.height() / n), area.width(), area.height() / n);
    }
}

void DocumentWindows::arrangeIcons()
{
    const QRect area = m_area->viewport()->rect();
    int x = 0;
    for (auto *s : m_area->subWindowList()) {
        if (!s->isMinimized())
            continue;
        s->move(x, area.height() - s->height());
        x += s->width();
    }
}

} // namespace kalamora
