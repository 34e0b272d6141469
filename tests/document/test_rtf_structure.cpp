// Numbered lists, tables in tables, headers, footers, footnotes and page
// fields: read from what other word processors write, and written so that
// they read back the same.
#include "document/rtf/rtfmodel.h"
#include "tests/document/describe.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <random>
#include <string>

using namespace kalamora;

namespace {

rtf::Document readOk(const std::string &in)
{
    rtf::Document d;
    const rtf::ReadResult r = rtf::read(in, d);
    EXPECT_TRUE(r.ok) << r.error;
    return d;
}

// A list table as LibreOffice writes it: a decimal level and a letter level.
const std::string listTable = R"({\*\listtable{\list\listtemplateid1)"
                              R"({\listlevel\levelnfc0\levelstartat1{\leveltext \'02\'00.;}{\levelnumbers\'01;}\fi-360\li720})"
                              R"({\listlevel\levelnfc4\levelstartat3{\leveltext \'02\'01);}{\levelnumbers\'01;}\fi-360\li1080})"
                              R"(\listid11}{\list{\listlevel\levelnfc23{\leveltext\'01\u8226 ?;}}\listid12})"
                              R"({\list{\listlevel\levelnfc255{\leveltext\'00;}}\listid13}})"
                              R"({\listoverridetable{\listoverride\listid11\listoverridecount0\ls1})"
                              R"({\listoverride\listid12\listoverridecount0\ls2}{\listoverride\listid13\ls3}})";

} // namespace

TEST(RtfStructure, NumberedListReadAsBullets)
{
    const rtf::Document d = readOk("{\\rtf1" + listTable + R"(\pard\ls1 one\par\pard\ls1\ilvl1 sub\par})");
    ASSERT_EQ(d.blocks.size(), 2u);
    EXPECT_FALSE(d.blocks[0].paragraph.format.bullet);
    EXPECT_EQ(d.blocks[0].paragraph.format.numbering.style, rtf::Numbering::Decimal);
    EXPECT_EQ(d.blocks[1].paragraph.format.numbering.style, rtf::Numbering::LowerAlpha);
}

TEST(RtfStructure, ListsOfEveryKindOfWriter)
{
    struct Case {
        std::string rtf;
        std::string structure;
    };
    const Case cases[] = {
        // list table: levels count apart, a list goes on past other text
        {listTable + R"(\pard\ls1 a\par\pard\ls1\ilvl1 b\par\pard c\par\pard\ls1 d)",
         "[1.0 d 1 %1.]a / [1.1 l 3 %2)]b / c / [1.0 d 1 %1.]d"},
        {listTable + R"(\pard\ls2 bullet\par\pard\ls3 none\par\pard\ls9 unknown)", "[*]bullet / none / [*]unknown"},
        // the level in the override itself, with a text of two numbers
        {R"({\*\listoverridetable{\listoverride\listid5\levelnfc2\levelstartat4{\leveltext\'04\'00.\'01.;}\ls7}})"
         R"(\pard\ls7\ilvl1 x)",
         "[1.1 r 4 %1.%2.]x"},
        // old-style numbers: adjacent paragraphs count on, others start anew
        {R"(\pard{\*\pn\pnlvlbody\pnucrm\pnstart4{\pntxtb (}{\pntxta )}}a\par b\par\pard c\par)"
         R"(\pard{\*\pn\pnlvlblt{\pntxtb\'b7}}d\par\pard{\*\pn\pnlvl2\pnlcltr}e)",
         "[1.0 R 4 (%1)]a / [1.0 R 4 (%1)]b / c / [*]d / [2.1 l 1 %2]e"},
        // a list table entry wins over the old words beside it
        {listTable + R"(\pard{\*\pn\pnlvlbody\pndec}\ls1\ilvl1 x)", "[1.1 l 3 %2)]x"},
    };
    for (const Case &c : cases)
        EXPECT_EQ(describe(readOk("{\\rtf1" + c.rtf + "}")), c.structure) << c.rtf;
}

