#include "zipctl/bundletcore.h"

#include "zipctl/entryname.h"
#include "zipctl/likematch.h"
#include "zipctl/modulefile.h"
#include "zipctl/serverlock_p.h"
#include "zipctl/widgetentry.h"
#include "zipctl/zipwalk.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QLibrary>
#include <QLocale>
#include <QPointer>

#if !defined(_WIN32)
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <limits>
#include <utility>

using namespace Qt::StringLiterals;

BundletError::BundletError(const QString &message) : std::runtime_error(message.toStdString()) {}

// zipit, bound by name at the first call that needs it.
class ZipItLibrary
{
public:
    using OpenFn = void *(*)(const char *, qint16);
    using AddFn = qint16 (*)(void *, const char *, qint16, qint16, qint16, qint16);
    using ExtractFn = qint16 (*)(void *, qint64, const char *, const char *, const char *, qint16, qint16, qint16);
    using DeleteFn = qint16 (*)(void *, qint64, const char *);
    using CloseFn = qint16 (*)(void *, qint16);

    ZipItLibrary()
    {
        // Beside this library first (the program folder of a build or an
        // install), then wherever the platform's loader finds "zipit".
        const QString self = bundlex::libraryFile();
        if (!self.isEmpty()) {
            m_library.setFileName(QFileInfo(self).absolutePath() + u"/zipit"_s);
            if (m_library.load()) {
                bind();
                return;
            }
        }
        m_library.setFileName(u"zipit"_s);
        if (!m_library.load())
            throw BundletError(u"cannot load the zip library zipit: "_s + m_library.errorString());
        bind();
    }

    OpenFn open = nullptr;
    AddFn add = nullptr;
    ExtractFn extract = nullptr;
    DeleteFn remove = nullptr;
    CloseFn close = nullptr;

private:
    template <typename Fn>
    Fn resolve(const char *name)
    {
        auto fn = reinterpret_cast<Fn>(m_library.resolve(name));
        if (!fn)
            throw BundletError(u"the zip library has no function "_s + QLatin1StringView(name));
        return fn;
    }

    void bind()
    {
        open = resolve<OpenFn>("ZipItOpen");
        add = resolve<AddFn>("ZipItAdd");
        extract = resolve<ExtractFn>("ZipItExtract");
        remove = resolve<DeleteFn>("ZipItDelete");
        close = resolve<CloseFn>("ZipItClose");
    }

    QLibrary m_library;
};

namespace {

// A path as zipit takes it: UTF-8 on Windows (which zipit widens), the file
// system's own bytes elsewhere.
QByteArray zipitPath(const QString &path)
{
#if defined(_WIN32)
    return path.toUtf8();
#else
    return QFile::encodeName(path);
#endif
}

// One open archive for the length of a method call. Unless closed with
// close(true), its changes are dropped.
class Batch
{
public:
    Batch(ZipItLibrary &lib, const QString &archive, bool forChanges)
        : m_lib(lib), m_handle(lib.open(zipitPath(archive).constData(), forChanges ? -1 : 0))
    {
    }
    ~Batch() { close(false); }
    Batch(const Batch &) = delete;
    Batch &operator=(const Batch &) = delete;

    // Null when the archive could not be opened: each zipit call then fails.
    void *handle() const { return m_handle; }
    bool close(bool save)
    {
        void *h = std::exchange(m_handle, nullptr);
        return h && m_lib.close(h, save ? -1 : 0) != 0;
    }

private:
    ZipItLibrary &m_lib;
    void *m_handle;
};

// AddEntry: a folder entry (a name with an empty file part) goes into the
// list as an entry whose properties all stay empty.
std::unique_ptr<ZipFileEntry> AddEntry(const bundlex::LocalHeaderRecord &record, const QString &name,
                                       const QByteArray &raw, bool folder)
{
    auto entry = std::make_unique<ZipFileEntry>();
    if (folder)
        return entry;
    entry->setVersion(record.version);
    entry->setFlag(record.flag);
    entry->setCompressionMethod(record.compressionMethod);
    entry->setCRC32(record.crc32);
    entry->setDosDateTime(record.dosDate, record.dosTime);
    entry->setCompressedSize(record.compressedSize);
    entry->setUncompressedSize(record.uncompressedSize);
    entry->setFileNameLength(record.fileNameLength);
    entry->setFilename(name);
    entry->setStoredName(raw);
    entry->setExtraFieldLength(record.extraFieldLength);
    return entry;
}

qsizetype lastSeparator(const QString &path)
{
    for (qsizetype i = path.size(); i-- > 0;) {
        if (path[i] == u'/' || path[i] == u'\\')
            return i;
    }
    return -1;
}

void letHostRun()
{
    if (QCoreApplication::instance())
        QCoreApplication::processEvents();
}

// Opens the archive for reading, creating it empty when absent. Anything but
// a regular file is refused before it is read: a named pipe would block the
// read, a device would never end.
void openArchive(QFile &file, const QString &name)
{
    const bool exists = QFileInfo::exists(name);
#if defined(_WIN32)
    if (exists && !QFileInfo(name).isFile())
        throw BundletError(u"the archive %1 is not a regular file"_s.arg(name));
    if (!file.open(exists ? QIODevice::ReadOnly : QIODevice::ReadWrite))
        throw BundletError(u"cannot open the archive %1: %2"_s.arg(name, file.errorString()));
#else
    // Opened without blocking, then asked what it is: a pipe cannot stall
    // the open, and nothing can be swapped in between a check and the open.
    const int fd = ::open(QFile::encodeName(name).constData(),
                          (exists ? O_RDONLY : O_RDWR | O_CREAT) | O_NONBLOCK | O_CLOEXEC, 0666);
    if (fd < 0)
        throw BundletError(u"cannot open the archive %1: %2"_s.arg(name, QString::fromLocal8Bit(std::strerror(errno))));
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw BundletError(u"the archive %1 is not a regular file"_s.arg(name));
    }
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        throw BundletError(u"cannot open the archive %1: %2"_s.arg(name, file.errorString()));
    }
