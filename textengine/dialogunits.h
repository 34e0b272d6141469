#pragma once

#include <QString>

namespace kalamora {

namespace textengine {

// The number at the start of `text` as a lenient numeric read does it:
// blanks, tabs and line feeds are ignored wherever they stand, reading stops
// at the first character that cannot continue the number (an exponent
// "e" or "d" included); no number is 0.
double leadingNumber(const QString &text);

} // namespace textengine

// Lengths as every dialog shows them: decimal numbers in the measurement
// unit (textengine::measurementUnit, 1 inch or 2 centimetre), held as twips
// everywhere else.
//
// A dialog box's text as twips: the first comma reads as the decimal point,
// the number is scaled to twips and rounded half to even. Values beyond the
// 32-bit range are clamped to it.
int DlgString2Twips(const QString &text);
// Twips as a dialog box's text: "###0.00" in the current unit; a value that
// rounds to nothing shows as "0.00", never "-0.00".
QString Twips2DlgString(float twips);

} // namespace kalamora
