// BundletCore: the zip archive control without its window. It lists the
// entries of one archive by walking its local headers itself (checked against
// the central directory), and adds, extracts and deletes entries through the
// zipit library, which it loads by name at the first such call (from its own
// folder, else the library search path). Each call opens the archive once:
// Add and Delete rewrite it once for the whole batch, Extract reads it once.
//
// The Bundlet widget wraps one of these; a host that runs without a widget
// application gets one directly from the class factory (a windowless
// control), with the same members, events and property.
//
// Errors: a method that fails throws BundletError (derived from
// std::runtime_error, what() in UTF-8): an archive that cannot be opened or
// is not a regular file, a malformed, hostile or inconsistent archive, a
// missing zipit library or function, an index out of range, or a change
// asked of an archive whose last read failed. Events raised before the
// failure stay raised. A zipit call that returns failure is not an error; it
// only lowers the count that the method returns. The control never shows a
// message.
#pragma once

#include "zipctl/bundlexglobal.h"
#include "zipctl/zipfileentry.h"

#include <QObject>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <stdexcept>
#include <vector>

// The control's events, declared alike on the windowless control and on the
// widget: a late-bound host finds them by name on whichever object the class
// factory handed it, so both meta-objects carry them. The widget forwards
// each of its core's events (Bundlet's constructor connects them by
// signature). propertyChanged: a persistent property changed (the host
// should save the form).
#define BUNDLET_EVENTS                                                                                            \
    void OnArchiveUpdate();                                                                                        \
    void OnZipProgress(qint16 Percentage, const QString &Filename);                                                \
    void OnZipComplete(qint32 Successful);                                                                         \
    void OnUnzipProgress(qint16 Percentage, const QString &Filename);                                              \
    void OnUnzipComplete(qint32 Successful);                                                                       \
    void OnDeleteProgress(qint16 Percentage, const QString &Filename);                                             \
    void OnDeleteComplete(qint32 Successful);                                                                      \
    void propertyChanged(const QString &name);

class BUNDLEX_EXPORT BundletError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
    explicit BundletError(const QString &message);
    QString message() const { return QString::fromUtf8(what()); }
};

class ZipItLibrary;

class BUNDLEX_EXPORT BundletCore : public QObject
{
    Q_OBJECT
    Q_PROPERTY(QString Filename READ Filename WRITE setFilename)

public:
    enum ZipAction : qint16 { zipDefault = 1, zipFreshen = 2, zipUpdate = 3 };
    Q_ENUM(ZipAction)
    enum ZipLevel : qint16 {
        zipStore = 0,
        zipLevel1 = 1,
        zipSuperFast = 2,
        zipFast = 3,
        zipLevel4 = 4,
        zipNormal = 5,
        zipLevel6 = 6,
        zipLevel7 = 7,
        zipLevel8 = 8,
        zipMax = 9
    };
    Q_ENUM(ZipLevel)

    explicit BundletCore(QObject *parent = nullptr);
    ~BundletCore() override;

    // Members of the control's interface, in interface order. Each one may
    // throw BundletError.

    // 204 -> "204 bytes", 205 -> "0.2KB", 524288 -> "0.5MB", with the
    // grouping and decimal marks of the default QLocale.
    Q_INVOKABLE QString ConvertBytesToString(const qint32 &Bytes) const;
    // Adds the files matching Files (full paths whose file part may hold
    // wildcards; hidden files and folders are skipped), in one rewrite of the
    // archive. RecurseSubFolders is accepted and not used. Returns the number
    // of files added: 0 when the rewrite fails, which leaves the archive as
    // it was.
    Q_INVOKABLE qint32 Add(const QStringList &Files, BundletCore::ZipAction Action, bool StorePathInfo,
                           bool RecurseSubFolders, bool UseDOS83, BundletCore::ZipLevel CompressionLevel);
    // Deletes the entries whose file part matches one of Files, in one
    // rewrite; the zip library removes an archive left without entries.
    // Returns the number of entries deleted: 0 when the rewrite fails.
    Q_INVOKABLE qint32 Delete(const QStringList &Files);
    // Extracts the entries whose file part matches one of Files into Path,
    // each its own data (entries that share a name included), under its name
    // as listed; names that would land outside Path are refused by zipit.
    // Returns the number of entries extracted.
    Q_INVOKABLE qint32 Extract(const QStringList &Files, BundletCore::ZipAction Action, bool UsePathInfo,
                               bool Overwrite, const QString &Path);
    QString Filename() const { return m_filename; }
    // Stores the name, then reads the archive (creating an empty file when it
    // is absent) and raises OnArchiveUpdate once more.
    void setFilename(const QString &name);
    // Stores the name without reading (a form being designed).
    void storeFilename(const QString &name);
    // The entry at Index, from 1; owned by the control and valid until the
    // next Read or the control's destruction.
    Q_INVOKABLE ZipFileEntry *GetEntry(qint32 Index) const;
    Q_INVOKABLE qint32 GetEntryNum() const;
    // Folder part of Path up to and including its last "/" or "\", lower-cased.
    Q_INVOKABLE QString ParsePath(const QString &Path) const;
    // File part of Path after its last "/" or "\"; empty for a folder name.
    Q_INVOKABLE QString ParseFilename(const QString &Path) const;
    // Shows the About window modally; needs a widget application.
    Q_INVOKABLE void About();
    // Reads the entry list from the local headers of the archive. An empty
    // Filename clears the list and returns 0 without an event; an absent file
    // is created empty. Anything but a regular file, and an archive whose
    // headers are malformed (lengths or sizes out of range, running past the
    // end of the file) or disagree with its central directory, ends the read
    // with an error, keeping the entries before the fault for display; until
    // a read succeeds, Add, Extract and Delete then refuse. Returns the
    // number of entries.
    Q_INVOKABLE qint32 Read();

    // Persistent properties, as a host's property bag: "Filename" only.
    // readProperties sets the name without reading the archive.
    void readProperties(const QVariantMap &bag);
    QVariantMap writeProperties() const;

signals:
    BUNDLET_EVENTS

private:
    // What the control hands zipit for one entry, fixed when it was read.
    struct Stored
    {
        QByteArray raw;    // the name's bytes in the archive
        QByteArray output; // the listed name in UTF-8, what extraction writes
        qint64 index;      // in the central directory
    };
    struct Match
    {
        qsizetype entry;     // into m_entries and m_stored
        QString displayName; // file part, for the events
    };

    void clearEntries();
    qint32 readArchive();
    void requireReadable() const;
    QStringList ExpandFileSpecs(const QStringList &specs) const;
    std::vector<Match> MatchEntries(const QStringList &patterns) const;
    static qint16 percentage(qsizetype i, qsizetype n);
    ZipItLibrary &zipit();

    QString m_filename;
    std::vector<std::unique_ptr<ZipFileEntry>> m_entries;
    std::vector<Stored> m_stored;
    QString m_readError; // why the last read failed; empty after a good one
    std::unique_ptr<ZipItLibrary> m_zipit;
};
