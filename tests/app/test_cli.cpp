// The program as a newcomer meets it on a terminal: the headless commands on
// a machine with no desktop session, and the window without a display.
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct Outcome {
    int status = -1;
    QByteArray out;
    QByteArray err;
};

// Runs a program as on a bare terminal: no display, no session's runtime
// folder, no platform chosen.
Outcome bare(const QString &program, const QStringList &args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char *name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_RUNTIME_DIR"})
        env.remove(QString::fromLatin1(name));
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000))
        p.kill();
    return {p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1, p.readAllStandardOutput(),
            p.readAllStandardError()};
}

QString kalamora()
{
    return qEnvironmentVariable("KALAMORA_PROGRAM_DIR") + u"/kalamora"_s;
}

// Each headless command prints its result and nothing else; every result
// ends its line.
TEST(CommandLine, HeadlessCommandsPrintedQtsNotesAndNoFinalNewline)
{
    QTemporaryDir dir;
    QFile text(dir.filePath(u"in.txt"_s));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("ueLrs\n");
    text.close();
    struct Row {
        QStringList args;
        bool endsLine; // the result is lines of text
    };
    const Row rows[] = {
        {{u"type"_s, u"namaste"_s}, true},
        {{u"type"_s, u"--unicode"_s, u"namaste"_s}, true},
        {{u"type"_s, u"--hex"_s, u"k"_s}, true},
        {{u"dict"_s, u"house"_s}, true},
        {{u"convert"_s, text.fileName(), dir.filePath(u"out.rtf"_s)}, false},
        {{u"convert"_s, u"--to-unicode"_s, text.fileName(), dir.filePath(u"out.pdf"_s)}, false},
        {{u"mime"_s, u"--subject"_s, u"Hi"_s, text.fileName()}, false},
    };
    for (const Row &row : rows) {
        const std::string what = row.args.join(u' ').toStdString();
        const Outcome r = bare(kalamora(), row.args);
        EXPECT_EQ(r.status, 0) << what;
        EXPECT_EQ(r.err.toStdString(), "") << what;
        if (row.endsLine) {
            EXPECT_TRUE(r.out.endsWith('\n')) << what << ": " << r.out.toStdString();
        }
    }
}

// The window with no display to show it on: one plain message that says
// what to do, and a failure status; scripts/run says it before building.
TEST(CommandLine, WithoutADisplayTheWindowEndedInQtsPluginMessage)
{
    const QString run = qEnvironmentVariable("KALAMORA_SOURCE_DIR") + u"/scripts/run"_s;
    for (const auto &[program, xvfb] : {std::pair{kalamora(), u"xvfb-run -a kalamora"_s},
                                        std::pair{run, u"xvfb-run -a scripts/run"_s}}) {
        const Outcome r = bare(program, {});
        const QString err = QString::fromUtf8(r.err);
        EXPECT_NE(r.status, 0) << program.toStdString();
        EXPECT_TRUE(err.contains(xvfb)) << err.toStdString();
        EXPECT_TRUE(err.contains(u"kalamora --help"_s)) << err.toStdString();
        EXPECT_FALSE(err.contains(u"plugin"_s)) << err.toStdString();
        EXPECT_EQ(r.out, QByteArray()) << program.toStdString();
    }
}

} // namespace

namespace {

// kalamora convert read a ".html" file as plain text, markup and all.
TEST(CommandLine, ConvertReadHtmlAsText)
{
    QTemporaryDir dir;
    for (const QString name : {u"page.html"_s, u"PAGE.HTML"_s, u"page.htm"_s}) {
        QFile page(dir.filePath(name));
        ASSERT_TRUE(page.open(QIODevice::WriteOnly));
        page.write("<html><body><p>Dear <b>friend</b></p></body></html>");
        page.close();
        const QString out = dir.filePath(u"out.txt"_s);
        const Outcome r = bare(kalamora(), {u"convert"_s, page.fileName(), out});
        EXPECT_EQ(r.status, 0) << name.toStdString() << r.err.toStdString();
        QFile written(out);
        ASSERT_TRUE(written.open(QIODevice::ReadOnly));
        EXPECT_EQ(written.readAll(), QByteArray("Dear friend")) << name.toStdString();
    }
}

} // namespace

namespace {

// Every headless command refuses its arguments, or fails, the same way: one
// line naming the command on standard error, status 2 for arguments it
// cannot take and 1 for a document it cannot read.
TEST(CommandLine, BadArgumentsAndUnreadableInputsAnswerAlike)
{
    QTemporaryDir dir;
    const QString gone = dir.filePath(u"gone.rtf"_s);
    struct Row {
        QStringList args;
        int status;
        QString firstLine;
    };
    const Row rows[] = {
        {{u"dict"_s, u"--hex"_s, u"--unicode"_s, u"x"_s}, 2, u"kalamora dict: --hex and --unicode exclude each other"_s},
        {{u"dict"_s}, 2, u"kalamora dict: no WORD"_s},
        {{u"dict"_s, u"a"_s, u"b"_s}, 2, u"kalamora dict: more than one WORD"_s},
        {{u"type"_s, u"--hex"_s, u"--unicode"_s, u"a"_s}, 2, u"kalamora type: --hex and --unicode exclude each other"_s},
        {{u"type"_s, u"a"_s, u"b"_s}, 2, u"kalamora type: more than one KEYS argument"_s},
        {{u"convert"_s, u"--to-unicode"_s, u"--to-kruti"_s, u"a"_s, u"b.rtf"_s}, 2,
         u"kalamora convert: --to-unicode and --to-kruti exclude each other"_s},
        {{u"convert"_s, gone, dir.filePath(u"out.rtf"_s)}, 1, u"kalamora convert: Cannot open "_s + gone},
        {{u"mime"_s, u"--subject"_s, u"s"_s, u"a"_s, u"b"_s}, 2, u"kalamora mime: only one input file"_s},
        {{u"mime"_s, u"a"_s}, 2, u"kalamora mime: --subject is required"_s},
        {{u"mime"_s, u"--subject"_s, u"s"_s}, 2, u"kalamora mime: no input file"_s},
        {{u"mime"_s, u"--subject"_s, u"s"_s, gone}, 1, u"kalamora mime: Cannot open "_s + gone},
        {{u"send"_s, u"--to"_s, u"a@b.c"_s, u"--subject"_s, u"s"_s, u"a"_s, u"b"_s}, 2,
         u"kalamora send: only one input file"_s},
        {{u"send"_s, u"--to"_s, u"a@b.c"_s, u"--subject"_s, u"s"_s, gone}, 1, u"kalamora send: Cannot open "_s + gone},
    };
    for (const Row &row : rows) {
        const std::string what = row.args.join(u' ').toStdString();
        const Outcome r = bare(kalamora(), row.args);
        EXPECT_EQ(r.status, row.status) << what;
        const QString first = QString::fromLocal8Bit(r.err).section(u'\n', 0, 0);
        EXPECT_TRUE(first.startsWith(row.firstLine)) << what << ": " << first.toStdString();
        EXPECT_EQ(r.out, QByteArray()) << what;
    }
}

} // namespace