TEST(RtfStructure, HeaderFooterAndFootnoteSkipped)
{
    // As LibreOffice and AbiWord write them.
    const rtf::Document d = readOk(
        R"({\rtf1{\*\pgdsctbl{\pgdsc0{\header\pard skipped\par}}}\titlepg\headery500)"
        R"({\header\pard\plain Head {\field{\*\fldinst  PAGE }{\fldrslt {\b 1}}}\par})"
        R"({\footerf\pard First foot {\field{\*\fldinst {\f0 NUMPAGES }}}\par}{\header\pard second header is dropped\par})"
        R"(\pard Text{{\super \chftn{\*\footnote \chftn\pard\plain {\tab The note.}}}} goes on)"
        R"({\super *}{\footnote\ftnalt\pard\plain {\super *} Own mark.\par}.\par})");
    EXPECT_EQ(describe(d), "HA(Head <P:1>) FF(First foot <N:>) titlepg Text{n: <#>\tThe note.} goes on*{e: * Own mark.}.");
    EXPECT_EQ(d.headerY, 500);
}

TEST(RtfStructure, NestedTableFlattened)
{
    // LibreOffice: a cell with a paragraph, a 2 by 1 table and a paragraph.
    const rtf::Document d = readOk(
        R"({\rtf1\trowd\cellx4000\cellx8000\pard\intbl A1\par)"
        R"(\pard\intbl\itap2 n1\nestcell\pard\intbl\itap2 n2\nestcell{\*\nesttableprops\trowd\cellx1000\cellx2000\nestrow})"
        R"({\nonesttables\par}\pard\intbl below\cell\pard\intbl B1\cell\row\pard after})");
    EXPECT_EQ(describe(d), "T(A1 / T(n1|n2|/) / below|B1|/) / after");
    ASSERT_EQ(d.blocks[0].table.rows[0].cells[0].blocks[1].table.rows[0].cells[1].right, 2000);
    // AbiWord: paragraph properties kept in groups, a paragraph break after
    // the nested table in the group's own depth.
    const rtf::Document abi = readOk(
        R"({\rtf1{\trowd \itap1\cellx4000\cellx8000\pard\intbl\itap1 A1\par{{}\pard\intbl\itap2 n1\nestcell)"
        R"(\itap2{\*\nesttableprops\trowd \itap2\cellx2000\nestrow}}{\*\abiendtable}\par)"
        R"(\pard\intbl\itap1 below\cell\pard\intbl\itap1 B1\cell\row}\pard after})");
    EXPECT_EQ(describe(abi), "T(A1 / T(n1|/) /  / below|B1|/) / after");
}

// LibreOffice ends the row that holds a nested table with one \cell too
// many; the empty cell beyond the row's definitions stood as a third column
// outside the page and was written back as one. Empty cells beyond the
// definitions go; those that hold text or a table stay.
TEST(RtfStructure, LibreOfficeRowEndedWithOneCellTooMany)
{
    const std::string nested = R"(\pard\intbl\itap2 n\nestcell{\*\nesttableprops\trowd\cellx900\nestrow}{\nonesttables\par})";
    const struct {
        std::string cells;
        const char *structure;
    } cases[] = {
        {nested + R"(\pard\intbl A\cell B\cell\cell\row)", "T(T(n|/) / A|B|/)"},
        {R"(\pard\intbl A\cell B\cell\cell\cell\row)", "T(A|B|/)"},
        {R"(\pard\intbl A\cell B\cell C\cell\row)", "T(A|B|C|/)"},
        {R"(\pard\intbl A\cell B\cell\cell D\cell\row)", "T(A|B||D|/)"},
        {R"(\pard\intbl A\cell B\cell)" + nested + R"(\cell\row)", "T(A|B|T(n|/) / |/)"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.cells);
        EXPECT_EQ(describe(readOk(R"({\rtf1\trowd\cellx4000\cellx8000)" + c.cells + "}")), c.structure);
    }
}

