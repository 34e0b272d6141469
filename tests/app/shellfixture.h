#pragma once

#include "app/documentwindows.h"
#include "app/filedialogs.h"
#include "app/formatcommands.h"
#include "app/frmdocument.h"
#include "app/frmmain.h"
#include "app/gui.h"
#include "app/languagecontroller.h"
#include "app/messagebox.h"
#include "app/statuspanels.h"
#include "engine/enginestate.h"
#include "settings/settingsstore.h"
#include "textengine/textcontrol.h"
#include "textengine/uihooks.h"

#include <QAction>
#include <QRadioButton>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <deque>
#include <memory>
#include <ostream>

using namespace kalamora;

// Failures show texts as text.
inline void PrintTo(const QString &s, std::ostream *os)
{
    *os << '"' << s.toStdString() << '"';
}

// A main window started as the program starts it, on a fresh settings
// store, with every message box and file dialog answered by the test.
class ShellTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings(QStringLiteral("Kalamora"), QStringLiteral("Kalamora")).clear();
        prepareSettings();
        static const bool fontRegistered = kalamora::registerProgramFont();
        ASSERT_TRUE(fontRegistered) << "GO10.TTF missing from the program folder";
        kalamora::setMessageHook([this](const kalamora::MessageRequest &r) {
            messages.push_back(r.text);
            if (answers.empty())
                return QMessageBox::No;
            const auto a = answers.front();
            answers.pop_front();
            return a;
        });
        kalamora::setFileDialogHook([this](const kalamora::FileDialogRequest &r) {
            dialogs.push_back(r.title);
            std::optional<kalamora::FileDialogChoice> c;
            if (!fileChoices.empty()) {
                c = fileChoices.front();
                fileChoices.pop_front();
            }
            return c;
        });
        // The text engine's own dialogs and boxes are answered too.
        textengine::setDialogHook([this](QDialog *dialog) {
            engineDialogs.push_back(dialog->windowTitle());
            return int(QDialog::Rejected);
        });
        textengine::setMessageHook([this](QWidget *, QMessageBox::Icon, const QString &, const QString &text,
                                          QMessageBox::StandardButtons) {
            messages.push_back(text);
            return int(QMessageBox::Ok);
        });
        settings = std::make_unique<SettingsStore>();
        main = std::make_unique<frmMain>(*settings, state);
        main->show();
        main->startUp();
    }

    void TearDown() override
    {
        answers.assign(16, QMessageBox::No);
        main->close();
        main.reset();
        kalamora::setMessageHook({});
        kalamora::setFileDialogHook({});
        textengine::setDialogHook({});
        textengine::setMessageHook({});
    }

    // Settings a test wants in the store before the window starts.
    virtual void prepareSettings() {}

    textengine::TextControl *rtf() { return main->activeDocument()->rtftext(); }

    void type(const QString &keys)
    {
        rtf()->setFocus();
        for (QChar c : keys)
            QTest::keyClick(rtf(), c.toLatin1());
    }

    QString glyphs() { return rtf()->Text(); }

    // Puts an input in place: "Rom" or "Rem" (Hindi in that layout) or
    // "English".
    void useInput(const QString &input)
    {
        if (input == QStringLiteral("English")) {
            main->language().OptEnglish()->setChecked(true);
            return;
        }
        main->language().OptHindi()->setChecked(true);
        (input == QStringLiteral("Rem") ? main->commands().mnuLayoutRem : main->commands().mnuLayoutRom)->trigger();
    }

    std::unique_ptr<SettingsStore> settings;
    engine::EngineState state;
    std::unique_ptr<frmMain> main;
    QStringList messages;
    std::deque<QMessageBox::StandardButton> answers;
    QStringList dialogs;
    QStringList engineDialogs;
    std::deque<kalamora::FileDialogChoice> fileChoices;
};
