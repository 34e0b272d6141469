#include "document/documentmodel.h"

#include "document/stories.h"
#include "document/units.h"

#include <QBuffer>
#include <QImage>
#include <QPainter>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>
#include <QUrl>

#include <atomic>
#include <map>
#include <span>
#include <unordered_map>

using namespace Qt::StringLiterals;

namespace kalamora::document {

// The user properties of pictures, objects, their frames and the structure
// share one number space; each kind keeps to its own range.
static_assert(int(ObjectRawProperty) < int(ObjectKeepsDistancesProperty));
static_assert(int(ObjectFileNameProperty) < int(FixedObjectFrameProperty));
static_assert(int(FixedObjectDownProperty) < int(ListIdProperty));

namespace {

QColor toColor(uint32_t rgb)
{
    return QColor((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

uint32_t fromColor(const QColor &c)
{
    return (uint32_t(c.red()) << 16) | (uint32_t(c.green()) << 8) | uint32_t(c.blue());
}

QTextCharFormat charFormat(const rtf::CharFormat &f)
{
    QTextCharFormat out;
    if (!f.font.empty())
        out.setFontFamilies(QStringList{QString::fromUtf8(f.font)});
    out.setFontPointSize(f.halfPoints / 2.0);
    if (f.bold)
        out.setFontWeight(QFont::Bold);
    if (f.italic)
        out.setFontItalic(true);
    if (f.underline)
        out.setFontUnderline(true);
    if (f.strike)
        out.setFontStrikeOut(true);
    if (f.color)
        out.setForeground(toColor(*f.color));
    if (f.background)
        out.setBackground(toColor(*f.background));
    return out;
}

QTextBlockFormat blockFormat(const rtf::ParaFormat &f)
{
    QTextBlockFormat out;
    switch (f.align) {
    case rtf::Align::Left: out.setAlignment(Qt::AlignLeft); break;
    case rtf::Align::Right: out.setAlignment(Qt::AlignRight); break;
    case rtf::Align::Center: out.setAlignment(Qt::AlignHCenter); break;
    case rtf::Align::Justify: out.setAlignment(Qt::AlignJustify); break;
    }
    if (f.leftIndent) out.setLeftMargin(twipsToUnits(f.leftIndent));
    if (f.rightIndent) out.setRightMargin(twipsToUnits(f.rightIndent));
    if (f.firstIndent) out.setTextIndent(twipsToUnits(f.firstIndent));
    if (f.spaceBefore) out.setTopMargin(twipsToUnits(f.spaceBefore));
    if (f.spaceAfter) out.setBottomMargin(twipsToUnits(f.spaceAfter));
    if (f.lineMultiple && f.lineSpacing > 0 && f.lineSpacing != 240)
        out.setLineHeight(std::min(f.lineSpacing, 2400) * 100.0 / 240, QTextBlockFormat::ProportionalHeight);
    else if (!f.lineMultiple && f.lineSpacing < 0)
        out.setLineHeight(twipsToUnits(-f.lineSpacing), QTextBlockFormat::FixedHeight);
    else if (!f.lineMultiple && f.lineSpacing > 0)
        out.setLineHeight(twipsToUnits(f.lineSpacing), QTextBlockFormat::MinimumHeight);
    if (f.pageBreakBefore)
        out.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    if (!f.tabs.empty()) {
        QList<QTextOption::Tab> tabs;
        for (const rtf::TabStop &t : f.tabs) {
            QTextOption::Tab tab;
            tab.position = twipsToUnits(t.pos);
            switch (t.kind) {
            case rtf::TabStop::Left: tab.type = QTextOption::LeftTab; break;
            case rtf::TabStop::Right: tab.type = QTextOption::RightTab; break;
            case rtf::TabStop::Center: tab.type = QTextOption::CenterTab; break;
            case rtf::TabStop::Decimal:
                tab.type = QTextOption::DelimiterTab;
                tab.delimiter = u'.';
                break;
            }
            tabs.append(tab);
        }
        out.setTabPositions(tabs);
    }
    return out;
}

QString newResourceName()
{
    static std::atomic<int> serial{0};
    return u"rtfpict:%1"_s.arg(++serial);
}

// A grey box standing for a picture or object that cannot be shown.
QImage placeholder(int w, int h, const QString &label)
{
    QImage img(std::clamp(w, 8, 2000), std::clamp(h, 8, 2000), QImage::Format_RGB32);
    img.fill(QColor(0xE8, 0xE8, 0xE8));
    QPainter p(&img);
    p.setPen(Qt::darkGray);
    p.drawRect(0, 0, img.width() - 1, img.height() - 1);
    p.drawText(img.rect(), Qt::AlignCenter, label);
    return img;
}

QTextImageFormat pictureFormat(QTextDocument *doc, const rtf::Picture &pic)
{
    QTextImageFormat fmt;
    const QString name = newResourceName();
    const bool shown = pic.kind == "png" || pic.kind == "jpeg";
    int w = pic.widthTwips, h = pic.heightTwips;
    if (shown) {
        const QByteArray data(pic.data.data(), static_cast<qsizetype>(pic.data.size()));
        doc->addResource(QTextDocument::ImageResource, QUrl(name), data);
        if (w <= 0 || h <= 0) {
            const QImage img = QImage::fromData(data);
            w = static_cast<int>(unitsToTwips(img.width()));
            h = static_cast<int>(unitsToTwips(img.height()));
        }
    } else {
        doc->addResource(QTextDocument::ImageResource, QUrl(name),
                         placeholder(int(twipsToUnits(w)), int(twipsToUnits(h)), QString::fromUtf8(pic.kind)));
        fmt.setProperty(PictureRawProperty,
                        QByteArray(pic.raw.data(), static_cast<qsizetype>(pic.raw.size())));
    }
    fmt.setName(name);
    fmt.setProperty(PictureKindProperty, QString::fromUtf8(pic.kind));
    if (w > 0)
        fmt.setWidth(twipsToUnits(w));
    if (h > 0)
        fmt.setHeight(twipsToUnits(h));
    return fmt;
}

// What building a document from a model carries along: the model, and the
// character formats made so far (a document uses few; reusing the same
// QTextCharFormat lets Qt find its index without hashing it again).
struct Builder {
    const rtf::Document &model;
    std::vector<std::pair<rtf::CharFormat, QTextCharFormat>> formats;
    std::map<std::pair<int, int>, QTextList *> lists;  // by list and level
    // The width of the page's text, which floating pictures are placed in.
    int textWidth = 0;
    QTextTable *lastTable = nullptr;  // the last table put into the body

    const QTextCharFormat &format(const rtf::CharFormat &f)
    {
        for (auto it = formats.begin(); it != formats.end(); ++it) {
            if (it->first == f) {
                if (it != formats.begin())
                    std::iter_swap(it, formats.begin());
                return formats.front().second;
            }
        }
        if (formats.size() >= 32)
            formats.pop_back();
        formats.insert(formats.begin(), {f, charFormat(f)});
        return formats.front().second;
    }
};

void insertBlocks(std::span<const rtf::Block> blocks, Builder &b, QTextCursor &cur, bool &first, int depth,
                  const std::function<void()> &afterBlock = {});

// How far a list indents its text, in twips, and how far the bullet stands
// in front of the text in RTF's terms.
int bulletIndent(const QTextDocument &doc)
{
    return static_cast<int>(std::lround(unitsToTwips(doc.indentWidth())));
}
constexpr int bulletHang = 360;

void applyBullet(QTextCursor &cur, bool bullet)
{
    if (!bullet)
        return;
    const QTextBlock prev = cur.block().previous();
    QTextList *list = prev.isValid() ? prev.textList() : nullptr;
    if (list && list->format().style() == QTextListFormat::ListDisc)
        list->add(cur.block());
    else
        cur.createList(QTextListFormat::ListDisc);
}

// A picture or object floating beside the paragraph at `cur`: in a frame
// put before the paragraph, at the side of the text it is nearer to.
void insertFloating(QTextCursor &cur, QTextImageFormat fmt, const rtf::Float &f, int textWidth)
{
    const int width = static_cast<int>(std::lround(unitsToTwips(fmt.width())));
    const bool left = f.left + width / 2 < textWidth / 2;
    const int place = std::max(left ? f.left : textWidth - f.left - width, 0);
    const int dist[4] = {f.distL, f.distT, f.distR, f.distB};
    fmt.setProperty(ObjectKeepsDistancesProperty, true);
    for (int i = 0; i < 4; ++i)
        fmt.setProperty(ObjectDistanceLeftProperty + i, std::clamp(dist[i], 0, 32767));
    const QTextFrameFormat ff = fixedFrameFormat(
        left ? QTextFrameFormat::FloatLeft : QTextFrameFormat::FloatRight, twipsToUnits(place),
        twipsToUnits(std::max(f.top, 0)),
        {twipsToUnits(f.distL), twipsToUnits(f.distT), twipsToUnits(f.distR), twipsToUnits(f.distB)},
        fmt.width());
    const int offset = cur.position() - cur.block().position();
    QTextFrame *frame = insertFixedFrame(cur, ff);
    frame->firstCursorPosition().insertImage(fmt);
    // The paragraph goes on after the frame, where it was.
    cur.setPosition(frame->lastPosition() + 1 + offset);
}

// The literal text of a numbering format, without level numbers.
QString literal(std::string_view format)
{
    QString out;
    std::string run;
    for (size_t i = 0; i < format.size(); ++i) {
        if (format[i] == '%' && i + 1 < format.size()) {
            if (const char c = format[++i]; c >= '1' && c <= '9')
                continue;
        }
        run += format[i];
    }
    return QString::fromStdString(run);
}

QTextListFormat::Style listStyle(rtf::Numbering::Style s)
{
    switch (s) {
    case rtf::Numbering::LowerAlpha: return QTextListFormat::ListLowerAlpha;
    case rtf::Numbering::UpperAlpha: return QTextListFormat::ListUpperAlpha;
    case rtf::Numbering::LowerRoman: return QTextListFormat::ListLowerRoman;
    case rtf::Numbering::UpperRoman: return QTextListFormat::ListUpperRoman;
    default: return QTextListFormat::ListDecimal;
    }
}

// A list shows one number with text before and after it: the text before
// the level's own number when that comes first, and the text after it up to
// the next number ("%1.%2." shows at level 2 as "b.").
QTextListFormat listFormat(const rtf::Numbering &n)
{
    QTextListFormat f;
    f.setStyle(listStyle(n.style));
    f.setIndent(std::clamp(n.level, 0, 8) + 1);
    const std::string own = "%" + std::to_string(std::clamp(n.level, 0, 8) + 1);
    const std::string format = n.format();
    const std::string_view text = format;
    const size_t at = text.find(own);
    if (at == std::string::npos) {
        f.setNumberPrefix(QString());
        f.setNumberSuffix(literal(text));
    } else {
        const size_t first = text.find_first_of('%');
        f.setNumberPrefix(first == at ? literal(text.substr(0, at)) : QString());
        const std::string_view rest = text.substr(at + own.size());
        size_t next = 0;
        while ((next = rest.find('%', next)) != std::string_view::npos && next + 1 < rest.size()
               && rest[next + 1] == '%')
            next += 2;
        f.setNumberSuffix(literal(rest.substr(0, next)));
    }
    f.setProperty(ListIdProperty, n.list);
    f.setProperty(ListStartProperty, n.start);
    f.setProperty(ListFormatProperty, QString::fromStdString(format));
    return f;
}

void applyNumbering(QTextCursor &cur, const rtf::Numbering &n, Builder &b)
{
    if (n.style == rtf::Numbering::None)
        return;
    // A paragraph of a level starts the levels below it again.
    for (auto it = b.lists.upper_bound({n.list, n.level}); it != b.lists.end() && it->first.first == n.list;)
        it = b.lists.erase(it);
    const QTextListFormat want = listFormat(n);
    QTextList *&list = b.lists[{n.list, n.level}];
    if (list && list->format() == want)
        list->add(cur.block());
    else
        list = cur.createList(want);
}

// Copies `blocks` of the model `from` into `into`, with the pictures,
// objects and footnotes they refer to.
void adoptBlocks(std::vector<rtf::Block> &blocks, const rtf::Document &from, rtf::Document &into, int depth = 0)
{
    for (rtf::Block &b : blocks) {
        for (rtf::Row &r : b.table.rows) {
            for (rtf::Cell &c : r.cells)
                adoptBlocks(c.blocks, from, into, depth);
        }
        // A picture's or an object's index into `from`'s list becomes one
        // into `into`'s copy of it; -1 when `from` has no such entry.
        const auto adopt = [](int &index, const auto &fromList, auto &intoList) {
            if (index < 0)
                return;
            if (index < static_cast<int>(fromList.size())) {
                intoList.push_back(fromList[static_cast<size_t>(index)]);
                index = static_cast<int>(intoList.size()) - 1;
            } else {
                index = -1;
            }
        };
        for (rtf::Inline &in : b.paragraph.inlines) {
            adopt(in.picture, from.pictures, into.pictures);
            adopt(in.object, from.objects, into.objects);
            if (in.footnote >= 0) {
                if (in.footnote < static_cast<int>(from.footnotes.size()) && depth < 2) {
                    rtf::Footnote note = from.footnotes[static_cast<size_t>(in.footnote)];
                    adoptBlocks(note.blocks, from, into, depth + 1);
                    into.footnotes.push_back(std::move(note));
                    in.footnote = static_cast<int>(into.footnotes.size()) - 1;
                } else {
                    in.footnote = -1;
                }
            }
        }
    }
}

// Blocks of a model as an RTF document of their own.
QByteArray storyRtf(const std::vector<rtf::Block> &blocks, const rtf::Document &from)
{
    rtf::Document story;
    story.blocks = blocks;
    adoptBlocks(story.blocks, from, story);
    return QByteArray::fromStdString(rtf::write(story));
}

rtf::Document readStory(const QByteArray &bytes)
{
    rtf::Document story;
    rtf::read(std::string_view(bytes.constData(), static_cast<size_t>(bytes.size())), story, decodeCodePage);
    return story;
}

// A footnote's mark or a field: one character of its own, so that text typed
// beside it stays text.
void insertMark(const rtf::Inline &in, Builder &builder, QTextCursor &cur)
{
    const rtf::Document &model = builder.model;
    QTextCharFormat fmt = builder.format(in.format);
    if (in.footnote >= 0) {
        if (in.footnote >= static_cast<int>(model.footnotes.size()))
            return;
        const rtf::Footnote &note = model.footnotes[static_cast<size_t>(in.footnote)];
        fmt.setObjectType(FootnoteObject);
        fmt.setProperty(FootnoteProperty, storyRtf(note.blocks, model));
        fmt.setProperty(FootnoteNumberedProperty, note.numbered);
        fmt.setProperty(EndnoteProperty, note.endnote);
    } else {
        fmt.setObjectType(FieldObject);
        fmt.setProperty(FieldProperty, static_cast<int>(in.field));
        fmt.setProperty(FieldTextProperty, QString::fromStdU16String(in.text));
    }
    registerStructureObjects(cur.document());
    cur.insertText(QString(QChar::ObjectReplacementCharacter), fmt);
}

void insertParagraph(const rtf::Paragraph &p, Builder &builder, QTextCursor &cur, bool &first)
{
    const rtf::Document &model = builder.model;
    // A bulleted paragraph's text stands at \li with the bullet \fi before
    // it; here the list indents the text and the bullet hangs in front of
    // it (see bulletIndent).
    rtf::ParaFormat pf = p.format;
    if (pf.bullet || pf.numbering.style != rtf::Numbering::None) {
        const int levels = pf.bullet ? 1 : std::clamp(pf.numbering.level, 0, 8) + 1;
        pf.leftIndent = std::max(pf.leftIndent - bulletIndent(*cur.document()) * levels, 0);
        pf.firstIndent += bulletHang;
    }
    const QTextBlockFormat bf = blockFormat(pf);
    if (!first) {
        cur.insertBlock(bf, QTextCharFormat());
    } else if (cur.block().length() <= 1) {
        cur.setBlockFormat(bf);
    }
    first = false;
    applyBullet(cur, p.format.bullet);
    applyNumbering(cur, p.format.numbering, builder);
    if (cur.block().textList()) {
        // The number or bullet in the size of the paragraph's text.
        for (const rtf::Inline &in : p.inlines) {
            if (in.isText() && !in.text.empty()) {
                cur.setBlockCharFormat(builder.format(in.format));
                break;
            }
        }
    }
    QTextDocument *doc = cur.document();
    for (const rtf::Inline &in : p.inlines) {
        QTextImageFormat fmt;
        if (in.picture >= 0 && in.picture < static_cast<int>(model.pictures.size())) {
            const rtf::Picture &pic = model.pictures[in.picture];
            if (pic.kind != "png" && pic.kind != "jpeg" && pic.raw.empty())
                continue;  // a cut-off picture of a kind we cannot show
            fmt = pictureFormat(doc, pic);
        } else if (in.object >= 0 && in.object < static_cast<int>(model.objects.size())) {
            const rtf::Object &obj = model.objects[in.object];
            if (obj.result && (obj.result->kind == "png" || obj.result->kind == "jpeg")) {
                fmt = pictureFormat(doc, *obj.result);
            } else {
                const int w = obj.result ? obj.result->widthTwips : 0;
                const int h = obj.result ? obj.result->heightTwips : 0;
                const QString name = newResourceName();
                doc->addResource(QTextDocument::ImageResource, QUrl(name),
                                 placeholder(w > 0 ? int(twipsToUnits(w)) : 64,
                                             h > 0 ? int(twipsToUnits(h)) : 48, u"Object"_s));
                fmt.setName(name);
                if (w > 0 && h > 0) {
                    fmt.setWidth(twipsToUnits(w));
                    fmt.setHeight(twipsToUnits(h));
                }
            }
            fmt.setProperty(ObjectRawProperty,
                            QByteArray(obj.raw.data(), static_cast<qsizetype>(obj.raw.size())));
        } else if (in.footnote >= 0 || in.field != rtf::Field::None) {
            insertMark(in, builder, cur);
            continue;
        } else {
            if (!in.text.empty()) {
                // The document copies the text; no need for a copy of our own.
                cur.insertText(QString::fromRawData(reinterpret_cast<const QChar *>(in.text.data()),
                                                    static_cast<qsizetype>(in.text.size())),
                               builder.format(in.format));
            }
            continue;
        }
        if (in.fastDisplay)
            fmt.setProperty(ObjectFastDisplayProperty, true);
        if (!in.saveAsData)
            fmt.setProperty(ObjectSaveAsDataProperty, false);
        if (in.floating && !cur.currentTable())
            insertFloating(cur, fmt, *in.floating, builder.textWidth);
        else
            cur.insertImage(fmt);
    }
}

void insertTable(const rtf::Table &t, Builder &builder, QTextCursor &cur, int depth)
{
    const int rows = static_cast<int>(t.rows.size());
    size_t widest = 0;
    for (size_t r = 0; r < t.rows.size(); ++r) {
        if (t.rows[r].cells.size() > t.rows[widest].cells.size())
            widest = r;
    }
    const rtf::Row &model0 = t.rows[widest];
    const int cols = static_cast<int>(model0.cells.size());
    if (rows == 0 || cols == 0)
        return;

    const rtf::Row &row0 = t.rows.front();
    QTextTableFormat tf;
    tf.setBorder(twipsToUnits(row0.border));
    tf.setBorderStyle(row0.border > 0 ? QTextFrameFormat::BorderStyle_Solid : QTextFrameFormat::BorderStyle_None);
    // Cells stand apart only where their borders do not collapse into one.
    tf.setCellSpacing(twipsToUnits(row0.spacing));
    tf.setBorderCollapse(row0.spacing == 0);
    if (row0.background)
        tf.setBackground(toColor(*row0.background));
    tf.setCellPadding(twipsToUnits(t.rows.front().gap));
    if (t.rows.front().left > 0)
        tf.setLeftMargin(twipsToUnits(t.rows.front().left));
    QList<QTextLength> widths;
    long long prev = model0.left;
    for (const rtf::Cell &c : model0.cells) {
        const long long w = std::clamp<long long>(c.right - prev, 15, 4 * 31680);
        widths.append(QTextLength(QTextLength::FixedLength, twipsToUnits(double(w))));
        prev = c.right;
    }
    tf.setColumnWidthConstraints(widths);
    tf.setAlignment(Qt::AlignLeft);

    QTextTable *table = cur.insertTable(rows, cols, tf);
    if (depth == 1)
        builder.lastTable = table;
    for (int r = 0; r < rows; ++r) {
        const rtf::Row &row = t.rows[r];
        for (int c = 0; c < cols; ++c) {
            QTextTableCell cell = table->cellAt(r, c);
            if (c >= static_cast<int>(row.cells.size()))
                continue;
            const rtf::Cell &mc = row.cells[c];
            QTextTableCellFormat cf = cell.format().toTableCellFormat();
            const auto side = [&](int width, auto setWidth, auto setStyle, auto setBrush) {
                if (width > 0) {
                    (cf.*setWidth)(twipsToUnits(width));
                    (cf.*setStyle)(QTextFrameFormat::BorderStyle_Solid);
                    (cf.*setBrush)(QBrush(Qt::black));
                }
            };
            side(mc.borders.top, &QTextTableCellFormat::setTopBorder, &QTextTableCellFormat::setTopBorderStyle,
                 &QTextTableCellFormat::setTopBorderBrush);
            side(mc.borders.left, &QTextTableCellFormat::setLeftBorder, &QTextTableCellFormat::setLeftBorderStyle,
                 &QTextTableCellFormat::setLeftBorderBrush);
            side(mc.borders.bottom, &QTextTableCellFormat::setBottomBorder,
                 &QTextTableCellFormat::setBottomBorderStyle, &QTextTableCellFormat::setBottomBorderBrush);
            side(mc.borders.right, &QTextTableCellFormat::setRightBorder,
                 &QTextTableCellFormat::setRightBorderStyle, &QTextTableCellFormat::setRightBorderBrush);
            // The table's background shows in its cells (collapsed borders
            // leave the table's own unpainted).
            if (mc.shading || row0.background)
                cf.setBackground(toColor(mc.shading ? *mc.shading : *row0.background));
            cell.setFormat(cf);
            QTextCursor cc = cell.firstCursorPosition();
            bool first = true;
            insertBlocks(mc.blocks, builder, cc, first, depth);
        }
    }
    // Merged cells: an origin spans the covered cells to its right and below.
    for (int r = 0; r < rows; ++r) {
        const auto &cells = t.rows[r].cells;
        for (int c = 0; c < static_cast<int>(cells.size()) && c < cols; ++c) {
            if (!cells[c].mergeFirst && !cells[c].vmergeFirst)
                continue;
            int colSpan = 1;
            while (c + colSpan < static_cast<int>(cells.size()) && cells[c + colSpan].merged)
                ++colSpan;
            int rowSpan = 1;
            if (cells[c].vmergeFirst) {
                while (r + rowSpan < rows && c < static_cast<int>(t.rows[r + rowSpan].cells.size())
                       && t.rows[r + rowSpan].cells[c].vmerged)
                    ++rowSpan;
            }
            if (colSpan > 1 || rowSpan > 1)
                table->mergeCells(r, c, rowSpan, std::min(colSpan, cols - c));
        }
    }
    cur.setPosition(table->lastPosition() + 1);
}

// Tables nest no deeper than this; the RTF reader keeps to it as well.
constexpr int maxTableDepth = 16;

void insertBlocks(std::span<const rtf::Block> blocks, Builder &b, QTextCursor &cur, bool &first, int depth,
                  const std::function<void()> &afterBlock)
{
    for (const rtf::Block &block : blocks) {
        if (!block.isTable()) {
            insertParagraph(block.paragraph, b, cur, first);
        } else if (depth < maxTableDepth) {
            insertTable(block.table, b, cur, depth + 1);
            first = true;  // the paragraph after a table is there already
        }
        if (afterBlock)
            afterBlock();
    }
}

// --- QTextDocument -> model ---------------------------------------------

class ModelBuilder {
public:
    ModelBuilder(const QTextDocument &doc, rtf::Document &out) : m_doc(doc), m_out(out) {}

    void frame(QTextFrame *f, std::vector<rtf::Block> *into);
    rtf::Paragraph paragraph(const QTextBlock &b);
    void table(QTextTable *t, std::vector<rtf::Block> &into);

private:
    rtf::CharFormat charFormat(const QTextCharFormat &f) const;
    void image(const QTextImageFormat &f, rtf::Inline &in);
    void fixedObject(QTextFrame *f, std::vector<rtf::Inline> &into);
    void contents(QTextFrame::iterator it, std::vector<rtf::Block> &into);
    void mark(const QTextCharFormat &f, rtf::Inline &in);
    void numbering(QTextList *list, rtf::ParaFormat &f);
    void sectionAt(const QTextFormat &f, const std::vector<rtf::Block> &into);

    const QTextDocument &m_doc;
    rtf::Document &m_out;
    // The section the body's paragraphs belong to: its property and number.
    QByteArray m_section;
    int m_sectionNumber = 0;
    std::unordered_map<int, rtf::CharFormat> m_formats;  // by the document's format index
    std::unordered_map<const QTextList *, int> m_lists;  // lists read from no file: their numbers
};

rtf::CharFormat ModelBuilder::charFormat(const QTextCharFormat &f) const
{
    rtf::CharFormat out;
    const QStringList families = f.fontFamilies().toStringList();
    if (!families.isEmpty())
        out.font = families.front().toStdString();
    else if (f.hasProperty(QTextFormat::FontFamily))
        out.font = f.stringProperty(QTextFormat::FontFamily).toStdString();
    double pt = f.fontPointSize();
    if (pt <= 0)
        pt = m_doc.defaultFont().pointSizeF();
    if (pt <= 0)
        pt = 12;
    out.halfPoints = std::clamp(static_cast<int>(pt * 2 + 0.5), 2, 3276);
    out.bold = f.fontWeight() >= QFont::DemiBold;
    out.italic = f.fontItalic();
    out.underline = f.fontUnderline();
    out.strike = f.fontStrikeOut();
    if (f.foreground().style() != Qt::NoBrush)
        out.color = fromColor(f.foreground().color());
    if (f.background().style() != Qt::NoBrush)
        out.background = fromColor(f.background().color());
    return out;
}

void ModelBuilder::image(const QTextImageFormat &f, rtf::Inline &in)
{
    in.fastDisplay = f.boolProperty(ObjectFastDisplayProperty);
    in.saveAsData = !f.hasProperty(ObjectSaveAsDataProperty) || f.boolProperty(ObjectSaveAsDataProperty);
    const QByteArray objectRaw = f.property(ObjectRawProperty).toByteArray();
    if (!objectRaw.isEmpty()) {
        rtf::Object obj;
        obj.raw = objectRaw.toStdString();
        m_out.objects.push_back(std::move(obj));
        in.object = static_cast<int>(m_out.objects.size()) - 1;
        return;
    }
    rtf::Picture pic;
    const QByteArray raw = f.property(PictureRawProperty).toByteArray();
    const QString kind = f.stringProperty(PictureKindProperty);
    const QVariant res = m_doc.resource(QTextDocument::ImageResource, QUrl(f.name()));
    QSize px;
    if (!raw.isEmpty()) {
        pic.kind = kind.toStdString();
        pic.raw = raw.toStdString();
    } else {
        QByteArray data;
        if (res.userType() == QMetaType::QByteArray)
            data = res.toByteArray();
        if (data.startsWith("\x89PNG")) {
            pic.kind = "png";
        } else if (data.startsWith("\xFF\xD8")) {
            pic.kind = "jpeg";
        } else {
            QImage img;
            if (res.userType() == QMetaType::QImage)
                img = res.value<QImage>();
            else if (res.userType() == QMetaType::QPixmap)
                img = res.value<QPixmap>().toImage();
            else if (!data.isEmpty())
                img = QImage::fromData(data);
            if (img.isNull())
                return;
            data.clear();
            QBuffer buf(&data);
            buf.open(QIODevice::WriteOnly);
            img.save(&buf, "PNG");
            pic.kind = "png";
            px = img.size();
        }
        pic.data = data.toStdString();
        if (!px.isValid() && (f.width() <= 0 || f.height() <= 0))
            px = QImage::fromData(data).size();
    }
    const double w = f.width() > 0 ? f.width() : px.width();
    const double h = f.height() > 0 ? f.height() : px.height();
    pic.widthTwips = static_cast<int>(unitsToTwips(w) + 0.5);
    pic.heightTwips = static_cast<int>(unitsToTwips(h) + 0.5);
    m_out.pictures.push_back(std::move(pic));
    in.picture = static_cast<int>(m_out.pictures.size()) - 1;
}

rtf::Paragraph ModelBuilder::paragraph(const QTextBlock &b)
{
    rtf::Paragraph p;
    const QTextBlockFormat bf = b.blockFormat();
    const Qt::Alignment a = bf.alignment() & Qt::AlignHorizontal_Mask;
    if (a & Qt::AlignJustify)
        p.format.align = rtf::Align::Justify;
    else if (a & Qt::AlignHCenter)
        p.format.align = rtf::Align::Center;
    else if (a & (Qt::AlignRight | Qt::AlignTrailing))
        p.format.align = rtf::Align::Right;
    const auto tw = [](double units) { return static_cast<int>(std::lround(unitsToTwips(units))); };
    p.format.leftIndent = tw(bf.leftMargin());
    p.format.rightIndent = tw(bf.rightMargin());
    p.format.firstIndent = tw(bf.textIndent());
    p.format.spaceBefore = tw(bf.topMargin());
    p.format.spaceAfter = tw(bf.bottomMargin());
    switch (bf.lineHeightType()) {
    case QTextBlockFormat::ProportionalHeight:
        if (bf.lineHeight() > 0 && std::lround(bf.lineHeight()) != 100) {
            p.format.lineSpacing = static_cast<int>(std::lround(bf.lineHeight() * 2.4));
            p.format.lineMultiple = true;
        }
        break;
    case QTextBlockFormat::FixedHeight: p.format.lineSpacing = -tw(bf.lineHeight()); break;
    case QTextBlockFormat::MinimumHeight: p.format.lineSpacing = tw(bf.lineHeight()); break;
    default: break;  // a distance added to each line has no RTF word
    }
    p.format.pageBreakBefore = bf.pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore;
    for (const QTextOption::Tab &t : bf.tabPositions()) {
        rtf::TabStop s;
        s.pos = tw(t.position);
        switch (t.type) {
        case QTextOption::LeftTab: s.kind = rtf::TabStop::Left; break;
        case QTextOption::RightTab: s.kind = rtf::TabStop::Right; break;
        case QTextOption::CenterTab: s.kind = rtf::TabStop::Center; break;
        case QTextOption::DelimiterTab: s.kind = rtf::TabStop::Decimal; break;
        }
        p.format.tabs.push_back(s);
    }
    if (QTextList *list = b.textList()) {
        const auto style = list->format().style();
        p.format.bullet = style == QTextListFormat::ListDisc || style == QTextListFormat::ListCircle
            || style == QTextListFormat::ListSquare;
        numbering(list, p.format);
        if (p.format.bullet || p.format.numbering.style != rtf::Numbering::None) {
            p.format.leftIndent += bulletIndent(m_doc) * std::max(list->format().indent(), 1);
            p.format.firstIndent -= bulletHang;
        }
    }
    for (auto it = b.begin(); !it.atEnd(); ++it) {
        const QTextFragment frag = it.fragment();
        if (!frag.isValid())
            continue;
        const QTextCharFormat cf = frag.charFormat();
        const QString text = frag.text();
        if (cf.objectType() == FootnoteObject || cf.objectType() == FieldObject) {
            for (qsizetype i = 0; i < text.size(); ++i) {
                rtf::Inline in;
                in.format = charFormat(cf);
                mark(cf, in);
                p.inlines.push_back(std::move(in));
            }
            continue;
        }
        if (cf.isImageFormat()) {
            for (qsizetype i = 0; i < text.size(); ++i) {
                rtf::Inline in;
                in.format = charFormat(cf);
                image(cf.toImageFormat(), in);
                if (in.picture >= 0 || in.object >= 0)
                    p.inlines.push_back(std::move(in));
            }
            continue;
        }
        auto known = m_formats.find(frag.charFormatIndex());
        if (known == m_formats.end())
            known = m_formats.emplace(frag.charFormatIndex(), charFormat(cf)).first;
        const rtf::CharFormat &f = known->second;
        std::u16string_view chars(reinterpret_cast<const char16_t *>(text.utf16()),
                                  static_cast<size_t>(text.size()));
        if (!p.inlines.empty() && p.inlines.back().isText() && p.inlines.back().format == f) {
            p.inlines.back().text += chars;
        } else {
            rtf::Inline in;
            in.format = f;
            in.text = chars;
            p.inlines.push_back(std::move(in));
        }
    }
    return p;
}

void ModelBuilder::table(QTextTable *t, std::vector<rtf::Block> &into)
{
    const QTextTableFormat tf = t->format();
    const int rows = t->rows(), cols = t->columns();
    if (rows == 0 || cols == 0)
        return;
    const QList<QTextLength> constraints = tf.columnWidthConstraints();
    // Widths not fixed in the table share the width of the page's text.
    const auto page = m_out.page;
    const int textWidth = std::max(1440, page.width.value_or(12240) - page.marginL.value_or(1440)
                                             - page.marginR.value_or(1440));
    const int left = static_cast<int>(std::lround(unitsToTwips(tf.leftMargin())));
    std::vector<int> rights;
    int x = left;
    for (int c = 0; c < cols; ++c) {
        int w = textWidth / cols;
        if (c < constraints.size()) {
            const QTextLength &l = constraints[c];
            if (l.type() == QTextLength::FixedLength)
                w = static_cast<int>(std::lround(unitsToTwips(l.rawValue())));
            else if (l.type() == QTextLength::PercentageLength)
                w = static_cast<int>(l.rawValue() * textWidth / 100);
        }
        x += std::max(w, 15);
        rights.push_back(x);
    }
    const int tableBorder = tf.border() > 0 && tf.borderStyle() != QTextFrameFormat::BorderStyle_None
        ? static_cast<int>(std::lround(unitsToTwips(tf.border())))
        : 0;

    rtf::Block block;
    for (int r = 0; r < rows; ++r) {
        rtf::Row row;
        row.gap = static_cast<int>(std::lround(unitsToTwips(tf.cellPadding())));
        row.left = left;
        row.border = tableBorder;
        if (!tf.borderCollapse())
            row.spacing = static_cast<int>(std::lround(unitsToTwips(tf.cellSpacing())));
        if (tf.background().style() != Qt::NoBrush)
            row.background = fromColor(tf.background().color());
        for (int c = 0; c < cols; ++c) {
            const QTextTableCell cell = t->cellAt(r, c);
            rtf::Cell mc;
            mc.right = rights[c];
            const bool origin = cell.row() == r && cell.column() == c;
            if (origin) {
                mc.mergeFirst = cell.columnSpan() > 1;
                mc.vmergeFirst = cell.rowSpan() > 1;
                contents(cell.begin(), mc.blocks);
            } else {
                mc.merged = cell.column() < c;
                mc.vmerged = cell.row() < r;
                if (mc.vmerged && cell.column() == c)
                    mc.vmerged = true;
            }
            if (mc.blocks.empty())
                mc.blocks.emplace_back();
            const QTextTableCellFormat cf = cell.format().toTableCellFormat();
            const auto tw = [](double u) { return static_cast<int>(std::lround(unitsToTwips(u))); };
            const bool own = cf.hasProperty(QTextFormat::TableCellTopBorder)
                || cf.hasProperty(QTextFormat::TableCellLeftBorder)
                || cf.hasProperty(QTextFormat::TableCellBottomBorder)
                || cf.hasProperty(QTextFormat::TableCellRightBorder);
            if (own) {
                const auto width = [&](double w, QTextFrameFormat::BorderStyle s) {
                    return s == QTextFrameFormat::BorderStyle_None ? 0 : tw(w);
                };
                mc.borders.top = width(cf.topBorder(), cf.topBorderStyle());
                mc.borders.left = width(cf.leftBorder(), cf.leftBorderStyle());
                mc.borders.bottom = width(cf.bottomBorder(), cf.bottomBorderStyle());
                mc.borders.right = width(cf.rightBorder(), cf.rightBorderStyle());
            } else if (tableBorder > 0) {
                mc.borders = rtf::Borders{tableBorder, tableBorder, tableBorder, tableBorder};
            }
            if (cf.background().style() != Qt::NoBrush)
                mc.shading = fromColor(cf.background().color());
            row.cells.push_back(std::move(mc));
        }
        block.table.rows.push_back(std::move(row));
    }
    into.push_back(std::move(block));
}

void ModelBuilder::frame(QTextFrame *f, std::vector<rtf::Block> *into)
{
    contents(f->begin(), into ? *into : m_out.blocks);
}

void ModelBuilder::fixedObject(QTextFrame *f, std::vector<rtf::Inline> &into)
{
    const QTextFrameFormat ff = f->frameFormat();
    const auto tw = [](double units) { return static_cast<int>(std::lround(unitsToTwips(units))); };
    const auto page = m_out.page;
    const int textWidth = page.width.value_or(12240) - page.marginL.value_or(1800) - page.marginR.value_or(1800);
    for (auto it = f->begin(); !it.atEnd(); ++it) {
        const QTextBlock b = it.currentBlock();
        for (auto fi = b.begin(); b.isValid() && !fi.atEnd(); ++fi) {
            const QTextCharFormat cf = fi.fragment().charFormat();
            if (!cf.isImageFormat())
                continue;
            const QTextImageFormat img = cf.toImageFormat();
            rtf::Inline in;
            in.format = charFormat(cf);
            image(img, in);
            if (in.picture < 0 && in.object < 0)
                continue;
            rtf::Float fl;
            const int place = tw(ff.doubleProperty(FixedObjectPlaceProperty));
            fl.left = ff.position() == QTextFrameFormat::FloatRight ? textWidth - place - tw(img.width()) : place;
            fl.top = tw(ff.doubleProperty(FixedObjectDownProperty));
            fl.distL = img.intProperty(ObjectDistanceLeftProperty);
            fl.distT = img.intProperty(ObjectDistanceTopProperty);
            fl.distR = img.intProperty(ObjectDistanceRightProperty);
            fl.distB = img.intProperty(ObjectDistanceBottomProperty);
            in.floating = fl;
            into.push_back(std::move(in));
        }
    }
}

// The paragraphs and tables of a frame or a table cell, tables in them too.
void ModelBuilder::contents(QTextFrame::iterator it, std::vector<rtf::Block> &into)
{
    // Fixed objects float beside the paragraph that follows their frame.
    // The page break of the block before their frame is the paragraph's.
    std::vector<rtf::Inline> floats;
    bool breakBefore = false;
    const auto add = [&](rtf::Paragraph p) {
        p.inlines.insert(p.inlines.begin(), std::make_move_iterator(floats.begin()),
                         std::make_move_iterator(floats.end()));
        floats.clear();
        p.format.pageBreakBefore = p.format.pageBreakBefore || breakBefore;
        breakBefore = false;
        rtf::Block b;
        b.paragraph = std::move(p);
        into.push_back(std::move(b));
    };
    for (; !it.atEnd(); ++it) {
        if (QTextFrame *child = it.currentFrame()) {
            if (child->frameFormat().boolProperty(FixedObjectFrameProperty)) {
                fixedObject(child, floats);
                continue;
            }
            if (!floats.empty())
                add(rtf::Paragraph());
            if (auto *t = qobject_cast<QTextTable *>(child)) {
                sectionAt(t->format(), into);
                table(t, into);
            } else {
                frame(child, &into);
            }
            continue;
        }
        // A frame always follows a block of its own; an empty one before a
        // fixed object is that block, and reading the object makes it again.
        auto next = it;
        ++next;
        if (it.currentBlock().length() <= 1 && !next.atEnd() && next.currentFrame()
            && next.currentFrame()->frameFormat().boolProperty(FixedObjectFrameProperty)) {
            breakBefore = breakBefore || (it.currentBlock().blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
            continue;
        }
        sectionAt(it.currentBlock().blockFormat(), into);
        add(paragraph(it.currentBlock()));
    }
    if (!floats.empty())
        add(rtf::Paragraph());
}

// A body paragraph or table that carries a section other than the one
// before it starts that section.
void ModelBuilder::sectionAt(const QTextFormat &f, const std::vector<rtf::Block> &into)
{
    if (&into != &m_out.blocks || !f.hasProperty(SectionProperty))
        return;
    const QByteArray bytes = f.property(SectionProperty).toByteArray();
    const int number = f.intProperty(SectionNumberProperty);
    if (bytes == m_section && number == m_sectionNumber)
        return;
    m_section = bytes;
    m_sectionNumber = number;
    if (into.empty())
        return;  // a copied piece that starts with a section's first paragraph
    if (std::optional<rtf::Section> s = readSection(bytes, m_out)) {
        s->start = into.size();
        m_out.sections.push_back(std::move(*s));
    }
}

void ModelBuilder::mark(const QTextCharFormat &f, rtf::Inline &in)
{
    if (f.objectType() == FieldObject) {
        in.field = static_cast<rtf::Field>(std::clamp(f.intProperty(FieldProperty), 0, 3));
        in.text = f.stringProperty(FieldTextProperty).toStdU16String();
        return;
    }
    rtf::Document story = readStory(f.property(FootnoteProperty).toByteArray());
    rtf::Footnote note;
    note.blocks = std::move(story.blocks);
    adoptBlocks(note.blocks, story, m_out);
    note.numbered = f.boolProperty(FootnoteNumberedProperty);
    note.endnote = f.boolProperty(EndnoteProperty);
    m_out.footnotes.push_back(std::move(note));
    in.footnote = static_cast<int>(m_out.footnotes.size()) - 1;
}

void ModelBuilder::numbering(QTextList *list, rtf::ParaFormat &f)
{
    const QTextListFormat lf = list->format();
    rtf::Numbering &n = f.numbering;
    switch (lf.style()) {
    case QTextListFormat::ListDecimal: n.style = rtf::Numbering::Decimal; break;
    case QTextListFormat::ListLowerAlpha: n.style = rtf::Numbering::LowerAlpha; break;
    case QTextListFormat::ListUpperAlpha: n.style = rtf::Numbering::UpperAlpha; break;
    case QTextListFormat::ListLowerRoman: n.style = rtf::Numbering::LowerRoman; break;
    case QTextListFormat::ListUpperRoman: n.style = rtf::Numbering::UpperRoman; break;
    default: return;
    }
    n.level = std::clamp(lf.indent() - 1, 0, 8);
    // Lists read from a file keep the list they were read as (its levels
    // are lists of their own here); other lists are a list each.
    if (lf.hasProperty(ListIdProperty)) {
        n.list = lf.intProperty(ListIdProperty);
    } else {
        const auto [it, added] = m_lists.emplace(list, 0);
        if (added)
            it->second = 1000000 + static_cast<int>(m_lists.size());
        n.list = it->second;
    }
    n.start = lf.hasProperty(ListStartProperty) ? lf.intProperty(ListStartProperty) : 1;
    if (lf.hasProperty(ListFormatProperty)) {
        n.text = lf.stringProperty(ListFormatProperty).toStdString();
    } else {
        // Qt shows "." after the number unless the list says otherwise.
        const QString suffix = lf.hasProperty(QTextFormat::ListNumberSuffix) ? lf.numberSuffix() : u"."_s;
        const auto escaped = [](QString t) { return t.replace(u'%', u"%%"_s).toStdString(); };
        n.text = escaped(lf.numberPrefix()) + "%" + std::to_string(n.level + 1) + escaped(suffix);
    }
}

} // namespace

QTextFrameFormat fixedFrameFormat(QTextFrameFormat::Position side, double place, double down,
                                  const std::array<double, 4> &distances, double width)
{
    QTextFrameFormat ff;
    ff.setPosition(side);
    ff.setProperty(FixedObjectFrameProperty, true);
    ff.setProperty(FixedObjectPlaceProperty, place);
    ff.setProperty(FixedObjectDownProperty, down);
    ff.setWidth(width);
    ff.setBorder(0);
    ff.setPadding(0);
    if (side == QTextFrameFormat::FloatLeft) {
        ff.setLeftMargin(place);
        ff.setRightMargin(distances[2]);
    } else {
        ff.setLeftMargin(distances[0]);
        ff.setRightMargin(place);
    }
    ff.setTopMargin(down + distances[1]);
    ff.setBottomMargin(distances[3]);
    return ff;
}

QTextFrame *insertFixedFrame(const QTextCursor &at, const QTextFrameFormat &format)
{
    QTextCursor c(at);
    c.clearSelection();
    c.movePosition(QTextCursor::StartOfBlock);
    const QTextBlock host = c.block();
    const QTextBlockFormat bf = host.blockFormat();
    const QTextCharFormat cf = host.charFormat();
    QTextList *list = host.textList();
    // Qt leaves the paragraph's format with the block before the frame and
    // starts the one after it plain.
    QTextFrame *frame = c.insertFrame(format);
    QTextCursor after(frame->document());
    after.setPosition(frame->lastPosition() + 1);
    QTextBlockFormat own = bf;
    own.clearProperty(QTextFormat::PageBreakPolicy);
    after.setBlockFormat(own);
    after.setBlockCharFormat(cf);
    if (list) {
        list->add(after.block());
        list->remove(host);
    }
    QTextBlockFormat empty;
    if (bf.hasProperty(QTextFormat::PageBreakPolicy))
        empty.setPageBreakPolicy(bf.pageBreakPolicy());
    QTextCursor before(host);
    before.setBlockFormat(empty);
    return frame;
}

void insertModel(const rtf::Document &model, QTextCursor &cursor, const std::function<void()> &afterBlock)
{
    const bool whole = cursor.document()->isEmpty();
    Builder builder{model, {}, {}};
    builder.textWidth = model.page.width.value_or(12240) - model.page.marginL.value_or(1800)
        - model.page.marginR.value_or(1800);
    bool first = true;
    // One change of the document: laid out once, at the end.
    cursor.beginEditBlock();
    const std::span<const rtf::Block> all(model.blocks);
    size_t at = 0;
    // Each section's first paragraph or table carries the section.
    for (size_t k = 0; whole && k < model.sections.size(); ++k) {
        const rtf::Section &section = model.sections[k];
        if (section.start < at || section.start >= all.size())
            continue;  // no block of its own to carry it
        insertBlocks(all.subspan(at, section.start - at), builder, cursor, first, 0, afterBlock);
        at = section.start;
        builder.lastTable = nullptr;
        insertBlocks(all.subspan(at++, 1), builder, cursor, first, 0, afterBlock);
        const auto mark = [&](QTextFormat &f) {
            f.setProperty(SectionProperty, sectionRtf(section, model));
            f.setProperty(SectionNumberProperty, static_cast<int>(k) + 1);
        };
        if (!all[section.start].isTable()) {
            QTextBlockFormat bf;
            mark(bf);
            cursor.mergeBlockFormat(bf);
            continue;
        }
        // (The document's frames are known only at the end of the edit.)
        QTextTable *table = builder.lastTable;
        if (table) {
            QTextTableFormat tf = table->format();
            mark(tf);
            table->setFormat(tf);
        }
    }
    insertBlocks(all.subspan(at), builder, cursor, first, 0, afterBlock);
    if (whole)
        setPageStories(*cursor.document(), model);
    cursor.endEditBlock();
}

QByteArray sectionRtf(const rtf::Section &section, const rtf::Document &from)
{
    rtf::Document d;
    d.blocks.resize(2);
    rtf::Section s = section;
    s.start = 1;
    for (rtf::HeaderFooter &h : s.headers)
        adoptBlocks(h.blocks, from, d);
    d.sections.push_back(std::move(s));
    return QByteArray::fromStdString(rtf::write(d));
}

std::optional<rtf::Section> readSection(const QByteArray &bytes, rtf::Document &into)
{
    rtf::Document d = readStory(bytes);
    if (d.sections.empty())
        return std::nullopt;
    rtf::Section s = std::move(d.sections.front());
    for (rtf::HeaderFooter &h : s.headers)
        adoptBlocks(h.blocks, d, into);
    return s;
}

namespace {

// Copies the headers and footers of `from` into `into`, with what they
// refer to and what they show on the pages.
void adoptPageStories(const rtf::Document &from, rtf::Document &into)
{
    for (rtf::HeaderFooter h : from.headers) {
        adoptBlocks(h.blocks, from, into);
        into.headers.push_back(std::move(h));
    }
    into.titlePage = from.titlePage;
    into.facingPages = from.facingPages;
    into.headerY = from.headerY;
    into.footerY = from.footerY;
    into.page.landscape = from.page.landscape;
}

} // namespace

rtf::Document modelFromDocument(const QTextDocument &doc, const rtf::PageSetup &page)
{
    rtf::Document out;
    out.page = page;
    ModelBuilder b(doc, out);
    b.frame(doc.rootFrame(), nullptr);
    adoptPageStories(pageStories(doc), out);
    return out;
}

rtf::Document pageStories(const QTextDocument &doc)
{
    const QByteArray bytes = doc.rootFrame()->frameFormat().property(PageStoriesProperty).toByteArray();
    return bytes.isEmpty() ? rtf::Document() : readStory(bytes);
}

void setPageStories(QTextDocument &doc, const rtf::Document &model)
{
    QByteArray bytes;
    if (!model.headers.empty() || model.page.landscape) {
        rtf::Document stories;
        adoptPageStories(model, stories);
        bytes = QByteArray::fromStdString(rtf::write(stories));
    }
    QTextFrameFormat root = doc.rootFrame()->frameFormat();
    if (root.property(PageStoriesProperty).toByteArray() == bytes)
        return;
    if (bytes.isEmpty())
        root.clearProperty(PageStoriesProperty);
    else
        root.setProperty(PageStoriesProperty, bytes);
    doc.rootFrame()->setFrameFormat(root);
}

namespace {

// `blocks` of `model` through a document of their own and `change`.
std::vector<rtf::Block> changeStory(const std::vector<rtf::Block> &blocks, const rtf::Document &model,
                                    const QTextDocument &like, const std::function<int(QTextDocument &)> &change,
                                    rtf::Document &into, int &changed)
{
    QTextDocument story;
    story.setDefaultFont(like.defaultFont());
    rtf::Document part;
    part.blocks = blocks;
    adoptBlocks(part.blocks, model, part);
    QTextCursor c(&story);
    insertModel(part, c);
    changed += change(story);
    changed += changeStories(story, change);  // the footnotes of a header
    rtf::Document back = modelFromDocument(story, {});
    adoptBlocks(back.blocks, back, into);
    return back.blocks;
}

} // namespace

int changeStories(QTextDocument &doc, const std::function<int(QTextDocument &)> &change)
{
    int changed = 0;
    // Footnotes: each mark keeps its note.
    std::vector<std::pair<int, QTextCharFormat>> notes;
    for (QTextBlock b = doc.begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment f = it.fragment();
            if (f.charFormat().objectType() != FootnoteObject)
                continue;
            for (int i = 0; i < f.length(); ++i)
                notes.emplace_back(f.position() + i, f.charFormat());
        }
    }
    for (auto &[pos, format] : notes) {
        const rtf::Document note = readStory(format.property(FootnoteProperty).toByteArray());
        rtf::Document changedNote;
        const std::vector<rtf::Block> blocks = changeStory(note.blocks, note, doc, change, changedNote, changed);
        format.setProperty(FootnoteProperty, storyRtf(blocks, changedNote));
        QTextCursor c(&doc);
        c.setPosition(pos);
        c.setPosition(pos + 1, QTextCursor::KeepAnchor);
        c.setCharFormat(format);
    }
    // The headers and footers of the later sections, each section once.
    std::map<QByteArray, QByteArray> sections;
    const auto changeSection = [&](const QTextFormat &f) -> std::optional<QByteArray> {
        if (!f.hasProperty(SectionProperty))
            return std::nullopt;
        const QByteArray bytes = f.property(SectionProperty).toByteArray();
        auto [it, added] = sections.emplace(bytes, bytes);
        rtf::Document from, into;
        std::optional<rtf::Section> section;
        if (added && (section = readSection(bytes, from)) && !section->headers.empty()) {
            for (rtf::HeaderFooter &h : section->headers)
                h.blocks = changeStory(h.blocks, from, doc, change, into, changed);
            it->second = sectionRtf(*section, into);
        }
        return it->second;
    };
    for (auto it = doc.rootFrame()->begin(); !it.atEnd(); ++it) {
        if (auto *t = qobject_cast<QTextTable *>(it.currentFrame())) {
            QTextTableFormat tf = t->format();
            if (const auto bytes = changeSection(tf); bytes && *bytes != tf.property(SectionProperty).toByteArray()) {
                tf.setProperty(SectionProperty, *bytes);
                t->setFormat(tf);
            }
        } else if (!it.currentFrame()) {
            QTextBlockFormat bf = it.currentBlock().blockFormat();
            if (const auto bytes = changeSection(bf); bytes && *bytes != bf.property(SectionProperty).toByteArray()) {
                bf.setProperty(SectionProperty, *bytes);
                QTextCursor(it.currentBlock()).setBlockFormat(bf);
            }
        }
    }
    // Headers and footers.
    const rtf::Document stories = pageStories(doc);
    if (stories.headers.empty())
        return changed;
    rtf::Document changedStories = stories;
    changedStories.pictures.clear();
    changedStories.objects.clear();
    changedStories.footnotes.clear();
    for (size_t i = 0; i < stories.headers.size(); ++i)
        changedStories.headers[i].blocks
            = changeStory(stories.headers[i].blocks, stories, doc, change, changedStories, changed);
    setPageStories(doc, changedStories);
    return changed;
}

bool decodeCodePage(int codePage, const std::string &bytes, std::u16string &out)
{
    const QByteArray name = codePage == 10000 ? QByteArrayLiteral("macintosh")
        : (codePage >= 874 && codePage <= 950 && codePage != 874)
        ? QByteArray("cp" + QByteArray::number(codePage))
        : QByteArray("windows-" + QByteArray::number(codePage));
    QStringDecoder decoder(name.constData());
    if (!decoder.isValid())
        return false;
    const QString s = decoder(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    out.assign(reinterpret_cast<const char16_t *>(s.utf16()), static_cast<size_t>(s.size()));
    return true;
}

} // namespace kalamora::document
