// kalamora: the word processor's window, or one of its headless commands.
#include "app/commands.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <cstdio>
#include <cstring>
#include <string_view>
#include <vector>

using namespace kalamora;

namespace {

struct Command {
    const char *name;
    const char *synopsis;
    int (*run)(int argc, char **argv);
};

// Each sub-command takes argv from its own name on.
const std::vector<Command> commands = {
    {"type", "type [--layout Rom|Rem|Tav] [--english] [--dot-purna yes|no] [--english-numerals yes|no] [--hex] [KEYS]", runType},
    {"mime", "mime [--omit-headers] [--attach-font] --subject S IN", runMime},
    {"send", "send --to ADDR --subject S [--server HOST[:PORT]] [--from ADDR] IN", runSend},
    {"dict", "dict [--hex|--unicode] WORD", runDict},
    {"convert", "convert [--to-unicode|--to-kruti] IN OUT", runConvert},
};

// The headless commands print their result and their own messages; Qt's
// notes about the session (no runtime folder, no display) are no concern of
// their users. Real errors still reach standard error.
void quietQtNotes(QtMsgType type, const QMessageLogContext &, const QString &message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "kalamora: %s\n", message.toLocal8Bit().constData());
}

void printUsage(std::FILE *out)
{
    std::fputs("usage: kalamora [FILE...]\n       kalamora COMMAND [ARGS...]\n\ncommands:\n", out);
    for (const Command &c : commands)
        std::fprintf(out, "  %s\n", c.synopsis);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc >= 2) {
        const std::string_view first = argv[1];
        if (first == "--help" || first == "-h" || first == "help") {
            printUsage(stdout);
            return 0;
        }
        for (const Command &c : commands) {
            if (first == c.name) {
                qInstallMessageHandler(quietQtNotes);
                return c.run(argc - 1, argv + 1);
            }
        }
        if (first.size() > 1 && first[0] == '-') {
            std::fprintf(stderr, "kalamora: unknown option %s\n", argv[1]);
            printUsage(stderr);
            return 2;
        }
    }
    // No command: the window, with the files named, if any.
    return runWindow(argc, argv);
}
