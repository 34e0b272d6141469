#include "format/formatting.h"

#include "format/measurement.h"

#include "textengine/textcontrol.h"

#include <QColor>

#include <cmath>

using namespace Qt::StringLiterals;

namespace kalamora::format {

void ToggleBold(TextControl *text)
{
    if (text)
        text->setFontBold(!text->FontBold());
}

void ToggleItalic(TextControl *text)
{
    if (text)
        text->setFontItalic(!text->FontItalic());
}

void ToggleUnderline(TextControl *text)
{
    if (text)
        text->setFontUnderline(!text->FontUnderline());
}

void ToggleStrikeThru(TextControl *text)
{
    if (text)
        text->setFontStrikeThru(!text->FontStrikeThru());
}

void AlignLeft(TextControl *text)
{
    if (text)
        text->setAlignMent(TextControl::AlignLeft);
}

void AlignRight(TextControl *text)
{
    if (text)
        text->setAlignMent(TextControl::AlignRight);
}

void AlignCenter(TextControl *text)
{
    if (text)
        text->setAlignMent(TextControl::AlignCenter);
}

void AlignJustify(TextControl *text)
{
    if (text)
        text->setAlignMent(TextControl::AlignJustify);
}

qint64 toRgbNumber(const QColor &colour)
{
    return qint64(colour.red()) | qint64(colour.green()) << 8 | qint64(colour.blue()) << 16;
}

QColor fromRgbNumber(qint64 rgb)
{
    if (rgb < 0 || rgb > 0xFFFFFF)
        return QColor(Qt::black);
    return QColor(int(rgb & 0xFF), int(rgb >> 8 & 0xFF), int(rgb >> 16 & 0xFF));
}

QStringList zoomEntries()
{
    return {u"10 %"_s,  u"20 %"_s,  u"25 %"_s,  u"50 %"_s,  u"75 %"_s,      u"100 %"_s,    u"150 %"_s,
            u"200 %"_s, u"250 %"_s, u"300 %"_s, u"400 %"_s, u"Fit Width"_s, u"Fit Page"_s};
}

std::optional<int> zoomForEntry(const QString &entry, int width, int height, int pageWidth, int pageHeight)
{
    // The page is shown on a desk 300 twips wider and 700 twips taller.
    const double w = double(pageWidth) + 300;
    const double h = double(pageHeight) + 700;
    double zoom;
    if (entry == u"Fit Width"_s) {
        if (w <= 0)
            return std::nullopt;
        zoom = 100.0 * width / w;
    } else if (entry == u"Fit Page"_s) {
        if (w <= 0 || h <= 0)
            return std::nullopt;
        zoom = w < h ? 100.0 * height / h : 100.0 * width / w;
    } else {
        zoom = leadingNumber(entry);
        if (zoom <= 0)
            return std::nullopt;
    }
    return int(std::nearbyint(zoom));
}

std::optional<int> zoomForEntry(const QString &entry, const TextControl &text)
{
    return zoomForEntry(entry, text.Width(), text.Height(), text.PageWidth(), text.PageHeight());
}

} // namespace kalamora::format
