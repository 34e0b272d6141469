#pragma once

#include "dict/dictstore.h"

#include <QMessageBox>
#include <QString>
#include <QWidget>

#include <functional>

class QLabel;
class QLineEdit;
class QListView;
class QModelIndex;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;

namespace kalamora {

namespace dict {

class WordListModel;

// Every message box of the dictionary window goes through showMessage(), so
// that a test can answer it instead of a user.
struct Message {
    QWidget *parent = nullptr;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QString title;
    QString text;
};
using MessageHook = std::function<void(const Message &)>;

void showMessage(const Message &message);
// Installs a hook (an empty one restores the real boxes); returns the old one.
MessageHook setMessageHook(MessageHook hook);

} // namespace dict

// The English-Hindi dictionary window: the user types an English word into
// txtWord; the window selects the first word of the full list (lstDict) that
// begins with it, shows that word's Hindi meaning in the Glyphora font, and
// lists the words that begin with the typed text (lstSimWords).
//
// The controls carry their names as object names (txtWord, lstDict,
// lstSimWords, lblSelWord, txtHinMeaning, optEngHin, picEng, cmdExit). The
// window owns the open database until it is destroyed; it only reads it.
class frmDict : public QWidget {
    Q_OBJECT
public:
    explicit frmDict(QWidget *parent = nullptr);
    ~frmDict() override;

    // What the main window's menu item, toolbar button and dictionary box
    // run: the wait cursor while the window loads, then the window shown
    // non-modal (destroyed when closed). `initialWord`, when given, is typed
    // into txtWord. Returns nullptr when the window closed itself at load
    // (no database file).
    static frmDict *openDictionary(QWidget *parent = nullptr, const QString &initialWord = {});

    // The database file the window opens: Dict.mdb in the program folder.
    static QString databasePath();

    // Loads the window from `path` (databasePath() when empty). A missing
    // file is reported and returns false: the caller closes the window. Any
    // other failure is reported as "Error: N 'description'" and loading goes
    // on, so the window stays usable (with what could be read).
    bool load(const QString &path = {});

    // Fills lstDict with every word of the database, in word order.
    void FillWordList();
    // Runs on every change of txtWord's text.
    void SearchWord();
    // Shows the meaning of `word` in txtHinMeaning; leaves it unchanged
    // when the database has no such word.
    void ShowMeaning(const QString &word);

    // True while SearchWord moves lstDict's selection, so that the list's
    // click handling does not write the word back into txtWord.
    bool SyncingList() const { return m_syncingList; }

private:
    void lstDictClick();
    void lstDictMouseClicked(const QModelIndex &index);
    void lstSimWordsClick(const QModelIndex &index);
    void optEngHinClick();
    void reportError(const dict::DbError &error);

    dict::DictDatabase m_db;
    bool m_syncingList = false;

    dict::WordListModel *m_words = nullptr;
    dict::WordListModel *m_similar = nullptr;
    QRadioButton *optEngHin = nullptr;
    QWidget *picEng = nullptr;
    QLineEdit *txtWord = nullptr;
    QListView *lstDict = nullptr;
    QListView *lstSimWords = nullptr;
    QLabel *lblSelWord = nullptr;
    QPlainTextEdit *txtHinMeaning = nullptr;
    QPushButton *cmdExit = nullptr;
};

} // namespace kalamora
