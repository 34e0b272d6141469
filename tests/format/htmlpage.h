#pragma once

// An HTML page read the way a browser finds its parts: every run of text
// with the elements around it, the attributes and inline styles of those
// elements, and the text of the page's style sheets. Enough HTML for the
// pages the program writes; not a general parser.
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

struct HtmlElement {
    QString tag;
    QMap<QString, QString> attributes;
    QMap<QString, QString> style;  // the style attribute's properties
};

class HtmlPage {
public:
    explicit HtmlPage(const QString &html)
    {
        static const QStringList empty = {QStringLiteral("img"), QStringLiteral("br"), QStringLiteral("meta"),
                                          QStringLiteral("hr"), QStringLiteral("link"), QStringLiteral("input")};
        QList<int> open;
        qsizetype i = 0;
        while (i < html.size()) {
            if (html[i] != u'<') {
                const qsizetype end = html.indexOf(u'<', i);
                const QString text = decode(html.mid(i, end < 0 ? -1 : end - i));
                if (!open.isEmpty() && m_elements[open.last()].tag == QStringLiteral("style"))
                    m_styleSheet += text;
                else if (!text.trimmed().isEmpty())
                    m_runs.append({text, open});
                i = end < 0 ? html.size() : end;
                continue;
            }
            const qsizetype close = html.indexOf(u'>', i);
            if (close < 0)
                break;
            const QString tag = html.mid(i + 1, close - i - 1);
            i = close + 1;
            if (tag.startsWith(u'!') || tag.startsWith(u'?'))
                continue;
            if (tag.startsWith(u'/')) {
                const QString name = tag.mid(1).trimmed().toLower();
                for (qsizetype k = open.size() - 1; k >= 0; --k) {
                    if (m_elements[open[k]].tag == name) {
                        open.resize(k);
                        break;
                    }
                }
                continue;
            }
            HtmlElement e = parseTag(tag);
            m_elements.append(e);
            if (!tag.endsWith(u'/') && !empty.contains(e.tag))
                open.append(int(m_elements.size()) - 1);
        }
    }

    // The elements around the first run of text that holds `text`, the
    // innermost first; none when no run holds it.
    QList<HtmlElement> around(const QString &text) const
    {
        for (const Run &r : m_runs) {
            if (!r.text.contains(text))
                continue;
            QList<HtmlElement> out;
            for (qsizetype k = r.path.size() - 1; k >= 0; --k)
                out.append(m_elements[r.path[k]]);
            return out;
        }
        return {};
    }

    // A style property as the innermost element around `text` that sets it
    // gives it; "" when none does.
    QString css(const QString &text, const QString &property) const
    {
        for (const HtmlElement &e : around(text)) {
            if (e.style.contains(property))
                return e.style.value(property);
        }
        return {};
    }

    // An attribute of the innermost `tag` element around `text`.
    QString attribute(const QString &text, const QString &tag, const QString &name) const
    {
        for (const HtmlElement &e : around(text)) {
            if (e.tag == tag)
                return e.attributes.value(name);
        }
        return {};
    }

    // The innermost `tag` element around `text`, or an element with no tag.
    HtmlElement enclosing(const QString &text, const QString &tag) const
    {
        for (const HtmlElement &e : around(text)) {
            if (e.tag == tag)
                return e;
        }
        return {};
    }

    QList<HtmlElement> all(const QString &tag) const
    {
        QList<HtmlElement> out;
        for (const HtmlElement &e : m_elements) {
            if (e.tag == tag)
                out.append(e);
        }
        return out;
    }

    QString text() const
    {
        QString out;
        for (const Run &r : m_runs)
            out += r.text;
        return out;
    }

    QString styleSheet() const { return m_styleSheet; }

private:
    struct Run {
        QString text;
        QList<int> path;  // indices of the enclosing elements, outermost first
    };

    static QString decode(QString s)
    {
        s.replace(QStringLiteral("&lt;"), QStringLiteral("<")).replace(QStringLiteral("&gt;"), QStringLiteral(">"));
        s.replace(QStringLiteral("&quot;"), QStringLiteral("\"")).replace(QStringLiteral("&nbsp;"), QString(QChar(0xA0)));
        s.replace(QStringLiteral("&#9;"), QStringLiteral("\t"));
        return s.replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    }

    static HtmlElement parseTag(const QString &tag)
    {
        HtmlElement e;
        qsizetype i = 0;
        while (i < tag.size() && !tag[i].isSpace() && tag[i] != u'/')
            ++i;
        e.tag = tag.left(i).toLower();
        while (i < tag.size()) {
            while (i < tag.size() && (tag[i].isSpace() || tag[i] == u'/'))
                ++i;
            const qsizetype nameStart = i;
            while (i < tag.size() && tag[i] != u'=' && !tag[i].isSpace() && tag[i] != u'/')
                ++i;
            const QString name = tag.mid(nameStart, i - nameStart).toLower();
            QString value;
            if (i < tag.size() && tag[i] == u'=') {
                ++i;
                const QChar quote = i < tag.size() ? tag[i] : QChar();
                if (quote == u'"' || quote == u'\'') {
                    const qsizetype end = tag.indexOf(quote, i + 1);
                    value = tag.mid(i + 1, end < 0 ? -1 : end - i - 1);
                    i = end < 0 ? tag.size() : end + 1;
                } else {
                    const qsizetype start = i;
                    while (i < tag.size() && !tag[i].isSpace())
                        ++i;
                    value = tag.mid(start, i - start);
                }
            }
            if (!name.isEmpty())
                e.attributes.insert(name, decode(value));
        }
        for (const QString &decl : e.attributes.value(QStringLiteral("style")).split(u';')) {
            const qsizetype colon = decl.indexOf(u':');
            if (colon > 0)
                e.style.insert(decl.left(colon).trimmed().toLower(), decl.mid(colon + 1).trimmed());
        }
        return e;
    }

    QList<HtmlElement> m_elements;
    QList<Run> m_runs;
    QString m_styleSheet;
};
