// The bundlex program as a user runs it: registration on first use, listings
// that match zipinfo, events, exit codes.
#include "tests/zipctl/archivetools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

QString program()
{
    return qEnvironmentVariable("KALAMORA_PROGRAM_DIR") + u"/bundlex"_s;
}

testzip::Output bundlex(const QStringList &args, const QString &workDir = QString())
{
    return testzip::run(program(), args, workDir);
}

QStringList lines(const QByteArray &out)
{
    QStringList l = QString::fromUtf8(out).split(u'\n');
    if (!l.isEmpty() && l.last().isEmpty())
        l.removeLast();
    return l;
}

} // namespace

TEST(BundlexHost, ListMatchesZipinfoAndRegistersOnFirstUse)
{
    QTemporaryDir dir;
    const QString record = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
        + u"/Bundlex/registration.ini"_s;
    QFile::remove(record);

    testzip::writeFiles(dir.filePath(u"tree"_s), {u"a/b/c.txt=c"_s, u"a/d.txt=d"_s, u"e.txt=e"_s});
    testzip::infoZip(dir.filePath(u"tree"_s), dir.filePath(u"info.zip"_s), {u"a"_s, u"e.txt"_s});
    testzip::pythonStreamedZip(dir.filePath(u"python.zip"_s), u"    z.writestr('x/', b'')\n"
                                                             "    z.writestr('x/y.txt', b'y' * 5000)\n"
                                                             "    z.writestr('z.bin', b'')\n"_s);
    for (const QString &name : {u"info.zip"_s, u"python.zip"_s}) {
        const testzip::Output o = bundlex({u"list"_s, dir.filePath(name)});
        EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
        EXPECT_EQ(lines(o.out), testzip::zipinfoNames(dir.filePath(name))) << name.toStdString();
    }
    EXPECT_TRUE(QFileInfo::exists(record));
}

TEST(BundlexHost, AddExtractDeleteAndExitCodes)
{
    QTemporaryDir dir;
    testzip::writeFiles(dir.filePath(u"in"_s), {u"one.txt=1"_s, u"two.txt=22"_s, u"three.dat=333"_s});
    const QString archive = dir.filePath(u"out.zip"_s);

    testzip::Output o = bundlex({u"add"_s, archive, u"in/*.txt"_s, u"in/three.dat"_s, u"--level"_s, u"0"_s},
                                dir.path());
    ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(lines(o.out), (QStringList{u"OnArchiveUpdate"_s, u"OnArchiveUpdate"_s, u"OnZipProgress 33 one.txt"_s,
                                         u"OnZipProgress 67 two.txt"_s, u"OnZipProgress 100 three.dat"_s,
                                         u"OnZipComplete 3"_s, u"OnArchiveUpdate"_s, u"OnArchiveUpdate"_s,
                                         u"3 added"_s}));
    EXPECT_EQ(testzip::zipinfoNames(archive), (QStringList{u"one.txt"_s, u"two.txt"_s, u"three.dat"_s}));

    o = bundlex({u"extract"_s, archive, u"t*"_s, u"--path"_s, dir.filePath(u"x"_s)});
    ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(lines(o.out).last(), u"2 extracted"_s);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(u"x/two.txt"_s)));
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(u"x/three.dat"_s)));

    o = bundlex({u"delete"_s, archive, u"*.txt"_s});
    ASSERT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(lines(o.out).last(), u"2 deleted"_s);
    EXPECT_EQ(testzip::zipinfoNames(archive), QStringList{u"three.dat"_s});

    // Failures: one line on standard error, status 1; bad arguments 2.
    o = bundlex({u"delete"_s, archive, u"*.none"_s});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(lines(o.err).size(), 1);
    o = bundlex({u"list"_s, dir.filePath(u"absent.zip"_s)});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_TRUE(o.out.isEmpty());
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"absent.zip"_s)));
    for (const QStringList &bad : {QStringList{}, QStringList{u"list"_s}, QStringList{u"frob"_s, archive},
                                   QStringList{u"add"_s, archive}, QStringList{u"add"_s, archive, u"x"_s, u"--level"_s, u"10"_s},
                                   QStringList{u"list"_s, archive, u"--bogus"_s}})
        EXPECT_EQ(bundlex(bad).exitCode, 2) << bad.join(u' ').toStdString();
}

