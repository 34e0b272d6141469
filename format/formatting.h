#pragma once

#include <QColor>
#include <QString>
#include <QStringList>

#include <optional>

namespace kalamora::textengine {
class TextControl;
} // namespace kalamora::textengine

// The formatting procedures the menus and toolbars share. Each acts on the
// selection of one text-engine control; a null control does nothing.
namespace kalamora::format {

using textengine::TextControl;

// A value that does not read as true becomes true, one that does becomes
// false (a mixed selection reads false, so it turns on).
void ToggleBold(TextControl *text);
void ToggleItalic(TextControl *text);
void ToggleUnderline(TextControl *text);
void ToggleStrikeThru(TextControl *text);

void AlignLeft(TextControl *text);
void AlignRight(TextControl *text);
void AlignCenter(TextControl *text);
void AlignJustify(TextControl *text);

// Colour as an RGB number in the control's layout (0x00BBGGRR).
qint64 toRgbNumber(const QColor &colour);
QColor fromRgbNumber(qint64 rgb);

// The zoom box's entries, by list index.
QStringList zoomEntries();
// The zoom an entry of the zoom box gives a control of width × height
// twips showing pages of pageWidth × pageHeight: "Fit Width" and "Fit Page"
// fit the page (plus its desk) into the control, other entries are the
// number they start with. Nothing for an entry that gives no zoom.
std::optional<int> zoomForEntry(const QString &entry, int width, int height, int pageWidth, int pageHeight);
// The same for a control.
std::optional<int> zoomForEntry(const QString &entry, const TextControl &text);

} // namespace kalamora::format
