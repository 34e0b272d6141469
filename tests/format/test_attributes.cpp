// The attribute matrix: every attribute the program's dialogs, menus and
// control members set is set once on a document, saved as RTF and read back
// equal, and found again in the HTML page (parsed) and in the PDF (its text,
// fonts, positions and pixels, page by page). One row per attribute; a new
// attribute is a new row.
#include "format/printing.h"
#include "tests/format/htmlpage.h"
#include "tests/format/pdffile.h"

#include "document/documentmodel.h"
#include "document/units.h"
#include "textengine/objects.h"
#include "textengine/ruler.h"
#include "textengine/textcontrol.h"
#include "textengine/uihooks.h"

#include <QAbstractTextDocumentLayout>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextList>
#include <QTextTable>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;
using namespace kalamora;
using textengine::TextControl;
using textengine::TextObject;

namespace {

// Letter paper with inch margins: the text runs from 72 to 540 points.
constexpr double left = 72, right = 540;

// Fills the fields of the next dialog the control opens (line edits and
// combo boxes by name) and confirms it; with nothing to fill, reads them
// and cancels. Returns what the fields showed, "name=value;..." in order.
QString dialog(TextControl &tc, bool (TextControl::*open)(), const QMap<QString, QString> &fill = {})
{
    QStringList shown;
    const textengine::DialogHook old = textengine::setDialogHook([&](QDialog *d) {
        for (auto it = fill.begin(); it != fill.end(); ++it) {
            if (auto *e = d->findChild<QLineEdit *>(it.key()))
                e->setText(it.value());
            else if (auto *c = d->findChild<QComboBox *>(it.key()))
                c->setCurrentIndex(it.value().toInt());
            else
                ADD_FAILURE() << "no field " << it.key().toStdString();
        }
        for (QLineEdit *e : d->findChildren<QLineEdit *>())
            shown << e->objectName() + u'=' + e->text();
        for (QComboBox *c : d->findChildren<QComboBox *>())
            shown << c->objectName() + u'=' + QString::number(c->currentIndex());
        return int(fill.isEmpty() ? QDialog::Rejected : QDialog::Accepted);
    });
    (tc.*open)();
    textengine::setDialogHook(old);
    shown.sort();
    return shown.join(u';');
}

// Selects the first occurrence of `text` in the control; false when there
// is none.
bool select(TextControl &tc, const QString &text)
{
    const int at = int(tc.Text().indexOf(text));
    if (at < 0)
        return false;
    tc.setSelStart(at);
    tc.setSelLength(int(text.size()));
    return true;
}

QString description(QObject *object)
{
    auto *o = qobject_cast<TextObject *>(object);
    if (!o)
        return u"none"_s;
    return u"%1 %2 %3,%4,%5,%6"_s.arg(o->isFixed() ? u"fixed"_s : u"char"_s)
        .arg(o->isEmbedded() ? u"object"_s : u"picture"_s)
        .arg(o->Distance(1)).arg(o->Distance(2)).arg(o->Distance(3)).arg(o->Distance(4));
}

// The first picture or object of the document, described.
QString firstObject(TextControl &tc)
{
    for (int i = 0; i < tc.Text().size(); ++i) {
        tc.setSelStart(i);
        tc.setSelLength(1);
        if (tc.ObjectCurrent())
            break;
    }
    return description(tc.ObjectCurrent());
}

// The PDF of one row, with the few measures the rows need.
struct Pdf {
    PdfFile file;
    explicit Pdf(const QString &path) : file(path) {}

    PdfWord word(const QString &text, int page = 1) const { return file.word(page, text); }
    QList<PdfWord> words(int page = 1) const { return file.words(page); }
    // The page at 72 dots per inch: a pixel is a point.
    QImage page(int n = 1) const
    {
        if (!m_pages.contains(n))
            m_pages.insert(n, file.render(n, 72));
        return m_pages.value(n);
    }
    // Pixels in `r` (points) for which `match` holds.
    int pixels(const QRectF &r, const std::function<bool(QColor)> &match, int n = 1) const
    {
        const QImage img = page(n);
        int count = 0;
        const QRect area = r.toAlignedRect().intersected(img.rect());
        for (int y = area.top(); y <= area.bottom(); ++y)
            for (int x = area.left(); x <= area.right(); ++x)
                count += match(img.pixelColor(x, y)) ? 1 : 0;
        return count;
    }
    // The lines from the one of `firstWord` to the one of `lastWord`: the
    // box of each line's first word.
    QList<QRectF> lines(const QString &firstWord, const QString &lastWord, int n = 1) const
    {
        QList<QRectF> starts;
        bool in = false;
        for (const PdfWord &w : words(n)) {
            in = in || w.text == firstWord;
            if (in && (starts.isEmpty() || std::abs(w.box.top() - starts.last().top()) > 1))
                starts.append(w.box);
            if (w.text == lastWord)
                break;
        }
        return starts;
    }
    double pitch() const
    {
        const QList<QRectF> l = lines(u"Marked"_s, u"last."_s);
        return l.size() < 2 ? 0 : (l[1].top() - l[0].top()) / word(u"Before"_s).box.height();
    }

private:
    mutable QMap<int, QImage> m_pages;
};

bool dark(QColor c) { return c.lightness() < 100; }
bool inked(QColor c) { return c.lightness() < 200; }
auto near(QColor want)
{
    return [want](QColor c) {
        return std::abs(c.red() - want.red()) < 40 && std::abs(c.green() - want.green()) < 40
            && std::abs(c.blue() - want.blue()) < 40;
    };
}

// The gap between the two words of "Marked Marked", top to bottom.
QRectF gapBetween(const Pdf &pdf)
{
    const QList<PdfWord> ws = pdf.words();
    for (qsizetype i = 0; i + 1 < ws.size(); ++i) {
        if (ws[i].text == u"Marked"_s && ws[i + 1].text == u"Marked"_s)
            return QRectF(QPointF(ws[i].box.right() + 1, ws[i].box.top()),
                          QPointF(ws[i + 1].box.left() - 1, ws[i].box.bottom()));
    }
    return {};
}

const QString longText = u"Marked words of a paragraph long enough to fill three lines of the page, and more "
                         "words again so that the lines wrap, and words again until it ends here at last."_s;

struct Attribute {
    const char *name;
    QString text;  // the marked paragraph the row sets its attribute on
    // Sets the attribute with the marked paragraph's text selected.
    std::function<void(TextControl &)> set;
    // The attribute as the program reads it, with the marked text selected.
    std::function<QString(TextControl &)> read;
    std::function<void(const HtmlPage &)> html;
    std::function<void(const Pdf &)> pdf;
};

QString red()
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(u"red.png"_s);
    if (!QFile::exists(path)) {
        QImage img(40, 30, QImage::Format_RGB32);  // 30 by 22.5 points
        img.fill(Qt::red);
        img.save(path);
    }
    return path;
}