TEST(BundlexHost, ZipSlipEntryIsRefused)
{
    QTemporaryDir dir;
    testzip::pythonZip(dir.filePath(u"slip.zip"_s), u"    z.writestr('../../evil.txt', b'bad')\n"
                                                      "    z.writestr('fine.txt', b'good')\n"_s);
    QDir().mkpath(dir.filePath(u"deep/dest"_s));
    const testzip::Output o = bundlex({u"extract"_s, dir.filePath(u"slip.zip"_s), u"--path"_s,
                                       dir.filePath(u"deep/dest"_s)});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_EQ(lines(o.out).last(), u"1 extracted"_s);
    EXPECT_EQ(QString::fromUtf8(o.err).trimmed(), u"bundlex: 1 of 2 not extracted"_s);
    EXPECT_TRUE(QFileInfo::exists(dir.filePath(u"deep/dest/fine.txt"_s)));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"evil.txt"_s)));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath(u"deep/evil.txt"_s)));
}

TEST(BundlexHost, SingleDeleteDestroyedAStreamedZip64Archive)
{
    // Written to a pipe with zip64 forced: 24-byte data descriptors, which
    // the walk took for 16 and stopped after the first entry; delete then
    // removed the whole file and reported "1 deleted".
    QTemporaryDir dir;
    const QString archive = dir.filePath(u"z64.zip"_s);
    testzip::pythonStreamedZip(archive, u"    for n in ('first.txt', 'second.txt', 'third.txt'):\n"
                                        "        with z.open(n, 'w', force_zip64=True) as f:\n"
                                        "            f.write(n.encode() * 10)\n"_s);
    testzip::Output o = bundlex({u"list"_s, archive});
    EXPECT_EQ(lines(o.out), testzip::zipinfoNames(archive));
    o = bundlex({u"delete"_s, archive, u"first.txt"_s});
    EXPECT_EQ(o.exitCode, 0) << o.err.toStdString();
    EXPECT_EQ(testzip::zipinfoNames(archive), (QStringList{u"second.txt"_s, u"third.txt"_s}));
    EXPECT_EQ(testzip::run(u"unzip"_s, {u"-tq"_s, archive}).exitCode, 0);
}

TEST(BundlexHost, NamedPipeAsTheArchiveHungTheListing)
{
    QTemporaryDir dir;
    const QString fifo = dir.filePath(u"pipe.zip"_s);
    ASSERT_EQ(testzip::run(u"mkfifo"_s, {fifo}).exitCode, 0);
    for (const QString &command : {u"list"_s, u"extract"_s, u"delete"_s}) {
        QStringList args{command, fifo};
        if (command == u"delete"_s)
            args << u"*"_s;
        const testzip::Output o = bundlex(args); // run() gives up after 30 s
        EXPECT_EQ(o.exitCode, 1) << command.toStdString();
        EXPECT_TRUE(o.err.contains("not a regular file")) << o.err.toStdString();
    }
}

