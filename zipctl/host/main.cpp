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
// line on standard error), 2 bad arguments (one line on standard error).
// Options may stand anywhere; a pattern that begins with "-" goes after "--".
//
// No command needs a window, so the program runs without a widget
// application and the factory hands it the windowless control.
#include "zipctl/bundlexcom.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLibrary>
#include <QMetaMethod>
#include <QSettings>
#include <QStandardPaths>

#include <QMetaProperty>

#include <cstdio>
#include <exception>
#include <optional>
#include <vector>

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

// Buffered: a listing of many thousand names is written in a few blocks.
// In the terminal's encoding: UTF-8 on Unix, the ANSI code page on Windows.
void printOut(const QString &text)
{
#if defined(Q_OS_WIN)
    const QByteArray bytes = text.toLocal8Bit();
#else
    const QByteArray bytes = text.toUtf8();
#endif
    std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout);
    std::fputc('\n', stdout);
}

constexpr const char *kUsage =
    "usage: bundlex list|add|extract|delete ARCHIVE [PATTERN...] [--path DIR] [--level N] [-- PATTERN...]";

// What the command line asks for: a command to run, or a status to exit with
// at once (after --help or --version, or after saying what is wrong).
struct Parsed
{
    std::optional<Options> options;
    int status = 0;
};

Parsed refuse(const QString &problem)
{
    std::fprintf(stderr, "bundlex: %s; %s\n", problem.toLocal8Bit().constData(), kUsage);
    return Parsed{std::nullopt, 2};
}

