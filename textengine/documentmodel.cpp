#include "documentmodel.h"

#include "objects.h"
#include "units.h"

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
#include <unordered_map>

using namespace Qt::StringLiterals;

namespace textengine {

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
    // The width of the page's text, which floating pictures are placed in.
    int textWidth = 0;

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

void insertParagraphs(const std::vector<rtf::Paragraph> &paras, Builder &b, QTextCursor &cur, bool &first);

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
    QTextCursor at(cur);
    at.setPosition(cur.block().position());
    QTextFrame *frame = at.insertFrame(ff);
    frame->firstCursorPosition().insertImage(fmt);
    // The paragraph goes on after the frame, where it was.
    cur.setPosition(frame->lastPosition() + 1 + offset);
}

void insertParagraph(const rtf::Paragraph &p, Builder &builder, QTextCursor &cur, bool &first)
{
    const rtf::Document &model = builder.model;
    // A bulleted paragraph's text stands at \li with the bullet \fi before
    // it; here the list indents the text and the bullet hangs in front of
    // it (see bulletIndent).
    rtf::ParaFormat pf = p.format;
    if (pf.bullet) {
        pf.leftIndent = std::max(pf.leftIndent - bulletIndent(*cur.document()), 0);
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

void insertTable(const rtf::Table &t, Builder &builder, QTextCursor &cur)
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
            insertParagraphs(mc.paragraphs, builder, cc, first);
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

void insertParagraphs(const std::vector<rtf::Paragraph> &paras, Builder &b, QTextCursor &cur, bool &first)
{
    for (const rtf::Paragraph &p : paras)
        insertParagraph(p, b, cur, first);
}

// --- QTextDocument -> model ---------------------------------------------

class ModelBuilder {
public:
    ModelBuilder(const QTextDocument &doc, rtf::Document &out) : m_doc(doc), m_out(out) {}

    void frame(QTextFrame *f, std::vector<rtf::Paragraph> *into);
    rtf::Paragraph paragraph(const QTextBlock &b);
    void table(QTextTable *t);

private:
    rtf::CharFormat charFormat(const QTextCharFormat &f) const;
    void image(const QTextImageFormat &f, rtf::Inline &in);
    void fixedObject(QTextFrame *f, std::vector<rtf::Inline> &into);

    const QTextDocument &m_doc;
    rtf::Document &m_out;
    std::unordered_map<int, rtf::CharFormat> m_formats;  // by the document's format index
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
        if (p.format.bullet) {
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
        if (!p.inlines.empty() && p.inlines.back().picture < 0 && p.inlines.back().object < 0
            && p.inlines.back().format == f) {
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

void ModelBuilder::table(QTextTable *t)
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
                for (auto it = cell.begin(); !it.atEnd(); ++it) {
                    if (QTextFrame *f = it.currentFrame())
                        frame(f, &mc.paragraphs);
                    else
                        mc.paragraphs.push_back(paragraph(it.currentBlock()));
                }
            } else {
                mc.merged = cell.column() < c;
                mc.vmerged = cell.row() < r;
                if (mc.vmerged && cell.column() == c)
                    mc.vmerged = true;
            }
            if (mc.paragraphs.empty())
                mc.paragraphs.emplace_back();
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
    m_out.blocks.push_back(std::move(block));
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

void ModelBuilder::frame(QTextFrame *f, std::vector<rtf::Paragraph> *into)
{
    // Fixed objects float beside the paragraph that follows their frame.
    std::vector<rtf::Inline> floats;
    const auto add = [&](rtf::Paragraph p) {
        p.inlines.insert(p.inlines.begin(), std::make_move_iterator(floats.begin()),
                         std::make_move_iterator(floats.end()));
        floats.clear();
        if (into) {
            into->push_back(std::move(p));
        } else {
            rtf::Block b;
            b.paragraph = std::move(p);
            m_out.blocks.push_back(std::move(b));
        }
    };
    for (auto it = f->begin(); !it.atEnd(); ++it) {
        if (QTextFrame *child = it.currentFrame()) {
            if (child->frameFormat().boolProperty(FixedObjectFrameProperty)) {
                fixedObject(child, floats);
                continue;
            }
            if (!floats.empty())
                add(rtf::Paragraph());
            if (auto *t = qobject_cast<QTextTable *>(child); t && !into)
                table(t);
            else if (auto *nested = qobject_cast<QTextTable *>(child)) {
                // A table inside a cell: its cells' paragraphs, in order.
                for (int r = 0; r < nested->rows(); ++r) {
                    for (int c = 0; c < nested->columns(); ++c) {
                        const QTextTableCell cell = nested->cellAt(r, c);
                        if (cell.row() != r || cell.column() != c)
                            continue;
                        for (auto ci = cell.begin(); !ci.atEnd(); ++ci) {
                            if (!ci.currentFrame())
                                into->push_back(paragraph(ci.currentBlock()));
                        }
                    }
                }
            } else {
                frame(child, into);
            }
            continue;
        }
        // A frame always follows a block of its own; an empty one before a
        // fixed object is that block, and reading the object makes it again.
        auto next = it;
        ++next;
        if (it.currentBlock().length() <= 1 && !next.atEnd() && next.currentFrame()
            && next.currentFrame()->frameFormat().boolProperty(FixedObjectFrameProperty))
            continue;
        add(paragraph(it.currentBlock()));
    }
    if (!floats.empty())
        add(rtf::Paragraph());
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

void insertModel(const rtf::Document &model, QTextCursor &cursor)
{
    Builder builder{model, {}};
    builder.textWidth = model.page.width.value_or(12240) - model.page.marginL.value_or(1800)
        - model.page.marginR.value_or(1800);
    bool first = true;
    for (const rtf::Block &b : model.blocks) {
        if (b.isTable()) {
            insertTable(b.table, builder, cursor);
            first = true;
        } else {
            insertParagraph(b.paragraph, builder, cursor, first);
        }
    }
}

rtf::Document modelFromDocument(const QTextDocument &doc, const rtf::PageSetup &page)
{
    rtf::Document out;
    out.page = page;
    ModelBuilder b(doc, out);
    b.frame(doc.rootFrame(), nullptr);
    return out;
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

} // namespace textengine