TEST(RtfStructure, DamagedStructureLoadsWhatItCan)
{
    const std::pair<std::string, std::string> cases[] = {
        // cells that lack their end end after what they hold
        {R"({\rtf1\pard\intbl\itap2 deep\nestcell)", "T(T(deep|/) / |/)"},
        {R"({\rtf1\pard\intbl\itap9 deepest\nestcell\nestrow\pard after)",
         "T(T(T(T(T(T(T(T(deepest|/) / |/) / |/) / |/) / |/) / |/) / |/) / |/) / after"},
        {R"({\rtf1 a{\footnote\pard note {\footnote inner}text)", "a{m: note text}"},
        {R"({\rtf1{\header\pard h{\footer f}}body)", "HA(h) body"},
        {R"({\rtf1{\*\listtable{\list{\listlevel\levelnfc0{\leveltext\'09\'00.;})", ""},
        {R"({\rtf1\pard\ls1\ilvl99 x)", "[*]x"},
    };
    for (const auto &[in, structure] : cases) {
        rtf::Document d;
        EXPECT_TRUE(rtf::read(in, d).ok) << in;
        EXPECT_EQ(describe(d), structure) << in;
    }
}

// Word and LibreOffice start each section with \sectd after \sect; a
// section's headers follow it. They came back as one section, later headers
// of a kind already seen dropped.
TEST(RtfStructure, SecondSectionLostOnOpenAndSave)
{
    const std::string in
        = R"({\rtf1\ansi\paperw11906\paperh16838\margl1440\sectd\titlepg{\header\pard One head\par})"
          R"({\headerf\pard One first\par}{\footer\pard One foot\par}\pard One a\par One b\sect)"
          R"(\sectd\sbknone\lndscpsxn\pgwsxn16838\pghsxn11906\headery400{\header\pard Two head\par})"
          R"({\footer\pard Two foot\par}\pard Two\sect)"
          R"(\sectd\sbkodd{\header\pard Three head\par}{\header\pard dropped\par}\pard Three\par)"
          R"(\trowd\cellx3000\pard\intbl cell\cell\row\pard\sect\pgwsxn9000\pard Four {\header\pard in a cell\sect\par}\par})";
    const rtf::Document d = readOk(in);
    const std::string structure = "HA(One head) HF(One first) FA(One foot) titlepg One a / One b / Two / Three / T(cell|/) / Four "
                                  " |@2 n 16838x11906 -,-,-,- landscape y400,- HA(Two head) FA(Two foot) |"
                                  " |@3 o -x- -,-,-,- y-,- HA(Three head) |"
                                  " |@5 o 9000x- -,-,-,- y-,- HA(in a cell / ) |";
    EXPECT_EQ(describe(d), structure);
    const std::string written = rtf::write(d);
    const rtf::Document back = readOk(written);
    EXPECT_EQ(describe(back), structure) << written;
    EXPECT_EQ(rtf::write(back), written);
}