#endif
}

} // namespace

BundletCore::BundletCore(QObject *parent) : QObject(parent)
{
    bundlex::objectCreated();
}

BundletCore::~BundletCore()
{
    clearEntries();
    bundlex::objectDestroyed();
}

void BundletCore::readProperties(const QVariantMap &bag)
{
    m_filename = bag.value(u"Filename"_s, QString()).toString();
}

QVariantMap BundletCore::writeProperties() const
{
    QVariantMap bag;
    if (!m_filename.isEmpty())
        bag.insert(u"Filename"_s, m_filename);
    return bag;
}

void BundletCore::storeFilename(const QString &name)
{
    m_filename = name;
    emit propertyChanged(u"Filename"_s);
}

void BundletCore::setFilename(const QString &name)
{
    storeFilename(name);
    Read();
    emit OnArchiveUpdate();
}

void BundletCore::clearEntries()
{
    while (!m_entries.empty())
        m_entries.pop_back();
    m_stored.clear();
}

qint32 BundletCore::Read()
{
    clearEntries();
    m_readError.clear();
    if (m_filename.isEmpty())
        return 0;
    try {
        const qint32 count = readArchive();
        emit OnArchiveUpdate();
        return count;
    } catch (const BundletError &e) {
        m_readError = e.message();
        throw;
    }
}

qint32 BundletCore::readArchive()
{
    QFile file;
    openArchive(file, m_filename);

    QByteArray contents;
    std::span<const std::uint8_t> image;
    const qint64 size = file.size();
    if (size > 0) {
        if (const uchar *mapped = file.map(0, size)) {
            image = std::span<const std::uint8_t>(mapped, std::size_t(size));
        } else {
            contents = file.readAll();
            if (contents.size() != size)
                throw BundletError(u"cannot read the archive %1: %2"_s.arg(m_filename, file.errorString()));
            image = std::span<const std::uint8_t>(reinterpret_cast<const std::uint8_t *>(contents.constData()),
                                                  std::size_t(contents.size()));
        }
    }

    const bundlex::WalkResult result =
        bundlex::walkLocalHeaders(image, [this](const bundlex::LocalHeaderRecord &record) {
            const QString name = bundlex::decodeEntryName(record.fileName, (record.flag & bundlex::kFlagUtf8) != 0);
            const qsizetype sep = lastSeparator(name);
            const bool folder = sep == name.size() - 1;
            const QByteArray raw(record.fileName.data(), qsizetype(record.fileName.size()));
            m_entries.push_back(AddEntry(record, name, raw, folder));
            // Most names are written as they are stored: share the bytes.
            QByteArray output = name.toUtf8();
            m_stored.push_back({raw, output == raw ? raw : std::move(output), record.directoryIndex});
        });
    file.close();
    if (result.status != bundlex::WalkStatus::Ok)
        throw BundletError(u"cannot read the archive %1: %2"_s.arg(m_filename, QString::fromStdString(result.message)));
    // Only an empty file, a new archive, may lack the directory that every
    // zip archive ends with.
    if (size > 0 && !result.directoryFound)
        throw BundletError(u"the file %1 is not a zip archive (it has no central directory)"_s.arg(m_filename));
    if (m_entries.size() > std::size_t(std::numeric_limits<qint32>::max()))
        throw BundletError(u"too many entries in the archive %1"_s.arg(m_filename));
    return qint32(m_entries.size());
}