TEST(BundlexHost, CommandLineTable)
{
    // Each row runs on a fresh copy of an archive holding "plain.txt",
    // "-dash.txt" and "--two.txt"; %A is that copy, %D the test's folder.
    // Options stand anywhere; a pattern that begins with "-" goes after
    // "--"; refused arguments leave the archive as it was.
    struct Row
    {
        QStringList args;
        int status;
        QString lastOut;       // the last line on standard output
        QStringList remaining; // the archive's entries afterwards
    };
    const QStringList all{u"plain.txt"_s, u"-dash.txt"_s, u"--two.txt"_s};
    const QStringList rest{u"plain.txt"_s, u"--two.txt"_s};
    const Row rows[] = {
        {{u"list"_s, u"%A"_s}, 0, u"--two.txt"_s, all},
        {{u"delete"_s, u"%A"_s, u"--"_s, u"-dash.txt"_s}, 0, u"1 deleted"_s, rest},
        {{u"delete"_s, u"--"_s, u"%A"_s, u"-DASH.*"_s}, 0, u"1 deleted"_s, rest},
        {{u"delete"_s, u"%A"_s, u"--"_s, u"--two.txt"_s, u"-*"_s}, 0, u"2 deleted"_s, {u"plain.txt"_s}},
        {{u"delete"_s, u"%A"_s, u"-dash.txt"_s}, 2, {}, all},
        {{u"delete"_s, u"%A"_s, u"--two.txt"_s}, 2, {}, all},
        {{u"delete"_s, u"%A"_s, u"-"_s}, 1, u"0 deleted"_s, all},
        {{u"extract"_s, u"%A"_s, u"--"_s, u"-dash.txt"_s, u"--path"_s}, 0, u"1 extracted"_s, all},
        {{u"--path"_s, u"%D/x"_s, u"extract"_s, u"%A"_s, u"p*"_s}, 0, u"1 extracted"_s, all},
        {{u"extract"_s, u"%A"_s, u"--path=%D/x"_s, u"-h*"_s}, 2, {}, all},
        {{u"extract"_s, u"-path"_s, u"%D/x"_s, u"%A"_s}, 0, u"3 extracted"_s, all},
        {{u"add"_s, u"%A"_s, u"--"_s, u"in/-new.txt"_s}, 0, u"1 added"_s, all + QStringList{u"-new.txt"_s}},
        {{u"add"_s, u"--level=0"_s, u"%A"_s, u"in/-new.txt"_s, u"--level"_s, u"9"_s}, 0, u"1 added"_s,
         all + QStringList{u"-new.txt"_s}},
        {{u"add"_s, u"%A"_s, u"in/-new.txt"_s, u"--level"_s}, 2, {}, all},
        {{u"add"_s, u"%A"_s, u"in/-new.txt"_s, u"-level"_s, u"-1"_s}, 2, {}, all},
        {{u"list"_s, u"%A"_s, u"--"_s, u"--help"_s}, 2, {}, all},
        {{u"list"_s, u"%A"_s, u"--help"_s}, 0, {}, all},
        {{u"-v"_s}, 0, u"bundlex 0.1.0"_s, all},
    };
    QTemporaryDir dir;
    testzip::writeFiles(dir.filePath(u"in"_s), {u"-new.txt=new"_s});
    const QString original = dir.filePath(u"original.zip"_s);
    testzip::pythonZip(original, u"    for n in ('plain.txt', '-dash.txt', '--two.txt'):\n"
                                 "        z.writestr(n, n)\n"_s);
    for (const Row &row : rows) {
        const QString archive = dir.filePath(u"a.zip"_s);
        QFile::remove(archive);
        QDir(dir.filePath(u"x"_s)).removeRecursively();
        ASSERT_TRUE(QFile::copy(original, archive));
        QStringList args;
        for (QString a : row.args)
            args << a.replace(u"%A"_s, archive).replace(u"%D"_s, dir.path());
        const std::string what = row.args.join(u' ').toStdString();
        const testzip::Output o = bundlex(args, dir.path());
        EXPECT_EQ(o.exitCode, row.status) << what << ": " << o.err.toStdString();
        if (row.status == 2) {
            EXPECT_EQ(lines(o.err).size(), 1) << what;
            EXPECT_TRUE(o.out.isEmpty()) << what;
        }
        if (!row.lastOut.isEmpty()) {
            EXPECT_EQ(lines(o.out).value(lines(o.out).size() - 1), row.lastOut) << what;
        }
        EXPECT_EQ(testzip::zipinfoNames(archive), row.remaining) << what;
    }
    // The help names the rule for patterns that begin with "-".
    const testzip::Output help = bundlex({u"--help"_s});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith("Usage: bundlex [options]")) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains("bundlex delete letters.zip -- -draft.rtf"));
}
