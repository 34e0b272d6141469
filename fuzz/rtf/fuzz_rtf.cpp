// Fuzz target of the RTF reader: any bytes are read without a crash, a hang
// or memory out of proportion; what was read is written, read again and put
// into a QTextDocument, laid out on pages, and that document written out
// again.
#include "document/documentmodel.h"
#include "document/rtf/rtfmodel.h"

#include <QGuiApplication>
#include <QTextCursor>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace kalamora;

namespace {

void ensureApplication()
{
    static QGuiApplication *app = [] {
        if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
        static int argc = 1;
        static char name[] = "fuzz_rtf";
        static char *argv[] = {name, nullptr};
        return new QGuiApplication(argc, argv);
    }();
    (void)app;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    ensureApplication();
    const std::string_view in(reinterpret_cast<const char *>(data), size);
    rtf::Document doc;
    if (!rtf::read(in, doc).ok)
        return 0;
    const std::string once = rtf::write(doc);
    rtf::Document again;
    if (!rtf::read(once, again).ok)
        std::abort();  // what we write must always read as RTF

    QTextDocument qdoc;
    QTextCursor cursor(&qdoc);
    document::insertModel(doc, cursor);
    // Laid out on pages, as the control shows and prints it.
    qdoc.setPageSize(QSizeF(800, 1000));
    (void)qdoc.pageCount();
    const rtf::Document back = document::modelFromDocument(qdoc, doc.page);
    const std::string twice = rtf::write(back);
    rtf::Document third;
    if (!rtf::read(twice, third).ok)
        std::abort();
    return 0;
}
