// Bundlet against archives made by Info-ZIP zip and Python's zipfile, with
// zipit doing the adding, extracting and deleting.
#include "tests/zipctl/archivetools.h"
#include "zipctl/aboutdialog.h"
#include "zipctl/bundlet.h"
#include "zipctl/bundlexcom.h"
#include "zipctl/registration.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QUiLoader>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

extern "C" {
bundlex::Result DllRegisterServer();
bundlex::Result DllUnregisterServer();
bundlex::Result DllGetClassObject(const char *, const char *, void **);
bundlex::Result DllCanUnloadNow();
}

namespace {

// Every event of the control, in order, as "Name arg arg".
struct EventLog
{
    explicit EventLog(Bundlet &b)
    {
        QObject::connect(&b, &Bundlet::OnArchiveUpdate, [this] { events << u"OnArchiveUpdate"_s; });
        auto progress = [this](const QString &name) {
            return [this, name](qint16 pct, const QString &file) {
                events << u"%1 %2 %3"_s.arg(name).arg(pct).arg(file);
            };
        };
        auto complete = [this](const QString &name) {
            return [this, name](qint32 n) { events << u"%1 %2"_s.arg(name).arg(n); };
        };
        QObject::connect(&b, &Bundlet::OnZipProgress, progress(u"OnZipProgress"_s));
        QObject::connect(&b, &Bundlet::OnUnzipProgress, progress(u"OnUnzipProgress"_s));
        QObject::connect(&b, &Bundlet::OnDeleteProgress, progress(u"OnDeleteProgress"_s));
        QObject::connect(&b, &Bundlet::OnZipComplete, complete(u"OnZipComplete"_s));
        QObject::connect(&b, &Bundlet::OnUnzipComplete, complete(u"OnUnzipComplete"_s));
        QObject::connect(&b, &Bundlet::OnDeleteComplete, complete(u"OnDeleteComplete"_s));
    }
    QStringList take()
    {
        QStringList e = events;
        events.clear();
        return e;
    }
    QStringList events;
};

QStringList entryNames(const Bundlet &b)
{
    QStringList names;
    for (qint32 i = 1; i <= b.GetEntryNum(); ++i)
        names << b.GetEntry(i)->Filename();
    return names;
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

class BundletTest : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString path(const QString &rel) const { return dir.filePath(rel); }

    // a.txt, b.txt, c.dat in src/, zipped flat by Info-ZIP.
    QString threeEntryArchive()
    {
        testzip::writeFiles(path(u"src"_s), {u"a.txt=alpha"_s, u"b.txt=bravo"_s, u"c.dat=charlie"_s});
        testzip::infoZip(path(u"src"_s), path(u"three.zip"_s), {u"a.txt"_s, u"b.txt"_s, u"c.dat"_s});
        return path(u"three.zip"_s);
    }

    QTemporaryDir dir;
    Bundlet bundlet;
};

} // namespace

TEST_F(BundletTest, ListsWhatZipinfoListsForArchivesOfBothTools)
{
    testzip::writeFiles(path(u"tree"_s), {u"docs/readme.txt=hello hello hello hello"_s, u"docs/empty/.keep="_s,
                                          u"top.bin=0123456789"_s});
    QDir(path(u"tree"_s)).mkpath(u"folder-only"_s);
    testzip::infoZip(path(u"tree"_s), path(u"info-deflated.zip"_s), {u"."_s});
    testzip::infoZip(path(u"tree"_s), path(u"info-stored.zip"_s), {u"docs"_s, u"top.bin"_s}, {u"-0"_s});
    testzip::pythonStreamedZip(path(u"py-streamed.zip"_s),
                               u"    z.writestr(zipfile.ZipInfo('pkg/'), b'')\n"
                               "    zi = zipfile.ZipInfo('pkg/deflated.txt', date_time=(2021, 3, 4, 5, 6, 8))\n"
                               "    zi.compress_type = zipfile.ZIP_DEFLATED\n"
                               "    z.writestr(zi, b'abc' * 1000)\n"
                               "    zi = zipfile.ZipInfo('stored.bin', date_time=(1999, 12, 31, 23, 59, 58))\n"
                               "    zi.compress_type = zipfile.ZIP_STORED\n"
                               "    z.writestr(zi, bytes(range(256)) * 3)\n"
                               "    z.writestr('pkg/sub/', b'')\n"
                               "    z.writestr('last.txt', b'end')\n"_s);
    testzip::pythonZip(path(u"py-plain.zip"_s), u"    z.writestr('one.txt', b'1')\n"
                                                 "    z.writestr('two/', b'')\n"
                                                 "    z.writestr('two/three.txt', b'333')\n"_s);

    // zip writing to a pipe cannot seek back either: data descriptors.
    const testzip::Output piped = testzip::run(u"zip"_s, {u"-q"_s, u"-r"_s, u"-"_s, u"."_s}, path(u"tree"_s));
    ASSERT_EQ(piped.exitCode, 0);
    QFile pipedFile(path(u"info-piped.zip"_s));
    ASSERT_TRUE(pipedFile.open(QIODevice::WriteOnly));
    pipedFile.write(piped.out);
    pipedFile.close();

    for (const QString &name : {u"info-deflated.zip"_s, u"info-stored.zip"_s, u"info-piped.zip"_s,
                                u"py-streamed.zip"_s, u"py-plain.zip"_s}) {
        bundlet.setFilename(path(name));
        EXPECT_EQ(entryNames(bundlet), testzip::zipinfoNames(path(name))) << name.toStdString();
    }

    // The streamed archive: every entry defers its sizes to a descriptor.
    bundlet.setFilename(path(u"py-streamed.zip"_s));
    ASSERT_EQ(bundlet.GetEntryNum(), 5);
    const ZipFileEntry *folder = bundlet.GetEntry(1);
    EXPECT_TRUE(folder->Filename().isEmpty());
    EXPECT_EQ(folder->UncompressedSize(), 0);
    EXPECT_TRUE(folder->FileDateTime().isEmpty());
    const ZipFileEntry *deflated = bundlet.GetEntry(2);
    EXPECT_TRUE(deflated->Flag() & 0x8);
    EXPECT_EQ(deflated->CompressionMethod(), 8);
    EXPECT_EQ(deflated->UncompressedSize(), 3000);
    EXPECT_GT(deflated->CompressedSize(), 0);
    EXPECT_LT(deflated->CompressedSize(), 3000);
    EXPECT_EQ(deflated->FileDateTime(), u"2021-03-04 05:06:08"_s);
    EXPECT_EQ(deflated->FileNameLength(), 16);
    const ZipFileEntry *stored = bundlet.GetEntry(3);
    EXPECT_EQ(stored->CompressionMethod(), 0);
    EXPECT_EQ(stored->CompressedSize(), 768);
    EXPECT_EQ(stored->UncompressedSize(), 768);
    EXPECT_EQ(stored->FileDateTime(), u"1999-12-31 23:59:58"_s);
    EXPECT_EQ(bundlet.GetEntry(5)->Filename(), u"last.txt"_s);
}

