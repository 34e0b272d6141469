// Numbered lists, headers, footers, footnotes and nested tables in the
// control: kept through open and save, shown on the printed pages and in
// page view. The rows of StructureRoundTrip are shaped as the rows of an
// attribute matrix: set the attribute, read it back, save, load, read it
// back again, find it on the page.
#include "document/conversion.h"
#include "document/documentmodel.h"
#include "tests/document/describe.h"
#include "tests/textengine/printers.h"
#include "textengine/textcontrol.h"

#include <QDir>
#include <QFile>
#include <QPaintEngine>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextList>
#include <QTextTable>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;
using namespace kalamora;
using textengine::TextControl;

namespace {

// A paint device that keeps the text drawn on it, item by item.
class TextRecorder : public QPaintDevice {
public:
    QStringList items;

    QPaintEngine *paintEngine() const override { return &m_engine; }

    int metric(PaintDeviceMetric m) const override
    {
        switch (m) {
        case PdmWidth: return 1000;
        case PdmHeight: return 1400;
        case PdmDpiX:
        case PdmDpiY:
        case PdmPhysicalDpiX:
        case PdmPhysicalDpiY: return 96;
        case PdmWidthMM: return 265;
        case PdmHeightMM: return 370;
        case PdmDepth: return 32;
        case PdmNumColors: return 0x7FFFFFFF;
        case PdmDevicePixelRatio: return 1;
        case PdmDevicePixelRatioScaled: return static_cast<int>(QPaintDevice::devicePixelRatioFScale());
        }
        return 0;
    }

    // The items joined by '|'.
    QString text() const { return items.join(u'|'); }

private:
    class Engine : public QPaintEngine {
    public:
        explicit Engine(QStringList &items) : m_items(items) {}
        bool begin(QPaintDevice *) override { return true; }
        bool end() override { return true; }
        void updateState(const QPaintEngineState &) override {}
        void drawPixmap(const QRectF &, const QPixmap &, const QRectF &) override {}
        void drawPolygon(const QPointF *, int, PolygonDrawMode) override {}
        void drawPath(const QPainterPath &) override {}
        void drawTextItem(const QPointF &, const QTextItem &item) override { m_items << item.text(); }
        Type type() const override { return QPaintEngine::User; }

    private:
        QStringList &m_items;
    };
    mutable Engine m_engine{items};
};

QString printed(TextControl &tc, int page)
{
    TextRecorder rec;
    tc.setPrintDevice(&rec);
    EXPECT_TRUE(tc.PrintPage(page)) << page;
    tc.setPrintDevice(nullptr);
    return rec.text();
}

std::string structure(const TextControl &tc)
{
    return describe(document::modelFromDocument(*tc.document(), {}));
}

// The numbers and bullets the lists show, in the order of the paragraphs.
QString listMarks(const TextControl &tc)
{
    QStringList marks;
    for (QTextBlock b = tc.document()->begin(); b.isValid(); b = b.next()) {
        if (QTextList *list = b.textList())
            marks << list->itemText(b);
    }
    return marks.join(u' ');
}

// The tables that stand in the first cell of each table, by their size.
QString nestedTables(const TextControl &tc)
{
    QStringList found;
    for (QTextFrame *f : tc.document()->rootFrame()->childFrames()) {
        auto *outer = qobject_cast<QTextTable *>(f);
        if (!outer)
            continue;
        for (QTextFrame *inner : f->childFrames()) {
            auto *t = qobject_cast<QTextTable *>(inner);
            if (t && outer->cellAt(t->firstPosition() - 1).row() == 0 && outer->cellAt(t->firstPosition() - 1).column() == 0)
                found << u"%1x%2"_s.arg(t->rows()).arg(t->columns());
        }
    }
    return found.join(u' ');
}

QString fixture(const QString &name)
{
    return QDir(qEnvironmentVariable("KALAMORA_SOURCE_DIR", u"../.."_s)).filePath(u"tests/textengine/fixtures/"_s + name);
}

// A document's text with the two structures Text() shows as one character
// (footnote marks and fields) left out.
QString plainText(const TextControl &tc)
{
    QString t = tc.Text();
    t.remove(QChar::ObjectReplacementCharacter);
    return t;
}

// Text drawn on a printed page (items joined by '|'), or not drawn there.
struct PageText {
    int page;
    QString text;
    bool shown = true;
};

struct StructureRow {
    const char *name;
    QByteArray rtf;  // the attribute as another word processor writes it
    std::function<QString(const TextControl &)> readBack;
    QString expected;
    std::vector<PageText> printed;
};

const QByteArray listTable =
    R"({\*\listtable{\list{\listlevel\levelnfc0{\leveltext\'02\'00.;}}{\listlevel\levelnfc4\levelstartat2{\leveltext\'02\'01);}})"
    R"(\listid5}}{\*\listoverridetable{\listoverride\listid5\ls1}})";

const QByteArray threePages = R"(\pard one\page two\page three)";

// A row border on every side and between the cells, `width` twips wide.
QByteArray rowBorder(int width)
{
    QByteArray out;
    for (const char *side : {"t", "l", "b", "r", "h", "v"})
        out += "\\trbrdr" + QByteArray(side) + "\\brdrs\\brdrw" + QByteArray::number(width);
    return out;
}

const QByteArray onePixelPng = "89504e470d0a1a0a0000000d4948445200000001000000010802000000907753de0000000c49444154789c63"
                               "f8cfc0000003010100c9fe92ef0000000049454e44ae426082";

} // namespace

