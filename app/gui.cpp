// The window: splash, main window, the files named on the command line.
#include "app/commands.h"
#include "app/filecommands.h"
#include "app/frmmain.h"
#include "app/frmsplash.h"
#include "app/gui.h"
#include "app/icons.h"
#include "app/messagebox.h"

#include "engine/enginestate.h"
#include "settings/paths.h"
#include "settings/settingsstore.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QStringList>
#include <QTimer>

#include <cstdio>

#include <memory>
#include <utility>

using namespace Qt::StringLiterals;

namespace kalamora {

bool registerProgramFont()
{
    // Documents written elsewhere name the encoding's usual font; show them
    // in the program's own.
    QFont::insertSubstitution(u"Kruti Dev 010"_s, u"Glyphora 010"_s);
    return QFontDatabase::addApplicationFont(programFolder() + u"/GO10.TTF"_s) >= 0;
}

namespace {

// Whether the window has anywhere to show; Qt would end in its platform
// plugin's message otherwise.
bool haveDisplay()
{
#if defined(Q_OS_UNIX) && !defined(Q_OS_MACOS)
    return !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || !qEnvironmentVariableIsEmpty("DISPLAY")
        || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return true;
#endif
}

} // namespace

int runWindow(int argc, char **argv)
{
    if (!haveDisplay()) {
        std::fputs("kalamora: there is no display to show the window on.\n"
                   "Start it in a desktop session, or on a virtual display: xvfb-run -a kalamora\n"
                   "The headless commands need no display: kalamora --help\n",
                   stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setOrganizationName(u"Kalamora"_s);
    QApplication::setApplicationName(u"Kalamora"_s);
    QApplication::setApplicationVersion(QLatin1StringView(KALAMORA_VERSION));
    kalamora::setUpIconTheme();

    const QStringList files = QApplication::arguments().mid(1);
    SettingsStore settings;
    engine::EngineState state;
    std::unique_ptr<frmMain> main;

    // The program's font is registered, the main window's widgets are made
    // and the font list is read while the splash waits for its timer; the
    // tick loads and shows the window.
    bool prepared = false;
    const auto makeMain = [&] {
        if (!std::exchange(prepared, true)) {
            kalamora::registerProgramFont();
            QApplication::setWindowIcon(kalamora::applicationIcon());
        }
        if (!main)
            main = std::make_unique<frmMain>(settings, state);
    };
    const auto meanwhile = [&] {
        makeMain();
        QFontDatabase::families();
    };
    auto *splash = new frmSplash([&] {
        makeMain();
        main->show();
        try {
            main->startUp();
        } catch (const std::exception &e) {
            kalamora::showMessage(main.get(), QMessageBox::NoIcon, u"Kalamora"_s, QString::fromLocal8Bit(e.what()));
            QApplication::exit(1);
            return;
        }
        for (const QString &file : files)
            main->files().OpenDocument(file);
        // For the start-up benchmark: report once the first window has been
        // painted, then end.
        if (qEnvironmentVariableIsSet("KALAMORA_QUIT_WHEN_SHOWN")) {
            QTimer::singleShot(0, main.get(), [] {
                std::fputs("shown\n", stdout);
                std::fflush(stdout);
                QApplication::exit(0);
            });
        }
    }, meanwhile);
    splash->show();
    const int status = QApplication::exec();
    main.reset();
    return status;
}

} // namespace kalamora
