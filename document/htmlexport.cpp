#include "document/htmlexport.h"

#include "document/documentmodel.h"
#include "document/stories.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QUrl>

#include <memory>

using namespace Qt::StringLiterals;

namespace kalamora::document {

namespace {

// A picture resource of the document as a data: URI; "" for none.
QString dataUri(const QVariant &resource)
{
    QByteArray bytes;
    QByteArray mime;
    if (resource.userType() == QMetaType::QByteArray) {
        bytes = resource.toByteArray();
        if (bytes.startsWith("\x89PNG"))
            mime = "image/png";
        else if (bytes.startsWith("\xFF\xD8"))
            mime = "image/jpeg";
        else if (bytes.startsWith("GIF8"))
            mime = "image/gif";
    }
    if (mime.isEmpty()) {
        // Everything else goes out as PNG.
        QImage img;
        if (resource.userType() == QMetaType::QImage)
            img = resource.value<QImage>();
        else if (resource.userType() == QMetaType::QPixmap)
            img = resource.value<QPixmap>().toImage();
        else if (!bytes.isEmpty())
            img = QImage::fromData(bytes);
        if (img.isNull())
            return {};
        bytes.clear();
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "PNG");
        mime = "image/png";
    }
    return QString::fromLatin1("data:" + mime + ";base64," + bytes.toBase64());
}

QString points(int twips)
{
    return QString::number(twips / 20.0, 'f', 2) + u"pt"_s;
}

// What a page gathers of the notes in its text, in the order their marks
// stand: list items, and the numbers given so far.
struct Notes {
    QString footnotes, endnotes;
    int footnoteCount = 0, endnoteCount = 0;
};

// A document's body as HTML: the style of its <body> and what stands in it.
struct Body {
    QString style;
    QString inner;
};

Body bodyHtml(const QTextDocument &doc, Notes *notes);

// Pictures named by their data, footnote marks as numbered links to their
// notes (gathered in `notes`), fields as the text they show.
void prepareForHtml(QTextDocument &copy, const QTextDocument &doc, Notes *notes)
{
    QHash<QString, QString> uris;
    struct Change {
        int position, length;
        QTextCharFormat format;
        QString text;  // for a mark: what replaces it
        bool mark = false;
    };
    QList<Change> changes;
    for (QTextBlock b = copy.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (!frag.isValid())
                continue;
            const QTextCharFormat cf = frag.charFormat();
            if (cf.objectType() == FootnoteObject || cf.objectType() == FieldObject) {
                for (int i = 0; i < frag.length(); ++i)
                    changes.append({frag.position() + i, 1, cf, QString(), true});
                continue;
            }
            if (!cf.isImageFormat())
                continue;
            QTextImageFormat img = cf.toImageFormat();
            const QString name = img.name();
            if (name.startsWith(u"data:"_s))
                continue;
            auto found = uris.find(name);
            if (found == uris.end())
                found = uris.insert(name, dataUri(doc.resource(QTextDocument::ImageResource, QUrl(name))));
            if (found->isEmpty())
                continue;
            img.setName(*found);
            changes.append({frag.position(), frag.length(), img, QString(), false});
        }
    }
    for (Change &c : changes) {
        if (!c.mark)
            continue;
        QTextCharFormat f = c.format;
        f.clearProperty(QTextFormat::ObjectType);
        if (c.format.objectType() == FieldObject) {
            c.text = c.format.stringProperty(FieldTextProperty);
            // A note's own number (and the tab after it): its list item shows it.
            if (c.text.isEmpty() && c.format.intProperty(FieldProperty) == int(rtf::Field::NoteNumber)
                && copy.characterAt(c.position + 1) == u'\t')
                c.length = 2;
        } else if (notes) {
            const bool endnote = c.format.boolProperty(EndnoteProperty);
            const bool numbered = c.format.boolProperty(FootnoteNumberedProperty);
            int &count = endnote ? notes->endnoteCount : notes->footnoteCount;
            const QString id = u"%1%2"_s.arg(endnote ? u"en"_s : u"fn"_s).arg(++count);
            QString item = bodyHtml(*noteStory(doc, c.format), nullptr).inner;
            // The note leads back to its mark.
            const QString back = u" <a href=\"#%1-ref\">\u21a9</a>"_s.arg(id);
            const qsizetype end = item.lastIndexOf(u"</p>"_s);
            item.insert(end < 0 ? item.size() : end, back);
            (endnote ? notes->endnotes : notes->footnotes)
                += (numbered ? u"<li id=\"%1\" value=\"%2\">"_s.arg(id).arg(count)
                             : u"<li id=\"%1\" style=\"list-style-type:none\">"_s.arg(id))
                + item + u"</li>\n"_s;
            if (numbered)
                c.text = noteNumber(count, endnote);
            f.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
            f.setAnchor(true);
            f.setAnchorHref(u"#"_s + id);
            f.setAnchorNames({id + u"-ref"_s});
        }
        c.format = f;
    }
    // From the end, so that the positions still hold.
    for (auto it = changes.crbegin(); it != changes.crend(); ++it) {
        QTextCursor c(&copy);
        c.setPosition(it->position);
        c.setPosition(it->position + it->length, QTextCursor::KeepAnchor);
        if (!it->mark)
            c.setCharFormat(it->format);
        else if (it->text.isEmpty() && it->format.anchorNames().isEmpty())
            c.removeSelectedText();
        else
            // A mark without a number of its own still leaves its link's target.
            c.insertText(it->text.isEmpty() ? QString(QChar(0x200B)) : it->text, it->format);
    }
}

