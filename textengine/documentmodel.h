#pragma once

#include "rtf/rtfmodel.h"

#include <QTextFormat>

#include <array>

class QTextCursor;
class QTextDocument;

namespace textengine {

// Properties that a picture or object character carries in a QTextDocument,
// so that what it was read as is written back unchanged.
enum ImageProperty {
    PictureKindProperty = QTextFormat::UserProperty + 1,  // QString: "png", "jpeg", ...
    PictureRawProperty,   // QByteArray: the {\pict ...} group of a kind not shown
    ObjectRawProperty,    // QByteArray: the whole {\object ...} group
};

// Properties of the frame that holds a fixed object (a picture or object
// floating beside the text, see objects.h), in document units.
enum FixedFrameProperty {
    FixedObjectFrameProperty = QTextFormat::UserProperty + 60,  // bool: the frame holds a fixed object
    FixedObjectPlaceProperty,  // double: from the side of the text it floats at
    FixedObjectDownProperty,   // double: below the top of the paragraph that follows it
};

// The format of such a frame: at the left or right side of the text, `place`
// in from it and `down` below the paragraph's top, `width` wide, the text
// kept at the distances (left, top, right, bottom) except on the side it
// is placed from.
QTextFrameFormat fixedFrameFormat(QTextFrameFormat::Position side, double place, double down,
                                  const std::array<double, 4> &distances, double width);

// Puts a read document into a QTextDocument at `cursor`: a whole document
// when the cursor stands in an empty one, otherwise inserted there (the first
// paragraph joins the one at the cursor). Leaves the cursor after it.
void insertModel(const rtf::Document &model, QTextCursor &cursor);

// The whole QTextDocument as the model the RTF writer takes, with the page
// setup it is to carry (table widths not fixed in the document share the
// page's text width).
rtf::Document modelFromDocument(const QTextDocument &doc, const rtf::PageSetup &page);

// Decodes code pages other than Windows-1252 through Qt's converters.
bool decodeCodePage(int codePage, const std::string &bytes, std::u16string &out);

} // namespace textengine
