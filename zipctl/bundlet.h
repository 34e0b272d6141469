// Bundlet: the zip archive control as a widget a host places on a form. The
// archive work is BundletCore's (see there for what each member does and
// how it fails); the widget forwards its members and events and adds what
// a form needs: a fixed size, the zip picture, the property that a form
// saves and restores, and design mode.
#pragma once

#include "zipctl/bundletcore.h"

#include <QWidget>

class BUNDLET_WIDGET_EXPORT Bundlet : public QWidget
{
    Q_OBJECT
    // Saved with a form as "Filename" (empty by default); restoring a form
    // stores the name without reading the archive (see beginPropertyLoad).
    // Written through the meta-object it acts as setFilename otherwise.
    Q_PROPERTY(QString Filename READ Filename WRITE writeFilenameProperty DESIGNABLE true STORED true)

public:
    using ZipAction = BundletCore::ZipAction;
    using ZipLevel = BundletCore::ZipLevel;
    using enum BundletCore::ZipAction;
    using enum BundletCore::ZipLevel;

    explicit Bundlet(QWidget *parent = nullptr);
    ~Bundlet() override;

    // Members of the control's interface, in interface order (BundletCore's).
    Q_INVOKABLE QString ConvertBytesToString(const qint32 &Bytes) const { return m_core->ConvertBytesToString(Bytes); }
    Q_INVOKABLE qint32 Add(const QStringList &Files, Bundlet::ZipAction Action, bool StorePathInfo,
                           bool RecurseSubFolders, bool UseDOS83, Bundlet::ZipLevel CompressionLevel);
    Q_INVOKABLE qint32 Delete(const QStringList &Files);
    Q_INVOKABLE qint32 Extract(const QStringList &Files, Bundlet::ZipAction Action, bool UsePathInfo,
                               bool Overwrite, const QString &Path);
    QString Filename() const { return m_core->Filename(); }
    void setFilename(const QString &name);
    Q_INVOKABLE ZipFileEntry *GetEntry(qint32 Index) const { return m_core->GetEntry(Index); }
    Q_INVOKABLE qint32 GetEntryNum() const { return m_core->GetEntryNum(); }
    Q_INVOKABLE QString ParsePath(const QString &Path) const { return m_core->ParsePath(Path); }
    Q_INVOKABLE QString ParseFilename(const QString &Path) const { return m_core->ParseFilename(Path); }
    Q_INVOKABLE void About();
    Q_INVOKABLE qint32 Read();

    void readProperties(const QVariantMap &bag) { m_core->readProperties(bag); }
    QVariantMap writeProperties() const { return m_core->writeProperties(); }

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
    BUNDLET_EVENTS

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void endPropertyLoad();
    void writeFilenameProperty(const QString &name);
    void keepSize();

    BundletCore *m_core; // a child: destroyed with the widget
    bool m_loadingProperties = false;
    bool m_designMode = false;
};
