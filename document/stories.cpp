// What a document shows beyond its body text: the marks of its footnotes,
// its fields, and the headers and footers of its pages.
#include "document/stories.h"

#include "document/documentmodel.h"
#include "document/units.h"

#include <QAbstractTextDocumentLayout>
#include <QFontMetricsF>
#include <QGlobalStatic>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextLayout>

#include <memory>

namespace kalamora::document {

namespace {

QFont fontOf(const QTextDocument *doc, const QTextFormat &format)
{
    return format.toCharFormat().font().resolve(doc->defaultFont());
}

// Where a document's numbered footnotes and endnotes stand, found again
// after each change of the document (the layout may ask before the
// document reports the change: its length tells too).
class NoteMarks : public QObject {
    Q_OBJECT

public:
    explicit NoteMarks(QTextDocument *doc) : QObject(doc)
    {
        connect(doc, &QTextDocument::contentsChange, this, [this] { m_known = false; });
    }

    static NoteMarks *of(QTextDocument *doc)
    {
        if (auto *m = doc->findChild<NoteMarks *>(QString(), Qt::FindDirectChildrenOnly))
            return m;
        return new NoteMarks(doc);
    }

    // The number of the note at `pos`: footnotes and endnotes count apart,
    // marks that are not numbers do not count.
    int number(const QTextDocument *doc, int pos, bool endnote)
    {
        if (!m_known || m_length != doc->characterCount()) {
            m_length = doc->characterCount();
            m_notes[0].clear();
            m_notes[1].clear();
            for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
                for (auto it = b.begin(); !it.atEnd(); ++it) {
                    const QTextFragment f = it.fragment();
                    const QTextCharFormat cf = f.charFormat();
                    if (cf.objectType() != FootnoteObject || !cf.boolProperty(FootnoteNumberedProperty))
                        continue;
                    for (int i = 0; i < f.length(); ++i)
                        m_notes[cf.boolProperty(EndnoteProperty) ? 1 : 0].push_back(f.position() + i);
                }
            }
            m_known = true;
        }
        const std::vector<int> &at = m_notes[endnote ? 1 : 0];
        return static_cast<int>(std::upper_bound(at.begin(), at.end(), pos) - at.begin());
    }

private:
    bool m_known = false;
    int m_length = 0;
    std::vector<int> m_notes[2];
};

QString lowerRoman(int n)
{
    static const std::pair<int, const char16_t *> parts[] = {{1000, u"m"}, {900, u"cm"}, {500, u"d"}, {400, u"cd"},
                                                            {100, u"c"},  {90, u"xc"},  {50, u"l"},  {40, u"xl"},
                                                            {10, u"x"},   {9, u"ix"},   {5, u"v"},   {4, u"iv"},
                                                            {1, u"i"}};
    if (n <= 0 || n >= 4000)
        return QString::number(n);
    QString out;
    for (const auto &[value, letters] : parts) {
        for (; n >= value; n -= value)
            out += QString::fromUtf16(letters);
    }
    return out;
}

// Draws footnote marks, raised and smaller, and fields in the text's own
// size.
class StructureMarks : public QObject, public QTextObjectInterface {
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    QSizeF intrinsicSize(QTextDocument *doc, int pos, const QTextFormat &format) override
    {
        const QString text = shown(doc, pos, format);
        if (text.isEmpty())
            return {0, 0};
        const QFont font = fontOf(doc, format);
        const QPaintDevice *device = doc->documentLayout()->paintDevice();
        const QFontMetricsF normal(font, device);
        const QFontMetricsF small(raised(font), device);
        const bool note = format.objectType() == FootnoteObject;
        return {(note ? small : normal).horizontalAdvance(text), normal.ascent()};
    }