void addTable(TextControl &tc, int rows, int cols)
{
    tc.setSelStart(tc.SelStart() + tc.SelLength());
    ASSERT_TRUE(tc.TableInsert(rows, cols, -1));
    QTextTable *t = tc.textCursor().currentTable();
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c)
            t->cellAt(r, c).firstCursorPosition().insertText(u"c%1%2"_s.arg(r).arg(c));
    tc.setSelStart(t->cellAt(0, 0).firstPosition());
}

QString tableShape(TextControl &tc)
{
    select(tc, u"c00"_s);
    const QTextTable *t = tc.textCursor().currentTable();
    return t ? u"%1x%2"_s.arg(t->rows()).arg(t->columns()) : u"none"_s;
}

int tabAt(TextControl &tc, int kind)
{
    textengine::TXRuler ruler;
    ruler.resize(900, 26);
    tc.setRulerHandle(ruler.handle());
    tc.setTabType(kind);
    const QPoint at(int(ruler.xOfTwips(2880)), 20);
    QTest::mousePress(&ruler, Qt::LeftButton, {}, at);
    QTest::mouseRelease(&ruler, Qt::LeftButton, {}, at);
    tc.setRulerHandle(0);
    return 72 + 144;  // two inches into the text, in points
}

QString tabs(TextControl &tc)
{
    QStringList out;
    for (const QTextOption::Tab &t : tc.textCursor().blockFormat().tabPositions())
        out << u"%1:%2"_s.arg(qRound(t.position)).arg(int(t.type));
    return out.join(u' ');
}


// What other writers' documents bring and no dialog here sets (numbered
// lists, headers, footers, footnotes, tables in tables) a row sets as
// opening such a file does: it gives the document's RTF the structure and
// opens it again. `change` gets the model and the marked paragraph.
void withModel(TextControl &tc, const std::function<void(rtf::Document &, rtf::Paragraph &)> &change)
{
    const QByteArray before = tc.toRtf();
    rtf::Document m;
    ASSERT_TRUE(rtf::read(std::string_view(before.constData(), size_t(before.size())), m).ok);
    for (rtf::Block &b : m.blocks) {
        std::u16string text;
        for (const rtf::Inline &in : b.paragraph.inlines)
            text += in.text;
        if (text.find(u"Marked") != std::u16string::npos) {
            change(m, b.paragraph);
            break;
        }
    }
    ASSERT_TRUE(tc.setRtf(QByteArray::fromStdString(rtf::write(m))));
}

rtf::Inline run(const std::u16string &text, rtf::Field field = rtf::Field::None)
{
    rtf::Inline in;
    in.format.font = "DejaVu Sans";
    in.text = text;
    in.field = field;
    return in;
}

rtf::Block paragraph(std::vector<rtf::Inline> inlines)
{
    rtf::Block b;
    b.paragraph.inlines = std::move(inlines);
    return b;
}

// A table of one row whose cells, `width` twips wide, hold `cells`.
rtf::Block table(std::vector<std::vector<rtf::Block>> cells, int width, int spacing = 0, int border = 0,
                 std::optional<uint32_t> background = {})
{
    rtf::Row row;
    row.spacing = spacing;
    row.border = border;
    row.background = background;
    for (auto &c : cells) {
        rtf::Cell cell;
        cell.right = (row.cells.empty() ? 0 : row.cells.back().right) + width;
        cell.blocks = std::move(c);
        row.cells.push_back(std::move(cell));
    }
    rtf::Block b;
    b.table.rows.push_back(std::move(row));
    return b;
}

// The document's headers and footers, its later sections with theirs, and
// its footnotes, with their text; fields as <P> and <N>.
QString structure(TextControl &tc)
{
    const rtf::Document m = document::modelFromDocument(*tc.document(), {});
    const auto text = [](const std::vector<rtf::Block> &blocks) {
        QString out;
        for (const rtf::Block &b : blocks) {
            for (const rtf::Inline &in : b.paragraph.inlines)
                out += in.field == rtf::Field::Page       ? u"<P>"_s
                    : in.field == rtf::Field::NumPages ? u"<N>"_s
                                                       : QString::fromStdU16String(in.text);
        }
        return out;
    };
    QStringList out;
    const auto headers = [&](const std::vector<rtf::HeaderFooter> &hs) {
        for (const rtf::HeaderFooter &h : hs)
            out << (h.kind == rtf::HeaderFooter::Header ? u"header: "_s : u"footer: "_s) + text(h.blocks);
    };
    headers(m.headers);
    for (const rtf::Section &sec : m.sections) {
        out << u"section at %1, break %2, %3x%4%5"_s.arg(sec.start).arg(int(sec.breakKind))
                   .arg(sec.page.width.value_or(0)).arg(sec.page.height.value_or(0))
                   .arg(sec.page.landscape ? u" landscape"_s : QString());
        headers(sec.headers);
    }
    for (const rtf::Footnote &f : m.footnotes)
        out << u"note %1: "_s.arg(f.numbered) + text(f.blocks);
    return out.join(u"; "_s);
}