TEST_F(BundletTest, DatesAndNamesDoNotDependOnTheLocale)
{
    testzip::pythonZip(path(u"names.zip"_s),
                       u"    zi = zipfile.ZipInfo('\u0928\u092E\u0938\u094D\u0924\u0947.txt', date_time=(2020, 1, 2, 3, 4, 6))\n"
                       "    z.writestr(zi, b'x')\n"
                       "    zi = zipfile.ZipInfo('caf\\xe9.txt'.encode('utf-8').decode('cp437'), date_time=(2020, 12, 31, 0, 0, 0))\n"
                       "    z.writestr(zi, b'y')\n"_s);
    for (const QLocale &locale : {QLocale(QLocale::C), QLocale(QLocale::German, QLocale::Germany),
                                 QLocale(QLocale::English, QLocale::UnitedStates)}) {
        QLocale::setDefault(locale);
        bundlet.setFilename(path(u"names.zip"_s));
        ASSERT_EQ(bundlet.GetEntryNum(), 2);
        EXPECT_EQ(bundlet.GetEntry(1)->Filename(), u"\u0928\u092E\u0938\u094D\u0924\u0947.txt"_s);
        EXPECT_EQ(bundlet.GetEntry(1)->FileDateTime(), u"2020-01-02 03:04:06"_s);
        EXPECT_EQ(bundlet.GetEntry(2)->FileDateTime(), u"2020-12-31 00:00:00"_s);
    }
    QLocale::setDefault(QLocale(QLocale::C));
    // A stored name is handed back byte for byte, whatever its encoding.
    EXPECT_EQ(bundlet.Extract({u"*"_s}, Bundlet::zipDefault, false, true, path(u"out"_s)), 2);
}

TEST_F(BundletTest, EmptyAndAbsentArchiveNames)
{
    EventLog log(bundlet);
    const QString archive = threeEntryArchive();
    bundlet.setFilename(archive);
    EXPECT_EQ(bundlet.GetEntryNum(), 3);
    EXPECT_EQ(log.take(), (QStringList{u"OnArchiveUpdate"_s, u"OnArchiveUpdate"_s}));

    const QStringList before = QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot);
    bundlet.setFilename(QString());
    EXPECT_EQ(bundlet.GetEntryNum(), 0);
    EXPECT_EQ(bundlet.Read(), 0);
    EXPECT_EQ(log.take(), QStringList{u"OnArchiveUpdate"_s}); // the setter's; Read of no name raises none
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), before);

    // An absent archive is created empty, as a new archive starts.
    bundlet.setFilename(path(u"new.zip"_s));
    EXPECT_EQ(bundlet.GetEntryNum(), 0);
    EXPECT_TRUE(QFileInfo(path(u"new.zip"_s)).isFile());
    EXPECT_EQ(QFileInfo(path(u"new.zip"_s)).size(), 0);
}

