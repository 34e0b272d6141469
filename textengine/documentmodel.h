#pragma once

#include "rtf/rtfmodel.h"

#include <QTextFormat>

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
