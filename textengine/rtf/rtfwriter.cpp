// The RTF writer. Text goes out as Windows-1252 bytes (\'xx above 0x7F) and,
// for characters beyond that code page, as \uN with a '?' fallback.
#include "rtfmodel.h"

#include "cp1252.h"

#include <algorithm>
#include <charconv>
#include <map>

namespace rtf {

namespace {

class Writer {
public:
    explicit Writer(const Document &doc) : m_doc(doc) {}
    std::string run();

private:
    void collect();
    void collectParagraph(const Paragraph &p);
    int fontIndex(const std::string &name) const;
    int colorIndex(std::optional<uint32_t> c) const;

    void num(const char *word, long long v)
    {
        m_out += word;
        char buf[24];
        auto r = std::to_chars(buf, buf + sizeof buf, v);
        m_out.append(buf, r.ptr);
    }
    void text(std::u16string_view t);
    void utf8Text(const std::string &s);
    void paragraphFormat(const ParaFormat &f, bool inTable);
    void paragraphBody(const Paragraph &p);
    void picture(const Picture &pic);
    void floating(const Inline &in);
    void table(const Table &t);
    void addColor(std::optional<uint32_t> c);
    void hex(const std::string &data);

    const Document &m_doc;
    std::string m_out;
    std::vector<std::string> m_fonts;
    std::map<std::string, int> m_fontIndex;
    std::vector<uint32_t> m_colors;
    std::map<uint32_t, int> m_colorIndex;
};

void Writer::collectParagraph(const Paragraph &p)
{
    for (const Inline &in : p.inlines) {
        if (!m_fontIndex.count(in.format.font)) {
            m_fontIndex[in.format.font] = static_cast<int>(m_fonts.size());
            m_fonts.push_back(in.format.font);
        }
        addColor(in.format.color);
        addColor(in.format.background);
    }
}

void Writer::addColor(std::optional<uint32_t> c)
{
    if (c && !m_colorIndex.count(*c)) {
        m_colorIndex[*c] = static_cast<int>(m_colors.size()) + 1;
        m_colors.push_back(*c);
    }
}

void Writer::collect()
{
    // Font 0 is the default face, so that runs without a face name read back
    // without one.
    m_fontIndex[std::string()] = 0;
    m_fonts.push_back(std::string());
    for (const Block &b : m_doc.blocks) {
        if (!b.isTable()) {
            collectParagraph(b.paragraph);
            continue;
        }
        for (const Row &r : b.table.rows) {
            addColor(r.background);
            for (const Cell &c : r.cells) {
                addColor(c.shading);
                for (const Paragraph &p : c.paragraphs)
                    collectParagraph(p);
            }
        }
    }
}

int Writer::fontIndex(const std::string &name) const
{
    auto it = m_fontIndex.find(name);
    return it == m_fontIndex.end() ? 0 : it->second;
}

int Writer::colorIndex(std::optional<uint32_t> c) const
{
    if (!c)
        return 0;
    auto it = m_colorIndex.find(*c);
    return it == m_colorIndex.end() ? 0 : it->second;
}

void Writer::text(std::u16string_view t)
{
    static const char digits[] = "0123456789abcdef";
    for (char16_t c : t) {
        if (c >= 0x20 && c < 0x80) {
            if (c == '\\' || c == '{' || c == '}')
                m_out.push_back('\\');
            m_out.push_back(static_cast<char>(c));
            continue;
        }
        switch (c) {
        case u'\t': m_out += "\\tab "; continue;
        case u'\u2028': m_out += "\\line "; continue;
        case u'\n':
        case u'\r':
        case u'\u2029': m_out += "\\line "; continue;
        default: break;
        }
        const unsigned char g = kruti::charToGlyph(c);
        if (g >= 0x80) {
            m_out += "\\'";
            m_out.push_back(digits[g >> 4]);
            m_out.push_back(digits[g & 15]);
        } else if (g != 0) {
            // Control characters other than those above carry no text.
            continue;
        } else {
            num("\\u", static_cast<int16_t>(c));
            m_out += "?";
        }
    }
}

void Writer::utf8Text(const std::string &s)
{
    std::u16string u;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        char32_t cp = c;
        int extra = 0;
        if (c >= 0xF0) { cp = c & 0x07; extra = 3; }
        else if (c >= 0xE0) { cp = c & 0x0F; extra = 2; }
        else if (c >= 0xC0) { cp = c & 0x1F; extra = 1; }
        ++i;
        for (int k = 0; k < extra && i < s.size(); ++k, ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
        if (cp >= 0x10000) {
            cp -= 0x10000;
            u.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
            u.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
        } else {
            u.push_back(static_cast<char16_t>(cp));
        }
    }
    text(u);
}

void Writer::paragraphFormat(const ParaFormat &f, bool inTable)
{
    m_out += "\\pard\\plain";
    if (inTable)
        m_out += "\\intbl";
    switch (f.align) {
    case Align::Left: break;
    case Align::Right: m_out += "\\qr"; break;
    case Align::Center: m_out += "\\qc"; break;
    case Align::Justify: m_out += "\\qj"; break;
    }
    if (f.leftIndent) num("\\li", f.leftIndent);
    if (f.rightIndent) num("\\ri", f.rightIndent);
    if (f.firstIndent) num("\\fi", f.firstIndent);
    if (f.spaceBefore) num("\\sb", f.spaceBefore);
    if (f.spaceAfter) num("\\sa", f.spaceAfter);
    if (f.lineSpacing) {
        num("\\sl", f.lineSpacing);
        num("\\slmult", f.lineMultiple ? 1 : 0);
    }
    if (f.pageBreakBefore) m_out += "\\pagebb";
    for (const TabStop &t : f.tabs) {
        switch (t.kind) {
        case TabStop::Left: break;
        case TabStop::Right: m_out += "\\tqr"; break;
        case TabStop::Center: m_out += "\\tqc"; break;
        case TabStop::Decimal: m_out += "\\tqdec"; break;
        }
        num("\\tx", t.pos);
    }
    // The bullet groups end with a brace: no space may follow, it would be text.
    if (f.bullet)
        m_out += "{\\*\\pn\\pnlvlblt\\pnindent0{\\pntxtb\\'95}}{\\pntext\\'95\\tab}";
    else
        m_out += ' ';
}

void Writer::hex(const std::string &data)
{
    static const char digits[] = "0123456789abcdef";
    m_out.reserve(m_out.size() + data.size() * 2 + data.size() / 64 + 2);
    size_t col = 0;
    for (char ch : data) {
        const auto b = static_cast<unsigned char>(ch);
        m_out.push_back(digits[b >> 4]);
        m_out.push_back(digits[b & 15]);
        if (++col == 64) {
            m_out.push_back('\n');
            col = 0;
        }
    }
}

void Writer::picture(const Picture &pic)
{
    if (!pic.raw.empty()) {
        m_out += pic.raw;
        return;
    }
    m_out += "{\\pict";
    if (pic.kind == "png") m_out += "\\pngblip";
    else if (pic.kind == "jpeg") m_out += "\\jpegblip";
    else if (pic.kind == "wmetafile") m_out += "\\wmetafile8";
    else m_out += "\\" + pic.kind;
    // The extent in pixels at 96 per inch, and the size it is shown at.
    num("\\picw", pic.widthTwips / 15);
    num("\\pich", pic.heightTwips / 15);
    num("\\picwgoal", pic.widthTwips);
    num("\\pichgoal", pic.heightTwips);
    m_out += '\n';
    hex(pic.data);
    m_out += '}';
}

void Writer::paragraphBody(const Paragraph &p)
{
    for (const Inline &in : p.inlines) {
        const CharFormat &f = in.format;
        m_out += '{';
        num("\\f", fontIndex(f.font));
        num("\\fs", f.halfPoints);
        if (f.bold) m_out += "\\b";
        if (f.italic) m_out += "\\i";
        if (f.underline) m_out += "\\ul";
        if (f.strike) m_out += "\\strike";
        if (f.color) num("\\cf", colorIndex(f.color));
        if (f.background) {
            const int bg = colorIndex(f.background);
            num("\\cb", bg);
            num("\\chcbpat", bg);
        }
        m_out += ' ';
        const bool isPicture = in.picture >= 0 && in.picture < static_cast<int>(m_doc.pictures.size());
        const bool isObject = in.object >= 0 && in.object < static_cast<int>(m_doc.objects.size());
        if ((isPicture || isObject) && (in.fastDisplay || !in.saveAsData)) {
            // The flags of the attributes dialog, in a group other readers skip.
            m_out += "{\\*\\kalamoraobj";
            if (in.fastDisplay)
                m_out += "\\fastdisplay";
            if (!in.saveAsData)
                m_out += "\\saveasdata0";
            m_out += '}';
        }
        if ((isPicture || isObject) && in.floating) {
            floating(in);
        } else if (isPicture) {
            picture(m_doc.pictures[in.picture]);
        } else if (isObject) {
            const Object &o = m_doc.objects[in.object];
            if (!o.raw.empty())
                m_out += o.raw;
            else if (o.result)
                picture(*o.result);
        } else {
            text(in.text);
        }
        m_out += '}';
    }
}

// A picture or object that floats beside the text: a shape placed from the
// text's left edge and its paragraph's top, with the text flowing around it
// at its distances. A picture is the shape's own; an object is what the
// shape's result shows.
void Writer::floating(const Inline &in)
{
    const Float &f = *in.floating;
    const Picture *pic = in.picture >= 0 ? &m_doc.pictures[in.picture] : nullptr;
    const Object *obj = in.object >= 0 ? &m_doc.objects[in.object] : nullptr;
    const Picture *shown = pic ? pic : (obj->result ? &*obj->result : nullptr);
    const int w = shown && shown->widthTwips > 0 ? shown->widthTwips : 1440;
    const int h = shown && shown->heightTwips > 0 ? shown->heightTwips : 1440;
    m_out += "{\\shp{\\*\\shpinst";
    num("\\shpleft", f.left);
    num("\\shptop", f.top);
    num("\\shpright", f.left + w);
    num("\\shpbottom", f.top + h);
    m_out += "\\shpbxcolumn\\shpbxignore\\shpbypara\\shpbyignore\\shpwr2\\shpwrk0\\shpfblwtxt0\\shpz0\n";
    const auto property = [&](const char *name, long long value) {
        m_out += "{\\sp{\\sn ";
        m_out += name;
        num("}{\\sv ", value);
        m_out += "}}";
    };
    property("shapeType", 75);  // a picture frame
    // Distances in EMU, 635 to the twip.
    property("dxWrapDistLeft", 635LL * f.distL);
    property("dyWrapDistTop", 635LL * f.distT);
    property("dxWrapDistRight", 635LL * f.distR);
    property("dyWrapDistBottom", 635LL * f.distB);
    if (pic) {
        m_out += "{\\sp{\\sn pib}{\\sv ";
        picture(*pic);
        m_out += "}}";
    }
    m_out += '}';
    if (obj) {
        m_out += "{\\shprslt ";
        if (!obj->raw.empty())
            m_out += obj->raw;
        else if (obj->result)
            picture(*obj->result);
        m_out += '}';
    }
    m_out += '}';
}

void Writer::table(const Table &t)
{
    for (const Row &r : t.rows) {
        m_out += "\\trowd";
        num("\\trgaph", r.gap);
        num("\\trleft", r.left);
        if (r.spacing > 0) {
            // Each cell keeps half the space on each side; left and right
            // (top and bottom) together make the whole.
            num("\\trspdl", r.spacing / 2);
            num("\\trspdt", r.spacing / 2);
            num("\\trspdr", r.spacing - r.spacing / 2);
            num("\\trspdb", r.spacing - r.spacing / 2);
            m_out += "\\trspdfl3\\trspdft3\\trspdfr3\\trspdfb3";
        }
        if (r.border > 0) {
            for (const char *side : {"\\trbrdrt", "\\trbrdrl", "\\trbrdrb", "\\trbrdrr", "\\trbrdrh", "\\trbrdrv"}) {
                m_out += side;
                num("\\brdrs\\brdrw", r.border);
            }
        }
        if (r.background)
            num("\\trcbpat", colorIndex(r.background));
        m_out += '\n';
        for (const Cell &c : r.cells) {
            if (c.mergeFirst) m_out += "\\clmgf";
            if (c.merged) m_out += "\\clmrg";
            if (c.vmergeFirst) m_out += "\\clvmgf";
            if (c.vmerged) m_out += "\\clvmrg";
            const std::pair<const char *, int> sides[] = {
                {"\\clbrdrt", c.borders.top}, {"\\clbrdrl", c.borders.left},
                {"\\clbrdrb", c.borders.bottom}, {"\\clbrdrr", c.borders.right}};
            for (const auto &[word, width] : sides) {
                if (width > 0) {
                    m_out += word;
                    num("\\brdrs\\brdrw", width);
                }
            }
            // Cells show the table's background as their own, for readers
            // that know no row background.
            if (c.shading || r.background)
                num("\\clcbpat", colorIndex(c.shading ? c.shading : r.background));
            num("\\cellx", c.right);
        }
        m_out += '\n';
        for (const Cell &c : r.cells) {
            for (size_t i = 0; i < c.paragraphs.size(); ++i) {
                paragraphFormat(c.paragraphs[i].format, true);
                paragraphBody(c.paragraphs[i]);
                m_out += i + 1 < c.paragraphs.size() ? "\\par\n" : "\\cell\n";
            }
            if (c.paragraphs.empty())
                m_out += "\\pard\\plain\\intbl \\cell\n";
        }
        m_out += "\\row\n";
    }
    m_out += "\\pard\\plain\n";
}

std::string Writer::run()
{
    collect();
    m_out.reserve(4096);
    m_out += "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1\n{\\fonttbl";
    for (size_t i = 0; i < m_fonts.size(); ++i) {
        num("{\\f", static_cast<long long>(i));
        m_out += "\\fnil\\fcharset0 ";
        utf8Text(m_fonts[i]);
        m_out += ";}";
    }
    m_out += "}\n{\\colortbl;";
    for (uint32_t c : m_colors) {
        num("\\red", (c >> 16) & 0xFF);
        num("\\green", (c >> 8) & 0xFF);
        num("\\blue", c & 0xFF);
        m_out += ';';
    }
    m_out += "}\n";
    const PageSetup &p = m_doc.page;
    if (p.width) num("\\paperw", *p.width);
    if (p.height) num("\\paperh", *p.height);
    if (p.marginL) num("\\margl", *p.marginL);
    if (p.marginR) num("\\margr", *p.marginR);
    if (p.marginT) num("\\margt", *p.marginT);
    if (p.marginB) num("\\margb", *p.marginB);
    m_out += "\\viewkind4\n";

    // Every paragraph ends with \par except a last one that holds something:
    // the reader takes text after the last \par as a paragraph of its own.
    for (size_t i = 0; i < m_doc.blocks.size(); ++i) {
        const Block &b = m_doc.blocks[i];
        if (b.isTable()) {
            table(b.table);
            continue;
        }
        paragraphFormat(b.paragraph.format, false);
        paragraphBody(b.paragraph);
        const bool last = i + 1 == m_doc.blocks.size();
        if (!last || b.paragraph.inlines.empty())
            m_out += "\\par\n";
    }
    m_out += "}\n";
    return std::move(m_out);
}

} // namespace

std::string write(const Document &doc)
{
    Writer w(doc);
    return w.run();
}

} // namespace rtf