TEST(Structure, StructureRoundTrip)
{
    const auto model = [](const TextControl &tc) { return QString::fromStdString(structure(tc)); };
    const StructureRow rows[] = {
        {"numbering", listTable + R"(\pard\ls1 one\par\pard\ls1\ilvl1 sub\par\pard\ls1\ilvl1 sub2\par\pard\ls1 two)",
         [&](const TextControl &tc) { return model(tc) + u" # "_s + listMarks(tc); },
         // (Qt 6.4 lists cannot start at another number than 1: the file
         // keeps the start, the page shows the list from 1.)
         u"[1.0 d 1 %1.]one / [1.1 l 2 %2)]sub / [1.1 l 2 %2)]sub2 / [1.0 d 1 %1.]two # 1. a) b) 2."_s,
         {{1, u"1.|one|a)|sub|b)|sub2|2.|two"_s}}},
        {"header", R"(\titlepg{\headerf\pard First head\par}{\header\pard Other head\par})" + threePages, model,
         u"HF(First head) HA(Other head) titlepg one / two / three"_s,
         {{1, u"First head"_s}, {1, u"Other head"_s, false}, {2, u"Other head"_s}, {3, u"Other head"_s},
          {3, u"First head"_s, false}}},
        {"first, left and right pages",
         R"(\facingp\titlepg{\headerf\pard HF\par}{\headerl\pard HL\par}{\headerr\pard HR\par})"
         R"({\footerf\pard FF\par}{\footerl\pard FL\par}{\footerr\pard FR\par})" + threePages,
         model, u"HF(HF) Hl(HL) Hr(HR) FF(FF) Fl(FL) Fr(FR) titlepg facingp one / two / three"_s,
         {{1, u"HF"_s}, {1, u"FF"_s}, {2, u"HL"_s}, {2, u"FL"_s}, {2, u"HR"_s, false}, {3, u"HR"_s}, {3, u"FR"_s},
          {3, u"FL"_s, false}}},
        {"footer",
         R"({\footer\pard Page {\field{\*\fldinst PAGE}{\fldrslt 1}} of {\field{\*\fldinst NUMPAGES \\* MERGEFORMAT}{\fldrslt 1}}\par})"
             + threePages,
         model, u"FA(Page <P:1> of <N:1>) one / two / three"_s,
         {{1, u"|Page |1| of |3"_s}, {3, u"|Page |3| of |3"_s}}},
        {"footnote",
         R"(\pard Text{\super\chftn{\footnote\pard\plain{\super\chftn} Note one.}} and{\super\chftn{\footnote\pard Two.}}.)",
         model, u"Text{n: <#> Note one.} and{n: Two.}."_s, {{1, u"Text|1| and|2|."_s}}},
        {"nested table",
         R"(\trowd\cellx3000\cellx6000\pard\intbl A\par\pard\intbl\itap2 n1\nestcell\pard\intbl\itap2 n2\nestcell)"
         R"({\*\nesttableprops\trowd\cellx1000\cellx2000\nestrow}{\nonesttables\par}\pard\intbl\cell\pard\intbl B\cell\row\pard after)",
         [&](const TextControl &tc) { return model(tc) + u" # "_s + nestedTables(tc); },
         u" / T(A / T(n1|n2|/) / |B|/) / after # 1x2"_s, {{1, u"A|n1|n2|B|after"_s}}},
        // The table's own spacing, border and background, at each depth.
        {"nested table spacing, border and background",
         R"({\colortbl;\red0\green255\blue0;\red255\green0\blue0;})"
         R"(\trowd\trspdl54\trspdr54\trcbpat1)" + rowBorder(20) + R"(\cellx3000\cellx6000\pard\intbl A\par)"
         R"(\pard\intbl\itap2 n1\nestcell\pard\intbl\itap2 n2\nestcell{\*\nesttableprops\trowd\trspdl30\trspdr30\trcbpat2)"
         + rowBorder(10) + R"(\cellx1000\cellx2000\nestrow}{\nonesttables\par}\pard\intbl\cell\pard\intbl B\cell\row\pard after)",
         model, u" / T(A / T(n1|n2|{s60 b10 #ff0000}/) / |B|{s108 b20 #00ff00}/) / after"_s,
         {{1, u"A|n1|n2|B|after"_s}}},
        {"floating picture in a list with a footnote",
         listTable + R"(\pard\ls1{\shp{\*\shpinst\shpleft300\shptop150{\sp{\sn pib}{\sv {\pict\pngblip\picwgoal600\pichgoal450 )"
             + onePixelPng + R"(}}}}}one{\super\chftn{\footnote\pard\ls1 in note}}\par\pard\ls1 two)",
         [&](const TextControl &tc) { return model(tc) + u" # "_s + listMarks(tc); },
         u"[1.0 d 1 %1.]#f(300,150)one{n: [1.0 d 1 %1.]in note} / [1.0 d 1 %1.]two # 1. 2."_s,
         {{1, u"one|1|"_s}, {1, u"2.|two"_s}}},
    };
    for (const StructureRow &row : rows) {
        SCOPED_TRACE(row.name);
        TextControl tc;
        ASSERT_TRUE(tc.setRtf("{\\rtf1" + row.rtf + "}"));
        EXPECT_EQ(row.readBack(tc), row.expected);
        const QByteArray saved = tc.toRtf();
        TextControl again;
        ASSERT_TRUE(again.setRtf(saved));
        EXPECT_EQ(row.readBack(again), row.expected) << saved.toStdString();
        EXPECT_EQ(again.toRtf(), saved);
        for (const PageText &p : row.printed)
            EXPECT_EQ(printed(again, p.page).contains(p.text), p.shown) << p.page << ": " << p.text.toStdString();
    }
}

