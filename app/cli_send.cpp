// kalamora send: the direct SMTP route without a window, printing the status
// texts as the dialogue goes.
#include "app/commandline.h"
#include "app/commands.h"

#include "document/documentfile.h"
#include "mail/htmlparse.h"
#include "mail/mailtext.h"
#include "mail/smtpclient.h"

#include "settings/mailsettings.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>
#include <string_view>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {

const char *const sendUsage =
    "usage: kalamora send --to ADDR --subject S [--server HOST[:PORT]] [--from ADDR] IN\n"
    "\n"
    "Sends the document IN (RTF, HTML or text) as an HTML mail by SMTP, as the\n"
    "mail window's direct route does, printing each status text on its own\n"
    "line. The server defaults to the setting OutServ (port 25), the sender to\n"
    "InServ.\n";

void printLine(const QString &text)
{
    std::printf("%s\n", text.toLocal8Bit().constData());
    std::fflush(stdout);
}

} // namespace

int runSend(int argc, char **argv)
{
    kalamora::CommandLine line("kalamora send", sendUsage, kalamora::CommandLine::Usage::AfterErrors,
                               {}, {u"to"_s, u"subject"_s, u"server"_s, u"from"_s});
    if (const std::optional<int> status = line.parse(argc, argv))
        return *status;
    const QString to = line.text(u"to"_s), subject = line.text(u"subject"_s);
    QString server = line.text(u"server"_s), from = line.text(u"from"_s);
    std::optional<QString> given;
    if (const std::optional<int> status = line.atMostOnePositional(&given, "only one input file"))
        return *status;
    if (!line.isSet(u"to"_s) || !line.isSet(u"subject"_s))
        return line.bad("--to and --subject are required");
    const QString input = given ? kalamora::CommandLine::toText(*given) : QString();
    if (input.isEmpty())
        return line.bad("no input file");
    if (!mail::isValidMailTo(to)) {
        std::fprintf(stderr, "kalamora send: Invalid 'Mail To:' Address\n");
        return 2;
    }

    const auto app = kalamora::CommandLine::headlessApplication(argv);
    QTextDocument doc;
    if (!line.readDocument(input, doc))
        return 1;

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

} // namespace kalamora