    void drawObject(QPainter *p, const QRectF &rect, QTextDocument *doc, int pos, const QTextFormat &format) override
    {
        const QString text = shown(doc, pos, format);
        if (text.isEmpty())
            return;
        const bool note = format.objectType() == FootnoteObject;
        const QFont font = note ? raised(fontOf(doc, format)) : fontOf(doc, format);
        // Laid out as the document lays out its text, in its units, whatever
        // the device.
        QTextLayout layout(text, font, doc->documentLayout()->paintDevice());
        layout.beginLayout();
        const QTextLine line = layout.createLine();
        layout.endLayout();
        const QBrush color = format.foreground();
        if (color.style() != Qt::NoBrush)
            p->setPen(color.color());
        layout.draw(p, QPointF(rect.left(), note ? rect.top() : rect.bottom() - line.ascent()));
    }

private:
    static QFont raised(QFont font)
    {
        if (font.pointSizeF() > 0)
            font.setPointSizeF(font.pointSizeF() * 0.65);
        else if (font.pixelSize() > 0)
            font.setPixelSize(std::max(1, font.pixelSize() * 2 / 3));
        return font;
    }

    static QString shown(QTextDocument *doc, int pos, const QTextFormat &format)
    {
        if (format.objectType() == FieldObject)
            return format.stringProperty(FieldTextProperty);
        if (!format.boolProperty(FootnoteNumberedProperty))
            return {};  // the text before it is the mark
        const bool endnote = format.boolProperty(EndnoteProperty);
        return noteNumber(NoteMarks::of(doc)->number(doc, pos, endnote), endnote);
    }
};

Q_GLOBAL_STATIC(StructureMarks, structureMarks)

// A document's headers and footers laid out for drawing, kept with it while
// they stay the same.
class StoryCache : public QObject {
    Q_OBJECT

public:
    explicit StoryCache(QTextDocument *doc) : QObject(doc) {}

    static StoryCache *of(const QTextDocument &doc)
    {
        auto *d = const_cast<QTextDocument *>(&doc);
        if (auto *c = d->findChild<StoryCache *>(QString(), Qt::FindDirectChildrenOnly))
            return c;
        return new StoryCache(d);
    }

    void refresh(const QTextDocument &doc)
    {
        const QByteArray bytes = doc.rootFrame()->frameFormat().property(PageStoriesProperty).toByteArray();
        if (bytes == m_bytes && doc.defaultFont() == m_font)
            return;
        m_bytes = bytes;
        m_font = doc.defaultFont();
        m_model = pageStories(doc);
        m_docs.clear();
        m_fields.clear();
        for (const rtf::HeaderFooter &h : m_model.headers) {
            auto story = std::make_unique<QTextDocument>();
            story->setDefaultFont(m_font);
            story->setDocumentMargin(0);
            story->setUndoRedoEnabled(false);
            registerStructureObjects(story.get());
            rtf::Document part;
            part.blocks = h.blocks;
            part.pictures = m_model.pictures;
            part.objects = m_model.objects;
            part.footnotes = m_model.footnotes;
            QTextCursor c(story.get());
            insertModel(part, c);
            m_fields.push_back(hasPageFields(*story));
            m_docs.push_back(std::move(story));
        }
    }

    const rtf::Document &model() const { return m_model; }
    QTextDocument *story(int i) const { return m_docs[static_cast<size_t>(i)].get(); }
    bool hasFields(int i) const { return m_fields[static_cast<size_t>(i)]; }

    // The header or footer that a page shows: the first page's own when
    // the first page has one, else the left or right pages' when left and
    // right differ, else the one for all pages.
    int pick(rtf::HeaderFooter::Kind kind, int page) const
    {
        using P = rtf::HeaderFooter::Pages;
        const auto find = [&](P pages) {
            for (size_t i = 0; i < m_model.headers.size(); ++i) {
                if (m_model.headers[i].kind == kind && m_model.headers[i].pages == pages)
                    return static_cast<int>(i);
            }
            return -1;
        };
        if (m_model.titlePage && page == 1)
            return find(P::First);
        const P side = page % 2 == 0 ? P::Left : P::Right;
        if (m_model.facingPages && find(side) >= 0)
            return find(side);
        const int all = find(P::All);
        return all >= 0 ? all : find(side);
    }

private:
    static bool hasPageFields(const QTextDocument &doc)
    {
        for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
            for (auto it = b.begin(); !it.atEnd(); ++it) {
                if (it.fragment().charFormat().objectType() == FieldObject)
                    return true;
            }
        }
        return false;
    }

    QByteArray m_bytes;
    QFont m_font;
    rtf::Document m_model;
    std::vector<std::unique_ptr<QTextDocument>> m_docs;
    std::vector<bool> m_fields;
};

