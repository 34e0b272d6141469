#include "textengine/dialogunits.h"

#include "textengine/uihooks.h"

#include <cctype>
#include <cfenv>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace textengine {

namespace {

int twipsPerUnit()
{
    return measurementUnit() == 2 ? 567 : 1440;
}

} // namespace

double leadingNumber(const QString &text)
{
    std::string s;
    s.reserve(size_t(text.size()));
    for (QChar c : text) {
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r')
            continue;
        if (c.unicode() > 127)
            break;
        s.push_back(char(c.unicode()));
    }
    // sign, digits, one point, digits, an exponent with its own sign
    size_t i = 0;
    std::string num;
    if (i < s.size() && (s[i] == '+' || s[i] == '-'))
        num.push_back(s[i++]);
    bool digits = false;
    while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
        num.push_back(s[i++]);
        digits = true;
    }
    if (i < s.size() && s[i] == '.') {
        num.push_back(s[i++]);
        while (i < s.size() && std::isdigit(static_cast<unsigned char>(s[i]))) {
            num.push_back(s[i++]);
            digits = true;
        }
    }
    if (!digits)
        return 0.0;
    if (i < s.size() && (s[i] == 'e' || s[i] == 'E' || s[i] == 'd' || s[i] == 'D')) {
        std::string exp = "e";
        size_t j = i + 1;
        if (j < s.size() && (s[j] == '+' || s[j] == '-'))
            exp.push_back(s[j++]);
        bool expDigits = false;
        while (j < s.size() && std::isdigit(static_cast<unsigned char>(s[j]))) {
            exp.push_back(s[j++]);
            expDigits = true;
        }
        if (expDigits)
            num += exp;
    }
    const double v = std::strtod(num.c_str(), nullptr);
    return std::isfinite(v) ? v : 0.0;
}

} // namespace textengine

int DlgString2Twips(const QString &text)
{
    QString copy = text;
    const qsizetype comma = copy.indexOf(u',');
    if (comma >= 0)
        copy[comma] = u'.';
    const double twips = textengine::leadingNumber(copy) * textengine::twipsPerUnit();
    constexpr double lo = std::numeric_limits<int>::min();
    constexpr double hi = std::numeric_limits<int>::max();
    if (twips <= lo)
        return std::numeric_limits<int>::min();
    if (twips >= hi)
        return std::numeric_limits<int>::max();
    // Halves go to the even neighbour (the default rounding mode).
    const int saved = std::fegetround();
    std::fesetround(FE_TONEAREST);
    const double rounded = std::nearbyint(twips);
    std::fesetround(saved);
    return int(rounded);
}

QString Twips2DlgString(float twips)
{
    const float value = (twips + 0.0005f) / float(textengine::twipsPerUnit());
    QString s = QString::number(double(value), 'f', 2);
    if (s == u"-0.00"_s)
        s = u"0.00"_s;
    return s;
}

} // namespace kalamora
