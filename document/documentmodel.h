#pragma once

#include "document/rtf/rtfmodel.h"

#include <QTextFormat>

#include <array>
#include <functional>
#include <optional>

class QTextCursor;
class QTextDocument;
class QTextFrame;

namespace kalamora::document {

// Properties that a picture or object character carries in a QTextDocument,
// so that what it was read as is written back unchanged.
enum ImageProperty {
    PictureKindProperty = QTextFormat::UserProperty + 1,  // QString: "png", "jpeg", ...
    PictureRawProperty,   // QByteArray: the {\pict ...} group of a kind not shown
    ObjectRawProperty,    // QByteArray: the whole {\object ...} group
};

// Properties an object character carries besides its picture (those above
// are the ones the RTF exchange keeps as they were read).
enum ObjectProperty {
    ObjectKeepsDistancesProperty = QTextFormat::UserProperty + 40,  // bool
    ObjectDistanceLeftProperty,    // int twips; Top, Right, Bottom follow
    ObjectDistanceTopProperty,
    ObjectDistanceRightProperty,
    ObjectDistanceBottomProperty,
    ObjectFastDisplayProperty,     // bool
    ObjectSaveAsDataProperty,      // bool
    ObjectFileNameProperty,        // QString: the embedded file's name
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

// Puts a frame of that format before the paragraph at `at`. The paragraph
// goes on after the frame with its own format and list; the empty block a
// frame needs before it keeps only the paragraph's page break.
QTextFrame *insertFixedFrame(const QTextCursor &at, const QTextFrameFormat &format);

// What a document holds beyond text, pictures and tables, in the user
// properties of its formats.
enum StructureProperty {
    ListIdProperty = QTextFormat::UserProperty + 80,  // int, of a list: the list it was read as
    ListStartProperty,    // int, of a list: its first number
    ListFormatProperty,   // QString, of a list: how its numbers show (rtf::Numbering::text)
    FootnoteProperty,     // QByteArray: a footnote's paragraphs, as RTF
    FootnoteNumberedProperty,  // bool: its mark is its number
    EndnoteProperty,      // bool
    FieldProperty,        // int: an rtf::Field
    FieldTextProperty,    // QString: what a field shows
    PageStoriesProperty,  // QByteArray, of the root frame: headers and footers, as RTF
    // Of the first paragraph (or table) of each section after the first:
    // the section's break, page, headers and footers, as RTF (see
    // sectionRtf), and its number, which tells two sections apart. A
    // paragraph split off that one carries the same and goes on with the
    // section.
    SectionProperty,        // QByteArray
    SectionNumberProperty,  // int
};

// The characters that stand for a footnote's mark and for a field.
enum StructureObject {
    FootnoteObject = QTextFormat::UserObject + 1,
    FieldObject,
};

// Puts a read document into a QTextDocument at `cursor`: a whole document
// when the cursor stands in an empty one, otherwise inserted there (the first
// paragraph joins the one at the cursor). Leaves the cursor after it. The
// headers, footers and sections come along only into an empty document. `afterBlock`,
// when given, runs after each paragraph or table of the body.
void insertModel(const rtf::Document &model, QTextCursor &cursor, const std::function<void()> &afterBlock = {});

// The whole QTextDocument as the model the RTF writer takes, with the page
// setup it is to carry (table widths not fixed in the document share the
// page's text width).
rtf::Document modelFromDocument(const QTextDocument &doc, const rtf::PageSetup &page);

// The headers and footers of a document, with what they show on the pages
// (titlePage, facingPages, headerY, footerY), as a model of their own; no
// headers when it has none. setPageStories gives a document those of
// `model`.
rtf::Document pageStories(const QTextDocument &doc);
void setPageStories(QTextDocument &doc, const rtf::Document &model);

// A section as the RTF SectionProperty holds, with the pictures, objects and
// footnotes of its headers taken from `from`; and back, those put into `into`.
QByteArray sectionRtf(const rtf::Section &section, const rtf::Document &from);
std::optional<rtf::Section> readSection(const QByteArray &bytes, rtf::Document &into);

// Lets `change` work on each header, footer and footnote of `doc` as a
// document of its own (default font and all), and keeps what it made of
// them. Returns the sum of what `change` returned.
int changeStories(QTextDocument &doc, const std::function<int(QTextDocument &)> &change);

// Decodes code pages other than Windows-1252 through Qt's converters.
bool decodeCodePage(int codePage, const std::string &bytes, std::u16string &out);

} // namespace kalamora::document