// The table the text stands in, the table round it when there is one, and
// the inner table's spacing, border and background.
QString nesting(TextControl &tc, const QString &text)
{
    if (!select(tc, text))
        return {};
    const QTextTable *t = tc.textCursor().currentTable();
    if (!t)
        return u"none"_s;
    const auto *outer = qobject_cast<const QTextTable *>(t->parentFrame());
    const QTextTableFormat f = t->format();
    return u"%1x%2 in %3, spacing %4 border %5 %6"_s.arg(t->rows()).arg(t->columns())
        .arg(outer ? u"%1x%2"_s.arg(outer->rows()).arg(outer->columns()) : u"none"_s)
        .arg(qRound(document::unitsToTwips(f.cellSpacing()))).arg(qRound(document::unitsToTwips(f.border())))
        .arg(f.background().style() == Qt::NoBrush ? u"none"_s : f.background().color().name());
}

const Attribute attributes[] = {
    // --- Character ---------------------------------------------------------
    {"bold", u"Marked Marked"_s, [](TextControl &t) { t.setFontBold(true); },
     [](TextControl &t) { return QString::number(t.FontBold()); },
     [](const HtmlPage &h) { EXPECT_GE(h.css(u"Marked"_s, u"font-weight"_s).toInt(), 600); },
     [](const Pdf &p) { EXPECT_TRUE(p.file.fonts(1).contains(u"Bold"_s)) << p.file.fonts(1).toStdString(); }},
    {"italic", u"Marked Marked"_s, [](TextControl &t) { t.setFontItalic(true); },
     [](TextControl &t) { return QString::number(t.FontItalic()); },
     [](const HtmlPage &h) { EXPECT_EQ(h.css(u"Marked"_s, u"font-style"_s), u"italic"_s); },
     [](const Pdf &p) { EXPECT_TRUE(p.file.fonts(1).contains(QRegularExpression(u"Oblique|Italic"_s))); }},
    {"underline", u"Marked Marked"_s, [](TextControl &t) { t.setFontUnderline(true); },
     [](TextControl &t) { return QString::number(t.FontUnderline()); },
     [](const HtmlPage &h) { EXPECT_TRUE(h.css(u"Marked"_s, u"text-decoration"_s).contains(u"underline"_s)); },
     [](const Pdf &p) {
         const QRectF gap = gapBetween(p);
         EXPECT_GT(p.pixels(gap.adjusted(0, gap.height() * 0.6, 0, 0), dark), 0) << "a line under the gap";
         EXPECT_EQ(p.pixels(gap.adjusted(0, 0, 0, -gap.height() * 0.5), dark), 0);
     }},
    {"strike", u"Marked Marked"_s, [](TextControl &t) { t.setFontStrikeThru(true); },
     [](TextControl &t) { return QString::number(t.FontStrikeThru()); },
     [](const HtmlPage &h) { EXPECT_TRUE(h.css(u"Marked"_s, u"text-decoration"_s).contains(u"line-through"_s)); },
     [](const Pdf &p) {
         const QRectF gap = gapBetween(p);
         EXPECT_GT(p.pixels(gap.adjusted(0, gap.height() * 0.3, 0, -gap.height() * 0.4), dark), 0);
     }},
    {"text colour", u"Marked Marked"_s, [](TextControl &t) { t.setForeColor(0x0000FF); },
     [](TextControl &t) { return QString::number(t.ForeColor(), 16); },
     [](const HtmlPage &h) { EXPECT_EQ(h.css(u"Marked"_s, u"color"_s), u"#ff0000"_s); },
     [](const Pdf &p) { EXPECT_GT(p.pixels(p.word(u"Marked"_s).box, near(Qt::red)), 5); }},
    {"background colour", u"Marked Marked"_s, [](TextControl &t) { t.setTextBkColor(0x00FFFF); },
     [](TextControl &t) { return QString::number(t.TextBkColor(), 16); },
     [](const HtmlPage &h) { EXPECT_EQ(h.css(u"Marked"_s, u"background-color"_s), u"#ffff00"_s); },
     [](const Pdf &p) { EXPECT_GT(p.pixels(p.word(u"Marked"_s).box, near(Qt::yellow)), 50); }},
    {"font", u"Marked Marked"_s, [](TextControl &t) { t.setFontName(u"DejaVu Serif"_s); },
     [](TextControl &t) { return t.FontName(); },
     [](const HtmlPage &h) { EXPECT_TRUE(h.css(u"Marked"_s, u"font-family"_s).contains(u"DejaVu Serif"_s)); },
     [](const Pdf &p) { EXPECT_TRUE(p.file.fonts(1).contains(u"DejaVuSerif"_s)); }},
    {"size", u"Marked Marked"_s, [](TextControl &t) { t.setFontSize(24); },
     [](TextControl &t) { return QString::number(t.FontSize()); },
     [](const HtmlPage &h) { EXPECT_EQ(h.css(u"Marked"_s, u"font-size"_s), u"24pt"_s); },
     [](const Pdf &p) {
         EXPECT_NEAR(p.word(u"Marked"_s).box.height() / p.word(u"Before"_s).box.height(), 2.0, 0.2);
     }},

    // --- Paragraph ---------------------------------------------------------
    {"centred", u"Marked"_s, [](TextControl &t) { t.setAlignMent(TextControl::AlignCenter); },
     [](TextControl &t) { return QString::number(t.AlignMent()); },
     [](const HtmlPage &h) { EXPECT_EQ(h.attribute(u"Marked"_s, u"p"_s, u"align"_s), u"center"_s); },
     [](const Pdf &p) { EXPECT_NEAR(p.word(u"Marked"_s).box.center().x(), (left + right) / 2, 2); }},
    {"right aligned", u"Marked"_s, [](TextControl &t) { t.setAlignMent(TextControl::AlignRight); },
     [](TextControl &t) { return QString::number(t.AlignMent()); },
     [](const HtmlPage &h) { EXPECT_EQ(h.attribute(u"Marked"_s, u"p"_s, u"align"_s), u"right"_s); },
     [](const Pdf &p) { EXPECT_NEAR(p.word(u"Marked"_s).box.right(), right, 2); }},
    {"justified", longText, [](TextControl &t) { t.setAlignMent(TextControl::AlignJustify); },
     [](TextControl &t) { return QString::number(t.AlignMent()); },
     [](const HtmlPage &h) { EXPECT_EQ(h.attribute(u"Marked"_s, u"p"_s, u"align"_s), u"justify"_s); },
     [](const Pdf &p) {
         // Every line but the last reaches the right margin.
         const QList<PdfWord> ws = p.words();
         for (qsizetype i = 0; i + 1 < ws.size() && ws[i + 1].text != u"last."_s; ++i) {
             if (ws[i + 1].box.top() > ws[i].box.top() + 1 && ws[i].box.top() > p.word(u"Before"_s).box.top()) {
                 EXPECT_NEAR(ws[i].box.right(), right, 1.5) << ws[i].text.toStdString();
             }
         }
     }},
    {"left indent", longText,
     [](TextControl &t) { dialog(t, &TextControl::ParagraphDialog, {{u"left"_s, u"1"_s}}); },
     [](TextControl &t) { return dialog(t, &TextControl::ParagraphDialog); },
     [](const HtmlPage &h) { EXPECT_EQ(h.css(u"Marked"_s, u"margin-left"_s), u"96px"_s); },
     [](const Pdf &p) {
         const QList<QRectF> lines = p.lines(u"Marked"_s, u"last."_s);
         ASSERT_GE(lines.size(), 3);
         for (const QRectF &l : lines)
             EXPECT_NEAR(l.left(), left + 72, 1);
     }},
    {"right indent", longText,
     [](TextControl &t) { dialog(t, &TextControl::ParagraphDialog, {{u"right"_s, u"1"_s}}); },
     [](TextControl &t) { return dialog(t, &TextControl::ParagraphDialog); },
     [](const HtmlPage &h) { EXPECT_EQ(h.css(u"Marked"_s, u"margin-right"_s), u"96px"_s); },
     [](const Pdf &p) {
         double widest = 0;
         for (const PdfWord &w : p.words())
             widest = std::max(widest, w.box.right());
         EXPECT_LE(widest, right - 72 + 0.5);
         EXPECT_GE(widest, right - 72 - 50);
     }},
    {"first line indent", longText,
     [](TextControl &t) { dialog(t, &TextControl::ParagraphDialog, {{u"firstLine"_s, u"0.5"_s}}); },
     [](TextControl &t) { return dialog(t, &TextControl::ParagraphDialog); },
     [](const HtmlPage &h) { EXPECT_EQ(h.css(u"Marked"_s, u"text-indent"_s), u"48px"_s); },
     [](const Pdf &p) {
         const QList<QRectF> lines = p.lines(u"Marked"_s, u"last."_s);
         ASSERT_GE(lines.size(), 3);
         EXPECT_NEAR(lines[0].left(), left + 36, 1);
         EXPECT_NEAR(lines[1].left(), left, 1);
     }},
    {"left tab", u"Marked\tTabbed"_s, [](TextControl &t) { tabAt(t, TextControl::TabLeft); }, tabs,
     [](const HtmlPage &h) { EXPECT_TRUE(h.text().contains(u"Marked\tTabbed"_s)) << "the tab is kept"; },
     [](const Pdf &p) { EXPECT_NEAR(p.word(u"Tabbed"_s).box.left(), left + 144, 1); }},
    {"right tab", u"Marked\tTabbed"_s, [](TextControl &t) { tabAt(t, TextControl::TabRight); }, tabs,
     [](const HtmlPage &h) { EXPECT_TRUE(h.text().contains(u"Marked\tTabbed"_s)); },
     [](const Pdf &p) { EXPECT_NEAR(p.word(u"Tabbed"_s).box.right(), left + 144, 1.5); }},
    {"centre tab", u"Marked\tTabbed"_s, [](TextControl &t) { tabAt(t, TextControl::TabCenter); }, tabs,
     [](const HtmlPage &h) { EXPECT_TRUE(h.text().contains(u"Marked\tTabbed"_s)); },
     [](const Pdf &p) { EXPECT_NEAR(p.word(u"Tabbed"_s).box.center().x(), left + 144, 1.5); }},
    {"decimal tab", u"Marked\t1234.5"_s, [](TextControl &t) { tabAt(t, TextControl::TabDecimal); }, tabs,
     [](const HtmlPage &h) { EXPECT_TRUE(h.text().contains(u"Marked\t1234.5"_s)); },
     [](const Pdf &p) {
         // Four digits before the point, one after: the point stands at the stop.
         const QRectF b = p.word(u"1234.5"_s).box;
         EXPECT_NEAR(b.left() + b.width() * 0.75, left + 144, 3) << b.left() << " " << b.right();
     }},
    {"double line spacing", longText,
     [](TextControl &t) { dialog(t, &TextControl::ParagraphDialog, {{u"lineSpacing"_s, u"2"_s}}); },
     [](TextControl &t) { return dialog(t, &TextControl::ParagraphDialog); },
     [](const HtmlPage &h) { EXPECT_EQ(h.css(u"Marked"_s, u"line-height"_s), u"200%"_s); },
     [](const Pdf &p) { EXPECT_NEAR(p.pitch(), 2.0, 0.25); }},
    {"one and a half line spacing", longText,
     [](TextControl &t) { dialog(t, &TextControl::ParagraphDialog, {{u"lineSpacing"_s, u"1"_s}}); },
     [](TextControl &t) { return dialog(t, &TextControl::ParagraphDialog); },
     [](const HtmlPage &h) { EXPECT_EQ(h.css(u"Marked"_s, u"line-height"_s), u"150%"_s); },
     [](const Pdf &p) { EXPECT_NEAR(p.pitch(), 1.5, 0.2); }},
    {"space before", u"Marked"_s,
     [](TextControl &t) { dialog(t, &TextControl::ParagraphDialog, {{u"spaceBefore"_s, u"0.5"_s}}); },
     [](TextControl &t) { return dialog(t, &TextControl::ParagraphDialog); },
     [](const HtmlPage &h) { EXPECT_EQ(h.css(u"Marked"_s, u"margin-top"_s), u"48px"_s); },
     [](const Pdf &p) { EXPECT_NEAR(p.word(u"Marked"_s).box.top() - p.word(u"Before"_s).box.bottom(), 36, 3); }},
    {"space after", u"Marked"_s,
     [](TextControl &t) { dialog(t, &TextControl::ParagraphDialog, {{u"spaceAfter"_s, u"0.5"_s}}); },
     [](TextControl &t) { return dialog(t, &TextControl::ParagraphDialog); },
     [](const HtmlPage &h) { EXPECT_EQ(h.css(u"Marked"_s, u"margin-bottom"_s), u"48px"_s); },
     [](const Pdf &p) { EXPECT_NEAR(p.word(u"After"_s).box.top() - p.word(u"Marked"_s).box.bottom(), 36, 3); }},
    {"bullet", u"Marked"_s, [](TextControl &t) { t.setSelBullet(true); },
     [](TextControl &t) { return QString::number(t.SelBullet()); },
     [](const HtmlPage &h) {
         EXPECT_EQ(h.enclosing(u"Marked"_s, u"li"_s).tag, u"li"_s);
         const HtmlElement list = h.enclosing(u"Marked"_s, u"ul"_s);
         EXPECT_EQ(list.tag, u"ul"_s) << "an unordered list, discs unless it says otherwise";
         EXPECT_TRUE(list.style.value(u"list-style-type"_s, u"disc"_s) == u"disc"_s);
     },
     [](const Pdf &p) {
         const QRectF m = p.word(u"Marked"_s).box;
         EXPECT_GT(m.left(), left + 10);
         EXPECT_GT(p.pixels(QRectF(QPointF(left, m.top()), QPointF(m.left() - 2, m.bottom())), dark), 4)
             << "a bullet before the text";
     }},
    {"numbering", u"Marked"_s,
     [](TextControl &t) {
         withModel(t, [](rtf::Document &, rtf::Paragraph &p) { p.format.numbering = {rtf::Numbering::LowerRoman, 1, 0, 1, ""}; });
     },
     [](TextControl &t) {
         const QTextBlock b = t.textCursor().block();
         return b.textList() ? b.textList()->itemText(b) : u"-"_s;
     },
     [](const HtmlPage &h) {
         EXPECT_EQ(h.enclosing(u"Marked"_s, u"li"_s).tag, u"li"_s);
         EXPECT_EQ(h.attribute(u"Marked"_s, u"ol"_s, u"type"_s), u"i"_s);
     },
     [](const Pdf &p) {
         const QRectF m = p.word(u"Marked"_s).box, n = p.word(u"i."_s).box;
         EXPECT_NEAR(n.center().y(), m.center().y(), 2) << "the number stands on the paragraph's line";
         EXPECT_LT(n.right(), m.left());
         EXPECT_GE(n.left(), left);
     }},
    {"footnote", u"Marked Marked"_s,
     [](TextControl &t) {
         withModel(t, [](rtf::Document &m, rtf::Paragraph &p) {
             m.footnotes.push_back({{paragraph({run(u"The note's own text.")})}});
             rtf::Inline mark = run(u"");
             mark.footnote = int(m.footnotes.size()) - 1;
             p.inlines.insert(p.inlines.begin() + 1, mark);
         });
     },
     structure,
     [](const HtmlPage &h) {
         EXPECT_EQ(h.attribute(u"1"_s, u"a"_s, u"href"_s), u"#fn1"_s) << "the mark links to its note";
         EXPECT_EQ(h.css(u"1"_s, u"vertical-align"_s), u"super"_s);
         EXPECT_EQ(h.enclosing(u"The note's own text."_s, u"li"_s).attributes.value(u"id"_s), u"fn1"_s);
         EXPECT_EQ(h.attribute(u"The note's own text."_s, u"ol"_s, u"class"_s), u"footnotes"_s);
         EXPECT_GT(h.text().indexOf(u"The note's own text."_s), h.text().indexOf(u"After paragraph."_s));
     },
     [](const Pdf &p) {
         // The mark stands raised and smaller right after the marked word.
         const QList<PdfWord> ws = p.words();
         const auto mark = std::find_if(ws.begin(), ws.end(), [](const PdfWord &w) {
             return w.text == u"1"_s || w.text == u"Marked1"_s;
         });
         ASSERT_NE(mark, ws.end()) << p.file.text(1).toStdString();
         EXPECT_LE(mark->box.top(), p.word(u"Before"_s).box.bottom() + 30);
     }},

    // --- Table ---------------------------------------------------------------
    {"table rows and columns", u"Marked"_s, [](TextControl &t) { addTable(t, 2, 3); }, tableShape,
     [](const HtmlPage &h) {
         EXPECT_EQ(h.all(u"tr"_s).size(), 2);
         EXPECT_EQ(h.all(u"td"_s).size(), 6);
     },
     [](const Pdf &p) {
         EXPECT_NEAR(p.word(u"c01"_s).box.top(), p.word(u"c00"_s).box.top(), 0.5);
         EXPECT_GT(p.word(u"c10"_s).box.top(), p.word(u"c00"_s).box.bottom());
         EXPECT_NEAR(p.word(u"c10"_s).box.left(), p.word(u"c00"_s).box.left(), 0.5);
         EXPECT_GT(p.word(u"c02"_s).box.left(), p.word(u"c01"_s).box.right());
     }},
    {"column widths", u"Marked"_s,
     [](TextControl &t) {
         addTable(t, 1, 3);
         dialog(t, &TextControl::TableAttrDialog, {{u"columns"_s, u"1; 2; 1.5"_s}});
     },
     [](TextControl &t) { return select(t, u"c00"_s) ? dialog(t, &TextControl::TableAttrDialog) : QString(); },
     [](const HtmlPage &h) {
         QStringList widths;
         for (const HtmlElement &td : h.all(u"td"_s))
             widths << td.attributes.value(u"width"_s);
         EXPECT_EQ(widths, (QStringList{u"96"_s, u"192"_s, u"144"_s}));
     },
     [](const Pdf &p) {
         EXPECT_NEAR(p.word(u"c01"_s).box.left() - p.word(u"c00"_s).box.left(), 72, 1);
         EXPECT_NEAR(p.word(u"c02"_s).box.left() - p.word(u"c01"_s).box.left(), 144, 1);
     }},
    {"table border", u"Marked"_s,
     [](TextControl &t) {
         addTable(t, 1, 2);
         dialog(t, &TextControl::TableAttrDialog, {{u"border"_s, u"0.0625"_s}});
     },
     [](TextControl &t) { return select(t, u"c00"_s) ? dialog(t, &TextControl::TableAttrDialog) : QString(); },
     [](const HtmlPage &h) { EXPECT_EQ(h.attribute(u"c00"_s, u"table"_s, u"border"_s), u"6"_s); },
     [](const Pdf &p) {
         const QRectF a = p.word(u"c00"_s).box, b = p.word(u"c01"_s).box;
         EXPECT_GT(p.pixels(QRectF(QPointF(a.right() + 1, a.top()), QPointF(b.left() - 1, a.bottom())), inked), 5)
             << "a line between the cells";
         EXPECT_GT(p.pixels(QRectF(QPointF(left - 2, a.top()), QPointF(a.left() - 1, a.bottom())), inked), 5)
             << "a line at the table's left";
     }},
    {"cell spacing", u"Marked"_s,
     [](TextControl &t) {
         addTable(t, 1, 2);
         dialog(t, &TextControl::TableAttrDialog, {{u"spacing"_s, u"0.25"_s}, {u"border"_s, u"0.02"_s}});
     },
     [](TextControl &t) { return select(t, u"c00"_s) ? dialog(t, &TextControl::TableAttrDialog) : QString(); },
     [](const HtmlPage &h) { EXPECT_EQ(h.attribute(u"c00"_s, u"table"_s, u"cellspacing"_s), u"24"_s); },
     [](const Pdf &p) {
         // The columns share the text's width; spacing adds to it.
         EXPECT_NEAR(p.word(u"c01"_s).box.left() - p.word(u"c00"_s).box.left(), (right - left) / 2 + 18, 3);
     }},
    {"table background", u"Marked"_s,
     [](TextControl &t) {
         addTable(t, 1, 2);
         dialog(t, &TextControl::TableAttrDialog, {{u"background"_s, u"#00ff00"_s}});
     },
     [](TextControl &t) { return select(t, u"c00"_s) ? dialog(t, &TextControl::TableAttrDialog) : QString(); },
     [](const HtmlPage &h) { EXPECT_EQ(h.attribute(u"c00"_s, u"table"_s, u"bgcolor"_s), u"#00ff00"_s); },
     [](const Pdf &p) {
         const QRectF a = p.word(u"c00"_s).box;
         EXPECT_GT(p.pixels(a.adjusted(-4, -2, 100, 2), near(Qt::green)), 200);
     }},

    {"nested table", u"Marked"_s,
     [](TextControl &t) {
         withModel(t, [](rtf::Document &m, rtf::Paragraph &) {
             const rtf::Block inner = table({{paragraph({run(u"Inner1")})}, {paragraph({run(u"Inner2")})}}, 1440, 144,
                                            15, 0x00FF00);
             m.blocks.insert(m.blocks.end() - 1,
                             table({{paragraph({run(u"Outer")}), inner}, {paragraph({run(u"Beside")})}}, 4320, 0, 15));
         });
     },
     [](TextControl &t) { return nesting(t, u"Inner1"_s); },
     [](const HtmlPage &h) {
         QStringList tags;
         for (const HtmlElement &e : h.around(u"Inner1"_s))
             tags << e.tag;
         EXPECT_EQ(tags.count(u"table"_s), 2) << tags.join(u' ').toStdString();
         EXPECT_EQ(h.attribute(u"Inner1"_s, u"table"_s, u"bgcolor"_s), u"#00ff00"_s);
         EXPECT_EQ(h.attribute(u"Inner1"_s, u"table"_s, u"cellspacing"_s), u"9.6"_s);
     },
     [](const Pdf &p) {
         const QRectF outer = p.word(u"Outer"_s).box, a = p.word(u"Inner1"_s).box, b = p.word(u"Inner2"_s).box;
         EXPECT_GT(a.top(), outer.bottom()) << "the inner table below the cell's first paragraph";
         EXPECT_GT(a.left(), outer.left() + 5) << "inside the outer cell, apart by the spacing";
         EXPECT_NEAR(a.top(), b.top(), 0.5);
         EXPECT_LT(b.right(), p.word(u"Beside"_s).box.left()) << "the inner table stays in its cell";
         EXPECT_GT(p.pixels(a.adjusted(-4, -2, 40, 2), near(Qt::green)), 100);
     }},

    // --- Pictures and objects --------------------------------------------------
    {"picture in the line", u"Marked Marked"_s,
     [](TextControl &t) {
         t.setSelStart(t.SelStart() + 6);
         ASSERT_TRUE(t.ObjectInsertAsChar(0, red(), -1, 100, 100));
     },
     [](TextControl &t) {
         t.setSelStart(t.SelStart() + 6);
         t.setSelLength(1);
         return description(t.ObjectCurrent());
     },
     [](const HtmlPage &h) {
         const HtmlElement img = h.all(u"img"_s).value(0);
         EXPECT_TRUE(img.attributes.value(u"src"_s).startsWith(u"data:image/png;base64,"_s));
         EXPECT_EQ(img.attributes.value(u"width"_s), u"40"_s);
     },
     [](const Pdf &p) {
         const QRectF m = p.word(u"Marked"_s).box;
         EXPECT_NEAR(p.pixels(QRectF(m.right(), m.bottom() - 40, 60, 40), near(Qt::red)), 30 * 22.5, 60);
     }},
    {"floating picture", longText,
     [](TextControl &t) {
         t.setViewMode(1);  // laid out on the page, as a user sees it there
         const QRectF block = t.document()->documentLayout()->blockBoundingRect(t.textCursor().block());
         ASSERT_TRUE(t.ObjectInsertFixed(0, red(), 0, int(document::unitsToTwips(block.top())) + 30, 100, 100, 0,
                                         0, 3, 3, 0, 0, 360, 0));
     },
     firstObject,
     [](const HtmlPage &h) {
         const auto tables = h.all(u"table"_s);
         EXPECT_TRUE(std::any_of(tables.begin(), tables.end(),
                                 [](const HtmlElement &t) { return t.style.value(u"float"_s) == u"left"_s; }));
         EXPECT_TRUE(h.all(u"img"_s).value(0).attributes.value(u"src"_s).startsWith(u"data:image/"_s));
     },
     [](const Pdf &p) {
         // The text flows round the picture at the distance kept to it.
         const QRectF m = p.word(u"Marked"_s).box;
         EXPECT_NEAR(m.left(), left + 30 + 18, 1.5);
         EXPECT_GT(p.pixels(QRectF(left, m.top() - 10, 30, 40), near(Qt::red)), 200);
     }},
    {"distances", longText,
     [](TextControl &t) {
         ASSERT_TRUE(t.ObjectInsertFixed(0, red(), 9000, 0, 100, 100, 0, 0, 3, 3, 0, 0, 0, 0));
         auto *o = qobject_cast<TextObject *>(t.ObjectCurrent());
         ASSERT_NE(o, nullptr);
         o->setDistance(1, 720);
         o->setDistance(4, 288);
     },
     firstObject,
     [](const HtmlPage &h) {
         const auto tables = h.all(u"table"_s);
         EXPECT_TRUE(std::any_of(tables.begin(), tables.end(), [](const HtmlElement &t) {
             return t.style.value(u"float"_s) == u"right"_s && t.style.value(u"margin-left"_s) == u"48px"_s;
         }));
     },
     [](const Pdf &p) {
         const QList<PdfWord> ws = p.words();
         double widest = 0;
         for (const PdfWord &w : ws) {
             if (w.box.top() < p.word(u"Marked"_s).box.bottom())
                 widest = std::max(widest, w.box.right());
         }
         EXPECT_LE(widest, right - 30 - 36 + 0.5) << "the line keeps its distance to the picture";
     }},

    // --- Page ---------------------------------------------------------------------
    {"page size", u"Marked"_s,
     [](TextControl &t) {
         t.setPageWidth(8391);
         t.setPageHeight(11906);
     },
     [](TextControl &t) { return u"%1x%2"_s.arg(t.PageWidth()).arg(t.PageHeight()); },
     [](const HtmlPage &h) { EXPECT_TRUE(h.styleSheet().contains(u"size: 419.55pt 595.30pt"_s)); },
     [](const Pdf &p) {
         EXPECT_NEAR(p.file.pageSize(1).width(), 419.55, 1);
         EXPECT_NEAR(p.file.pageSize(1).height(), 595.3, 1);
     }},
    {"landscape", u"Marked"_s,
     [](TextControl &t) {
         t.setPageWidth(15840);
         t.setPageHeight(12240);
     },
     [](TextControl &t) { return u"%1x%2"_s.arg(t.PageWidth()).arg(t.PageHeight()); },
     [](const HtmlPage &h) { EXPECT_TRUE(h.styleSheet().contains(u"size: 792.00pt 612.00pt"_s)); },
     [](const Pdf &p) { EXPECT_GT(p.file.pageSize(1).width(), p.file.pageSize(1).height()); }},
    {"margins", u"Marked"_s,
     [](TextControl &t) {
         t.setPageMarginL(2880);
         t.setPageMarginT(2160);
         t.setPageMarginR(720);
         t.setPageMarginB(1000);
     },
     [](TextControl &t) {
         return u"%1 %2 %3 %4"_s.arg(t.PageMarginL()).arg(t.PageMarginT()).arg(t.PageMarginR()).arg(t.PageMarginB());
     },
     [](const HtmlPage &h) { EXPECT_TRUE(h.styleSheet().contains(u"margin: 108.00pt 36.00pt 50.00pt 144.00pt"_s)); },
     [](const Pdf &p) {
         EXPECT_NEAR(p.word(u"Before"_s).box.left(), 144, 1);
         EXPECT_NEAR(p.word(u"Before"_s).box.top(), 108, 4);
     }},
    {"page break", u"Marked"_s,
     [](TextControl &t) {
         t.setSelStart(t.SelStart());
         QTest::keyClick(&t, Qt::Key_Return, Qt::ControlModifier);
     },
     [](TextControl &t) {
         return QString::number(t.textCursor().blockFormat().pageBreakPolicy() & QTextFormat::PageBreak_AlwaysBefore);
     },
     [](const HtmlPage &h) { EXPECT_EQ(h.css(u"Marked"_s, u"page-break-before"_s), u"always"_s); },
     [](const Pdf &p) {
         EXPECT_EQ(p.file.pages(), 2);
         EXPECT_FALSE(p.file.text(1).contains(u"Marked"_s));
         EXPECT_TRUE(p.file.text(2).contains(u"Marked"_s));
     }},
    {"header", u"Marked"_s,
     [](TextControl &t) {
         withModel(t, [](rtf::Document &m, rtf::Paragraph &) {
             m.headers.push_back({rtf::HeaderFooter::Header, rtf::HeaderFooter::All,
                                  {paragraph({run(u"Running head, page "), run(u"9", rtf::Field::Page)})}});
         });
     },
     structure,
     [](const HtmlPage &h) {
         EXPECT_EQ(h.attribute(u"Running head"_s, u"div"_s, u"class"_s), u"page-header"_s);
         EXPECT_TRUE(h.text().contains(u"Running head, page 1"_s));
         EXPECT_LT(h.text().indexOf(u"Running head"_s), h.text().indexOf(u"Before paragraph."_s));
     },
     [](const Pdf &p) {
         EXPECT_EQ(p.file.text(1).count(u"Running head, page 1"_s), 1);
         EXPECT_NEAR(p.word(u"Running"_s).box.top(), 36, 4) << "half an inch from the paper's top";
     }},
    {"footer", u"Marked"_s,
     [](TextControl &t) {
         withModel(t, [](rtf::Document &m, rtf::Paragraph &) {
             m.blocks.back().paragraph.format.pageBreakBefore = true;
             m.headers.push_back({rtf::HeaderFooter::Footer, rtf::HeaderFooter::All,
                                  {paragraph({run(u"Page "), run(u"9", rtf::Field::Page), run(u" of "),
                                              run(u"9", rtf::Field::NumPages)})}});
         });
     },
     structure,
     [](const HtmlPage &h) {
         EXPECT_EQ(h.attribute(u"Page "_s, u"div"_s, u"class"_s), u"page-footer"_s);
         EXPECT_TRUE(h.text().contains(u"Page 2 of 2"_s)) << "the last page's footer";
         EXPECT_GT(h.text().indexOf(u"Page 2"_s), h.text().indexOf(u"After paragraph."_s));
     },
     [](const Pdf &p) {
         // Each page shows its own footer once, and only its own text.
         ASSERT_EQ(p.file.pages(), 2);
         for (const int page : {1, 2}) {
             const QString text = p.file.text(page);
             EXPECT_EQ(text.count(u"Page %1 of 2"_s.arg(page)), 1) << text.toStdString();
             EXPECT_EQ(text.count(u"Page "_s), 1);
             EXPECT_NEAR(p.word(u"Page"_s, page).box.bottom(), 792 - 36, 4);
             EXPECT_EQ(text.contains(u"Before"_s), page == 1);
             EXPECT_EQ(text.contains(u"After"_s), page == 2);
         }
     }},
    {"section", u"Marked"_s,
     [](TextControl &t) {
         withModel(t, [](rtf::Document &m, rtf::Paragraph &p) {
             rtf::Section s;
             for (size_t i = 0; i < m.blocks.size(); ++i)
                 s.start = &m.blocks[i].paragraph == &p ? i : s.start;
             s.breakKind = rtf::Section::None;
             s.page = {15840, 12240, {}, {}, {}, {}, true};
             s.headers.push_back({rtf::HeaderFooter::Header, rtf::HeaderFooter::All,
                                  {paragraph({run(u"Second section's head")})}});
             m.sections.push_back(std::move(s));
         });
         // A paragraph split off the section's first goes on in the section.
         select(t, u"Marked"_s);
         t.setSelStart(t.SelStart() + t.SelLength());
         QTest::keyClick(&t, Qt::Key_Return);
     },
     [](TextControl &t) {
         const QString s = structure(t);
         EXPECT_LE(s.count(u"section at"_s), 1) << s.toStdString();
         return s;
     },
     [](const HtmlPage &h) { EXPECT_TRUE(h.text().contains(u"Marked"_s)); },
     [](const Pdf &p) { EXPECT_TRUE(p.file.text(1).contains(u"Marked"_s)); }},
};

