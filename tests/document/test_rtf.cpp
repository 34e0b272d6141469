#include "document/rtf/rtfmodel.h"

#include <gtest/gtest.h>

#include <string>

using namespace kalamora;

namespace {

// The text of blocks: paragraphs joined by '\n', table cells ended by '|',
// rows by '/', a table in a cell in brackets; pictures as '#', objects as
// '@', footnote marks as '*' (UTF-16, compared as such).
std::u16string blocksText(const std::vector<rtf::Block> &blocks)
{
    std::u16string out;
    for (size_t i = 0; i < blocks.size(); ++i) {
        if (i)
            out += u'\n';
        const rtf::Block &b = blocks[i];
        if (!b.isTable()) {
            for (const rtf::Inline &in : b.paragraph.inlines)
                out += in.picture >= 0 ? u"#" : in.object >= 0 ? u"@" : in.footnote >= 0 ? u"*" : in.text;
            continue;
        }
        for (const rtf::Row &r : b.table.rows) {
            for (const rtf::Cell &c : r.cells) {
                for (size_t k = 0; k < c.blocks.size(); ++k) {
                    if (k)
                        out += u'\n';
                    const std::u16string inner = blocksText({c.blocks[k]});
                    out += c.blocks[k].isTable() ? u"[" + inner + u"]" : inner;
                }
                out += u'|';
            }
            out += u'/';
        }
    }
    return out;
}

std::u16string bodyText(const rtf::Document &d)
{
    return blocksText(d.blocks);
}

rtf::Document readOk(const std::string &in)
{
    rtf::Document d;
    const rtf::ReadResult r = rtf::read(in, d);
    EXPECT_TRUE(r.ok) << r.error;
    return d;
}

} // namespace

