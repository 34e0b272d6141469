#include "app/icons.h"

#include <QFont>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

const QColor ink(0x23, 0x26, 0x29); // the theme's own icon colour

QPixmap canvas(int size)
{
    QPixmap pm(size, size);
    pm.fill(Qt::transparent);
    return pm;
}

// A tab-stop marker as rulers draw it: a stem with a foot to the left, to the
// right, on both sides (centre) or with a dot (decimal).
QIcon tabIcon(char kind)
{
    QIcon icon;
    for (int size : {16, 22, 32}) {
        QPixmap pm = canvas(size);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const qreal w = size / 11.0;
        p.setPen(QPen(ink, w, Qt::SolidLine, Qt::FlatCap));
        const qreal cx = size / 2.0, top = size * 0.2, foot = size * 0.75, arm = size * 0.32;
        p.drawLine(QPointF(cx, top), QPointF(cx, foot));
        switch (kind) {
        case 'L': p.drawLine(QPointF(cx - w / 2, foot), QPointF(cx + arm, foot)); break;
        case 'R': p.drawLine(QPointF(cx - arm, foot), QPointF(cx + w / 2, foot)); break;
        case 'C': p.drawLine(QPointF(cx - arm, foot), QPointF(cx + arm, foot)); break;
        case 'D':
            p.drawLine(QPointF(cx - arm, foot), QPointF(cx + arm, foot));
            p.setBrush(ink);
            p.drawEllipse(QPointF(cx + arm * 0.6, foot - size * 0.22), w * 0.8, w * 0.8);
            break;
        }
        icon.addPixmap(pm);
    }
    return icon;
}

QIcon textIcon(const QString &text, qreal scale)
{
    QIcon icon;
    for (int size : {16, 22, 32}) {
        QPixmap pm = canvas(size);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        p.setRenderHint(QPainter::TextAntialiasing);
        QFont f(u"DejaVu Sans"_s);
        f.setPixelSize(qMax(6, int(size * scale)));
        f.setBold(true);
        p.setFont(f);
        p.setPen(ink);
        p.drawText(pm.rect(), Qt::AlignCenter, text);
        icon.addPixmap(pm);
    }
    return icon;
}

QIcon themed(const QString &name, const QIcon &fallback = {})
{
    QIcon icon = QIcon::fromTheme(name);
    return icon.isNull() ? fallback : icon;
}

} // namespace

void setUpIconTheme()
{
    QStringList paths = QIcon::themeSearchPaths();
    for (const QString &p : {u"/usr/share/icons"_s, u"/usr/local/share/icons"_s}) {
        if (!paths.contains(p))
            paths.append(p);
    }
    QIcon::setThemeSearchPaths(paths);
    if (QIcon::themeName().isEmpty() || QIcon::themeName() == u"hicolor"_s)
        QIcon::setThemeName(u"breeze"_s);
    QIcon::setFallbackThemeName(u"breeze"_s);
}

QIcon commandIcon(const QString &key)
{
    static const QHash<QString, QString> names = {
        {u"New"_s, u"document-new"_s},
        {u"Open"_s, u"document-open"_s},
        {u"Save"_s, u"document-save"_s},
        {u"SaveAs"_s, u"document-save-as"_s},
        {u"SaveHtml"_s, u"text-html"_s},
        {u"ImportUnicode"_s, u"document-import"_s},
        {u"ExportUnicode"_s, u"document-export"_s},
        {u"Print"_s, u"document-print"_s},
        {u"PrintView"_s, u"document-print-preview"_s},
        {u"PageSetup"_s, u"document-properties"_s},
        {u"Exit"_s, u"application-exit"_s},
        {u"Cut"_s, u"edit-cut"_s},
        {u"Copy"_s, u"edit-copy"_s},
        {u"Paste"_s, u"edit-paste"_s},
        {u"Undo"_s, u"edit-undo"_s},
        {u"SelectAll"_s, u"edit-select-all"_s},
        {u"Clear"_s, u"edit-delete"_s},
        {u"Find"_s, u"edit-find"_s},
        {u"FindR"_s, u"edit-find-replace"_s},
        {u"Bold"_s, u"format-text-bold"_s},
        {u"Italic"_s, u"format-text-italic"_s},
        {u"Underline"_s, u"format-text-underline"_s},
        {u"StrikeThru"_s, u"format-text-strikethrough"_s},
        {u"Color"_s, u"format-text-color"_s},
        {u"HighLight"_s, u"format-fill-color"_s},
        {u"Align Left"_s, u"format-justify-left"_s},
        {u"Align Centre"_s, u"format-justify-center"_s},
        {u"Align Right"_s, u"format-justify-right"_s},
        {u"Justify"_s, u"format-justify-fill"_s},
        {u"Fonts"_s, u"preferences-desktop-font"_s},
        {u"Paragraph"_s, u"format-indent-more"_s},
        {u"ImageAttr"_s, u"edit-image"_s},
        {u"Table"_s, u"insert-table"_s},
        {u"TableAttr"_s, u"table"_s},
        {u"TableDelete"_s, u"edit-table-delete-row"_s},
        {u"InsertFile"_s, u"insert-text"_s},
        {u"InsertImage"_s, u"insert-image"_s},
        {u"InsertObject"_s, u"object-group"_s},
        {u"PageBreak"_s, u"insert-page-break"_s},
        {u"PView"_s, u"view-pages-single"_s},
        {u"Email"_s, u"mail-send"_s},
        {u"Help"_s, u"help-contents"_s},
        {u"About"_s, u"help-about"_s},
        {u"KeyB"_s, u"input-keyboard"_s},
        {u"Dictionary"_s, u"accessories-dictionary-symbolic"_s},
    };
    if (key == u"LTab"_s)
        return tabIcon('L');
    if (key == u"RTab"_s)
        return tabIcon('R');
    if (key == u"CTab"_s)
        return tabIcon('C');
    if (key == u"DTab"_s)
        return tabIcon('D');
    if (key == u"Dot"_s)
        return textIcon(u"."_s, 1.1);
    if (key == u"Number"_s)
        return textIcon(u"12"_s, 0.55);
    const QString name = names.value(key);
    return themed(name, textIcon(key.left(1), 0.6));
}

QIcon applicationIcon()
{
    QIcon icon;
    for (int size : {16, 32, 48, 64, 128, 256}) {
        QPixmap pm = canvas(size);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF page(size * 0.16, size * 0.06, size * 0.68, size * 0.88);
        p.setPen(QPen(ink, qMax(1.0, size / 32.0)));
        p.setBrush(QColor(0xfc, 0xfc, 0xfc));
        p.drawRoundedRect(page, size * 0.05, size * 0.05);
        // A bold Devanagari "ka" on the page, with the headline that joins
        // the letters of a word.
        QFont f(u"Glyphora 010"_s);
        f.setPixelSize(int(size * 0.62));
        p.setFont(f);
        p.setPen(QColor(0xc0, 0x39, 0x2b));
        p.drawText(page, Qt::AlignCenter, u"d"_s);
        icon.addPixmap(pm);
    }
    return icon;
}

} // namespace kalamora