// Files from LibreOffice and AbiWord with a numbered list of two levels,
// a header, a footer with the page number, a footnote and a table in a
// table: what they hold opens, is kept through save and open, and prints.
TEST(Structure, FixturesKeepTheirStructure)
{
    struct Case {
        const char *writer;
        std::string structure;
        QString marks;
    };
    const Case cases[] = {
        {"lo",
         "HA(Header of the structure sample) FA(Footer, page <P:1>) "
         "A paragraph with a footnote{n: <#>\tThe footnote text.} in it. / [1.0 d 1 %1.]First item / "
         "[1.0 d 1 %1.]Second item / [1.1 l 1 %2)]Sub item one / [1.1 l 1 %2)]Sub item two / [1.0 d 1 %1.]Third item / "
         "Before the tables. / T(Outer A1 / T(Inner 1|Inner 2|/Inner 3|Inner 4|/) / Below the inner table|Outer B1|"
         "/Outer A2|Outer B2|/) / After the tables.",
         u"1. 2. a) b) 3."_s},
        // AbiWord keeps no page field (it had the file by way of .docx), and
        // gives the second level the numbers of both ("2.a."): shown as "a.",
        // written back as it came.
        {"abi",
         "HA(Header of the structure sample) FA(Footer, page 1) "
         "A paragraph with a footnote{n: <#>\tThe footnote text.} in it. / [1.0 d 1 %1.]First item / "
         "[1.0 d 1 %1.]Second item / [1.1 l 1 %1.%2.]Sub item one / [1.1 l 1 %1.%2.]Sub item two / "
         "[1.0 d 1 %1.]Third item / Before the tables. / T(Outer A1 / T(Inner 1|Inner 2|/Inner 3|Inner 4|/) /  / "
         "Below the inner table|Outer B1|/Outer A2|Outer B2|/) /  / After the tables.",
         u"1. 2. a. b. 3."_s},
    };
    for (const Case &c : cases) {
        const QString name = QString::fromLatin1(c.writer) + u"-structure"_s;
        SCOPED_TRACE(name.toStdString());
        TextControl tc;
        ASSERT_TRUE(tc.Load(fixture(name + u".rtf"_s), 0, 5)) << tc.errorString().toStdString();
        QFile expected(fixture(name + u".txt"_s));
        ASSERT_TRUE(expected.open(QIODevice::ReadOnly));
        EXPECT_EQ(plainText(tc), QString::fromUtf8(expected.readAll()));
        EXPECT_EQ(structure(tc), c.structure);
        EXPECT_EQ(listMarks(tc), c.marks);
        TextControl again;
        ASSERT_TRUE(again.setRtf(tc.toRtf()));
        EXPECT_EQ(structure(again), c.structure);
        EXPECT_EQ(again.Text(), tc.Text());
        EXPECT_EQ(again.toRtf(), tc.toRtf());
        const QString page = printed(again, 1);
        EXPECT_TRUE(page.contains(u"|1| in it.|1.|First item|"_s)) << page.toStdString();
        EXPECT_TRUE(page.endsWith(u"|Header of the structure sample|Footer, page |1"_s)
                    || page.endsWith(u"|Header of the structure sample|Footer, page 1"_s))
            << page.toStdString();
    }
}

