#pragma once

namespace kalamora::document {

// Twips (1440 per inch) and the units QTextDocument lays text out in: the
// pixels of the screen's logical resolution, the same one that turns font
// points into pixels, so that indents and text keep their proportions.
double twipsToUnits(double twips);
double unitsToTwips(double units);

} // namespace kalamora::document
