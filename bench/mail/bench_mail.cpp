// bench_mail: how long the HTML mail conversion of a large document takes.
// Prints figures; asserts nothing.
#include "mail/htmlparse.h"
#include "mail/mailtext.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdio>

using namespace Qt::StringLiterals;
using namespace kalamora;

namespace {

// About `bytes` characters of Kruti Dev glyph text in paragraphs of ~400
// characters, a change of format every ~40 characters (Glyphora runs with
// bold words and English runs), with entities to escape.
void buildDocument(QTextDocument &doc, qsizetype bytes)
{
    const QString words[] = {u"Hkkjr"_s, u"\u2018egku\u2019"_s, u"ns'k"_s, u"gS"_s, u"vkSj"_s, u"\u00CFk"_s,
                             u"<d>"_s, u"&"_s, u"\u00D7"_s, u"iafDr"_s};
    QTextCharFormat hindi;
    hindi.setFontFamilies({u"Glyphora 010"_s});
    hindi.setFontPointSize(20);
    QTextCharFormat bold = hindi;
    bold.setFontWeight(QFont::Bold);
    QTextCharFormat english;
    english.setFontFamilies({u"Arial"_s});
    english.setFontPointSize(12);
    const QTextCharFormat *formats[] = {&hindi, &bold, &hindi, &english};

    QTextCursor c(&doc);
    c.beginEditBlock();
    qsizetype written = 0;
    int n = 0;
    for (int runs = 1; written < bytes; ++runs) {
        QString run;
        while (run.size() < 40)
            run += words[(n++ * 7) % 10] + u' ';
        if (runs % 10 == 0)
            run += u'\n';
        c.insertText(run, *formats[runs % 4]);
        written += run.size();
    }
    c.endEditBlock();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    for (const qsizetype size : {qsizetype(100'000), qsizetype(1'000'000), qsizetype(4'000'000)}) {
        QTextDocument doc;
        buildDocument(doc, size);
        const int chars = doc.characterCount();
        double best = 1e9;
        qsizetype outSize = 0;
        for (int round = 0; round < 3; ++round) {
            QElapsedTimer t;
            t.start();
            HTMLParse parse(u"Bench"_s);
            const QString mail = parse.ParseHTML(doc, false, false);
            const QByteArray bytes = mail::smtpData(mail::encodeMailText(mail));
            best = std::min(best, t.nsecsElapsed() / 1e6);
            outSize = bytes.size();
        }
        std::printf("document %8d chars (%4d paragraphs): HTML mail + SMTP data %9lld bytes in %8.2f ms\n", chars,
                    doc.blockCount(), static_cast<long long>(outSize), best);
    }
    return 0;
}
