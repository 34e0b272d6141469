// TextControl: pictures and embedded objects, inserted as characters or
// fixed beside the text, and the object interface of ObjectCurrent.
#include "textengine/objects.h"

#include "document/documentmodel.h"
#include "document/units.h"
#include "textengine/textcontrol.h"
#include "textengine/uihooks.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QFontMetrics>
#include <QImage>
#include <QImageReader>
#include <QPainter>
#include <QStyle>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextFrame>
#include <QTextTable>
#include <QUrl>

#include <atomic>
#include <optional>

using namespace Qt::StringLiterals;

namespace kalamora::textengine {

namespace {

// Files embedded whole are kept in memory and in the document: refuse the
// absurd.
constexpr qint64 maxEmbeddedBytes = 64 * 1024 * 1024;

QString newObjectName()
{
    static std::atomic<int> serial{0};
    return u"object:%1"_s.arg(++serial);
}

bool isObjectChar(const QTextDocument *doc, int pos)
{
    if (pos < 0 || pos >= doc->characterCount() - 1 || doc->characterAt(pos) != QChar::ObjectReplacementCharacter)
        return false;
    QTextCursor c(const_cast<QTextDocument *>(doc));
    c.setPosition(pos + 1);
    return c.charFormat().isImageFormat();
}

QTextFrame *fixedFrameAt(const QTextDocument *doc, int pos)
{
    QTextCursor c(const_cast<QTextDocument *>(doc));
    c.setPosition(pos);
    QTextFrame *f = c.currentFrame();
    return f && f->frameFormat().boolProperty(document::FixedObjectFrameProperty) ? f : nullptr;
}

// The icon an embedded file shows: the file icon of the style with the
// file's name below it.
QImage objectIcon(const QString &name)
{
    const int w = 112, h = 80;
    QImage img(w, h, QImage::Format_ARGB32);
    img.fill(Qt::white);
    QPainter p(&img);
    const QIcon icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    icon.paint(&p, QRect((w - 40) / 2, 6, 40, 40));
    QFont font = QApplication::font();
    font.setPixelSize(11);
    p.setFont(font);
    p.setPen(Qt::black);
    const QString shown = QFontMetrics(font).elidedText(name, Qt::ElideMiddle, w - 8);
    p.drawText(QRect(4, 50, w - 8, 24), Qt::AlignCenter, shown);
    p.setPen(QColor(0xA0, 0xA0, 0xA0));
    p.drawRect(0, 0, w - 1, h - 1);
    return img;
}

QByteArray pngBytes(const QImage &img)
{
    QByteArray out;
    QBuffer buf(&out);
    buf.open(QIODevice::WriteOnly);
    img.save(&buf, "PNG");
    return out;
}

// Builds the character format of a picture from a file (kind 0) or of an
// embedded object (kind 1, asking for the file when none is given).
std::optional<QTextImageFormat> objectFormat(TextControl *control, int kind, QString file, int scaleX,
                                             int scaleY, QString &error)
{
    QTextDocument *doc = control->document();
    // Callers that pass the file argument as the number 0 mean "none".
    if (kind == 1 && (file.isEmpty() || file == u"0"_s)) {
        file = chooseOpenFile(control, u"Insert Object"_s, u"All Files (*)"_s);
        if (file.isEmpty()) {
            error = u"No file was chosen"_s;
            return std::nullopt;
        }
    }
    if (kind != 0 && kind != 1) {
        error = u"Unknown kind of object %1"_s.arg(kind);
        return std::nullopt;
    }
    QFile f(file);
    if (!f.open(QIODevice::ReadOnly)) {
        error = u"Cannot open %1: %2"_s.arg(file, f.errorString());
        return std::nullopt;
    }
    if (f.size() > maxEmbeddedBytes) {
        error = u"%1 is too large to insert"_s.arg(file);
        return std::nullopt;
    }
    const QByteArray data = f.readAll();
    const double sx = std::clamp(scaleX, 1, 1000) / 100.0;
    const double sy = std::clamp(scaleY, 1, 1000) / 100.0;
    QTextImageFormat fmt;
    const QString name = newObjectName();
    fmt.setName(name);
    if (kind == 0) {
        const QImage img = QImage::fromData(data);
        if (img.isNull()) {
            error = u"%1 is not a picture this program can show"_s.arg(file);
            return std::nullopt;
        }
        // PNG and JPEG files are kept as they are; other pictures as images.
        if (data.startsWith("\x89PNG") || data.startsWith("\xFF\xD8")) {
            doc->addResource(QTextDocument::ImageResource, QUrl(name), data);
            fmt.setProperty(document::PictureKindProperty, data.startsWith("\x89PNG") ? u"png"_s : u"jpeg"_s);
        } else {
            doc->addResource(QTextDocument::ImageResource, QUrl(name), img);
        }
        // Pixels at 96 per inch.
        fmt.setWidth(document::twipsToUnits(img.width() * 15.0 * sx));
        fmt.setHeight(document::twipsToUnits(img.height() * 15.0 * sy));
    } else {
        const QString fileName = QFileInfo(file).fileName();
        const QImage icon = objectIcon(fileName);
        const QByteArray png = pngBytes(icon);
        const int wTw = static_cast<int>(icon.width() * 15.0 * sx);
        const int hTw = static_cast<int>(icon.height() * 15.0 * sy);
        doc->addResource(QTextDocument::ImageResource, QUrl(name), png);
        fmt.setWidth(document::twipsToUnits(wTw));
        fmt.setHeight(document::twipsToUnits(hTw));
        fmt.setProperty(document::ObjectRawProperty, embeddedObjectRtf(fileName, data, png, wTw, hTw));
        fmt.setProperty(document::ObjectFileNameProperty, fileName);
    }
    fmt.setProperty(document::ObjectSaveAsDataProperty, true);
    return fmt;
}

void appendU32(QByteArray &out, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        out.append(char((v >> (8 * i)) & 0xFF));
}

void appendU16(QByteArray &out, quint16 v)
{
    out.append(char(v & 0xFF));
    out.append(char(v >> 8));
}

quint32 readU32(const QByteArray &b, qsizetype at)
{
    if (at < 0 || at + 4 > b.size())
        return 0;
    quint32 v = 0;
    for (int i = 3; i >= 0; --i)
        v = (v << 8) | quint8(b[at + i]);
    return v;
}

QByteArray hexLines(const QByteArray &bytes)
{
    const QByteArray hex = bytes.toHex();
    QByteArray out;
    out.reserve(hex.size() + hex.size() / 128 + 2);
    for (qsizetype i = 0; i < hex.size(); i += 128) {
        out.append('\n');
        out.append(hex.mid(i, 128));
    }
    return out;
}

} // namespace

// --- The object interface -----------------------------------------------------

TextObject::TextObject(TextControl *control, int position)
    : QObject(control), m_control(control), m_cursor(control->document())
{
    m_cursor.setPosition(position);
}

bool TextObject::isValid() const
{
    return !m_cursor.isNull() && isObjectChar(m_control->document(), m_cursor.position());
}

QTextImageFormat TextObject::format() const
{
    if (!isValid())
        return {};
    QTextCursor c(m_cursor);
    c.setPosition(m_cursor.position() + 1);
    return c.charFormat().toImageFormat();
}

void TextObject::setFormatProperty(int property, const QVariant &value)
{
    if (!isValid())
        return;
    QTextCursor c(m_cursor);
    c.setPosition(m_cursor.position() + 1, QTextCursor::KeepAnchor);
    QTextImageFormat f;
    f.setProperty(property, value);
    c.mergeCharFormat(f);
    // A fixed object's distances are its frame's margins.
    if (QTextFrame *frame = fixedFrameAt(m_control->document(), m_cursor.position())) {
        const QTextImageFormat now = format();
        const QTextFrameFormat ff = frame->frameFormat();
        const bool keep = now.boolProperty(document::ObjectKeepsDistancesProperty);
        const auto d = [&](int p) { return keep ? document::twipsToUnits(now.intProperty(p)) : 0.0; };
        frame->setFrameFormat(document::fixedFrameFormat(
            ff.position(), ff.doubleProperty(document::FixedObjectPlaceProperty), ff.doubleProperty(document::FixedObjectDownProperty),
            {d(document::ObjectDistanceLeftProperty), d(document::ObjectDistanceTopProperty), d(document::ObjectDistanceRightProperty),
             d(document::ObjectDistanceBottomProperty)},
            ff.width().rawValue()));
        // The text that flows around the frame is laid out again too.
        QTextDocument *doc = m_control->document();
        doc->markContentsDirty(frame->firstPosition(), doc->characterCount() - 1 - frame->firstPosition());
    }
}

bool TextObject::isFixed() const
{
    return isValid() && fixedFrameAt(m_control->document(), m_cursor.position()) != nullptr;
}

bool TextObject::isEmbedded() const
{
    return format().hasProperty(document::ObjectRawProperty);
}

QString TextObject::name() const
{
    const QTextImageFormat f = format();
    const QString stored = f.stringProperty(document::ObjectFileNameProperty);
    return stored.isEmpty() ? embeddedObjectName(f.property(document::ObjectRawProperty).toByteArray()) : stored;
}

bool TextObject::keepsDistances() const
{
    return format().boolProperty(document::ObjectKeepsDistancesProperty);
}

void TextObject::setKeepsDistances(bool on)
{
    setFormatProperty(document::ObjectKeepsDistancesProperty, on);
}

int TextObject::Distance(int index) const
{
    if (index < 1 || index > 4)
        return 0;
    return format().intProperty(document::ObjectDistanceLeftProperty + index - 1);
}

void TextObject::setDistance(int index, int twips)
{
    if (index >= 1 && index <= 4)
        setFormatProperty(document::ObjectDistanceLeftProperty + index - 1, std::clamp(twips, 0, 32767));
}

bool TextObject::fastDisplay() const
{
    return format().boolProperty(document::ObjectFastDisplayProperty);
}

void TextObject::setFastDisplay(bool on)
{
    setFormatProperty(document::ObjectFastDisplayProperty, on);
}

bool TextObject::saveAsData() const
{
    // Pictures and objects are kept in the document unless told otherwise.
    const QTextImageFormat f = format();
    return !f.hasProperty(document::ObjectSaveAsDataProperty) || f.boolProperty(document::ObjectSaveAsDataProperty);
}

void TextObject::setSaveAsData(bool on)
{
    setFormatProperty(document::ObjectSaveAsDataProperty, on);
}

// --- Filters and embedding ----------------------------------------------------

QString imageFilterList()
{
    struct Kind {
        const char *label;
        QList<QByteArray> formats;
        QStringList patterns;
    };
    const QList<QByteArray> supported = QImageReader::supportedImageFormats();
    const Kind kinds[] = {
        {"PNG Images", {"png"}, {u"*.png"_s}},
        {"JPEG Images", {"jpeg", "jpg"}, {u"*.jpg"_s, u"*.jpeg"_s}},
        {"Windows Bitmaps", {"bmp"}, {u"*.bmp"_s}},
        {"GIF Images", {"gif"}, {u"*.gif"_s}},
        {"TIFF Images", {"tif", "tiff"}, {u"*.tif"_s, u"*.tiff"_s}},
        {"Portable Bitmaps", {"pbm", "pgm", "ppm"}, {u"*.pbm"_s, u"*.pgm"_s, u"*.ppm"_s}},
        {"X Pixmaps", {"xpm"}, {u"*.xpm"_s}},
    };
    QStringList all, parts;
    for (const Kind &k : kinds) {
        bool ok = false;
        for (const QByteArray &f : k.formats)
            ok = ok || supported.contains(f);
        if (!ok)
            continue;
        all += k.patterns;
        parts << u"%1 (%2)|%3"_s.arg(QString::fromLatin1(k.label), k.patterns.join(u' '), k.patterns.join(u';'));
    }
    parts.prepend(u"All Images (%1)|%2"_s.arg(all.join(u' '), all.join(u';')));
    return parts.join(u'|');
}

QByteArray embeddedObjectRtf(const QString &fileName, const QByteArray &data, const QByteArray &iconPng,
                             int widthTwips, int heightTwips)
{
    // OLE 1 embedded object of class "Package": the packager's native data
    // holds the label, the original path, a temporary path and the bytes.
    const QByteArray label = fileName.toLocal8Bit();
    QByteArray native;
    appendU16(native, 2);
    native += label + '\0';
    native += label + '\0';
    appendU32(native, 0x00030000);
    appendU32(native, quint32(label.size() + 1));
    native += label + '\0';
    appendU32(native, quint32(data.size()));
    native += data;

    QByteArray ole;
    appendU32(ole, 0x00000501);  // OLE version
    appendU32(ole, 2);           // embedded
    appendU32(ole, 8);
    ole += QByteArrayLiteral("Package") + '\0';
    appendU32(ole, 0);  // topic
    appendU32(ole, 0);  // item
    appendU32(ole, quint32(native.size()));
    ole += native;
    appendU32(ole, 0x00000501);
    appendU32(ole, 0);  // no presentation of its own: the result picture shows it

    const QByteArray w = QByteArray::number(widthTwips), h = QByteArray::number(heightTwips);
    QByteArray out = "{\\object\\objemb\\objw" + w + "\\objh" + h + "{\\*\\objclass Package}{\\*\\objdata";
    out += hexLines(ole);
    out += "\n}{\\result{\\pict\\pngblip\\picwgoal" + w + "\\pichgoal" + h;
    out += hexLines(iconPng);
    out += "\n}}}";
    return out;
}

QString embeddedObjectName(const QByteArray &objectRtf)
{
    if (!objectRtf.contains("\\objclass Package"))
        return {};
    const qsizetype start = objectRtf.indexOf("\\objdata");
    if (start < 0)
        return {};
    QByteArray hex;
    for (qsizetype i = start + 8; i < objectRtf.size() && objectRtf[i] != '}' && hex.size() < 4096; ++i) {
        if (std::isxdigit(static_cast<unsigned char>(objectRtf[i])))
            hex.append(objectRtf[i]);
    }
    const QByteArray ole = QByteArray::fromHex(hex);
    // version, format, class name, topic, item, native size, native data.
    qsizetype at = 8;
    const quint32 classLen = readU32(ole, at);
    at += 4 + classLen;
    at += 4 + readU32(ole, at);
    at += 4 + readU32(ole, at);
    at += 4 + 2;  // native size, packager header
    if (at >= ole.size())
        return {};
    const qsizetype end = ole.indexOf('\0', at);
    return end > at ? QString::fromLocal8Bit(ole.mid(at, end - at)) : QString();
}

// --- TextControl members --------------------------------------------------------

bool TextControl::insertObjectAsChar(int kind, const QString &file, int position, int scaleX, int scaleY)
{
    QString error;
    const std::optional<QTextImageFormat> fmt = objectFormat(this, kind, file, scaleX, scaleY, error);
    if (!fmt)
        return fail(error);
    QTextCursor c = textCursor();
    if (position >= 0)
        c.setPosition(std::clamp(position, 0, document()->characterCount() - 1));
    ownEdit([&] {
        c.insertImage(*fmt);
        setTextCursor(c);
    });
    return true;
}

bool TextControl::ObjectInsertFixed(int kind, const QString &file, int x, int y, int scaleX, int scaleY, int, int,
                                    int, int, int distL, int distT, int distR, int distB)
{
    QString error;
    std::optional<QTextImageFormat> fmt = objectFormat(this, kind, file, scaleX, scaleY, error);
    if (!fmt)
        return fail(error);
    const int d[4] = {distL, distT, distR, distB};
    fmt->setProperty(document::ObjectKeepsDistancesProperty, true);
    for (int i = 0; i < 4; ++i)
        fmt->setProperty(document::ObjectDistanceLeftProperty + i, std::clamp(d[i], 0, 32767));

    // The paragraph at that height of the document carries the frame; the
    // frame stands at the left or the right of the text, whichever side x
    // is nearer, moved in from that side and down to reach (x, y).
    QTextDocument *doc = document();
    QAbstractTextDocumentLayout *layout = doc->documentLayout();
    const QPointF at(document::twipsToUnits(std::max(x, 0)), document::twipsToUnits(std::max(y, 0)));
    int pos = layout->hitTest(at, Qt::FuzzyHit);
    if (pos < 0)
        pos = doc->characterCount() - 1;
    QTextCursor c(doc);
    c.setPosition(pos);
    while (c.currentTable()) {  // a float cannot stand in a table cell: before the table
        c.setPosition(c.currentTable()->firstPosition() - 1);
    }
    c.movePosition(QTextCursor::StartOfBlock);
    const QRectF blockRect = layout->blockBoundingRect(c.block());
    const QTextFrame *root = doc->rootFrame();
    const QTextFrameFormat rootFormat = root->frameFormat();
    const double textLeft = rootFormat.leftMargin() + rootFormat.padding();
    const double textWidth = layout->frameBoundingRect(const_cast<QTextFrame *>(root)).width() - textLeft
        - rootFormat.rightMargin();
    const double relX = at.x() - textLeft;
    const bool left = relX + fmt->width() / 2 < textWidth / 2;
    const double place = left ? std::max(relX, 0.0) : std::max(textWidth - relX - fmt->width(), 0.0);
    const double down = std::max(at.y() - blockRect.top(), 0.0);

    const QTextFrameFormat ff = document::fixedFrameFormat(
        left ? QTextFrameFormat::FloatLeft : QTextFrameFormat::FloatRight, place, down,
        {document::twipsToUnits(d[0]), document::twipsToUnits(d[1]), document::twipsToUnits(d[2]), document::twipsToUnits(d[3])}, fmt->width());
    ownEdit([&] {
        c.beginEditBlock();
        QTextFrame *frame = document::insertFixedFrame(c, ff);
        QTextCursor in = frame->firstCursorPosition();
        in.insertImage(*fmt);
        c.endEditBlock();
        in.setPosition(frame->firstPosition());
        setTextCursor(in);
    });
    return true;
}

QObject *TextControl::ObjectCurrent() const
{
    // The object the selection holds alone, else the one at the caret (a
    // click on a picture puts the caret at its side).
    const QTextCursor c = textCursor();
    const QTextDocument *doc = document();
    int pos = -1;
    if (c.hasSelection()) {
        if (c.selectionEnd() - c.selectionStart() == 1 && isObjectChar(doc, c.selectionStart()))
            pos = c.selectionStart();
    } else if (isObjectChar(doc, c.position())) {
        pos = c.position();
    } else if (isObjectChar(doc, c.position() - 1)) {
        pos = c.position() - 1;
    }
    if (pos < 0)
        return nullptr;
    auto *self = const_cast<TextControl *>(this);
    for (TextObject *o : findChildren<TextObject *>(Qt::FindDirectChildrenOnly)) {
        if (o->position() == pos && o->isValid())
            return o;
    }
    return new TextObject(self, pos);
}

QString TextControl::ImageFilters() const
{
    return imageFilterList();
}

} // namespace kalamora::textengine
