#include "tests/zipctl/archivetools.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <stdexcept>

using namespace Qt::StringLiterals;

namespace testzip {

Output run(const QString &program, const QStringList &args, const QString &workDir)
{
    QProcess p;
    if (!workDir.isEmpty())
        p.setWorkingDirectory(workDir);
    p.start(program, args);
    if (!p.waitForFinished(30000))
        throw std::runtime_error("did not finish: " + program.toStdString());
    Output o;
    o.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    o.out = p.readAllStandardOutput();
    o.err = p.readAllStandardError();
    return o;
}

void writeFiles(const QString &root, const QStringList &items)
{
    for (const QString &item : items) {
        const qsizetype eq = item.indexOf(u'=');
        const QString path = root + u'/' + item.left(eq);
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly))
            throw std::runtime_error("cannot write " + path.toStdString());
        f.write(item.mid(eq + 1).toUtf8());
    }
}

void infoZip(const QString &workDir, const QString &archive, const QStringList &paths, const QStringList &options)
{
    const Output o = run(u"zip"_s, options + QStringList{u"-q"_s, u"-r"_s, archive} + paths, workDir);
    if (o.exitCode != 0)
        throw std::runtime_error("zip failed: " + o.err.toStdString());
}

void python(const QString &archive, const QString &script)
{
    const Output o = run(u"/usr/bin/python3"_s, {u"-c"_s, script});
    if (o.exitCode != 0)
        throw std::runtime_error("python failed: " + o.err.toStdString());
    QFile f(archive);
    if (!f.open(QIODevice::WriteOnly) || f.write(o.out) != o.out.size())
        throw std::runtime_error("cannot write " + archive.toStdString());
}

void pythonStreamedZip(const QString &archive, const QString &body)
{
    python(archive, u"import sys, zipfile\n"
                    "with zipfile.ZipFile(sys.stdout.buffer, 'w') as z:\n"_s
                        + body);
}

void pythonZip(const QString &archive, const QString &body)
{
    // Built in memory (seekable), then written to standard output.
    python(archive, u"import io, sys, zipfile\n"
                    "buf = io.BytesIO()\n"
                    "with zipfile.ZipFile(buf, 'w') as z:\n"_s
                        + body + u"sys.stdout.buffer.write(buf.getvalue())\n"_s);
}

QStringList zipinfoNames(const QString &archive)
{
    const Output o = run(u"zipinfo"_s, {u"-1"_s, archive});
    if (o.exitCode != 0)
        throw std::runtime_error("zipinfo failed: " + o.err.toStdString());
    QStringList names = QString::fromUtf8(o.out).split(u'\n');
    if (!names.isEmpty() && names.last().isEmpty())
        names.removeLast();
    for (QString &n : names) {
        if (n.endsWith(u'/'))
            n.clear();
    }
    return names;
}

} // namespace testzip
