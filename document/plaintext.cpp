#include "document/plaintext.h"

#include "kruti/cp1252.h"
#include "kruti/utf8.h"

namespace kalamora::plaintext {

namespace {

constexpr std::string_view utf8Bom = "\xEF\xBB\xBF";

// Decodes one UTF-8 sequence at `i`; returns the code point or -1.
long decodeOne(std::string_view s, size_t &i)
{
    const auto b0 = static_cast<unsigned char>(s[i]);
    int extra;
    long cp;
    if (b0 < 0x80) {
        ++i;
        return b0;
    } else if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1;
        cp = b0 & 0x1F;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2;
        cp = b0 & 0x0F;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3;
        cp = b0 & 0x07;
    } else {
        return -1;
    }
    if (i + extra >= s.size())
        return -1;
    for (int k = 1; k <= extra; ++k) {
        const auto b = static_cast<unsigned char>(s[i + k]);
        if ((b & 0xC0) != 0x80)
            return -1;
        cp = (cp << 6) | (b & 0x3F);
    }
    if ((extra == 2 && cp < 0x800) || (extra == 3 && (cp < 0x10000 || cp > 0x10FFFF))
        || (cp >= 0xD800 && cp <= 0xDFFF))
        return -1;
    i += extra + 1;
    return cp;
}

void appendCodePoint(std::u16string &out, long cp)
{
    if (cp >= 0x10000) {
        cp -= 0x10000;
        out.push_back(static_cast<char16_t>(0xD800 + (cp >> 10)));
        out.push_back(static_cast<char16_t>(0xDC00 + (cp & 0x3FF)));
    } else {
        out.push_back(static_cast<char16_t>(cp));
    }
}

} // namespace

bool isValidUtf8(std::string_view bytes)
{
    size_t i = 0;
    while (i < bytes.size()) {
        if (decodeOne(bytes, i) < 0)
            return false;
    }
    return true;
}

Encoding detect(std::string_view bytes)
{
    if (bytes.substr(0, 3) == utf8Bom)
        return Encoding::Utf8;
    if (bytes.substr(0, 2) == "\xFF\xFE")
        return Encoding::Utf16LE;
    if (bytes.substr(0, 2) == "\xFE\xFF")
        return Encoding::Utf16BE;
    bool nonAscii = false;
    for (char c : bytes) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            nonAscii = true;
            break;
        }
    }
    return nonAscii && isValidUtf8(bytes) ? Encoding::Utf8 : Encoding::Windows1252;
}

std::u16string decode(std::string_view bytes)
{
    std::u16string out;
    switch (detect(bytes)) {
    case Encoding::Utf8: {
        if (bytes.substr(0, 3) == utf8Bom)
            bytes.remove_prefix(3);
        out.reserve(bytes.size());
        size_t i = 0;
        while (i < bytes.size()) {
            const long cp = decodeOne(bytes, i);
            if (cp < 0) {  // only after a mark: a damaged byte stands for itself
                out.push_back(kruti::glyphToChar(static_cast<unsigned char>(bytes[i])));
                ++i;
            } else {
                appendCodePoint(out, cp);
            }
        }
        break;
    }
    case Encoding::Utf16LE:
    case Encoding::Utf16BE: {
        const bool le = detect(bytes) == Encoding::Utf16LE;
        out.reserve(bytes.size() / 2);
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            const auto a = static_cast<unsigned char>(bytes[i]);
            const auto b = static_cast<unsigned char>(bytes[i + 1]);
            out.push_back(static_cast<char16_t>(le ? (a | (b << 8)) : ((a << 8) | b)));
        }
        break;
    }
    case Encoding::Windows1252:
        out.reserve(bytes.size());
        for (char c : bytes)
            out.push_back(kruti::glyphToChar(static_cast<unsigned char>(c)));
        break;
    }
    return out;
}

std::string encode(std::u16string_view text)
{
    std::string out;
    out.reserve(text.size());
    bool fits = true;
    for (char16_t c : text) {
        const unsigned char g = kruti::charToGlyph(c);
        if (g == 0) {
            fits = false;
            break;
        }
        out.push_back(static_cast<char>(g));
    }
    // Bytes that would read back as something else (valid UTF-8, or a
    // byte-order mark at the start) are written as UTF-8 with a mark, so
    // that the text reopens as the same glyphs.
    if (fits && detect(out) == Encoding::Windows1252)
        return out;
    out.assign(utf8Bom);
    for (size_t i = 0; i < text.size(); ++i) {
        long cp = text[i];
        if (cp >= 0xD800 && cp <= 0xDBFF && i + 1 < text.size() && text[i + 1] >= 0xDC00
            && text[i + 1] <= 0xDFFF) {
            cp = 0x10000 + ((cp - 0xD800) << 10) + (text[i + 1] - 0xDC00);
            ++i;
        } else if (cp >= 0xD800 && cp <= 0xDFFF) {
            cp = 0xFFFD;  // a lone surrogate cannot be written as UTF-8
        }
        kruti::appendUtf8(out, static_cast<char32_t>(cp));
    }
    return out;
}

} // namespace kalamora::plaintext
