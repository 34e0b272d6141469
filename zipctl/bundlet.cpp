#include "bundlet.h"

#include "aboutdialog.h"
#include "likematch.h"
#include "serverlock_p.h"
#include "zipwalk.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <QResizeEvent>
#include <QScreen>
#include <QStringDecoder>
#include <QTimer>
#include <QVariantMap>

#include <dlfcn.h>

#include <cmath>
#include <cstdio>
#include <limits>

using namespace Qt::StringLiterals;

BundletError::BundletError(const QString &message) : std::runtime_error(message.toStdString()) {}

// zipit, bound by name at the first call that needs it.
class ZipItLibrary
{
public:
    using AddFileFn = qint16 (*)(const char *, const char *, qint16, qint16, qint16, qint16);
    using ExtractFileFn = qint16 (*)(const char *, const char *, const char *, qint16, qint16, qint16);
    using DeleteFileFn = qint16 (*)(const char *, const char *);

    ZipItLibrary()
    {
        // Beside this library first (the program folder of a build or an
        // install), then wherever the dynamic loader finds "zipit".
        Dl_info info{};
        if (dladdr(reinterpret_cast<void *>(&ZipItLibrary::folderMarker), &info) && info.dli_fname) {
            const QString here = QFileInfo(QFile::decodeName(info.dli_fname)).absolutePath();
            m_library.setFileName(here + u"/zipit"_s);
            if (m_library.load())
                return;
        }
        m_library.setFileName(u"zipit"_s);
        if (!m_library.load())
            throw BundletError(u"cannot load the zip library zipit: "_s + m_library.errorString());
    }

    template <typename Fn>
    Fn resolve(const char *name)
    {
        auto fn = reinterpret_cast<Fn>(m_library.resolve(name));
        if (!fn)
            throw BundletError(u"the zip library has no function "_s + QLatin1StringView(name));
        return fn;
    }

    static void folderMarker() {}

private:
    QLibrary m_library;
};

namespace {

constexpr int kTwipsPerInch = 1440;
constexpr int kSideTwips = 976;

QString dosDateTimeText(std::uint16_t date, std::uint16_t time)
{
    // Built from the DOS fields directly: the text is the same in every
    // locale and never goes through a date parser.
    const bundlex::DosDateTime t = bundlex::decodeDosDateTime(date, time);
    if (!t.valid)
        return QString();
    char buf[20];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d", t.year, t.month, t.day, t.hour, t.minute,
                  t.second);
    return QString::fromLatin1(buf, 19);
}

QString decodeStoredName(std::string_view raw, bool utf8Flag)
{
    bool ascii = true;
    for (char c : raw) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
    }
    const QByteArrayView bytes(raw.data(), qsizetype(raw.size()));
    if (ascii)
        return QString::fromLatin1(bytes);
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError() || utf8Flag)
        return text;
    return QString::fromLatin1(bytes);
}

// AddEntry: a folder entry (a name with an empty file part) goes into the
// list as an entry whose properties all stay empty.
std::unique_ptr<ZipFileEntry> AddEntry(const bundlex::LocalHeaderRecord &record, const QString &name,
                                       bool folder)
{
    auto entry = std::make_unique<ZipFileEntry>();
    if (folder)
        return entry;
    entry->setVersion(record.version);
    entry->setFlag(record.flag);
    entry->setCompressionMethod(record.compressionMethod);
    entry->setCRC32(record.crc32);
    entry->setFileDateTime(dosDateTimeText(record.dosDate, record.dosTime));
    entry->setCompressedSize(record.compressedSize);
    entry->setUncompressedSize(record.uncompressedSize);
    entry->setFileNameLength(record.fileNameLength);
    entry->setFilename(name);
    entry->setStoredName(QByteArray(record.fileName.data(), qsizetype(record.fileName.size())));
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

QByteArray fsName(const QString &path)
{
    return QFile::encodeName(path);
}

} // namespace

Bundlet::Bundlet(QWidget *parent) : QWidget(parent)
{
    bundlex::objectCreated();
    keepSize();
}

Bundlet::~Bundlet()
{
    clearEntries();
    bundlex::objectDestroyed();
}

