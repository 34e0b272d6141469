#include "app/commandline.h"

#include "document/documentfile.h"

#include <QCommandLineOption>
#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

// An argument's option name: dashes and any =VALUE taken off.
QString optionName(const QString &argument)
{
    qsizetype start = 0;
    while (start < argument.size() && start < 2 && argument[start] == u'-')
        ++start;
    return argument.mid(start).section(u'=', 0, 0);
}

} // namespace

CommandLine::CommandLine(const char *command, const char *usage, Usage errorUsage, const QStringList &flags,
                         const QStringList &valued)
    : m_command(command)
    , m_usage(usage)
    , m_errorUsage(errorUsage)
    , m_valued(valued)
{
    m_parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    m_parser.addOption(QCommandLineOption(QStringList{u"h"_s, u"help"_s}));
    for (const QString &name : flags)
        m_parser.addOption(QCommandLineOption(name));
    for (const QString &name : valued)
        m_parser.addOption(QCommandLineOption(name, QString(), u"value"_s));
}

std::string CommandLine::toBytes(const QString &argument)
{
    const QByteArray bytes = argument.toLatin1();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString CommandLine::toText(const QString &argument)
{
    return QString::fromLocal8Bit(argument.toLatin1());
}

std::optional<int> CommandLine::parse(int argc, char **argv)
{
    m_args.clear();
    for (int i = 0; i < argc; ++i)
        m_args.append(QString::fromLatin1(argv[i]));
    const bool parsed = m_parser.parse(m_args);
    if (m_parser.isSet(u"help"_s)) {
        std::fputs(m_usage, stdout);
        return 0;
    }
    if (!parsed)
        return bad(error());
    return std::nullopt;
}

int CommandLine::bad(const std::string &message) const
{
    std::fprintf(stderr, "%s: %s\n", m_command, message.c_str());
    if (m_errorUsage == Usage::AfterErrors)
        std::fputs(m_usage, stderr);
    return 2;
}

std::string CommandLine::error() const
{
    // The first argument that is wrong, as the user spelled it.
    const QStringList unknown = m_parser.unknownOptionNames();
    for (qsizetype i = 1; i < m_args.size(); ++i) {
        const QString &arg = m_args[i];
        if (arg == u"--"_s)
            break;
        if (arg.size() < 2 || arg[0] != u'-')
            continue;
        const QString name = optionName(arg);
        if (unknown.contains(name))
            return "unknown option " + toBytes(arg);
        const bool takesValue = m_valued.contains(name);
        if (takesValue && !arg.contains(u'=') && ++i >= m_args.size())
            return toBytes(arg) + " needs a value";
        if (!takesValue && arg.contains(u'='))
            return "unknown option " + toBytes(arg); // a switch with a value is no option of ours
    }
    return toBytes(m_parser.errorText());
}

int CommandLine::fail(const std::string &message) const
{
    std::fprintf(stderr, "%s: %s\n", m_command, message.c_str());
    return 1;
}

std::optional<int> CommandLine::exclusive(const QString &first, const QString &second) const
{
    if (isSet(first) && isSet(second))
        return bad("--" + first.toStdString() + " and --" + second.toStdString() + " exclude each other");
    return std::nullopt;
}

std::optional<int> CommandLine::atMostOnePositional(std::optional<QString> *argument,
                                                    const std::string &tooMany) const
{
    const QStringList given = positional();
    if (given.size() > 1)
        return bad(tooMany);
    argument->reset();
    if (!given.isEmpty())
        *argument = given.first();
    return std::nullopt;
}

bool CommandLine::readDocument(const QString &path, QTextDocument &doc) const
{
    document::PageSetup page;
    QString error;
    if (document::loadDocumentFile(doc, page, path, document::fileFormatForSuffix(path), &error))
        return true;
    fail(error.toLocal8Bit().toStdString());
    return false;
}

std::unique_ptr<QGuiApplication> CommandLine::headlessApplication(char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static int argc = 1; // the application keeps a reference to it
    return std::make_unique<QGuiApplication>(argc, argv);
}

} // namespace kalamora