// A document with the row's marked paragraph between two others, in a font
// every machine here has.
void fill(TextControl &tc, const QString &marked)
{
    tc.setFontName(u"DejaVu Sans"_s);
    tc.setFontSize(12);
    tc.setSelText(u"Before paragraph.\n"_s + marked + u"\nAfter paragraph."_s);
    select(tc, marked);
}

} // namespace

TEST(AttributeMatrix, EachAttributeSurvivesRtfAndShowsInHtmlAndPdf)
{
    QTemporaryDir dir;
    const QString dump = qEnvironmentVariable("KALAMORA_MATRIX_PAGES");  // a folder to keep the pages in
    for (const Attribute &a : attributes) {
        SCOPED_TRACE(a.name);
        TextControl fresh, tc;
        fill(fresh, a.text);
        fill(tc, a.text);
        a.set(tc);
        if (::testing::Test::HasFatalFailure())
            return;
        const QString marker = u"Marked"_s;
        select(tc, marker);
        const QString value = a.read(tc);
        select(fresh, marker);
        EXPECT_NE(value, a.read(fresh)) << "setting it changed nothing";

        TextControl back;
        ASSERT_TRUE(back.setRtf(tc.toRtf()));
        select(back, marker);
        EXPECT_EQ(a.read(back), value) << "through RTF";
        EXPECT_EQ(back.toRtf(), tc.toRtf()) << "written again the same";

        const QString html = dir.filePath(u"page.htm"_s);
        ASSERT_TRUE(tc.Save(html, 0, TextControl::FormatHtml));
        QFile f(html);
        ASSERT_TRUE(f.open(QIODevice::ReadOnly));
        a.html(HtmlPage(QString::fromUtf8(f.readAll())));

        const QString pdf = dir.filePath(u"page.pdf"_s);
        ASSERT_TRUE(format::exportPdf(tc, pdf));
        a.pdf(Pdf(pdf));
        if (!dump.isEmpty()) {
            const QString name = QString::fromLatin1(a.name).replace(u' ', u'-');
            tc.Save(QDir(dump).filePath(name + u".rtf"_s), 0, TextControl::FormatRtf);
            for (int page = 1; page <= PdfFile(pdf).pages(); ++page)
                PdfFile(pdf).render(page, 50).save(QDir(dump).filePath(u"%1-%2.png"_s.arg(name).arg(page)));
        }
    }
}