int Bundlet::sidePixels(qreal dotsPerInch)
{
    return qRound(kSideTwips * dotsPerInch / kTwipsPerInch);
}

QSize Bundlet::sizeHint() const
{
    const int side = sidePixels(logicalDpiX());
    return QSize(side, side);
}

QSize Bundlet::minimumSizeHint() const
{
    return sizeHint();
}

void Bundlet::keepSize()
{
    const QSize wanted = sizeHint();
    if (minimumSize() != wanted || maximumSize() != wanted)
        setFixedSize(wanted);
    if (size() != wanted)
        resize(wanted);
}

void Bundlet::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    if (event->size() != sizeHint())
        keepSize();
}

void Bundlet::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ScreenChangeInternal || event->type() == QEvent::ParentChange)
        keepSize();
}

void Bundlet::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    keepSize();
}

void Bundlet::paintEvent(QPaintEvent *)
{
    // The border frame, then a zip-file image: a page with a folded corner
    // and a zipper running down its middle.
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    p.fillRect(rect(), palette().window());
    p.setPen(QPen(palette().shadow().color(), 1));
    p.drawRect(r);
    p.setPen(QPen(palette().light().color(), 1));
    p.drawLine(r.topLeft() + QPointF(1, 1), r.topRight() + QPointF(-1, 1));
    p.drawLine(r.topLeft() + QPointF(1, 1), r.bottomLeft() + QPointF(1, -1));

    const qreal side = qMin(width(), height());
    const qreal m = side * 0.18;
    const QRectF page(m, m * 0.8, side - 2 * m, side - 1.6 * m);
    const qreal fold = page.width() * 0.3;
    QPainterPath outline;
    outline.moveTo(page.topLeft());
    outline.lineTo(page.right() - fold, page.top());
    outline.lineTo(page.right(), page.top() + fold);
    outline.lineTo(page.bottomRight());
    outline.lineTo(page.bottomLeft());
    outline.closeSubpath();
    p.setPen(QPen(QColor(0x40, 0x40, 0x40), qMax<qreal>(1.0, side / 48)));
    p.setBrush(QColor(0xF4, 0xD0, 0x3F));
    p.drawPath(outline);
    p.setBrush(QColor(0xD8, 0xB0, 0x20));
    QPainterPath corner;
    corner.moveTo(page.right() - fold, page.top());
    corner.lineTo(page.right() - fold, page.top() + fold);
    corner.lineTo(page.right(), page.top() + fold);
    p.drawPath(corner);

    const qreal cx = page.center().x() - fold / 3;
    const qreal tooth = qMax<qreal>(2.0, side / 20);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0x30, 0x30, 0x30));
    for (qreal y = page.top() + tooth; y < page.bottom() - 3 * tooth; y += tooth) {
        const bool left = int((y - page.top()) / tooth) % 2 == 0;
        p.drawRect(QRectF(left ? cx - tooth : cx, y, tooth, tooth * 0.6));
    }
    p.drawRoundedRect(QRectF(cx - tooth, page.bottom() - 3 * tooth, 2 * tooth, 2.2 * tooth), 1.5, 1.5);
}

void Bundlet::beginPropertyLoad()
{
    m_loadingProperties = true;
    QTimer::singleShot(0, this, [this] { m_loadingProperties = false; });
}

void Bundlet::endPropertyLoad()
{
    m_loadingProperties = false;
}

void Bundlet::readProperties(const QVariantMap &bag)
{
    m_filename = bag.value(u"Filename"_s, QString()).toString();
}

QVariantMap Bundlet::writeProperties() const
{
    QVariantMap bag;
    if (!m_filename.isEmpty())
        bag.insert(u"Filename"_s, m_filename);
    return bag;
}

void Bundlet::writeFilenameProperty(const QString &name)
{
    if (m_loadingProperties) {
        m_loadingProperties = false;
        m_filename = name;
        return;
    }
    setFilename(name);
}

void Bundlet::setFilename(const QString &name)
{
    endPropertyLoad();
    m_filename = name;
    emit propertyChanged(u"Filename"_s);
    if (m_designMode)
        return;
    Read();
    emit OnArchiveUpdate();
}

