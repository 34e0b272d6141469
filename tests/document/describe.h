#pragma once

// The structure of an RTF model in one line, for tests that compare what
// was read with what was meant.
#include "document/rtf/rtfmodel.h"

#include <cstdio>
#include <map>
#include <string>

using namespace kalamora;

inline std::string describedText(const std::u16string &s)
{
    std::string out;
    for (char16_t c : s)
        out += c < 0x80 ? static_cast<char>(c) : '~';
    return out;
}

// The structure of a document as one line of text, lists named in the
// order they first appear:
//   paragraph   [list.level style start format] or [*] for a bullet, then text
//   table       T( cells | rows / ), a row's own spacing, border and
//               background as {s.. b.. #rrggbb} before its end
//   picture     # in the line, #f(left,top) floating
//   footnote    {n: ...} numbered, {m: ...} with a mark of its own, {e: ...} endnote
//   field       <P:text> page, <N:text> pages, <#> the note's number
class Describer {
public:
    explicit Describer(const rtf::Document &d) : m_doc(d) {}

    std::string document()
    {
        std::string out;
        out += headers(m_doc.headers);
        if (m_doc.titlePage)
            out += "titlepg ";
        if (m_doc.facingPages)
            out += "facingp ";
        out += blocks(m_doc.blocks);
        for (const rtf::Section &s : m_doc.sections)
            out += section(s);
        return out;
    }

    std::string headers(const std::vector<rtf::HeaderFooter> &hs)
    {
        std::string out;
        for (const rtf::HeaderFooter &h : hs)
            out += std::string(h.kind == rtf::HeaderFooter::Header ? "H" : "F") + "AlrF"[h.pages] + "(" + blocks(h.blocks)
                + ") ";
        return out;
    }

    // A section after the first: | at block 2, break kind, page, headers |
    std::string section(const rtf::Section &s)
    {
        const auto opt = [](const std::optional<int> &v) { return v ? std::to_string(*v) : std::string("-"); };
        const rtf::PageSetup &p = s.page;
        return " |@" + std::to_string(s.start) + " " + "pnceo"[s.breakKind] + " " + opt(p.width) + "x" + opt(p.height)
            + " " + opt(p.marginL) + "," + opt(p.marginT) + "," + opt(p.marginR) + "," + opt(p.marginB)
            + (p.landscape ? " landscape" : "") + (s.titlePage ? " titlepg" : "") + " y" + opt(s.headerY) + ","
            + opt(s.footerY) + " " + headers(s.headers) + "|";
    }

    std::string blocks(const std::vector<rtf::Block> &bs)
    {
        std::string out;
        for (size_t i = 0; i < bs.size(); ++i) {
            if (i)
                out += " / ";
            out += bs[i].isTable() ? table(bs[i].table) : paragraph(bs[i].paragraph);
        }
        return out;
    }

private:
    std::string table(const rtf::Table &t)
    {
        std::string out = "T(";
        for (const rtf::Row &r : t.rows) {
            for (const rtf::Cell &c : r.cells)
                out += blocks(c.blocks) + "|";
            if (r.spacing || r.border || r.background) {
                char bg[8] = "";
                if (r.background)
                    std::snprintf(bg, sizeof bg, "#%06x", static_cast<unsigned>(*r.background & 0xFFFFFF));
                out += "{s" + std::to_string(r.spacing) + " b" + std::to_string(r.border) + " " + bg + "}";
            }
            out += "/";
        }
        return out + ")";
    }

    std::string paragraph(const rtf::Paragraph &p)
    {
        std::string out;
        const rtf::Numbering &n = p.format.numbering;
        if (p.format.bullet)
            out += "[*]";
        if (n.style != rtf::Numbering::None) {
            const auto [it, added] = m_lists.emplace(n.list, static_cast<int>(m_lists.size()) + 1);
            out += "[" + std::to_string(it->second) + "." + std::to_string(n.level) + " " + "-dlLrR"[n.style] + " "
                + std::to_string(n.start) + " " + n.text + "]";
        }
        for (const rtf::Inline &in : p.inlines) {
            if (in.picture >= 0 || in.object >= 0) {
                out += in.picture >= 0 ? "#" : "@";
                if (in.floating)
                    out += "f(" + std::to_string(in.floating->left) + "," + std::to_string(in.floating->top) + ")";
            } else if (in.footnote >= 0) {
                const rtf::Footnote &f = m_doc.footnotes[static_cast<size_t>(in.footnote)];
                out += std::string("{") + (f.endnote ? "e" : f.numbered ? "n" : "m") + ": " + blocks(f.blocks) + "}";
            } else if (in.field == rtf::Field::NoteNumber) {
                out += "<#>";
            } else if (in.field != rtf::Field::None) {
                out += std::string("<") + (in.field == rtf::Field::Page ? "P" : "N") + ":" + describedText(in.text) + ">";
            } else {
                out += describedText(in.text);
            }
        }
        return out;
    }

    const rtf::Document &m_doc;
    std::map<int, int> m_lists;
};

inline std::string describe(const rtf::Document &d)
{
    return Describer(d).document();
}

