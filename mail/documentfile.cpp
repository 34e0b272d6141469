#include "documentfile.h"

#include "cp1252.h"

#include <QFile>
#include <QFileInfo>
#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace mail {

bool loadDocumentFile(const QString &path, QTextDocument &doc, QString *error)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        if (error)
            *error = u"cannot read %1: %2"_s.arg(path, f.errorString());
        return false;
    }
    const QByteArray bytes = f.readAll();
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == u"rtf"_s) {
        if (error)
            *error = u"cannot read %1: RTF is read by the text engine"_s.arg(path);
        return false;
    }
    const std::u16string text = kruti::glyphsToUtf16(std::string_view(bytes.constData(), bytes.size()));
    const QString decoded = QString::fromStdU16String(text);
    if (suffix == u"htm"_s || suffix == u"html"_s)
        doc.setHtml(decoded);
    else
        doc.setPlainText(decoded);
    return true;
}

} // namespace mail