TEST_F(BundletTest, AddReportsEachFileWithRoundedPercentagesAndRereads)
{
    QStringList files;
    for (int i = 1; i <= 8; ++i)
        files << u"f%1.txt=content %1"_s.arg(i);
    files << u".hidden.txt=skip me"_s;
    testzip::writeFiles(path(u"in"_s), files);
    QDir(path(u"in"_s)).mkpath(u"dir.txt"_s); // a folder matching the pattern is skipped too
    bundlet.setFilename(path(u"new.zip"_s));
    EventLog log(bundlet);

    EXPECT_EQ(bundlet.Add({path(u"in/*.txt"_s)}, Bundlet::zipDefault, false, false, false, Bundlet::zipNormal), 8);
    // i / 8 * 100 with halves to even: 12.5 -> 12, 37.5 -> 38, 62.5 -> 62, 87.5 -> 88.
    EXPECT_EQ(log.take(), (QStringList{u"OnZipProgress 12 f1.txt"_s, u"OnZipProgress 25 f2.txt"_s,
                                       u"OnZipProgress 38 f3.txt"_s, u"OnZipProgress 50 f4.txt"_s,
                                       u"OnZipProgress 62 f5.txt"_s, u"OnZipProgress 75 f6.txt"_s,
                                       u"OnZipProgress 88 f7.txt"_s, u"OnZipProgress 100 f8.txt"_s,
                                       u"OnZipComplete 8"_s, u"OnArchiveUpdate"_s, u"OnArchiveUpdate"_s}));
    EXPECT_EQ(bundlet.GetEntryNum(), 8);
    EXPECT_EQ(testzip::zipinfoNames(path(u"new.zip"_s)).size(), 8);
    EXPECT_EQ(testzip::run(u"unzip"_s, {u"-tq"_s, path(u"new.zip"_s)}).exitCode, 0);

    // No matching file: only the completion, and no second read.
    EXPECT_EQ(bundlet.Add({path(u"in/*.none"_s)}, Bundlet::zipDefault, false, false, false, Bundlet::zipNormal), 0);
    EXPECT_EQ(log.take(), QStringList{u"OnZipComplete 0"_s});
}

TEST_F(BundletTest, AddActionsLevelsAndNames)
{
    testzip::writeFiles(path(u"in/Deep"_s), {u"a.txt=aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaa"_s,
                                             u"Long File Name.text=x"_s, u"b.txt=b"_s});
    bundlet.setFilename(path(u"t.zip"_s));
    const QString a = path(u"in/Deep/a.txt"_s);
    EXPECT_EQ(bundlet.Add({a}, Bundlet::zipDefault, false, false, false, Bundlet::zipStore), 1);
    EXPECT_EQ(bundlet.GetEntry(1)->CompressionMethod(), 0);
    // Replacing at another level.
    EXPECT_EQ(bundlet.Add({a}, Bundlet::zipDefault, false, false, false, Bundlet::zipMax), 1);
    ASSERT_EQ(bundlet.GetEntryNum(), 1);
    EXPECT_EQ(bundlet.GetEntry(1)->CompressionMethod(), 8);

    // Freshen adds nothing new and leaves an up-to-date entry; update adds
    // new files and replaces older entries only.
    const QString b = path(u"in/Deep/b.txt"_s);
    EXPECT_EQ(bundlet.Add({b}, Bundlet::zipFreshen, false, false, false, Bundlet::zipNormal), 0);
    EXPECT_EQ(bundlet.Add({a}, Bundlet::zipFreshen, false, false, false, Bundlet::zipNormal), 0);
    EXPECT_EQ(bundlet.Add({a}, Bundlet::zipUpdate, false, false, false, Bundlet::zipNormal), 0);
    EXPECT_EQ(bundlet.Add({b}, Bundlet::zipUpdate, false, false, false, Bundlet::zipNormal), 1);
    QFile fa(a);
    ASSERT_TRUE(fa.open(QIODevice::ReadWrite));
    fa.setFileTime(QDateTime::currentDateTime().addSecs(3600), QFileDevice::FileModificationTime);
    fa.close();
    EXPECT_EQ(bundlet.Add({a}, Bundlet::zipFreshen, false, false, false, Bundlet::zipNormal), 1);

    // Path information kept (made relative), and DOS 8.3 names.
    const QString longName = path(u"in/Deep/Long File Name.text"_s);
    EXPECT_EQ(bundlet.Add({longName}, Bundlet::zipDefault, true, false, false, Bundlet::zipNormal), 1);
    EXPECT_EQ(bundlet.Add({longName}, Bundlet::zipDefault, false, false, true, Bundlet::zipNormal), 1);
    const QStringList names = entryNames(bundlet);
    EXPECT_TRUE(names.contains(QString(longName).remove(0, 1))) << names.join(u',').toStdString();
    EXPECT_TRUE(names.contains(u"LONGFILE.TEX"_s)) << names.join(u',').toStdString();
}

TEST_F(BundletTest, AddKeepsAnArchiveThatWasNeverRead)
{
    // A form restores Filename without reading: the control holds no
    // entries, yet the archive on disk has some and must keep them.
    const QString archive = threeEntryArchive();
    bundlet.readProperties({{u"Filename"_s, archive}});
    ASSERT_EQ(bundlet.GetEntryNum(), 0);
    testzip::writeFiles(path(u"more"_s), {u"d.txt=delta"_s});
    EXPECT_EQ(bundlet.Add({path(u"more/d.txt"_s)}, Bundlet::zipDefault, false, false, false, Bundlet::zipNormal), 1);
    EXPECT_EQ(entryNames(bundlet), (QStringList{u"a.txt"_s, u"b.txt"_s, u"c.dat"_s, u"d.txt"_s}));
}

