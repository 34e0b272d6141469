// A Hindi document for the benchmarks: paragraphs of everyday words in
// Kruti Dev glyph codes, set in the program's font at 24 points with now and
// then a bold word, written as RTF the way other programs of this encoding
// write it (bytes above 127 as \'xx).
#pragma once

#include <QByteArray>

namespace bench {

inline QByteArray hindiRtf(qsizetype textBytes)
{
    static const char *const words[] = {
        "dey",   "fgUnh", "Hkkjr", "esa",  "vkSj",   "dk",  "ds",   "fy,",      "gS",
        "iqLrd", "Nk=",   "/keZ",  "'kfDr", "fLFkfr", "{ks=", "fo|ky;", "iwoZ", "izd`fr",
        "dfork", "lkfgR;", "Hkk\"kk", "ikB",  "dgkuh",  "yksx", "x`g",  "le;",   "jk\"V\xaa"};
    constexpr int wordCount = int(sizeof words / sizeof *words);
    QByteArray out;
    out.reserve(textBytes + textBytes / 4 + 400);
    out += "{\\rtf1\\ansi\\ansicpg1252\\deff0{\\fonttbl{\\f0\\fswiss Arial;}{\\f1\\fnil\\fcharset0 Glyphora 010;}}"
           "\\paperw12240\\paperh15840\\margl1440\\margr1440\\margt1440\\margb1440\n"
           "\\pard\\plain\\f1\\fs48 ";
    qsizetype text = 0;
    int i = 0;
    while (text < textBytes) {
        const int inParagraph = 14 + i % 9;
        for (int w = 0; w < inParagraph; ++w, ++i) {
            const bool bold = i % 40 == 39;
            if (bold)
                out += "{\\b ";
            for (const char *c = words[(i * 7 + w) % wordCount]; *c; ++c, ++text) {
                const unsigned char b = static_cast<unsigned char>(*c);
                if (b >= 0x80) {
                    static const char hex[] = "0123456789abcdef";
                    out += "\\'";
                    out += hex[b >> 4];
                    out += hex[b & 15];
                } else {
                    if (b == '\\' || b == '{' || b == '}')
                        out += '\\';
                    out += char(b);
                }
            }
            if (bold)
                out += '}';
            out += ' ';
            ++text;
        }
        out += "\\par\n";
        ++text;
    }
    out += "}\n";
    return out;
}

} // namespace bench