// Page numbers in a header or footer, for page `page` of `pages`.
void setPageFields(QTextDocument &doc, int page, int pages)
{
    std::vector<std::pair<int, QTextCharFormat>> marks;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            QTextCharFormat cf = f.charFormat();
            const int kind = cf.intProperty(FieldProperty);
            if (cf.objectType() != FieldObject
                || (kind != static_cast<int>(rtf::Field::Page) && kind != static_cast<int>(rtf::Field::NumPages)))
                continue;
            cf.setProperty(FieldTextProperty, QString::number(kind == static_cast<int>(rtf::Field::Page) ? page : pages));
            for (int i = 0; i < f.length(); ++i)
                marks.emplace_back(f.position() + i, cf);
        }
    }
    for (const auto &[pos, cf] : marks) {
        QTextCursor c(&doc);
        c.setPosition(pos);
        c.setPosition(pos + 1, QTextCursor::KeepAnchor);
        c.setCharFormat(cf);
    }
}

// Where a header starts below the paper's top edge and a footer ends above
// its bottom edge; half an inch when the document does not say.
double edge(const std::optional<int> &twips)
{
    return twipsToUnits(twips ? std::max(*twips, 0) : 720);
}

} // namespace

QString noteNumber(int n, bool endnote)
{
    return endnote ? lowerRoman(n) : QString::number(n);
}

void registerStructureObjects(QTextDocument *doc)
{
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    layout->registerHandler(FootnoteObject, structureMarks());
    layout->registerHandler(FieldObject, structureMarks());
}

std::unique_ptr<QTextDocument> pageStory(const QTextDocument &doc, rtf::HeaderFooter::Kind kind, int page, int pages)
{
    if (!doc.rootFrame()->frameFormat().hasProperty(PageStoriesProperty))
        return {};
    StoryCache *cache = StoryCache::of(doc);
    cache->refresh(doc);
    const int i = cache->pick(kind, page);
    if (i < 0)
        return {};
    std::unique_ptr<QTextDocument> story(cache->story(i)->clone());
    story->setDocumentMargin(0);
    registerStructureObjects(story.get());
    setPageFields(*story, page, pages);
    return story;
}

std::unique_ptr<QTextDocument> noteStory(const QTextDocument &doc, const QTextFormat &mark)
{
    const QByteArray bytes = mark.property(FootnoteProperty).toByteArray();
    rtf::Document model;
    rtf::read(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), model, decodeCodePage);
    auto story = std::make_unique<QTextDocument>();
    story->setDefaultFont(doc.defaultFont());
    story->setDocumentMargin(0);
    registerStructureObjects(story.get());
    QTextCursor c(story.get());
    insertModel(model, c);
    return story;
}

void drawPageStories(QPainter &p, const QTextDocument &doc, const QRectF &sheet, double marginL, double marginR,
                     int page, int pages)
{
    if (!doc.rootFrame()->frameFormat().hasProperty(PageStoriesProperty))
        return;
    StoryCache *cache = StoryCache::of(doc);
    cache->refresh(doc);
    const double width = std::max(sheet.width() - marginL - marginR, 10.0);
    for (const auto kind : {rtf::HeaderFooter::Header, rtf::HeaderFooter::Footer}) {
        const int i = cache->pick(kind, page);
        if (i < 0)
            continue;
        QTextDocument *story = cache->story(i);
        std::unique_ptr<QTextDocument> numbered;
        if (cache->hasFields(i)) {
            numbered = pageStory(doc, kind, page, pages);
            story = numbered.get();
        }
        story->setTextWidth(width);
        const double y = kind == rtf::HeaderFooter::Header
            ? sheet.top() + edge(cache->model().headerY)
            : sheet.bottom() - edge(cache->model().footerY) - story->size().height();
        p.save();
        p.translate(sheet.left() + marginL, y);
        QAbstractTextDocumentLayout::PaintContext ctx;
        ctx.palette.setColor(QPalette::Text, Qt::black);
        story->documentLayout()->draw(&p, ctx);
        p.restore();
    }
}

} // namespace kalamora::document

#include "stories.moc"
