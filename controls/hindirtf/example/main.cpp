// A host of HindiRTF that knows the control only through its form: the
// controls are made by the Designer plugin and reached by their properties
// and members by name.
//
//   hindirtf-example                      shows the form
//   hindirtf-example --type KEYS [--into NAME] [--hex]
//                                         types KEYS into the control NAME
//                                         (default hindiRTF1), one character a
//                                         key press, and prints its text (with
//                                         --hex as character codes in hex)
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFontDatabase>
#include <QKeyEvent>
#include <QPushButton>
#include <QUiLoader>
#include <QWidget>

#include <cstdio>
#include <memory>

using namespace Qt::StringLiterals;

namespace {

QString programFolder()
{
    const QString env = qEnvironmentVariable("KALAMORA_PROGRAM_DIR");
    return env.isEmpty() ? QCoreApplication::applicationDirPath() : env;
}

// Sends one typed character to a widget as the keyboard would.
void typeCharacter(QWidget *target, QChar ch)
{
    int key = 0;
    Qt::KeyboardModifiers mods;
    const char16_t c = ch.unicode();
    if (c >= u'a' && c <= u'z') {
        key = Qt::Key_A + (c - u'a');
    } else if (c >= u'A' && c <= u'Z') {
        key = Qt::Key_A + (c - u'A');
        mods = Qt::ShiftModifier;
    } else if (c == u'\n') {
        key = Qt::Key_Return;
    } else {
        key = c; // Qt's key codes of printable ASCII are the characters
    }
    const QString text = c == u'\n' ? u"\r"_s : QString(ch);
    QKeyEvent press(QEvent::KeyPress, key, mods, text);
    QCoreApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, mods, text);
    QCoreApplication::sendEvent(target, &release);
}

int fail(const QString &message)
{
    std::fprintf(stderr, "hindirtf-example: %s\n", message.toLocal8Bit().constData());
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    // Typing from the command line needs no screen.
    for (int i = 1; i < argc; ++i) {
        if (qstrcmp(argv[i], "--type") == 0 && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
            qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication app(argc, argv);

    QString keys;
    QString into = u"hindiRTF1"_s;
    bool typing = false;
    bool hex = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == u"--type"_s && i + 1 < args.size()) {
            typing = true;
            keys = args[++i];
        } else if (args[i] == u"--into"_s && i + 1 < args.size()) {
            into = args[++i];
        } else if (args[i] == u"--hex"_s) {
            hex = true;
        } else {
            std::fprintf(stderr, "usage: hindirtf-example [--type KEYS [--into NAME] [--hex]]\n");
            return 2;
        }
    }

    // The program's own font of the glyph encoding, when it ships beside us.
    const QString font = programFolder() + u"/GO10.TTF"_s;
    if (QFile::exists(font))
        QFontDatabase::addApplicationFont(font);

    QUiLoader loader;
    loader.addPluginPath(programFolder() + u"/designer"_s);
    if (!loader.availableWidgets().contains(u"HindiRTF"_s))
        return fail(u"the HindiRTF plugin was not found in %1"_s.arg(QDir::toNativeSeparators(programFolder() + u"/designer"_s)));
    QFile file(u":/example.ui"_s);
    if (!file.open(QIODevice::ReadOnly))
        return fail(u"cannot read the form"_s);
    std::unique_ptr<QWidget> form(loader.load(&file));
    if (!form)
        return fail(loader.errorString());

    QWidget *first = form->findChild<QWidget *>(u"hindiRTF1"_s);
    auto *hindi = form->findChild<QCheckBox *>(u"chkHindi"_s);
    auto *about = form->findChild<QPushButton *>(u"btnAbout"_s);
    if (first && hindi) {
        // LangMode is one value for every control: setting it on one
        // switches both.
        QObject::connect(hindi, &QCheckBox::toggled, first,
                         [first](bool on) { first->setProperty("LangMode", on ? 1 : 0); });
    }
    if (first && about)
        QObject::connect(about, &QPushButton::clicked, first, [first] { QMetaObject::invokeMethod(first, "About"); });

    if (typing) {
        QWidget *control = form->findChild<QWidget *>(into);
        QWidget *inner = control ? control->findChild<QWidget *>(u"rtf"_s) : nullptr;
        if (!inner)
            return fail(u"no control named %1"_s.arg(into));
        for (QChar ch : keys)
            typeCharacter(inner, ch);
        const QString text = control->property("Text").toString();
        if (hex) {
            QStringList codes;
            for (QChar ch : text)
                codes << u"%1"_s.arg(ch.unicode(), 2, 16, QLatin1Char('0'));
            std::printf("%s\n", codes.join(u' ').toUtf8().constData());
        } else {
            std::printf("%s\n", text.toUtf8().constData());
        }
        return 0;
    }

    form->show();
    return app.exec();
}