// The root frame carries nothing a page shows (the headers and footers,
// margins for the screen); left as it is, Qt writes it as a table round the
// whole text.
void plainRoot(QTextDocument &copy)
{
    QTextFrameFormat root;
    root.setMargin(copy.documentMargin());
    copy.rootFrame()->setFrameFormat(root);
}

Body bodyHtml(const QTextDocument &doc, Notes *notes)
{
    std::unique_ptr<QTextDocument> copy(doc.clone());
    plainRoot(*copy);
    prepareForHtml(*copy, doc, notes);
    const QString html = copy->toHtml();
    Body body;
    const qsizetype open = html.indexOf(u"<body"_s);
    const qsizetype openEnd = open < 0 ? -1 : html.indexOf(u'>', open);
    const qsizetype close = html.lastIndexOf(u"</body>"_s);
    if (openEnd < 0 || close < openEnd)
        return body;
    const QString tag = html.mid(open, openEnd - open);
    const qsizetype style = tag.indexOf(u"style=\""_s);
    if (style >= 0)
        body.style = tag.mid(style + 7, tag.indexOf(u'"', style + 7) - style - 7);
    body.inner = html.mid(openEnd + 1, close - openEnd - 1);
    return body;
}

} // namespace

QByteArray documentHtml(const QTextDocument &doc, const PageSetup &page, int pages)
{
    Notes notes;
    // In reading order: the first page's header, the text, the last page's
    // footer; the notes after the text, as a printed page has them.
    const auto story = [&](rtf::HeaderFooter::Kind kind, int onPage, const QString &cls, const QString &rule) {
        const std::unique_ptr<QTextDocument> s = pageStory(doc, kind, onPage, pages);
        if (!s)
            return QString();
        const Body b = bodyHtml(*s, &notes);
        return u"<div class=\"%1\" style=\"%2 %3\">%4</div>\n"_s.arg(cls, b.style, rule, b.inner);
    };
    const QString header = story(rtf::HeaderFooter::Header, 1, u"page-header"_s,
                                 u"border-bottom:1px solid #999; margin-bottom:12pt;"_s);
    std::unique_ptr<QTextDocument> copy(doc.clone());
    plainRoot(*copy);
    prepareForHtml(*copy, doc, &notes);
    QString html = copy->toHtml();
    const QString footer = story(rtf::HeaderFooter::Footer, std::max(pages, 1), u"page-footer"_s,
                                 u"border-top:1px solid #999; margin-top:12pt;"_s);

    // The sheet the document is laid out on, for printing from the browser.
    const QString pageRule = u"@page { size: %1 %2; margin: %3 %4 %5 %6; }\n"_s.arg(
        points(page.width), points(page.height), points(page.marginT), points(page.marginR), points(page.marginB),
        points(page.marginL));
    const qsizetype style = html.indexOf(u"</style>"_s);
    if (style >= 0)
        html.insert(style, pageRule);
    QString end;
    if (!notes.footnotes.isEmpty() || !notes.endnotes.isEmpty()) {
        end += u"<hr />\n"_s;
        if (!notes.footnotes.isEmpty())
            end += u"<ol class=\"footnotes\">\n"_s + notes.footnotes + u"</ol>\n"_s;
        if (!notes.endnotes.isEmpty())
            end += u"<ol class=\"endnotes\" type=\"i\">\n"_s + notes.endnotes + u"</ol>\n"_s;
    }
    end += footer;
    const qsizetype bodyOpen = html.indexOf(u"<body"_s);
    const qsizetype bodyOpenEnd = bodyOpen < 0 ? -1 : html.indexOf(u'>', bodyOpen);
    const qsizetype bodyClose = html.lastIndexOf(u"</body>"_s);
    if (bodyOpenEnd >= 0 && bodyClose > bodyOpenEnd) {
        html.insert(bodyClose, end);
        html.insert(bodyOpenEnd + 1, u"\n"_s + header);
    }
    return html.toUtf8();
}

} // namespace kalamora::document
