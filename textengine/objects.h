#pragma once

#include <QObject>
#include <QString>
#include <QTextCursor>
#include <QTextFormat>

#include "document/documentmodel.h"

namespace kalamora::textengine {

class TextControl;

// A picture or embedded object in a TextControl's document, as callers see
// it through ObjectCurrent: its flags and its four distances to the text
// (index 1 left, 2 top, 3 right, 4 bottom; twips). It follows its character
// through edits; once that character is gone it reads defaults and ignores
// writes.
//
// A fixed object is a picture in a frame that floats at the left or right
// of the text, which flows around it; its distances are the frame's margins.
// An object inserted as a character stands in the line; it keeps its
// distances as values but the line does not move away from it.
class TextObject : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool KeepDistances READ keepsDistances WRITE setKeepsDistances)
    Q_PROPERTY(bool FastDisplay READ fastDisplay WRITE setFastDisplay)
    Q_PROPERTY(bool SaveAsData READ saveAsData WRITE setSaveAsData)
    Q_PROPERTY(bool Fixed READ isFixed)
    Q_PROPERTY(bool Embedded READ isEmbedded)
    Q_PROPERTY(QString Name READ name)

public:
    TextObject(TextControl *control, int position);

    bool isValid() const;
    int position() const { return m_cursor.position(); }
    bool isFixed() const;
    bool isEmbedded() const;
    QString name() const;  // the embedded file's name; "" for a picture

    bool keepsDistances() const;
    void setKeepsDistances(bool on);
    // Index 1..4; other indices read 0 and are not written. Values are kept
    // to the 16-bit range callers store them in.
    Q_INVOKABLE int Distance(int index) const;
    Q_INVOKABLE void setDistance(int index, int twips);
    bool fastDisplay() const;
    void setFastDisplay(bool on);
    bool saveAsData() const;
    void setSaveAsData(bool on);

private:
    QTextImageFormat format() const;
    void setFormatProperty(int property, const QVariant &value);

    TextControl *m_control;
    QTextCursor m_cursor;  // stands before the object character
};

// The "Name (*.a *.b)|*.a;*.b|..." list of the pictures the control can
// insert, first all of them together.
QString imageFilterList();

// An OLE 1 "Package" object embedding `data` under `fileName`, as the
// {\object ...} RTF group that shows `icon` (PNG bytes, size in twips).
QByteArray embeddedObjectRtf(const QString &fileName, const QByteArray &data, const QByteArray &iconPng,
                             int widthTwips, int heightTwips);
// The file name of an embedded Package object's group, "" for other groups.
QString embeddedObjectName(const QByteArray &objectRtf);

} // namespace kalamora::textengine
