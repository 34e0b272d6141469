// Bundlet: the zip archive control. It lists the entries of one archive by
// walking its local headers itself, and adds, extracts and deletes entries one
// file at a time through the zipit library, which it loads by name at the
// first such call (from its own folder, else the library search path).
//
// Errors: a method that fails throws BundletError (derived from
// std::runtime_error, what() in UTF-8): an archive that cannot be opened, a
// malformed or hostile local header, a missing zipit library or function, an
// index out of range. Events raised before the failure stay raised. A zipit
// call that returns failure is not an error; it only lowers the count that the
// method returns. The control never shows a message.
#pragma once

#include "bundlexglobal.h"
#include "zipfileentry.h"

#include <QStringList>
#include <QWidget>

#include <memory>
#include <stdexcept>
#include <vector>

class BUNDLEX_EXPORT BundletError : public std::runtime_error
{
public:
    using std::runtime_error::runtime_error;
    explicit BundletError(const QString &message);
    QString message() const { return QString::fromUtf8(what()); }
};

class ZipItLibrary;

class BUNDLEX_EXPORT Bundlet : public QWidget
{
    Q_OBJECT
    // Saved with a form as "Filename" (empty by default); restoring a form
    // stores the name without reading the archive (see beginPropertyLoad).
    // Written through the meta-object it acts as setFilename otherwise.
    Q_PROPERTY(QString Filename READ Filename WRITE writeFilenameProperty DESIGNABLE true STORED true)

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

    explicit Bundlet(QWidget *parent = nullptr);
    ~Bundlet() override;

    // Members of the control's interface, in interface order. Each one may
    // throw BundletError.

    // 204 -> "204 bytes", 205 -> "0.2KB", 524288 -> "0.5MB", with the
    // grouping and decimal marks of the default QLocale.
    Q_INVOKABLE QString ConvertBytesToString(const qint32 &Bytes) const;
    // Adds the files matching Files (full paths whose file part may hold
    // wildcards; hidden files and folders are skipped). RecurseSubFolders is
    // accepted and not used. Returns the number of files added.
    Q_INVOKABLE qint32 Add(const QStringList &Files, Bundlet::ZipAction Action, bool StorePathInfo,
                           bool RecurseSubFolders, bool UseDOS83, Bundlet::ZipLevel CompressionLevel);
    // Deletes the entries whose file part matches one of Files. When the
    // last remaining entry is to go, the archive file itself is removed.
    // Returns the number of entries deleted.
    Q_INVOKABLE qint32 Delete(const QStringList &Files);
    // Extracts the entries whose file part matches one of Files into Path;
    // names that would land outside Path are refused by zipit. Returns the
    // number of entries extracted.
    Q_INVOKABLE qint32 Extract(const QStringList &Files, Bundlet::ZipAction Action, bool UsePathInfo,
                               bool Overwrite, const QString &Path);
    QString Filename() const { return m_filename; }
    // Stores the name, then reads the archive (creating an empty file when it
    // is absent) and raises OnArchiveUpdate once more.
    void setFilename(const QString &name);
    // The entry at Index, from 1; owned by the control and valid until the
    // next Read or the control's destruction.
    Q_INVOKABLE ZipFileEntry *GetEntry(qint32 Index) const;
    Q_INVOKABLE qint32 GetEntryNum() const;
    // Folder part of Path up to and including its last "/" or "\", lower-cased.
    Q_INVOKABLE QString ParsePath(const QString &Path) const;
    // File part of Path after its last "/" or "\"; empty for a folder name.
    Q_INVOKABLE QString ParseFilename(const QString &Path) const;
    // Shows the About window modally.
    Q_INVOKABLE void About();
    // Reads the entry list from the local headers of the archive. An empty
    // Filename clears the list and returns 0 without an event; an absent file
    // is created empty. A header that is malformed (lengths or sizes out of
    // range, running past the end of the file) ends the read with an error,
    // keeping the entries before it. Returns the number of entries.
    Q_INVOKABLE qint32 Read();

    // Persistent properties, as a host's property bag: "Filename" only.
    // readProperties sets the name without reading the archive.
    void readProperties(const QVariantMap &bag);
    QVariantMap writeProperties() const;

    // Form loading (the Designer plugin calls this on the widgets it makes for
    // QUiLoader): the next write of the "Filename" property through the
    // meta-object, before the event loop runs again and before any member is
    // called, only stores the name. A direct setFilename always reads.
    void beginPropertyLoad();

    // Inside a form designer the name is only stored: the archive is read
    // when the form runs, not while it is being drawn.
    void setDesignMode(bool on) { m_designMode = on; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    // 976 twips at the given resolution, rounded to whole pixels.
    static int sidePixels(qreal dotsPerInch);

signals:
    void OnArchiveUpdate();
    void OnZipProgress(qint16 Percentage, const QString &Filename);
    void OnZipComplete(qint32 Successful);
    void OnUnzipProgress(qint16 Percentage, const QString &Filename);
    void OnUnzipComplete(qint32 Successful);
    void OnDeleteProgress(qint16 Percentage, const QString &Filename);
    void OnDeleteComplete(qint32 Successful);
    // A persistent property changed (the host should save the form).
    void propertyChanged(const QString &name);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    struct Match
    {
        QByteArray stored;   // bytes handed to zipit
        QString displayName; // file part, for the events
        qsizetype entry;     // index into m_entries
    };

    void clearEntries();
    QStringList ExpandFileSpecs(const QStringList &specs) const;
    std::vector<Match> MatchEntries(const QStringList &patterns) const;
    static qint16 percentage(qsizetype i, qsizetype n);
    void endPropertyLoad();
    void writeFilenameProperty(const QString &name);
    void keepSize();
    ZipItLibrary &zipit();

    QString m_filename;
    std::vector<std::unique_ptr<ZipFileEntry>> m_entries;
    std::unique_ptr<ZipItLibrary> m_zipit;
    bool m_loadingProperties = false;
    bool m_designMode = false;
};