TEST_F(BundletTest, ExtractMatchesEachPatternInTurn)
{
    testzip::writeFiles(path(u"src"_s), {u"a.txt=alpha"_s, u"sub/b.txt=bravo"_s, u"c.dat=charlie"_s});
    testzip::infoZip(path(u"src"_s), path(u"x.zip"_s), {u"a.txt"_s, u"sub"_s, u"c.dat"_s});
    bundlet.setFilename(path(u"x.zip"_s));
    EventLog log(bundlet);

    // "a.txt" matches both patterns and is handed over twice; the second
    // time it exists and Overwrite is off.
    EXPECT_EQ(bundlet.Extract({u"*.TXT"_s, u"a*"_s}, Bundlet::zipDefault, true, false, path(u"out"_s)), 2);
    EXPECT_EQ(log.take(), (QStringList{u"OnUnzipProgress 33 a.txt"_s, u"OnUnzipProgress 67 b.txt"_s,
                                       u"OnUnzipProgress 100 a.txt"_s, u"OnUnzipComplete 2"_s}));
    EXPECT_EQ(readFile(path(u"out/a.txt"_s)), "alpha");
    EXPECT_EQ(readFile(path(u"out/sub/b.txt"_s)), "bravo");
    EXPECT_FALSE(QFileInfo::exists(path(u"out/c.dat"_s)));

    // Without path information the file part lands in the folder itself;
    // with Overwrite an existing file is replaced.
    testzip::writeFiles(path(u"flat"_s), {u"b.txt=old"_s});
    EXPECT_EQ(bundlet.Extract({u"b.txt"_s}, Bundlet::zipDefault, false, false, path(u"flat"_s)), 0);
    EXPECT_EQ(readFile(path(u"flat/b.txt"_s)), "old");
    EXPECT_EQ(bundlet.Extract({u"b.txt"_s}, Bundlet::zipDefault, false, true, path(u"flat"_s)), 1);
    EXPECT_EQ(readFile(path(u"flat/b.txt"_s)), "bravo");
    EXPECT_EQ(bundlet.Extract({u"nothing*"_s}, Bundlet::zipDefault, true, true, path(u"flat"_s)), 0);
    EXPECT_EQ(log.events.last(), u"OnUnzipComplete 0"_s);
}

TEST_F(BundletTest, ExtractRefusesNamesThatLeaveTheDestination)
{
    const QString outside = path(u"outside"_s);
    QDir().mkpath(outside);
    QDir().mkpath(path(u"dest"_s));
    ASSERT_TRUE(QFile::link(outside, path(u"dest/link"_s)));
    const QString absolute = path(u"outside/absolute.txt"_s);
    testzip::pythonZip(path(u"slip.zip"_s),
                       u"    z.writestr('../escape.txt', b'bad')\n"
                       "    z.writestr(zipfile.ZipInfo('%1'), b'bad')\n"
                       "    z.writestr('sub/../../up.txt', b'bad')\n"
                       "    z.writestr('..\\\\back.txt', b'bad')\n"
                       "    z.writestr('link/through.txt', b'bad')\n"
                       "    z.writestr('ok.txt', b'good')\n"_s.arg(absolute));
    bundlet.setFilename(path(u"slip.zip"_s));
    ASSERT_EQ(bundlet.GetEntryNum(), 6);
    EXPECT_EQ(bundlet.Extract({u"*"_s}, Bundlet::zipDefault, true, true, path(u"dest"_s)), 1);
    EXPECT_EQ(readFile(path(u"dest/ok.txt"_s)), "good");
    EXPECT_TRUE(QDir(outside).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(path(u"escape.txt"_s)));
    EXPECT_FALSE(QFileInfo::exists(path(u"up.txt"_s)));
    EXPECT_FALSE(QFileInfo::exists(path(u"back.txt"_s)));
    // An existing link as the target itself is not written through either.
    ASSERT_TRUE(QFile::link(path(u"outside/target.txt"_s), path(u"dest/ok.txt.lnk"_s)));
    testzip::pythonZip(path(u"lnk.zip"_s), u"    z.writestr('ok.txt.lnk', b'bad')\n"_s);
    bundlet.setFilename(path(u"lnk.zip"_s));
    EXPECT_EQ(bundlet.Extract({u"*"_s}, Bundlet::zipDefault, true, true, path(u"dest"_s)), 0);
    EXPECT_FALSE(QFileInfo::exists(path(u"outside/target.txt"_s)));
}