void BundletCore::requireReadable() const
{
    if (!m_readError.isEmpty())
        throw BundletError(u"the archive was not read whole, so it is left alone until it reads without error: "_s
                           + m_readError);
}

ZipFileEntry *BundletCore::GetEntry(qint32 Index) const
{
    if (Index < 1 || std::size_t(Index) > m_entries.size())
        throw BundletError(u"entry index %1 out of range 1 to %2"_s.arg(Index).arg(m_entries.size()));
    return m_entries[std::size_t(Index) - 1].get();
}

qint32 BundletCore::GetEntryNum() const
{
    return qint32(m_entries.size());
}

QString BundletCore::ParseFilename(const QString &Path) const
{
    const qsizetype sep = lastSeparator(Path);
    return sep < 0 ? Path : Path.mid(sep + 1);
}

QString BundletCore::ParsePath(const QString &Path) const
{
    const qsizetype sep = lastSeparator(Path);
    return sep < 0 ? QString() : Path.left(sep + 1).toLower();
}

QString BundletCore::ConvertBytesToString(const qint32 &Bytes) const
{
    const QLocale locale;
    const double k = double(Bytes) / 1024.0;
    if (k < 0.2)
        return locale.toString(qlonglong(Bytes)) + u" bytes"_s;
    if (k < 512)
        return locale.toString(k, 'f', 1) + u"KB"_s;
    return locale.toString(double(Bytes) / (1024.0 * 1024.0), 'f', 1) + u"MB"_s;
}

void BundletCore::About()
{
    if (!bundlex::widgetApplication())
        throw BundletError(u"the About window needs a widget application"_s);
    const auto show = reinterpret_cast<BundletShowAboutFn>(bundlex::widgetEntry("BundletShowAbout"));
    if (!show)
        throw BundletError(u"cannot load the library of the control's window, bundletwidget"_s);
    show(nullptr);
}

qint16 BundletCore::percentage(qsizetype i, qsizetype n)
{
    // Position i of n (from 1) as a percentage, halves to even.
    return qint16(std::nearbyint(double(i) / double(n) * 100.0));
}

QStringList BundletCore::ExpandFileSpecs(const QStringList &specs) const
{
    QStringList paths;
    for (const QString &spec : specs) {
        // The folder keeps its case here: ParsePath lower-cases, which would
        // lose the folder on a case-sensitive file system.
        const qsizetype sep = lastSeparator(spec);
        const QString folder = sep < 0 ? QString() : spec.left(sep + 1);
        const QString pattern = spec.mid(sep + 1);
        if (pattern.isEmpty())
            continue;
        const QDir dir(folder.isEmpty() ? u"."_s : folder);
        const QStringList names = dir.entryList(QStringList{pattern}, QDir::Files, QDir::Name);
        for (const QString &name : names)
            paths.append(folder + name);
    }
    return paths;
}

std::vector<BundletCore::Match> BundletCore::MatchEntries(const QStringList &patterns) const
{
    // Folder entries have no name to hand to the library.
    std::vector<QString> parts(m_entries.size());
    for (std::size_t i = 0; i < m_entries.size(); ++i) {
        if (!m_entries[i]->Filename().isEmpty())
            parts[i] = ParseFilename(m_entries[i]->Filename()).toLower();
    }
    // A pattern without wildcards is a name: looked up, not compared with
    // every entry, so that deleting thousands of named entries stays linear.
    QHash<QString, std::vector<qsizetype>> byName;
    std::vector<Match> matches;
    for (const QString &pattern : patterns) {
        const QString lowered = pattern.toLower();
        const bool literal = std::none_of(lowered.begin(), lowered.end(), [](QChar c) {
            return c == u'*' || c == u'?' || c == u'#' || c == u'[';
        });
        if (literal) {
            if (byName.isEmpty()) {
                for (std::size_t i = 0; i < parts.size(); ++i) {
                    if (!m_entries[i]->Filename().isEmpty())
                        byName[parts[i]].push_back(qsizetype(i));
                }
            }
            const auto found = byName.constFind(lowered);
            if (found == byName.constEnd())
                continue;
            for (qsizetype i : *found)
                matches.push_back({i, ParseFilename(m_entries[std::size_t(i)]->Filename())});
            continue;
        }
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            if (!m_entries[i]->Filename().isEmpty() && bundlex::likeMatch(parts[i], lowered))
                matches.push_back({qsizetype(i), ParseFilename(m_entries[i]->Filename())});
        }
    }
    return matches;
}