TEST(RtfReader, TextEscapesAndCharacterSets)
{
    struct Case {
        const char *rtf;
        std::u16string text;
    };
    const Case cases[] = {
        {R"({\rtf1 Hello\par World})", u"Hello\nWorld"},
        {R"({\rtf1\ansi{\fonttbl{\f0\fcharset0 Kruti Dev 010;}}\f0 d\'91\'83\'81\'fe})", u"d\u2018\u0192\u0081\u00fe"},
        {R"({\rtf1\uc1 a\u2325?b\u-10179?\u-8704?c})", u"a\u0915b\U0001F600c"},
        {R"({\rtf1\uc2 a\u2325\'3f\'3fb{\uc0\u2366}c})", u"a\u0915b\u093ec"},
        {R"({\rtf1 x\u2325{\b y}z})", u"x\u0915yz"},  // a brace ends the fallback
        {R"({\rtf1 \{\}\\\~\-\_\tab\line\emdash\lquote\rdblquote})", u"{}\\\u00a0\u00ad\u2011\t\u2028\u2014\u2018\u201d"},
        {"{\\rtf1 a\r\nb\\\r\nc}", u"ab\nc"},
        {R"({\rtf1 {\*\unknown skipped {nested}}{\info{\title t}}{\stylesheet{\s0 Normal;}}kept})", u"kept"},
        {R"({\rtf1 {\field{\*\fldinst HYPERLINK "x"}{\fldrslt link}} text})", u"link text"},
        {R"({\rtf1 {\pntext 1.\tab}{\listtext \'b7\tab}item})", u"item"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(bodyText(readOk(c.rtf)), c.text) << c.rtf;
}

TEST(RtfReader, CharacterAndParagraphFormats)
{
    const rtf::Document d = readOk(
        R"({\rtf1{\fonttbl{\f0 Arial;}{\f1\fcharset0 Glyphora 010;}}{\colortbl;\red255\green0\blue0;\red0\green0\blue255;})"
        R"(\paperw11906\paperh16838\margl1000\margr900\margt800\margb700)"
        R"(\pard\qc\li720\ri360\fi-360\sb120\sa240\tx1440\tqr\tx5000\tqdec\tx7000 )"
        R"({\f1\fs48\b\i\ul\strike\cf1\highlight2 A}{\f0\b0 B}\par\pard\qj C\page D})");
    ASSERT_EQ(d.blocks.size(), 3u);
    const rtf::Paragraph &p = d.blocks[0].paragraph;
    EXPECT_EQ(p.format.align, rtf::Align::Center);
    EXPECT_EQ(p.format.leftIndent, 720);
    EXPECT_EQ(p.format.rightIndent, 360);
    EXPECT_EQ(p.format.firstIndent, -360);
    EXPECT_EQ(p.format.spaceBefore, 120);
    EXPECT_EQ(p.format.spaceAfter, 240);
    ASSERT_EQ(p.format.tabs.size(), 3u);
    EXPECT_EQ(p.format.tabs[1].kind, rtf::TabStop::Right);
    EXPECT_EQ(p.format.tabs[2].kind, rtf::TabStop::Decimal);
    ASSERT_EQ(p.inlines.size(), 2u);
    const rtf::CharFormat &a = p.inlines[0].format;
    EXPECT_EQ(a.font, "Glyphora 010");
    EXPECT_EQ(a.halfPoints, 48);
    EXPECT_TRUE(a.bold && a.italic && a.underline && a.strike);
    EXPECT_EQ(a.color, 0xFF0000u);
    EXPECT_EQ(a.background, 0x0000FFu);
    EXPECT_EQ(p.inlines[1].format.font, "Arial");
    EXPECT_FALSE(p.inlines[1].format.bold);
    EXPECT_EQ(d.blocks[1].paragraph.format.align, rtf::Align::Justify);
    EXPECT_FALSE(d.blocks[1].paragraph.format.pageBreakBefore);
    EXPECT_TRUE(d.blocks[2].paragraph.format.pageBreakBefore);
    EXPECT_EQ(d.page.width, 11906);
    EXPECT_EQ(d.page.marginB, 700);
}

TEST(RtfReader, TablesPicturesAndObjects)
{
    const std::string pict = R"({\pict\pngblip\picw2\pich1\picwgoal300\pichgoal150 89504e47})";
    const std::string wmf = R"({\pict\wmetafile8\picw100\pich100 0102ff})";
    const std::string obj = R"({\object\objemb{\*\objclass Paint}{\*\objdata 0105}{\result{\pict\pngblip 89}}})";
    const rtf::Document d = readOk(
        "{\\rtf1 before\\par\\trowd\\trgaph108\\clbrdrt\\brdrs\\brdrw10\\cellx2000\\clcbpat0\\cellx4000\n"
        "\\pard\\intbl a1\\cell b1\\par b1b\\cell\\row\\trowd\\cellx2000\\cellx4000\\pard\\intbl a2\\cell\\cell\\row\n"
        "\\pard after " + pict + wmf + obj + "}");
    EXPECT_EQ(bodyText(d), u"before\na1|b1\nb1b|/a2||/\nafter ##@");
    const rtf::Row &r0 = d.blocks[1].table.rows[0];
    EXPECT_EQ(r0.gap, 108);
    EXPECT_EQ(r0.cells[0].right, 2000);
    EXPECT_EQ(r0.cells[0].borders.top, 10);
    EXPECT_EQ(r0.cells[0].borders.left, 0);
    ASSERT_EQ(d.pictures.size(), 2u);
    EXPECT_EQ(d.pictures[0].kind, "png");
    EXPECT_EQ(d.pictures[0].data, std::string("\x89PNG", 4));
    EXPECT_EQ(d.pictures[0].widthTwips, 300);
    EXPECT_TRUE(d.pictures[0].raw.empty());
    EXPECT_EQ(d.pictures[1].raw, wmf);  // kept whole
    ASSERT_EQ(d.objects.size(), 1u);
    EXPECT_EQ(d.objects[0].raw, obj);
    ASSERT_TRUE(d.objects[0].result);
    EXPECT_EQ(d.objects[0].result->kind, "png");

    // Writing and reading again gives the same body, picture and object.
    rtf::Document again = readOk(rtf::write(d));
    EXPECT_EQ(bodyText(again), bodyText(d));
    EXPECT_EQ(again.pictures[1].raw, wmf);
    EXPECT_EQ(again.objects[0].raw, obj);
    EXPECT_EQ(rtf::write(again), rtf::write(d));
}

// What other word processors write for line spacing, floating pictures and
// table rows, and what a shape without a picture of its own floats.
TEST(RtfReader, LineSpacingShapesAndRowsOfOtherWriters)
{
    struct Spacing {
        const char *words;
        int lineSpacing;
        bool multiple;
    } const spacings[] = {
        {"\\sl276\\slmult1", 276, true}, {"\\sl-300\\slmult0", -300, false}, {"\\sl300", 300, false},
        {"\\sl480\\slmult1\\pard", 0, false}, {"\\sl99999999\\slmult1", 31680, true},
    };
    for (const Spacing &c : spacings) {
        const rtf::Document d = readOk(std::string("{\\rtf1\\pard") + c.words + " x\\par}");
        EXPECT_EQ(d.blocks[0].paragraph.format.lineSpacing, c.lineSpacing) << c.words;
        EXPECT_EQ(d.blocks[0].paragraph.format.lineMultiple, c.multiple) << c.words;
    }

    // LibreOffice's floating picture: 300 twips in from the column, 150
    // below the paragraph's top.
    const rtf::Document shape = readOk(
        R"({\rtf1\pard{\shp{\*\shpinst\shpwr2\shpwrk3\shpbypara\shpbyignore\shptop150\shpbottom600\shpbxcolumn)"
        R"(\shpbxignore\shpleft300\shpright900{\sp{\sn shapeType}{\sv 75}}{\sp{\sn dxWrapDistRight}{\sv 114300}})"
        R"({\sp{\sn pib}{\sv {\pict\pngblip\picwgoal600\pichgoal450 89504e47}}}}{\shprslt{\pict\pngblip 89}}}Text\par})");
    EXPECT_EQ(bodyText(shape), u"#Text");
    ASSERT_TRUE(shape.blocks[0].paragraph.inlines[0].floating);
    EXPECT_EQ(*shape.blocks[0].paragraph.inlines[0].floating, (rtf::Float{300, 150, 0, 0, 180, 0}));
    EXPECT_EQ(shape.pictures.at(0).widthTwips, 600);
    // A shape with no picture of its own floats the object of its result;
    // in a table cell, and without a shape, pictures stand in the line.
    const rtf::Document result = readOk(
        R"({\rtf1 a{\shp{\*\shpinst\shpleft10\shptop20}{\shprslt{\object{\*\objdata 01}{\result{\pict\pngblip 89}}}}}b)"
        R"(\par\trowd\cellx900\pard\intbl{\shp{\*\shpinst\shpleft10{\sp{\sn pib}{\sv {\pict\pngblip 89}}}}}\cell\row})");
    EXPECT_EQ(bodyText(result), u"a@b\n#|/");
    EXPECT_EQ(result.blocks[0].paragraph.inlines[1].floating, (rtf::Float{10, 20}));
    EXPECT_FALSE(result.blocks[1].table.rows[0].cells[0].blocks[0].paragraph.inlines[0].floating);

    // A row border on every side and between the cells is the table's own,
    // and so is the background the cells repeat; a border on the outer sides
    // only stays with the cells.
    const std::string cell = "\\clbrdrt\\brdrs\\brdrw10\\clbrdrl\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10"
                             "\\clbrdrr\\brdrs\\brdrw10\\clcbpat1\\cellx2000";
    const std::string sides = "\\trbrdrt\\brdrs\\brdrw10\\trbrdrl\\brdrs\\brdrw10\\trbrdrb\\brdrs\\brdrw10"
                              "\\trbrdrr\\brdrs\\brdrw10";
    const rtf::Document rows = readOk("{\\rtf1{\\colortbl;\\red0\\green255\\blue0;}\\trowd" + sides
                                      + "\\trbrdrh\\brdrs\\brdrw10\\trbrdrv\\brdrs\\brdrw10\\trcbpat1\\trspdl14\\trspdr15"
                                      + cell + "\\pard\\intbl a\\cell\\row\\trowd" + sides + cell
                                      + "\\pard\\intbl b\\cell\\row}");
    const rtf::Row &own = rows.blocks[0].table.rows[0];
    EXPECT_EQ(own.border, 10);
    EXPECT_EQ(own.spacing, 29);
    EXPECT_EQ(own.background, 0x00FF00u);
    EXPECT_EQ(own.cells[0].borders, rtf::Borders());
    EXPECT_FALSE(own.cells[0].shading);
    const rtf::Row &outer = rows.blocks[0].table.rows[1];
    EXPECT_EQ(outer.border, 0);
    EXPECT_EQ(outer.cells[0].borders, (rtf::Borders{10, 10, 10, 10}));
    EXPECT_EQ(outer.cells[0].shading, 0x00FF00u);
    // Written again, each reads back the same.
    for (const rtf::Document *d : {&shape, &result, &rows})
        EXPECT_EQ(rtf::write(readOk(rtf::write(*d))), rtf::write(*d));
}

TEST(RtfReader, DamagedInputLoadsWhatItCan)
{
    struct Case {
        std::string rtf;
        std::u16string text;
    };
    const Case cases[] = {
        {"{\\rtf1 unclosed {\\b bold", u"unclosed bold"},
        {"{\\rtf1 extra}}} more", u"extra"},
        {"{\\rtf1 trunc\\'4", u"trunc4"},
        {"{\\rtf1 bad\\'zz escape}", u"badzz escape"},
        {"{\\rtf1 big\\bin999999999999 abc}", u"big"},
        {"{\\rtf1 a\\u99999999999999999? b}", u"a\ufffd b"},
        {"{\\rtf1 \\cell\\cell\\row x\\intbl y}", u"||/xy|/"},
        {"{\\rtf1 \\trowd\\cellx-5\\cellx-9\\intbl p\\cell q\\cell r\\cell\\row}", u"p|q|r|/"},
        {"{\\rtf1 {\\pict\\pngblip 8950", u"#"},
        {"{\\rtf1 \\", u""},
    };
    for (const Case &c : cases) {
        rtf::Document d;
        const rtf::ReadResult r = rtf::read(c.rtf, d);
        EXPECT_TRUE(r.ok) << c.rtf;
        EXPECT_EQ(bodyText(d), c.text) << c.rtf;
    }
    // Nesting far beyond any real file costs no memory per level.
    std::string deep = "{\\rtf1 top";
    deep += std::string(200000, '{') + "deep" + std::string(200000, '}') + " end}";
    rtf::Document d;
    EXPECT_TRUE(rtf::read(deep, d).ok);
    EXPECT_EQ(bodyText(d).substr(0, 3), u"top");

    EXPECT_FALSE(rtf::read("plain text", d).ok);
    EXPECT_FALSE(rtf::read("", d).ok);
}