TEST_F(BundletTest, DeletingEveryEntryRemovesTheArchive)
{
    const QString archive = threeEntryArchive();
    bundlet.setFilename(archive);
    EventLog log(bundlet);
    EXPECT_EQ(bundlet.Delete({u"*"_s}), 3);
    EXPECT_EQ(log.take(), (QStringList{u"OnDeleteProgress 33 a.txt"_s, u"OnDeleteProgress 67 b.txt"_s,
                                       u"OnDeleteProgress 100 c.dat"_s, u"OnDeleteComplete 3"_s,
                                       u"OnArchiveUpdate"_s, u"OnArchiveUpdate"_s}));
    // The read afterwards leaves an empty file of that name.
    EXPECT_EQ(bundlet.GetEntryNum(), 0);
    EXPECT_TRUE(QFileInfo(archive).isFile());
    EXPECT_EQ(QFileInfo(archive).size(), 0);
}

TEST_F(BundletTest, DeleteWithOverlappingPatternsKeepsUnmatchedEntries)
{
    const QString archive = threeEntryArchive();
    bundlet.setFilename(archive);
    EventLog log(bundlet);
    EXPECT_EQ(bundlet.Delete({u"*.txt"_s, u"a*"_s}), 2);
    EXPECT_EQ(log.take().mid(0, 3), (QStringList{u"OnDeleteProgress 50 a.txt"_s, u"OnDeleteProgress 100 b.txt"_s,
                                                 u"OnDeleteComplete 2"_s}));
    EXPECT_EQ(entryNames(bundlet), QStringList{u"c.dat"_s});
    EXPECT_EQ(testzip::zipinfoNames(archive), QStringList{u"c.dat"_s});

    EXPECT_EQ(bundlet.Delete({u"nothing"_s}), 0);
    EXPECT_EQ(log.take(), QStringList{u"OnDeleteComplete 0"_s});
}

TEST_F(BundletTest, HandlersMayCallTheControlBetweenFiles)
{
    // A host that re-reads the archive from a progress handler replaces the
    // entry list under the running loop; the loop works from its own copy.
    const QString archive = threeEntryArchive();
    bundlet.setFilename(archive);
    int reads = 0;
    auto reread = [&](qint16, const QString &) { reads += bundlet.Read() == bundlet.GetEntryNum(); };
    const auto unzip = QObject::connect(&bundlet, &Bundlet::OnUnzipProgress, reread);
    EXPECT_EQ(bundlet.Extract({u"*"_s}, Bundlet::zipDefault, true, true, path(u"out"_s)), 3);
    QObject::disconnect(unzip);
    QObject::connect(&bundlet, &Bundlet::OnDeleteProgress, reread);
    EXPECT_EQ(bundlet.Delete({u"*.txt"_s}), 2);
    EXPECT_EQ(reads, 5);
    EXPECT_EQ(entryNames(bundlet), QStringList{u"c.dat"_s});
}

TEST_F(BundletTest, HostileArchivesEndReadWithAnError)
{
    QFile big(path(u"big.zip"_s));
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    // A header claiming 2 GB of data in a 40-byte file.
    const char header[] = "PK\x03\x04\x14\x00\x00\x00\x08\x00\x00\x00\x00\x00\x00\x00\x00\x00"
                          "\x00\x00\x00\x80\x00\x00\x00\x80\x05\x00\x00\x00huge!";
    big.write(header, sizeof header - 1);
    big.close();
    EventLog log(bundlet);
    EXPECT_THROW(bundlet.setFilename(path(u"big.zip"_s)), BundletError);
    EXPECT_TRUE(log.events.isEmpty());
    EXPECT_THROW(bundlet.Read(), BundletError);
    EXPECT_EQ(bundlet.GetEntryNum(), 0);

    // A truncated copy of a real archive: the entries before the cut stay.
    const QString archive = threeEntryArchive();
    QByteArray bytes = readFile(archive);
    QFile cut(path(u"cut.zip"_s));
    ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
    cut.write(bytes.left(bytes.indexOf("c.dat") + 7)); // inside its extra field
    cut.close();
    EXPECT_THROW(bundlet.setFilename(path(u"cut.zip"_s)), BundletError);
    EXPECT_EQ(entryNames(bundlet), (QStringList{u"a.txt"_s, u"b.txt"_s}));
}

TEST_F(BundletTest, DeleteAfterAFailedReadRemovedTheWholeArchive)
{
    // The third header is made unreadable: the read fails after two entries.
    // Delete of everything used to count those two, take the second for the
    // last entry and remove the file, c.dat with it.
    const QString archive = threeEntryArchive();
    QByteArray bytes = readFile(archive);
    const qsizetype third = bytes.indexOf("c.dat") - 30; // its local header
    ASSERT_GT(third, 0);
    bytes[third + 27] = char(0x80); // name length 32768
    QFile f(archive);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    f.close();
    EXPECT_THROW(bundlet.setFilename(archive), BundletError);
    EXPECT_EQ(bundlet.GetEntryNum(), 2);
    testzip::writeFiles(path(u"more"_s), {u"d.txt=delta"_s});
    EXPECT_THROW(bundlet.Delete({u"*"_s}), BundletError);
    EXPECT_THROW(bundlet.Extract({u"*"_s}, Bundlet::zipDefault, true, true, path(u"out"_s)), BundletError);
    EXPECT_THROW(bundlet.Add({path(u"more/d.txt"_s)}, Bundlet::zipDefault, false, false, false, Bundlet::zipNormal),
                 BundletError);
    EXPECT_EQ(readFile(archive), bytes);
    EXPECT_FALSE(QFileInfo::exists(path(u"out"_s)));
    // A good read lifts the refusal.
    bundlet.setFilename(threeEntryArchive());
    EXPECT_EQ(bundlet.Delete({u"a.txt"_s}), 1);
}

