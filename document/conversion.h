#pragma once

#include <QString>

class QTextDocument;

namespace kalamora::document {

// Converting a document between Kruti Dev glyph text and Unicode Devanagari.
//
// ToUnicode turns the runs set in a Kruti Dev font ("Glyphora..." or
// "Kruti Dev...") into Unicode text set in unicodeFont(); with wholeText,
// every run counts as glyph text (a plain-text file has no fonts).
// ToKruti turns the Devanagari of every run into glyph text set in
// hindiFont(), leaving other text (Latin letters, digits) as it was.
// Returns the number of runs changed. One undo step.
enum class Conversion { ToUnicode, ToKruti };
int convertDocument(QTextDocument &doc, Conversion direction, bool wholeText);

// True for a family name of the Kruti Dev encoding.
bool isKrutiFont(const QString &family);

QString hindiFont();    // "Glyphora 010"
QString unicodeFont();  // "Noto Sans Devanagari"

} // namespace kalamora::document