// RTF lost the paragraph dialog's line spacing ("Double" came back single)
// and the table dialog's cell spacing and background: what the dialogs show
// after a save and a reload is what they were given.
TEST(AttributeMatrix, RtfDroppedLineSpacingCellSpacingAndTableBackground)
{
    for (const QString &spacing : {u"2"_s, u"1"_s}) {
        TextControl a, b;
        fill(a, u"Marked"_s);
        dialog(a, &TextControl::ParagraphDialog, {{u"lineSpacing"_s, spacing}});
        addTable(a, 2, 2);
        dialog(a, &TextControl::TableAttrDialog, {{u"spacing"_s, u"0.05"_s}, {u"background"_s, u"#00ff00"_s}});
        ASSERT_TRUE(b.setRtf(a.toRtf()));
        for (TextControl *tc : {&a, &b}) {
            select(*tc, u"Marked"_s);
            EXPECT_TRUE(dialog(*tc, &TextControl::ParagraphDialog).contains(u"lineSpacing="_s + spacing));
            select(*tc, u"c00"_s);
            EXPECT_TRUE(dialog(*tc, &TextControl::TableAttrDialog).contains(u"background=#00ff00;"_s));
            EXPECT_TRUE(dialog(*tc, &TextControl::TableAttrDialog).contains(u"spacing=0.05"_s));
        }
    }
}
