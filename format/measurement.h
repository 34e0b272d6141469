#pragma once

#include <QString>

// Lengths as dialogs show them: decimal numbers in the measurement unit of
// the text engine (1 inch, 2 centimetre; see textengine::measurementUnit),
// held as twips everywhere else.
namespace format {

// The number at the start of `text` as a lenient numeric read does it:
// blanks, tabs and line feeds are ignored wherever they stand, reading stops
// at the first character that cannot continue the number; no number is 0.
double leadingNumber(const QString &text);

// Twips per unit: 1440 per inch, 567 per centimetre.
int twipsPerUnit();
// "inch" or "cm", the label beside a length box.
QString unitLabel();

} // namespace format

// A dialog box's text as twips: the first comma reads as the decimal point,
// the number is scaled to twips and rounded half to even. Values beyond the
// 32-bit range are clamped to it.
int DlgString2Twips(const QString &text);
// Twips as a dialog box's text: "###0.00" in the current unit.
QString Twips2DlgString(float twips);
