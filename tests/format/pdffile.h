#pragma once

// A PDF file as poppler's tools (pdfinfo, pdftotext, pdffonts, pdftoppm)
// read it, page by page: what a reader of the file finds there.
#include <QImage>
#include <QList>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <gtest/gtest.h>

struct PdfWord {
    QString text;
    QRectF box;  // in points from the page's top left corner
};

class PdfFile {
public:
    explicit PdfFile(QString path) : m_path(std::move(path)) {}

    int pages() const
    {
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("Pages:\\s+(\\d+)")).match(run(QStringLiteral("pdfinfo"), {m_path}));
        return m.hasMatch() ? m.captured(1).toInt() : 0;
    }

    // Width and height in points.
    QSizeF pageSize(int page) const
    {
        const QString info = run(QStringLiteral("pdfinfo"), {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page), m_path});
        const QRegularExpressionMatch m = QRegularExpression(QStringLiteral("size:\\s+([\\d.]+) x ([\\d.]+) pts")).match(info);
        return m.hasMatch() ? QSizeF(m.captured(1).toDouble(), m.captured(2).toDouble()) : QSizeF();
    }

    QString text(int page) const { return run(QStringLiteral("pdftotext"), pageArgs(page) + QStringList{m_path, QStringLiteral("-")}); }

    QList<PdfWord> words(int page) const
    {
        QList<PdfWord> out;
        QXmlStreamReader xml(run(QStringLiteral("pdftotext"), pageArgs(page) + QStringList{QStringLiteral("-bbox"), m_path, QStringLiteral("-")}));
        while (!xml.atEnd()) {
            if (xml.readNext() != QXmlStreamReader::StartElement || xml.name() != QStringLiteral("word"))
                continue;
            const auto a = xml.attributes();
            const QRectF box(QPointF(a.value(QStringLiteral("xMin")).toDouble(), a.value(QStringLiteral("yMin")).toDouble()),
                             QPointF(a.value(QStringLiteral("xMax")).toDouble(), a.value(QStringLiteral("yMax")).toDouble()));
            out.append({xml.readElementText(), box});
        }
        return out;
    }

    // The first word that is exactly `text`, or an empty box.
    PdfWord word(int page, const QString &text) const
    {
        for (const PdfWord &w : words(page)) {
            if (w.text == text)
                return w;
        }
        return {};
    }

    // The names of the fonts the page uses.
    QString fonts(int page) const { return run(QStringLiteral("pdffonts"), pageArgs(page) + QStringList{m_path}); }

    // The page as a picture at `dpi`.
    QImage render(int page, int dpi) const
    {
        QTemporaryDir dir;
        const QString stem = dir.filePath(QStringLiteral("page"));
        run(QStringLiteral("pdftoppm"), pageArgs(page) + QStringList{QStringLiteral("-r"), QString::number(dpi), QStringLiteral("-png"),
                                                          QStringLiteral("-singlefile"), m_path, stem});
        return QImage(stem + QStringLiteral(".png"));
    }

private:
    static QStringList pageArgs(int page)
    {
        return {QStringLiteral("-f"), QString::number(page), QStringLiteral("-l"), QString::number(page)};
    }

    static QString run(const QString &tool, const QStringList &args)
    {
        const QString exe = QStandardPaths::findExecutable(tool);
        EXPECT_FALSE(exe.isEmpty()) << tool.toStdString() << " is missing (poppler-utils)";
        if (exe.isEmpty())
            return {};
        QProcess p;
        p.start(exe, args);
        p.waitForFinished(60000);
        return QString::fromUtf8(p.readAllStandardOutput());
    }

    QString m_path;
};
