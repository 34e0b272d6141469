// kalamora send: the direct SMTP route without a window, printing the status
// texts as the dialogue goes.
#include "commands.h"

#include "documentfile.h"
#include "htmlparse.h"
#include "mailtext.h"
#include "smtpclient.h"

#include "settings/mailsettings.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>
#include <string_view>

using namespace Qt::StringLiterals;

namespace {

const char *const sendUsage =
    "usage: kalamora send --to ADDR --subject S [--server HOST[:PORT]] [--from ADDR] IN\n"
    "\n"
    "Sends the document IN (RTF, HTML or text) as an HTML mail by SMTP, as the\n"
    "mail window's direct route does, printing each status text on its own\n"
    "line. The server defaults to the setting OutServ (port 25), the sender to\n"
    "InServ.\n";

int usageError(const char *message)
{
    std::fprintf(stderr, "kalamora send: %s\n%s", message, sendUsage);
    return 2;
}

void printLine(const QString &text)
{
    std::printf("%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

} // namespace

int runSend(int argc, char **argv)
{
    QString to, subject, server, from, input;
    bool haveTo = false, haveSubject = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view a = argv[i];
        auto value = [&](QString &into) {
            if (++i >= argc)
                return false;
            into = QString::fromLocal8Bit(argv[i]);
            return true;
        };
        if (a == "--help" || a == "-h") {
            std::fputs(sendUsage, stdout);
            return 0;
        }
        if (a == "--to") {
            if (!value(to))
                return usageError("--to needs a value");
            haveTo = true;
        } else if (a == "--subject") {
            if (!value(subject))
                return usageError("--subject needs a value");
            haveSubject = true;
        } else if (a == "--server") {
            if (!value(server))
                return usageError("--server needs a value");
        } else if (a == "--from") {
            if (!value(from))
                return usageError("--from needs a value");
        } else if (a.size() > 1 && a[0] == '-') {
            return usageError("unknown option");
        } else if (input.isEmpty()) {
            input = QString::fromLocal8Bit(argv[i]);
        } else {
            return usageError("only one input file");
        }
    }
    if (!haveTo || !haveSubject)
        return usageError("--to and --subject are required");
    if (input.isEmpty())
        return usageError("no input file");
    if (!mail::isValidMailTo(to)) {
        std::fprintf(stderr, "kalamora send: Invalid 'Mail To:' Address\n");
        return 2;
    }

    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    int qargc = 1;
    QGuiApplication app(qargc, argv);

    QTextDocument doc;
    textengine::PageSetup page;
    QString error;
    if (!textengine::loadDocumentFile(doc, page, input, textengine::fileFormatForSuffix(input), &error)) {
        std::fprintf(stderr, "kalamora send: %s\n", error.toLocal8Bit().constData());
        return 1;
    }

    printLine(u"Retrieving Mail Settings"_s);
    const kalamora::MailSettings settings = kalamora::MailSettings::read();
    if (server.isEmpty())
        server = settings.server();
    if (from.isEmpty())
        from = settings.sender();
    printLine(u"Settings Retrieved"_s);

    HTMLParse parse(subject, [](const QString &title, const QString &text) {
        std::fprintf(stderr, "kalamora send: %s: %s\n", title.toLocal8Bit().constData(), text.toLocal8Bit().constData());
    }, mail::bodyOptions(settings));
    const QString mailText = parse.ParseHTML(doc, false, false);

    SmtpClient client;
    QObject::connect(&client, &SmtpClient::statusChanged, &printLine);
    client.setServer(server);
    client.setSender(from);
    client.setRecipient(to);
    if (client.send(mail::directMessage(mailText, from, to)))
        return 0;
    const SmtpClient::Failure &f = client.failure();
    if (!f.status.isEmpty())
        printLine(f.status);
    QString text = f.text;
    text.replace(u"\r\n"_s, u" "_s);
    std::fprintf(stderr, "kalamora send: %s: %s\n", f.title.toLocal8Bit().constData(), text.toLocal8Bit().constData());
    return 1;
}