// Documents made at random of paragraphs, numbered and bulleted ones,
// tables in tables, footnotes, headers, footers and page fields: each is
// written, read back with the same structure and written again the same.
TEST(RtfStructure, WrittenStructureReadsBackTheSame)
{
    std::mt19937 random(21);
    const auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::u16string words[] = {u"ab", u"\u0915\u093f", u"d\u2018\u0192", u"{x}\\y", u"1 2"};
    std::function<std::vector<rtf::Block>(rtf::Document &, int, bool)> blocks;
    const auto paragraph = [&](rtf::Document &d, bool notes) {
        rtf::Paragraph p;
        switch (pick(5)) {
        case 0: p.format.bullet = true; break;
        case 1:
        case 2: {
            rtf::Numbering &n = p.format.numbering;
            n.list = 1 + pick(2);
            n.level = pick(3);
            // One format for each level of each list, as a list table has.
            n.style = static_cast<rtf::Numbering::Style>(1 + (n.list + n.level) % 5);
            n.start = 1 + n.level;
            n.text = n.level == 1 ? std::string("%1.%2.") : std::string("(%") + static_cast<char>('1' + n.level) + ')';
            break;
        }
        default: break;
        }
        const int pieces = 1 + pick(3);
        for (int i = 0; i < pieces; ++i) {
            rtf::Inline in;
            in.format.bold = i % 2;  // neighbours differ, so that they stay apart
            const int kind = pick(8);
            if (kind == 0 && notes) {
                rtf::Footnote note;
                note.numbered = pick(2);
                note.endnote = pick(4) == 0;
                note.blocks = blocks(d, 0, false);
                d.footnotes.push_back(std::move(note));
                in.footnote = static_cast<int>(d.footnotes.size()) - 1;
            } else if (kind == 1) {
                in.field = pick(2) ? rtf::Field::Page : rtf::Field::NumPages;
                in.text.push_back(u'7');
            } else if (kind == 2 && !notes) {
                in.field = rtf::Field::NoteNumber;
            } else {
                in.text = words[pick(5)];
            }
            p.inlines.push_back(std::move(in));
        }
        rtf::Block b;
        b.paragraph = std::move(p);
        return b;
    };
    blocks = [&](rtf::Document &d, int depth, bool notes) {
        std::vector<rtf::Block> out;
        const int count = 1 + pick(3);
        for (int i = 0; i < count; ++i) {
            // Tables stand apart (RTF cannot tell two tables one after the
            // other from one).
            if (depth < 3 && pick(4) == 0 && (out.empty() || !out.back().isTable())) {
                rtf::Block t;
                const int rows = 1 + pick(2), cols = 1 + pick(3);
                for (int r = 0; r < rows; ++r) {
                    rtf::Row row;
                    for (int c = 0; c < cols; ++c) {
                        rtf::Cell cell;
                        cell.right = 1000 * (c + 1);
                        cell.blocks = blocks(d, depth + 1, notes);
                        if (cell.blocks.back().isTable())
                            cell.blocks.push_back(paragraph(d, notes));  // a cell ends with a paragraph
                        row.cells.push_back(std::move(cell));
                    }
                    t.table.rows.push_back(std::move(row));
                }
                out.push_back(std::move(t));
            } else {
                out.push_back(paragraph(d, notes));
            }
        }
        if (out.back().isTable())
            out.push_back(paragraph(d, notes));
        return out;
    };
    for (int round = 0; round < 150; ++round) {
        rtf::Document d;
        d.blocks = blocks(d, 0, true);
        // A header and a footer, each drawn or not, for some kind of page.
        const auto someHeaders = [&](std::vector<rtf::HeaderFooter> &into) {
            for (int k = 0; k < 2; ++k) {
                if (pick(2)) {
                    rtf::HeaderFooter h;
                    h.kind = static_cast<rtf::HeaderFooter::Kind>(k);
                    h.pages = static_cast<rtf::HeaderFooter::Pages>(pick(4));
                    h.blocks = blocks(d, 1, false);
                    into.push_back(std::move(h));
                }
            }
        };
        someHeaders(d.headers);
        d.titlePage = pick(2);
        d.facingPages = pick(2);
        // Sections after the first, each starting at a later block.
        for (size_t start = 1 + static_cast<size_t>(pick(3)); start < d.blocks.size() && pick(3);
             start += 1 + static_cast<size_t>(pick(2))) {
            rtf::Section s;
            s.start = start;
            s.breakKind = static_cast<rtf::Section::Break>(pick(5));
            if (pick(2)) {
                s.page.width = 16838;
                s.page.height = 11906;
                s.page.landscape = true;
            }
            if (pick(2))
                s.page.marginL = 720 * (1 + pick(3));
            s.titlePage = pick(2);
            if (pick(2))
                s.footerY = 300 + pick(500);
            someHeaders(s.headers);
            d.sections.push_back(std::move(s));
        }
        const std::string written = rtf::write(d);
        const rtf::Document back = readOk(written);
        ASSERT_EQ(describe(back), describe(d)) << written;
        ASSERT_EQ(rtf::write(back), written);
    }
}