TEST_F(BundletTest, Cp437NamesCouldNotBeExtractedOrDeleted)
{
    // Unflagged names are code page 437; the library ignored the raw-name
    // lookup, so such entries were never found.
    testzip::python(path(u"cp.zip"_s), u"import zipfile, sys, io\n"
                                       "class Cp437(zipfile.ZipInfo):\n"
                                       "    def _encodeFilenameFlags(self):\n"
                                       "        return self.filename.encode('cp437'), self.flag_bits\n"
                                       "buf = io.BytesIO()\n"
                                       "with zipfile.ZipFile(buf, 'w') as z:\n"
                                       "    z.writestr(Cp437('caf\\u00e9.txt'), b'coffee')\n"
                                       "    z.writestr(Cp437('\\u00c4rger/\\u00f1\\u2593.txt'), b'shade')\n"
                                       "    z.writestr('plain.txt', b'plain')\n"
                                       "sys.stdout.buffer.write(buf.getvalue())\n"_s);
    bundlet.setFilename(path(u"cp.zip"_s));
    EXPECT_EQ(entryNames(bundlet),
              (QStringList{u"caf\u00e9.txt"_s, u"\u00c4rger/\u00f1\u2593.txt"_s, u"plain.txt"_s}));
    EXPECT_EQ(bundlet.Extract({u"*"_s}, Bundlet::zipDefault, true, true, path(u"out"_s)), 3);
    EXPECT_EQ(readFile(path(u"out/caf\u00e9.txt"_s)), "coffee");
    EXPECT_EQ(readFile(path(u"out/\u00c4rger/\u00f1\u2593.txt"_s)), "shade");
    EXPECT_EQ(bundlet.Delete({u"caf*"_s}), 1);
    EXPECT_EQ(testzip::zipinfoNames(path(u"cp.zip"_s)).size(), 2);
}

TEST_F(BundletTest, DuplicateNamesBothExtractedTheFirstEntrysData)
{
    testzip::pythonZip(path(u"dup.zip"_s), u"    import warnings; warnings.simplefilter('ignore')\n"
                                            "    z.writestr('same.txt', b'first')\n"
                                            "    z.writestr('same.txt', b'second')\n"_s);
    bundlet.setFilename(path(u"dup.zip"_s));
    ASSERT_EQ(bundlet.GetEntryNum(), 2);
    // Without Overwrite the second finds the first's file and is refused;
    // with it, the later entry wins.
    EXPECT_EQ(bundlet.Extract({u"same.txt"_s}, Bundlet::zipDefault, true, false, path(u"keep"_s)), 1);
    EXPECT_EQ(readFile(path(u"keep/same.txt"_s)), "first");
    EXPECT_EQ(bundlet.Extract({u"same.txt"_s}, Bundlet::zipDefault, true, true, path(u"last"_s)), 2);
    EXPECT_EQ(readFile(path(u"last/same.txt"_s)), "second");
}

TEST_F(BundletTest, ArchiveWasRewrittenForEveryFileOfABatch)
{
    // Between the files of one call the archive stays as it was: Add and
    // Delete write it once, at the end.
    const QString archive = threeEntryArchive();
    bundlet.setFilename(archive);
    const QByteArray before = readFile(archive);
    int unchanged = 0;
    auto same = [&](qint16, const QString &) { unchanged += readFile(archive) == before; };
    QObject::connect(&bundlet, &Bundlet::OnDeleteProgress, same);
    QObject::connect(&bundlet, &Bundlet::OnZipProgress, same);
    EXPECT_EQ(bundlet.Delete({u"a.txt"_s, u"b.txt"_s}), 2);
    EXPECT_EQ(unchanged, 2);
    EXPECT_EQ(testzip::zipinfoNames(archive), QStringList{u"c.dat"_s});

    testzip::writeFiles(path(u"more"_s), {u"d.txt=d"_s, u"e.txt=e"_s, u"f.txt=f"_s});
    const QByteArray two = readFile(archive);
    unchanged = 0;
    auto sameAsTwo = [&](qint16, const QString &) { unchanged += readFile(archive) == two; };
    QObject::disconnect(&bundlet, &Bundlet::OnZipProgress, nullptr, nullptr);
    QObject::connect(&bundlet, &Bundlet::OnZipProgress, sameAsTwo);
    EXPECT_EQ(bundlet.Add({path(u"more/*.txt"_s)}, Bundlet::zipDefault, false, false, false, Bundlet::zipNormal), 3);
    EXPECT_EQ(unchanged, 3);
    EXPECT_EQ(testzip::zipinfoNames(archive).size(), 4);
}

