// Archives made by real tools for the tests: Info-ZIP zip and Python's
// zipfile, listed back with zipinfo.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

namespace testzip {

struct Output
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// Runs a program to completion (30 s at most) in workDir.
Output run(const QString &program, const QStringList &args, const QString &workDir = QString());

// Writes text files under root: each item "relative/path=contents".
void writeFiles(const QString &root, const QStringList &items);

// zip -r of the given paths (relative to workDir) into archive; extra
// options first (for example "-0" to store).
void infoZip(const QString &workDir, const QString &archive, const QStringList &paths,
             const QStringList &options = {});

// Runs a Python script (Debian's interpreter); its standard output becomes
// the archive.
void python(const QString &archive, const QString &script);

// Runs a Python script (Debian's interpreter) whose standard output, read
// through a pipe so zipfile cannot seek and writes data descriptors, becomes
// the archive. The script gets "z", a zipfile.ZipFile on that stream, and
// the modules zipfile and sys.
void pythonStreamedZip(const QString &archive, const QString &body);

// Like pythonStreamedZip on a seekable file: no data descriptors.
void pythonZip(const QString &archive, const QString &body);

// zipinfo -1, one name a line; folder entries become empty lines, as
// Bundlet lists them.
QStringList zipinfoNames(const QString &archive);

} // namespace testzip