void Bundlet::clearEntries()
{
    while (!m_entries.empty())
        m_entries.pop_back();
}

qint32 Bundlet::Read()
{
    endPropertyLoad();
    if (m_filename.isEmpty()) {
        clearEntries();
        return 0;
    }
    clearEntries();

    QFile file(m_filename);
    // An absent archive is created empty, as a new archive starts out; an
    // existing one is only read, so read-only archives list too.
    const bool exists = file.exists();
    if (!file.open(exists ? QIODevice::ReadOnly : QIODevice::ReadWrite))
        throw BundletError(u"cannot open the archive %1: %2"_s.arg(m_filename, file.errorString()));

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
            const QString name = decodeStoredName(record.fileName, (record.flag & bundlex::kFlagUtf8) != 0);
            const qsizetype sep = lastSeparator(name);
            const bool folder = sep == name.size() - 1;
            m_entries.push_back(AddEntry(record, name, folder));
        });
    file.close();
    if (result.status != bundlex::WalkStatus::Ok)
        throw BundletError(u"cannot read the archive %1: %2"_s.arg(m_filename, QString::fromStdString(result.message)));
    if (m_entries.size() > std::size_t(std::numeric_limits<qint32>::max()))
        throw BundletError(u"too many entries in the archive %1"_s.arg(m_filename));

    const qint32 count = qint32(m_entries.size());
    emit OnArchiveUpdate();
    return count;
}

ZipFileEntry *Bundlet::GetEntry(qint32 Index) const
{
    if (Index < 1 || std::size_t(Index) > m_entries.size())
        throw BundletError(u"entry index %1 out of range 1 to %2"_s.arg(Index).arg(m_entries.size()));
    return m_entries[std::size_t(Index) - 1].get();
}

qint32 Bundlet::GetEntryNum() const
{
    return qint32(m_entries.size());
}

QString Bundlet::ParseFilename(const QString &Path) const
{
    const qsizetype sep = lastSeparator(Path);
    return sep < 0 ? Path : Path.mid(sep + 1);
}

QString Bundlet::ParsePath(const QString &Path) const
{
    const qsizetype sep = lastSeparator(Path);
    return sep < 0 ? QString() : Path.left(sep + 1).toLower();
}

QString Bundlet::ConvertBytesToString(const qint32 &Bytes) const
{
    const QLocale locale;
    const double k = double(Bytes) / 1024.0;
    if (k < 0.2)
        return locale.toString(qlonglong(Bytes)) + u" bytes"_s;
    if (k < 512)
        return locale.toString(k, 'f', 1) + u"KB"_s;
    return locale.toString(double(Bytes) / (1024.0 * 1024.0), 'f', 1) + u"MB"_s;
}

void Bundlet::About()
{
    endPropertyLoad();
    BundlexAboutDialog dialog(this);
    dialog.exec();
}

qint16 Bundlet::percentage(qsizetype i, qsizetype n)
{
    // Position i of n (from 1) as a percentage, halves to even.
    return qint16(std::nearbyint(double(i) / double(n) * 100.0));
}

QStringList Bundlet::ExpandFileSpecs(const QStringList &specs) const
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

std::vector<Bundlet::Match> Bundlet::MatchEntries(const QStringList &patterns) const
{
    std::vector<Match> matches;
    for (const QString &pattern : patterns) {
        const QString lowered = pattern.toLower();
        for (std::size_t i = 0; i < m_entries.size(); ++i) {
            const ZipFileEntry &entry = *m_entries[i];
            // Folder entries have no name to hand to the library.
            if (entry.Filename().isEmpty())
                continue;
            const QString part = ParseFilename(entry.Filename());
            if (bundlex::likeMatch(part.toLower(), lowered))
                matches.push_back({entry.storedName(), part, qsizetype(i)});
        }
    }
    return matches;
}

ZipItLibrary &Bundlet::zipit()
{
    if (!m_zipit)
        m_zipit = std::make_unique<ZipItLibrary>();
    return *m_zipit;
}