TEST_F(BundletTest, EntryIndexOutOfRangeIsAnError)
{
    bundlet.setFilename(threeEntryArchive());
    EXPECT_THROW(bundlet.GetEntry(0), BundletError);
    EXPECT_THROW(bundlet.GetEntry(4), BundletError);
    EXPECT_EQ(bundlet.GetEntry(3)->Filename(), u"c.dat"_s);
}

TEST(BundletText, ConvertBytesToStringFollowsTheLocale)
{
    Bundlet b;
    struct Case
    {
        qint32 bytes;
        const char16_t *c, *german;
    };
    const Case cases[] = {
        {0, u"0 bytes", u"0 bytes"},
        {204, u"204 bytes", u"204 bytes"},
        {205, u"0.2KB", u"0,2KB"},
        {1536, u"1.5KB", u"1,5KB"},
        {524287, u"512.0KB", u"512,0KB"},
        {524288, u"0.5MB", u"0,5MB"},
        {1234567890, u"1,177.4MB", u"1.177,4MB"},
    };
    for (const Case &c : cases) {
        qint32 bytes = c.bytes;
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        EXPECT_EQ(b.ConvertBytesToString(bytes), QString::fromUtf16(c.c)) << c.bytes;
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(b.ConvertBytesToString(bytes), QString::fromUtf16(c.german)) << c.bytes;
        EXPECT_EQ(bytes, c.bytes);
    }
    QLocale::setDefault(QLocale(QLocale::C));
}

TEST(BundletText, ParsePathAndParseFilename)
{
    Bundlet b;
    struct Case
    {
        const char16_t *path, *folder, *file;
    };
    const Case cases[] = {
        {u"C:\\Data\\Archive.ZIP", u"c:\\data\\", u"Archive.ZIP"},
        {u"/home/User/a.txt", u"/home/user/", u"a.txt"},
        {u"mixed/Dir\\File", u"mixed/dir\\", u"File"},
        {u"folder/", u"folder/", u""},
        {u"plain.txt", u"", u"plain.txt"},
        {u"", u"", u""},
    };
    for (const Case &c : cases) {
        QString p = QString::fromUtf16(c.path);
        EXPECT_EQ(b.ParsePath(p), QString::fromUtf16(c.folder)) << p.toStdString();
        EXPECT_EQ(b.ParseFilename(p), QString::fromUtf16(c.file)) << p.toStdString();
    }
}

TEST(BundletWidget, KeepsItsSizeAndDraws)
{
    Bundlet b;
    const int side = Bundlet::sidePixels(b.logicalDpiX());
    EXPECT_EQ(Bundlet::sidePixels(96), 65);
    EXPECT_EQ(Bundlet::sidePixels(1440), 976);
    b.resize(300, 120);
    b.show();
    EXPECT_EQ(b.size(), QSize(side, side));
    const QImage image = b.grab().toImage();
    EXPECT_EQ(image.size() / image.devicePixelRatio(), QSize(side, side));
    // Something is drawn inside the frame: more than one colour.
    const QColor corner = image.pixelColor(image.width() / 2, image.height() / 2);
    bool differs = false;
    for (int y = 0; y < image.height() && !differs; y += 2)
        differs = image.pixelColor(image.width() / 2, y) != corner;
    EXPECT_TRUE(differs);
}

TEST(BundletWidget, AboutWindowLink)
{
    BundlexAboutDialog about;
    about.setOpensLinks(false);
    about.show();
    HyperlinkLabel *link = about.link();
    QSignalSpy activated(link, &HyperlinkLabel::activated);
    EXPECT_FALSE(link->font().underline());
    EXPECT_EQ(link->palette().color(QPalette::WindowText), link->palette().color(QPalette::ButtonText));
    QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(link, &enter);
    EXPECT_TRUE(link->font().underline());
    EXPECT_EQ(link->palette().color(QPalette::WindowText), link->palette().color(QPalette::Highlight));
    QTest::mouseClick(link, Qt::LeftButton);
    ASSERT_EQ(activated.size(), 1);
    EXPECT_TRUE(activated.at(0).at(0).toString().startsWith(u"https://"_s));
    QEvent leave(QEvent::Leave);
    QCoreApplication::sendEvent(link, &leave);
    EXPECT_FALSE(link->font().underline());
    about.okButton()->click();
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(about.result(), QDialog::Accepted);
}