ZipItLibrary &BundletCore::zipit()
{
    if (!m_zipit)
        m_zipit = std::make_unique<ZipItLibrary>();
    return *m_zipit;
}

qint32 BundletCore::Add(const QStringList &Files, BundletCore::ZipAction Action, bool StorePathInfo,
                        bool RecurseSubFolders, bool UseDOS83, BundletCore::ZipLevel CompressionLevel)
{
    Q_UNUSED(RecurseSubFolders);
    requireReadable();
    // A control that holds no entries starts a new archive: the empty file
    // that Read leaves behind goes. A file with contents stays, even when its
    // entries were never read, and the library adds to it.
    if (m_entries.empty() && !m_filename.isEmpty()) {
        const QFileInfo info(m_filename);
        if (info.isFile() && info.size() == 0)
            QFile::remove(m_filename);
    }
    const QStringList paths = ExpandFileSpecs(Files);
    const QPointer<BundletCore> self(this);
    qint32 added = 0;
    if (!paths.isEmpty()) {
        ZipItLibrary &lib = zipit();
        Batch batch(lib, m_filename, true);
        for (qsizetype i = 0; i < paths.size(); ++i) {
            emit OnZipProgress(percentage(i + 1, paths.size()), ParseFilename(paths[i]));
            letHostRun();
            if (!self)
                return batch.close(true) ? added : 0;
            if (lib.add(batch.handle(), zipitPath(paths[i]).constData(), StorePathInfo ? -1 : 0,
                        UseDOS83 ? -1 : 0, qint16(Action), qint16(CompressionLevel))
                != 0)
                ++added;
        }
        if (!batch.close(added > 0))
            added = 0;
    }
    emit OnZipComplete(added);
    if (added > 0) {
        Read();
        emit OnArchiveUpdate();
    }
    return added;
}

qint32 BundletCore::Extract(const QStringList &Files, BundletCore::ZipAction Action, bool UsePathInfo, bool Overwrite,
                            const QString &Path)
{
    requireReadable();
    // Copied first: a handler run between files may read the archive again.
    const std::vector<Match> matches = MatchEntries(Files);
    std::vector<Stored> stored;
    for (const Match &m : matches)
        stored.push_back(m_stored[std::size_t(m.entry)]);
    const QByteArray destination = zipitPath(Path);
    const QPointer<BundletCore> self(this);
    qint32 extracted = 0;
    if (!matches.empty()) {
        ZipItLibrary &lib = zipit();
        Batch batch(lib, m_filename, false);
        for (std::size_t i = 0; i < matches.size(); ++i) {
            emit OnUnzipProgress(percentage(qsizetype(i) + 1, qsizetype(matches.size())), matches[i].displayName);
            letHostRun();
            if (!self)
                return extracted;
            if (lib.extract(batch.handle(), stored[i].index, stored[i].raw.constData(), stored[i].output.constData(),
                            destination.constData(), UsePathInfo ? -1 : 0, Overwrite ? -1 : 0, qint16(Action))
                != 0)
                ++extracted;
        }
    }
    emit OnUnzipComplete(extracted);
    return extracted;
}

qint32 BundletCore::Delete(const QStringList &Files)
{
    requireReadable();
    // An entry matched by two patterns is deleted once.
    std::vector<Match> matches;
    std::vector<Stored> stored;
    {
        std::vector<bool> seen(m_entries.size(), false);
        for (Match &m : MatchEntries(Files)) {
            if (!seen[std::size_t(m.entry)]) {
                seen[std::size_t(m.entry)] = true;
                stored.push_back(m_stored[std::size_t(m.entry)]);
                matches.push_back(std::move(m));
            }
        }
    }
    const QPointer<BundletCore> self(this);
    qint32 deleted = 0;
    if (!matches.empty()) {
        // The library rewrites the archive once at the end, and removes it
        // when no entry is left: it alone knows what the archive holds.
        ZipItLibrary &lib = zipit();
        Batch batch(lib, m_filename, true);
        for (std::size_t i = 0; i < matches.size(); ++i) {
            emit OnDeleteProgress(percentage(qsizetype(i) + 1, qsizetype(matches.size())), matches[i].displayName);
            letHostRun();
            if (!self)
                return batch.close(true) ? deleted : 0;
            if (lib.remove(batch.handle(), stored[i].index, stored[i].raw.constData()) != 0)
                ++deleted;
        }
        if (!batch.close(deleted > 0))
            deleted = 0;
    }
    emit OnDeleteComplete(deleted);
    if (deleted > 0) {
        Read();
        emit OnArchiveUpdate();
    }
    return deleted;
}
