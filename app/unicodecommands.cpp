#include "app/unicodecommands.h"

#include "app/filedialogs.h"
#include "app/frmdocument.h"
#include "app/frmmain.h"
#include "app/languagecontroller.h"
#include "app/messagebox.h"

#include "document/conversion.h"
#include "textengine/textcontrol.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QFile>
#include <QSaveFile>
#include <QStringDecoder>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextDocumentFragment>

#include <memory>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace {
const QString TextFilter = u"Unicode Text File (*.txt) |*.txt|All Files (*.*) |*|"_s;
}

UnicodeCommands::UnicodeCommands(frmMain *main)
    : QObject(main)
    , m_main(main)
{
    CommandSurface &c = main->commands();
    connect(c.mnuFileExportUnicode, &QAction::triggered, this, &UnicodeCommands::exportCommand);
    connect(c.mnuFileImportUnicode, &QAction::triggered, this, &UnicodeCommands::importCommand);
    connect(c.mnuEditCopyUnicode, &QAction::triggered, this, &UnicodeCommands::copySelection);
}

QString UnicodeCommands::unicodeText(const QTextDocument &document)
{
    std::unique_ptr<QTextDocument> copy(document.clone());
    document::convertDocument(*copy, document::Conversion::ToUnicode, false);
    return copy->toPlainText();
}

QString UnicodeCommands::unicodeText(const QTextDocumentFragment &fragment)
{
    QTextDocument copy;
    QTextCursor(&copy).insertFragment(fragment);
    return unicodeText(copy);
}

bool UnicodeCommands::exportTo(const QString &path, QString *error)
{
    frmDocument *doc = m_main->activeDocument();
    if (!doc)
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    // A disk that takes only part of the text reports no error of its own.
    const QByteArray bytes = unicodeText(*doc->rtftext()->document()).toUtf8();
    if (file.write(bytes) != bytes.size()) {
        *error = u"the disk took only part of it"_s;
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool UnicodeCommands::importFrom(const QString &path, QString *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        *error = file.errorString();
        return false;
    }
    // Stateless: a truncated sequence at the end is an error too.
    QStringDecoder utf8(QStringDecoder::Utf8, QStringConverter::Flag::Stateless);
    const QString text = utf8.decode(file.readAll());
    if (utf8.hasError()) {
        *error = u"The file is not UTF-8 text."_s;
        return false;
    }
    frmDocument *doc = m_main->NewDocument();
    textengine::TextControl *rtf = doc->rtftext();
    rtf->setText(text);
    document::convertDocument(*rtf->document(), document::Conversion::ToKruti, false);
    const int size = m_main->language().cmbFontSize()->currentText().toInt();
    if (size > 0) {
        rtf->setSelStart(0);
        rtf->setSelLength(int(rtf->Text().size()));
        rtf->setFontSize(size);
    }
    rtf->setSelStart(0);
    rtf->document()->setModified(false);
    return true;
}

void UnicodeCommands::copySelection()
{
    frmDocument *doc = m_main->activeDocument();
    if (!doc || doc->rtftext()->SelLength() == 0)
        return;
    QApplication::clipboard()->setText(unicodeText(doc->rtftext()->textCursor().selection()));
}

// Asks for a text file, runs `action` on it and reports a failure.
void UnicodeCommands::withTextFile(bool save, const QString &title, const QString &failure,
                                   bool (UnicodeCommands::*action)(const QString &, QString *))
{
    kalamora::FileDialogRequest request;
    request.parent = m_main;
    request.mode = save ? kalamora::FileDialogRequest::Save : kalamora::FileDialogRequest::Open;
    request.title = title;
    request.filters = kalamora::qtFilters(TextFilter);
    const auto choice = kalamora::askForFile(request);
    if (!choice)
        return;
    QString error;
    if (!(this->*action)(choice->path, &error))
        kalamora::showMessage(m_main, QMessageBox::Warning, u"Kalamora"_s, failure.arg(choice->path, error));
}

void UnicodeCommands::exportCommand()
{
    if (m_main->activeDocument())
        withTextFile(true, u"Export As Unicode Text"_s, u"Can't export to %1: %2"_s, &UnicodeCommands::exportTo);
}

void UnicodeCommands::importCommand()
{
    withTextFile(false, u"Import Unicode Text"_s, u"Can't import %1: %2"_s, &UnicodeCommands::importFrom);
}

} // namespace kalamora