qint32 Bundlet::Add(const QStringList &Files, Bundlet::ZipAction Action, bool StorePathInfo, bool RecurseSubFolders,
                    bool UseDOS83, Bundlet::ZipLevel CompressionLevel)
{
    Q_UNUSED(RecurseSubFolders);
    endPropertyLoad();
    // A control that holds no entries starts a new archive: the empty file
    // that Read leaves behind goes. A file with contents stays, even when its
    // entries were never read, and the library adds to it.
    if (m_entries.empty() && !m_filename.isEmpty()) {
        const QFileInfo info(m_filename);
        if (info.isFile() && info.size() == 0)
            QFile::remove(m_filename);
    }
    const QStringList paths = ExpandFileSpecs(Files);
    const QByteArray archive = fsName(m_filename);
    const QPointer<Bundlet> self(this);
    qint32 added = 0;
    auto addFile = paths.isEmpty() ? nullptr : zipit().resolve<ZipItLibrary::AddFileFn>("AddFile");
    for (qsizetype i = 0; i < paths.size(); ++i) {
        emit OnZipProgress(percentage(i + 1, paths.size()), ParseFilename(paths[i]));
        letHostRun();
        if (!self)
            return added;
        if (addFile(archive.constData(), fsName(paths[i]).constData(), StorePathInfo ? -1 : 0, UseDOS83 ? -1 : 0,
                    qint16(Action), qint16(CompressionLevel)) != 0)
            ++added;
    }
    emit OnZipComplete(added);
    if (added > 0) {
        Read();
        emit OnArchiveUpdate();
    }
    return added;
}

qint32 Bundlet::Extract(const QStringList &Files, Bundlet::ZipAction Action, bool UsePathInfo, bool Overwrite,
                        const QString &Path)
{
    endPropertyLoad();
    // Copied first: a handler run between files may read the archive again.
    const std::vector<Match> matches = MatchEntries(Files);
    const QByteArray archive = fsName(m_filename);
    const QByteArray destination = fsName(Path);
    const QPointer<Bundlet> self(this);
    qint32 extracted = 0;
    auto extractFile = matches.empty() ? nullptr : zipit().resolve<ZipItLibrary::ExtractFileFn>("ExtractFile");
    for (std::size_t i = 0; i < matches.size(); ++i) {
        emit OnUnzipProgress(percentage(qsizetype(i) + 1, qsizetype(matches.size())), matches[i].displayName);
        letHostRun();
        if (!self)
            return extracted;
        if (extractFile(archive.constData(), matches[i].stored.constData(), destination.constData(),
                        UsePathInfo ? -1 : 0, Overwrite ? -1 : 0, qint16(Action)) != 0)
            ++extracted;
    }
    emit OnUnzipComplete(extracted);
    return extracted;
}

qint32 Bundlet::Delete(const QStringList &Files)
{
    endPropertyLoad();
    // An entry matched by two patterns is deleted once: counting it twice
    // would make the archive look empty while other entries remain.
    std::vector<Match> matches;
    {
        std::vector<bool> seen(m_entries.size(), false);
        for (Match &m : MatchEntries(Files)) {
            if (!seen[std::size_t(m.entry)]) {
                seen[std::size_t(m.entry)] = true;
                matches.push_back(std::move(m));
            }
        }
    }
    const qint64 entries = qint64(m_entries.size());
    const QByteArray archive = fsName(m_filename);
    const QString archiveName = m_filename;
    const QPointer<Bundlet> self(this);
    qint32 deleted = 0;
    auto deleteFile = matches.empty() ? nullptr : zipit().resolve<ZipItLibrary::DeleteFileFn>("DeleteFile");
    for (std::size_t i = 0; i < matches.size(); ++i) {
        emit OnDeleteProgress(percentage(qsizetype(i) + 1, qsizetype(matches.size())), matches[i].displayName);
        letHostRun();
        if (!self)
            return deleted;
        if (entries - deleted < 2) {
            // This entry is the only one left: remove the archive itself.
            if (QFile::remove(archiveName))
                ++deleted;
        } else if (deleteFile(archive.constData(), matches[i].stored.constData()) != 0) {
            ++deleted;
        }
    }
    emit OnDeleteComplete(deleted);
    if (deleted > 0) {
        Read();
        emit OnArchiveUpdate();
    }
    return deleted;
}
