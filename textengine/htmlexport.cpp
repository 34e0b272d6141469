#include "htmlexport.h"

#include <QBuffer>
#include <QHash>
#include <QImage>
#include <QPixmap>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QUrl>

#include <memory>

using namespace Qt::StringLiterals;

namespace textengine {

namespace {

// A picture resource of the document as a data: URI; "" for none.
QString dataUri(const QVariant &resource)
{
    QByteArray bytes;
    QByteArray mime;
    if (resource.userType() == QMetaType::QByteArray) {
        bytes = resource.toByteArray();
        if (bytes.startsWith("\x89PNG"))
            mime = "image/png";
        else if (bytes.startsWith("\xFF\xD8"))
            mime = "image/jpeg";
        else if (bytes.startsWith("GIF8"))
            mime = "image/gif";
    }
    if (mime.isEmpty()) {
        // Everything else goes out as PNG.
        QImage img;
        if (resource.userType() == QMetaType::QImage)
            img = resource.value<QImage>();
        else if (resource.userType() == QMetaType::QPixmap)
            img = resource.value<QPixmap>().toImage();
        else if (!bytes.isEmpty())
            img = QImage::fromData(bytes);
        if (img.isNull())
            return {};
        bytes.clear();
        QBuffer buf(&bytes);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "PNG");
        mime = "image/png";
    }
    return QString::fromLatin1("data:" + mime + ";base64," + bytes.toBase64());
}

QString points(int twips)
{
    return QString::number(twips / 20.0, 'f', 2) + u"pt"_s;
}

} // namespace

QByteArray documentHtml(const QTextDocument &doc, const TextControl::PageSetup &page)
{
    // A copy whose pictures are named by their data.
    std::unique_ptr<QTextDocument> copy(doc.clone());
    QHash<QString, QString> uris;
    struct Rename {
        int position, length;
        QTextImageFormat format;
    };
    QList<Rename> renames;
    for (QTextBlock b = copy->begin(); b.isValid(); b = b.next()) {
        for (auto it = b.begin(); !it.atEnd(); ++it) {
            const QTextFragment frag = it.fragment();
            if (!frag.isValid() || !frag.charFormat().isImageFormat())
                continue;
            QTextImageFormat img = frag.charFormat().toImageFormat();
            const QString name = img.name();
            if (name.startsWith(u"data:"_s))
                continue;
            auto found = uris.find(name);
            if (found == uris.end())
                found = uris.insert(name, dataUri(doc.resource(QTextDocument::ImageResource, QUrl(name))));
            if (found->isEmpty())
                continue;
            img.setName(*found);
            renames.append({frag.position(), frag.length(), img});
        }
    }
    for (const Rename &r : renames) {
        QTextCursor c(copy.get());
        c.setPosition(r.position);
        c.setPosition(r.position + r.length, QTextCursor::KeepAnchor);
        c.setCharFormat(r.format);
    }

    QString html = copy->toHtml();
    // The sheet the document is laid out on, for printing from the browser.
    const QString pageRule = u"@page { size: %1 %2; margin: %3 %4 %5 %6; }\n"_s.arg(
        points(page.width), points(page.height), points(page.marginT), points(page.marginR), points(page.marginB),
        points(page.marginL));
    const qsizetype style = html.indexOf(u"</style>"_s);
    if (style >= 0)
        html.insert(style, pageRule);
    return html.toUtf8();
}

} // namespace textengine