TEST(BundletRegistration, RecordFactoryAndUnload)
{
    ASSERT_EQ(DllRegisterServer(), bundlex::kOk);
    const QString file = bundlex::registrationFile();
    ASSERT_TRUE(QFileInfo::exists(file));
    QSettings record(file, QSettings::IniFormat);
    EXPECT_EQ(record.value(u"TypeLib/Id"_s).toString(), QLatin1StringView(bundlex::kTypeLibId));
    EXPECT_EQ(record.value(u"TypeLib/Version"_s).toString(), u"1.0"_s);
    EXPECT_EQ(record.value(u"_Bundlet/Id"_s).toString(), QLatin1StringView(bundlex::kBundletInterfaceId));
    EXPECT_EQ(record.value(u"__Bundlet/Id"_s).toString(), QLatin1StringView(bundlex::kBundletEventsId));
    EXPECT_EQ(record.value(u"_ZipFileEntry/Id"_s).toString(), QLatin1StringView(bundlex::kZipFileEntryInterfaceId));
    EXPECT_EQ(record.value(u"ZipAction/Id"_s).toString(), QLatin1StringView(bundlex::kZipActionId));
    EXPECT_EQ(record.value(u"ZipLevel/Id"_s).toString(), QLatin1StringView(bundlex::kZipLevelId));
    EXPECT_FALSE(record.value(u"ZipFileEntry/Creatable"_s).toBool());
    const QString library = bundlex::registeredLibrary(QLatin1StringView(bundlex::kBundletClassId));
    EXPECT_TRUE(library.endsWith(u"/libbundlex.so"_s)) << library.toStdString();
    EXPECT_TRUE(QFileInfo::exists(library));

    void *ptr = nullptr;
    EXPECT_EQ(DllGetClassObject(bundlex::kZipFileEntryClassId, bundlex::kClassFactoryInterfaceId, &ptr),
              bundlex::kClassNotAvailable);
    EXPECT_EQ(ptr, nullptr);
    EXPECT_EQ(DllGetClassObject("{00000000-0000-0000-0000-000000000000}", nullptr, &ptr), bundlex::kClassNotAvailable);
    EXPECT_EQ(DllCanUnloadNow(), bundlex::kOk);
    // Class identifiers compare without regard to case.
    ASSERT_EQ(DllGetClassObject("{0a5801fc-cd92-442e-a5b6-ce8d172c00ac}", bundlex::kClassFactoryInterfaceId, &ptr),
              bundlex::kOk);
    auto *factory = static_cast<bundlex::ClassFactory *>(ptr);
    EXPECT_EQ(DllCanUnloadNow(), bundlex::kFalse);
    void *object = nullptr;
    EXPECT_EQ(factory->CreateInstance(nullptr, bundlex::kZipFileEntryInterfaceId, &object), bundlex::kNoInterface);
    ASSERT_EQ(factory->CreateInstance(nullptr, bundlex::kBundletInterfaceId, &object), bundlex::kOk);
    factory->Release();
    auto *created = static_cast<QObject *>(object);
    EXPECT_NE(qobject_cast<Bundlet *>(created), nullptr);
    EXPECT_EQ(DllCanUnloadNow(), bundlex::kFalse);
    delete created;
    EXPECT_EQ(DllCanUnloadNow(), bundlex::kOk);

    EXPECT_EQ(DllUnregisterServer(), bundlex::kOk);
    EXPECT_FALSE(QFileInfo::exists(file));
    EXPECT_TRUE(bundlex::registeredLibrary(QLatin1StringView(bundlex::kBundletClassId)).isEmpty());
}

TEST(BundletForm, FilenameIsRestoredWithoutReadingTheArchive)
{
    QTemporaryDir dir;
    const QString archive = dir.filePath(u"not-yet.zip"_s);
    QUiLoader loader;
    loader.addPluginPath(qEnvironmentVariable("KALAMORA_PROGRAM_DIR") + u"/designer"_s);
    ASSERT_TRUE(loader.availableWidgets().contains(u"Bundlet"_s));
    const QByteArray ui = u"<ui version=\"4.0\"><class>Form</class><widget class=\"QWidget\" name=\"Form\">"
                          "<widget class=\"Bundlet\" name=\"zip\"><property name=\"Filename\"><string>%1</string>"
                          "</property></widget></widget></ui>"_s.arg(archive).toUtf8();
    QBuffer buffer;
    buffer.setData(ui);
    std::unique_ptr<QWidget> form(loader.load(&buffer));
    ASSERT_TRUE(form) << loader.errorString().toStdString();
    auto *bundlet = form->findChild<Bundlet *>(u"zip"_s);
    ASSERT_NE(bundlet, nullptr);
    EXPECT_EQ(bundlet->Filename(), archive);
    EXPECT_EQ(bundlet->GetEntryNum(), 0);
    EXPECT_FALSE(QFileInfo::exists(archive)); // no Read ran: it would have created the file
    EXPECT_EQ(bundlet->writeProperties().value(u"Filename"_s).toString(), archive);

    // Once loaded, setting the name reads as usual, through the meta-object
    // too.
    QCoreApplication::processEvents();
    bundlet->setProperty("Filename", archive);
    EXPECT_TRUE(QFileInfo::exists(archive));

    // A form that stored no name: the host's first direct setFilename reads.
    const QByteArray bare = "<ui version=\"4.0\"><class>F</class><widget class=\"QWidget\" name=\"F\">"
                            "<widget class=\"Bundlet\" name=\"zip\"/></widget></ui>";
    buffer.close();
    buffer.setData(bare);
    std::unique_ptr<QWidget> second(loader.load(&buffer));
    ASSERT_TRUE(second);
    const QString other = dir.filePath(u"other.zip"_s);
    second->findChild<Bundlet *>(u"zip"_s)->setFilename(other);
    EXPECT_TRUE(QFileInfo::exists(other));
}
