// bundlex: drives the Bundlet control from the command line. It finds the
// library through the per-user registration record (registering the library
// beside it when the record is missing or stale), creates the control through
// the class factory and calls its members by name, as any late-bound host.
//
//   bundlex list|add|extract|delete ARCHIVE [PATTERN...] [--path DIR] [--level N]
//
// list prints one stored name a line (an empty line for a folder entry) and
// nothing else on standard output. The other commands print each event as it
// comes and the result; a progress bar goes to standard error once the work
// takes longer than half a second. Exit status: 0 success, 1 failure (one
// line on standard error), 2 bad arguments.
#include "bundlexcom.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QMetaMethod>
#include <QSettings>
#include <QStandardPaths>

#include <cstdio>
#include <exception>
#include <optional>

using namespace Qt::StringLiterals;

namespace {

struct Options
{
    QString command;
    QString archive;
    QStringList patterns;
    QString path;
    qint16 level = 6;
};

void printErr(const QString &text)
{
    std::fprintf(stderr, "bundlex: %s\n", text.toLocal8Bit().constData());
}

void printOut(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::optional<Options> parse(const QStringList &args)
{
    Options o;
    QStringList positional;
    for (qsizetype i = 1; i < args.size(); ++i) {
        const QString &a = args[i];
        if (a == u"--path"_s || a == u"--level"_s) {
            if (i + 1 >= args.size())
                return std::nullopt;
            const QString value = args[++i];
            if (a == u"--path"_s) {
                o.path = value;
            } else {
                bool ok = false;
                const int level = value.toInt(&ok);
                if (!ok || level < 0 || level > 9)
                    return std::nullopt;
                o.level = qint16(level);
            }
        } else if (a.startsWith(u"--"_s)) {
            return std::nullopt;
        } else {
            positional.append(a);
        }
    }
    if (positional.size() < 2)
        return std::nullopt;
    o.command = positional.takeFirst();
    o.archive = positional.takeFirst();
    o.patterns = positional;
    static const QStringList commands{u"list"_s, u"add"_s, u"extract"_s, u"delete"_s};
    if (!commands.contains(o.command))
        return std::nullopt;
    if ((o.command == u"add"_s || o.command == u"delete"_s) && o.patterns.isEmpty())
        return std::nullopt;
    if (o.command == u"list"_s && !o.patterns.isEmpty())
        return std::nullopt;
    return o;
}

QString registeredLibrary()
{
    const QString file =
        QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + u"/Bundlex/registration.ini"_s;
    if (!QFileInfo::exists(file))
        return QString();
    QSettings record(file, QSettings::IniFormat);
    if (record.value(u"Bundlet/Id"_s).toString().compare(QLatin1StringView(bundlex::kBundletClassId),
                                                           Qt::CaseInsensitive) != 0)
        return QString();
    return record.value(u"Bundlet/Path"_s).toString();
}

// The registered library, registering the one beside this program when the
// record is missing or names a file that is gone.
QString findLibrary()
{
    QString path = registeredLibrary();
    if (!path.isEmpty() && QFileInfo::exists(path))
        return path;
    // Named in full: a bare "bundlex" beside this program is the program.
    QLibrary local(QCoreApplication::applicationDirPath() + u"/libbundlex.so"_s);
    if (!local.load())
        throw std::runtime_error("cannot load the Bundlex library: " + local.errorString().toStdString());
    auto registerServer = reinterpret_cast<bundlex::DllRegisterServerFn>(local.resolve("DllRegisterServer"));
    if (!registerServer || registerServer() != bundlex::kOk)
        throw std::runtime_error("cannot register the Bundlex library");
    path = registeredLibrary();
    if (path.isEmpty())
        throw std::runtime_error("the Bundlex registration record is unreadable");
    return path;
}

// Prints the control's events; connected by meta-method, the host knows the
// control only by its members' names.
class EventPrinter : public QObject
{
    Q_OBJECT

public:
    explicit EventPrinter(bool quiet) : m_quiet(quiet) { m_clock.start(); }

    int items() const { return m_items; }
    void finishBar()
    {
        if (m_barShown)
            std::fputc('\n', stderr);
        m_barShown = false;
    }

public slots:
    void archiveUpdate() { event(u"OnArchiveUpdate"_s); }
    void zipProgress(qint16 percentage, const QString &name) { progress(u"OnZipProgress"_s, percentage, name); }
    void zipComplete(qint32 n) { complete(u"OnZipComplete"_s, n); }
    void unzipProgress(qint16 percentage, const QString &name) { progress(u"OnUnzipProgress"_s, percentage, name); }
    void unzipComplete(qint32 n) { complete(u"OnUnzipComplete"_s, n); }
    void deleteProgress(qint16 percentage, const QString &name) { progress(u"OnDeleteProgress"_s, percentage, name); }
    void deleteComplete(qint32 n) { complete(u"OnDeleteComplete"_s, n); }

private:
    void event(const QString &text)
    {
        if (!m_quiet)
            printOut(text);
    }
    void progress(const QString &name, qint16 percentage, const QString &file)
    {
        ++m_items;
        event(name + u' ' + QString::number(percentage) + u' ' + file);
        if (m_clock.elapsed() > 500) {
            constexpr int width = 40;
            const int filled = qBound(0, percentage * width / 100, width);
            std::fprintf(stderr, "\r[%s%s] %3d%%", QByteArray(filled, '#').constData(),
                         QByteArray(width - filled, ' ').constData(), int(percentage));
            std::fflush(stderr);
            m_barShown = true;
        }
    }
    void complete(const QString &name, qint32 n)
    {
        finishBar();
        event(name + u' ' + QString::number(n));
    }

    bool m_quiet;
    int m_items = 0;
    bool m_barShown = false;
    QElapsedTimer m_clock;
};

void connectEvent(QObject *control, const char *signal, EventPrinter *printer, const char *slot)
{
    const QMetaObject *mo = control->metaObject();
    const int s = mo->indexOfSignal(QMetaObject::normalizedSignature(signal).constData());
    const int r = printer->metaObject()->indexOfSlot(QMetaObject::normalizedSignature(slot).constData());
    if (s < 0 || r < 0)
        throw std::runtime_error(std::string("the control has no event ") + signal);
    QObject::connect(control, mo->method(s), printer, printer->metaObject()->method(r));
}

template <typename... Args>
void call(QObject *control, const char *member, QGenericReturnArgument result, Args... args)
{
    if (!QMetaObject::invokeMethod(control, member, Qt::DirectConnection, result, args...))
        throw std::runtime_error(std::string("the control has no member ") + member);
}

qint32 callCount(QObject *control, const char *member, auto... args)
{
    qint32 n = 0;
    call(control, member, QGenericReturnArgument("qint32", &n), args...);
    return n;
}

// Full paths for Add: the folder part made absolute, wildcards kept.
QStringList absolutePatterns(const QStringList &patterns)
{
    QStringList out;
    for (const QString &p : patterns) {
        const QFileInfo info(p);
        out.append(QDir(info.path()).absolutePath() + u'/' + info.fileName());
    }
    return out;
}

int run(const Options &o)
{
    const bool listing = o.command == u"list"_s;
    if (o.command != u"add"_s && !QFileInfo::exists(o.archive))
        throw std::runtime_error("no such archive: " + o.archive.toStdString());

    QLibrary library(findLibrary());
    if (!library.load())
        throw std::runtime_error("cannot load " + library.fileName().toStdString() + ": "
                                 + library.errorString().toStdString());
    auto getClassObject = reinterpret_cast<bundlex::DllGetClassObjectFn>(library.resolve("DllGetClassObject"));
    if (!getClassObject)
        throw std::runtime_error("the library has no class factory");
    void *factoryPtr = nullptr;
    if (getClassObject(bundlex::kBundletClassId, bundlex::kClassFactoryInterfaceId, &factoryPtr) != bundlex::kOk)
        throw std::runtime_error("the library cannot create Bundlet");
    auto *factory = static_cast<bundlex::ClassFactory *>(factoryPtr);
    void *objectPtr = nullptr;
    const bundlex::Result created = factory->CreateInstance(nullptr, bundlex::kBundletInterfaceId, &objectPtr);
    factory->Release();
    if (created != bundlex::kOk || !objectPtr)
        throw std::runtime_error("the class factory did not create Bundlet");
    std::unique_ptr<QObject> control(static_cast<QObject *>(objectPtr));

    EventPrinter printer(listing);
    connectEvent(control.get(), "OnArchiveUpdate()", &printer, "archiveUpdate()");
    connectEvent(control.get(), "OnZipProgress(qint16,QString)", &printer, "zipProgress(qint16,QString)");
    connectEvent(control.get(), "OnZipComplete(qint32)", &printer, "zipComplete(qint32)");
    connectEvent(control.get(), "OnUnzipProgress(qint16,QString)", &printer, "unzipProgress(qint16,QString)");
    connectEvent(control.get(), "OnUnzipComplete(qint32)", &printer, "unzipComplete(qint32)");
    connectEvent(control.get(), "OnDeleteProgress(qint16,QString)", &printer, "deleteProgress(qint16,QString)");
    connectEvent(control.get(), "OnDeleteComplete(qint32)", &printer, "deleteComplete(qint32)");

    const QString archive = QFileInfo(o.archive).absoluteFilePath();
    if (!control->setProperty("Filename", archive))
        throw std::runtime_error("the control has no Filename property");

    if (listing) {
        const qint32 n = callCount(control.get(), "GetEntryNum");
        for (qint32 i = 1; i <= n; ++i) {
            QObject *entry = nullptr;
            call(control.get(), "GetEntry", QGenericReturnArgument("ZipFileEntry*", &entry),
                 QGenericArgument("qint32", &i));
            printOut(entry->property("Filename").toString());
        }
        return 0;
    }

    const qint16 action = 1;      // zipDefault
    const bool yes = true, no = false;
    qint32 done = 0;
    QString verb;
    if (o.command == u"add"_s) {
        const QStringList files = absolutePatterns(o.patterns);
        done = callCount(control.get(), "Add", QGenericArgument("QStringList", &files),
                         QGenericArgument("Bundlet::ZipAction", &action), QGenericArgument("bool", &no),
                         QGenericArgument("bool", &no), QGenericArgument("bool", &no),
                         QGenericArgument("Bundlet::ZipLevel", &o.level));
        verb = u"added"_s;
    } else if (o.command == u"extract"_s) {
        const QStringList files = o.patterns.isEmpty() ? QStringList{u"*"_s} : o.patterns;
        const QString path = o.path.isEmpty() ? QDir::currentPath() : QDir(o.path).absolutePath();
        done = callCount(control.get(), "Extract", QGenericArgument("QStringList", &files),
                         QGenericArgument("Bundlet::ZipAction", &action), QGenericArgument("bool", &yes),
                         QGenericArgument("bool", &yes), QGenericArgument("QString", &path));
        verb = u"extracted"_s;
    } else {
        done = callCount(control.get(), "Delete", QGenericArgument("QStringList", &o.patterns));
        verb = u"deleted"_s;
    }
    printer.finishBar();
    printOut(QString::number(done) + u' ' + verb);
    if (printer.items() == 0) {
        printErr(o.command == u"add"_s ? u"no file matches"_s : u"no entry matches"_s);
        return 1;
    }
    if (done < printer.items()) {
        printErr(u"%1 of %2 not %3"_s.arg(printer.items() - done).arg(printer.items()).arg(verb));
        return 1;
    }
    return 0;
}

// Standard error carries the program's own one-line failures; Qt's notes
// (about the platform or the runtime folder) would only bury them.
void quietQtMessages(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        printErr(message);
}

} // namespace

int main(int argc, char **argv)
{
    qInstallMessageHandler(quietQtMessages);
    // The control is a widget but is never shown: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY")
        && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::optional<Options> options = parse(QCoreApplication::arguments());
    if (!options) {
        std::fputs("usage: bundlex list|add|extract|delete ARCHIVE [PATTERN...] [--path DIR] [--level N]\n", stderr);
        return 2;
    }
    try {
        return run(*options);
    } catch (const std::exception &e) {
        printErr(QString::fromUtf8(e.what()));
        return 1;
    }
}

#include "main.moc"
