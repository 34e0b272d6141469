#pragma once

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>

class QGuiApplication;
class QTextDocument;

namespace kalamora {

// The command line of a headless command, read by QCommandLineParser:
// options as --name VALUE or --name=VALUE (-name as well), -h and --help for
// the usage, and -- before arguments that begin with "-".
//
// Every argument is taken byte for byte, so nothing is lost before the
// command decides how to read it: bytes() gives an argument back as it was
// given, text() as text in the locale's encoding.
class CommandLine {
public:
    // Whether a message about bad arguments is followed by the usage.
    enum class Usage { AfterErrors, HelpOnly };

    // `command` names the command in messages ("kalamora type"); the options
    // by long name: those that stand alone, those that take a value.
    CommandLine(const char *command, const char *usage, Usage errorUsage, const QStringList &flags,
                const QStringList &valued);

    // Reads argv (argv[0] is the command's own name). Returns the status to
    // exit with when the command ends here: 0 after -h or --help printed the
    // usage, 2 after bad(). No status: the command goes on.
    std::optional<int> parse(int argc, char **argv);

    // Says on standard error what is wrong with the arguments (in a line,
    // then the usage where it goes with errors); returns 2, the status for
    // bad arguments.
    int bad(const std::string &message) const;
    // Says on standard error that the command failed, and why; returns 1,
    // the status for a failure.
    int fail(const std::string &message) const;

    // A status from bad() when both options of a pair that exclude each
    // other are given.
    std::optional<int> exclusive(const QString &first, const QString &second) const;
    // At most one positional argument: `argument` takes it as given, or
    // nothing when there is none. A status from bad(tooMany) when there are
    // more.
    std::optional<int> atMostOnePositional(std::optional<QString> *argument, const std::string &tooMany) const;

    // Reads a document file by its ending, as the Open command does; on
    // failure says why through fail() and returns false.
    bool readDocument(const QString &path, QTextDocument &doc) const;
    // The application of a headless command that reads documents: fonts
    // but no display (unless a platform is named).
    static std::unique_ptr<QGuiApplication> headlessApplication(char **argv);

    bool isSet(const QString &name) const { return m_parser.isSet(name); }
    // The option's last value: as given, and as text.
    std::string bytes(const QString &name) const { return toBytes(m_parser.value(name)); }
    QString text(const QString &name) const { return toText(m_parser.value(name)); }
    // Every value of the option, in the order given, byte for byte.
    QStringList values(const QString &name) const { return m_parser.values(name); }
    QStringList positional() const { return m_parser.positionalArguments(); }

    static std::string toBytes(const QString &argument);
    static QString toText(const QString &argument);

private:
    // What is wrong with the arguments parse() could not read.
    std::string error() const;

    const char *m_command;
    const char *m_usage;
    Usage m_errorUsage;
    QCommandLineParser m_parser;
    QStringList m_valued;
    QStringList m_args;
};

} // namespace kalamora