// Page view shows each sheet's header and footer, at any zoom.
TEST(Structure, PageViewShowsHeadersAndFooters)
{
    for (const int zoom : {100, 50}) {
        SCOPED_TRACE(zoom);
        TextControl tc;
        ASSERT_TRUE(tc.setRtf("{\\rtf1{\\header\\pard Head\\par}{\\footer\\pard Page {\\field{\\*\\fldinst PAGE}}\\par}"
                              + threePages + "}"));
        tc.resize(1000, 3600 * zoom / 100);
        tc.setViewMode(1);
        tc.setZoomFactor(zoom);
        tc.show();
        TextRecorder rec;
        tc.viewport()->render(&rec);
        EXPECT_EQ(rec.items.count(u"Head"_s), 3);
        for (int page = 1; page <= 3; ++page)
            EXPECT_TRUE(rec.text().contains(u"Page |%1"_s.arg(page))) << rec.text().toStdString();
    }
}

// A footnote mark or a field is one character: text typed beside it and
// then saved is text, and the note stays whole.
TEST(Structure, TextTypedBesideAMarkStaysText)
{
    TextControl tc;
    ASSERT_TRUE(tc.setRtf(R"({\rtf1 a{\super\chftn{\footnote\pard note}}b {\field{\*\fldinst PAGE}{\fldrslt 4}}c})"));
    EXPECT_EQ(tc.Text(), u"a\uFFFCb \uFFFCc"_s);
    tc.setSelStart(2);
    tc.setSelText(u"x"_s);
    tc.setSelStart(6);
    tc.setSelText(u"y"_s);
    TextControl again;
    ASSERT_TRUE(again.setRtf(tc.toRtf()));
    EXPECT_EQ(structure(again), "a{n: note}xb <P:4>yc");
}

// Converting a document to Unicode and back reaches its headers, footers
// and footnotes as well as its body.
TEST(Structure, ConversionLeavesHeadersAndFootnotesInKruti)
{
    TextControl tc;
    ASSERT_TRUE(tc.setRtf(R"({\rtf1{\fonttbl{\f1 Kruti Dev 010;}}{\header\pard\f1 dey\par}{\footer\pard\f1 fgUnh\par})"
                          R"(\pard\f1 dey{\super\chftn{\footnote\pard\f1 fgUnh}} dey})"));
    const auto kinds = [](const TextControl &t) {
        const rtf::Document m = document::modelFromDocument(*t.document(), {});
        std::string fonts;
        const auto font = [&](const std::vector<rtf::Block> &blocks) {
            fonts += blocks.front().paragraph.inlines.front().format.font + ";";
        };
        for (const rtf::HeaderFooter &h : m.headers)
            font(h.blocks);
        font(m.footnotes.at(0).blocks);
        font(m.blocks);
        return fonts + describe(m);
    };
    using document::Conversion;
    EXPECT_EQ(document::convertDocument(*tc.document(), Conversion::ToUnicode, false), 6);
    EXPECT_EQ(kinds(tc), "Noto Sans Devanagari;Noto Sans Devanagari;Noto Sans Devanagari;Noto Sans Devanagari;"
                         "HA(~~~) FA(~~~~~~) ~~~{n: ~~~~~~} ~~~");
    EXPECT_EQ(document::convertDocument(*tc.document(), Conversion::ToKruti, false), 5);
    EXPECT_EQ(kinds(tc), "Glyphora 010;Glyphora 010;Glyphora 010;Glyphora 010;HA(dey) FA(fgUnh) dey{n: fgUnh} dey");
}