// Options may stand anywhere among the other arguments, as --name VALUE,
// --name=VALUE or with one dash (-path DIR). An argument that begins with a
// dash is therefore read as an option; a pattern or file that begins with
// one goes after "--", which ends the options ("-" alone is a pattern).
Parsed parse(const QStringList &args)
{
    QCommandLineParser parser;
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    parser.setApplicationDescription(
        u"Lists, adds, extracts and deletes the entries of a zip archive through the Bundlet control.\n"
        "\n"
        "Options may stand anywhere among the arguments. A PATTERN or FILE that begins\n"
        "with \"-\" goes after \"--\", which ends the options:\n"
        "  bundlex delete letters.zip -- -draft.rtf\n"
        "\n"
        "Exit status: 0 success, 1 failure, 2 bad arguments."_s);
    const QCommandLineOption help(QStringList{u"h"_s, u"help"_s}, u"Shows this help."_s);
    const QCommandLineOption version(QStringList{u"v"_s, u"version"_s}, u"Shows the version."_s);
    const QCommandLineOption path(u"path"_s, u"The folder extract writes to (the current folder)."_s, u"DIR"_s);
    const QCommandLineOption level(
        u"level"_s, u"The compression level of add: 0 (stored) to 9 (smallest), 6 when not given."_s, u"N"_s);
    parser.addOptions({help, version, path, level});
    parser.addPositionalArgument(u"command"_s, u"list, add, extract or delete."_s, u"list|add|extract|delete"_s);
    parser.addPositionalArgument(u"archive"_s, u"The zip archive (add creates it)."_s, u"ARCHIVE"_s);
    parser.addPositionalArgument(u"patterns"_s,
                                 u"add: the files (wildcards * and ? in the file part); extract, delete: "
                                 "patterns compared with each entry's file part."_s,
                                 u"[PATTERN...]"_s);

    if (!parser.parse(args)) {
        // Named as the user spelled it, with the dashes.
        const QStringList unknown = parser.unknownOptionNames();
        for (const QString &a : args.mid(1)) {
            if (a == u"--"_s)
                break;
            const QString name = a.mid(a.startsWith(u"--"_s) ? 2 : 1).section(u'=', 0, 0);
            if (a.startsWith(u'-') && unknown.contains(name))
                return refuse(u"unknown option %1 (a pattern that begins with - goes after --)"_s.arg(a));
        }
        return refuse(parser.errorText().toLower().remove(u'.'));
    }
    if (parser.isSet(help)) {
        // Named as the user types it, not by the path it was started from.
        QString text = parser.helpText().trimmed();
        text.replace(0, text.indexOf(u" [options]"_s), u"Usage: bundlex"_s);
        printOut(text);
        return Parsed{std::nullopt, 0};
    }
    if (parser.isSet(version)) {
        printOut(u"bundlex "_s + QCoreApplication::applicationVersion());
        return Parsed{std::nullopt, 0};
    }

    Options o;
    QStringList positional = parser.positionalArguments();
    if (positional.isEmpty())
        return refuse(u"no command given"_s);
    o.command = positional.takeFirst();
    static const QStringList commands{u"list"_s, u"add"_s, u"extract"_s, u"delete"_s};
    if (!commands.contains(o.command))
        return refuse(u"unknown command %1"_s.arg(o.command));
    if (positional.isEmpty())
        return refuse(u"no archive given"_s);
    o.archive = positional.takeFirst();
    o.patterns = positional;
    if ((o.command == u"add"_s || o.command == u"delete"_s) && o.patterns.isEmpty())
        return refuse(u"%1 needs a pattern"_s.arg(o.command));
    if (o.command == u"list"_s && !o.patterns.isEmpty())
        return refuse(u"list takes no pattern"_s);
    o.path = parser.value(path);
    if (parser.isSet(level)) {
        bool ok = false;
        const int n = parser.value(level).toInt(&ok);
        if (!ok || n < 0 || n > 9)
            return refuse(u"--level takes 0 to 9, not %1"_s.arg(parser.value(level)));
        o.level = qint16(n);
    }
    return Parsed{o, 0};
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
    QLibrary local(QCoreApplication::applicationDirPath() + u'/' + QLatin1StringView(BUNDLEX_LIBRARY_FILE));
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
        m_barPercentage = -1;
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
        // Drawn when the percentage moves, not for every file.
        if (m_clock.elapsed() > 500 && percentage != m_barPercentage) {
            std::fflush(stdout);
            constexpr int width = 40;
            const int filled = qBound(0, percentage * width / 100, width);
            std::fprintf(stderr, "\r[%s%s] %3d%%", QByteArray(filled, '#').constData(),
                         QByteArray(width - filled, ' ').constData(), int(percentage));
            std::fflush(stderr);
            m_barShown = true;
            m_barPercentage = percentage;
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
    int m_barPercentage = -1;
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

// A member of the control found by name once and called many times. Each
// argument travels under the type name that the member itself declares, as a
// late-bound caller passes a value of the declared type (the enumerations are
// 16-bit values).
class Member
{
public:
    Member(QObject *control, const char *name, int arguments) : m_control(control)
    {
        const QMetaObject *mo = control->metaObject();
        for (int i = 0; i < mo->methodCount() && !m_method.isValid(); ++i) {
            const QMetaMethod m = mo->method(i);
            if (m.name() == name && m.parameterCount() == arguments)
                m_method = m;
        }
        if (!m_method.isValid())
            throw std::runtime_error(std::string("the control has no member ") + name);
        for (int i = 0; i < arguments; ++i)
            m_types.push_back(m_method.parameterTypeName(i));
    }

    template <typename Result, typename... Args>
    Result call(Args *...args) const
    {
        static_assert(sizeof...(Args) <= 10, "QMetaMethod::invoke takes ten arguments at most");
        Result result{};
        const void *values[] = {args..., nullptr};
        QGenericArgument a[10];
        for (std::size_t i = 0; i < sizeof...(Args); ++i)
            a[i] = QGenericArgument(m_types[i].constData(), values[i]);
        if (!m_method.invoke(m_control, Qt::DirectConnection,
                             QGenericReturnArgument(m_method.typeName(), &result), a[0], a[1], a[2], a[3],
                             a[4], a[5], a[6], a[7], a[8], a[9]))
            throw std::runtime_error("the control refused the call to " + m_method.name().toStdString());
        return result;
    }

private:
    QObject *m_control;
    QMetaMethod m_method;
    std::vector<QByteArray> m_types;
};

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
        const qint32 n = Member(control.get(), "GetEntryNum", 0).call<qint32>();
        const Member getEntry(control.get(), "GetEntry", 1);
        std::optional<QMetaProperty> filename;
        for (qint32 i = 1; i <= n; ++i) {
            QObject *entry = getEntry.call<QObject *>(&i);
            if (!filename)
                filename = entry->metaObject()->property(entry->metaObject()->indexOfProperty("Filename"));
            printOut(filename->read(entry).toString());
        }
        // The process ends here: freeing thousands of entries one by one
        // would only delay the exit that reclaims them at once.
        control.release();
        return 0;
    }

    qint16 action = 1; // zipDefault
    bool yes = true, no = false;
    qint32 done = 0;
    QString verb;
    if (o.command == u"add"_s) {
        QStringList files = absolutePatterns(o.patterns);
        qint16 level = o.level;
        done = Member(control.get(), "Add", 6).call<qint32>(&files, &action, &no, &no, &no, &level);
        verb = u"added"_s;
    } else if (o.command == u"extract"_s) {
        QStringList files = o.patterns.isEmpty() ? QStringList{u"*"_s} : o.patterns;
        QString path = o.path.isEmpty() ? QDir::currentPath() : QDir(o.path).absolutePath();
        done = Member(control.get(), "Extract", 5).call<qint32>(&files, &action, &yes, &yes, &path);
        verb = u"extracted"_s;
    } else {
        QStringList patterns = o.patterns;
        done = Member(control.get(), "Delete", 1).call<qint32>(&patterns);
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
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationVersion(QStringLiteral(BUNDLEX_VERSION));
    const Parsed parsed = parse(QCoreApplication::arguments());
    if (!parsed.options)
        return parsed.status;
    try {
        return run(*parsed.options);
    } catch (const std::exception &e) {
        printErr(QString::fromUtf8(e.what()));
        return 1;
    }
}

#include "main.moc"
