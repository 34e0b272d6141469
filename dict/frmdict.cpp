#include "dict/frmdict.h"

#include "dict/wordlistmodel.h"
#include "settings/paths.h"

#include <QCursor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QShortcut>
#include <QVBoxLayout>

#include <optional>

using namespace Qt::StringLiterals;

namespace kalamora {

namespace dict {

namespace {

MessageHook &messageHook()
{
    static MessageHook hook;
    return hook;
}

// txtWord: a press selects the whole word, so that the next key replaces it;
// losing the focus is reported to the window.
class WordBox : public QLineEdit {
public:
    using QLineEdit::QLineEdit;
    std::function<void()> onFocusLost;

protected:
    void mousePressEvent(QMouseEvent *event) override
    {
        QLineEdit::mousePressEvent(event);
        selectAll();
    }
    void focusOutEvent(QFocusEvent *event) override
    {
        QLineEdit::focusOutEvent(event);
        if (onFocusLost)
            onFocusLost();
    }
};

} // namespace

void showMessage(const Message &message)
{
    if (const MessageHook &hook = messageHook()) {
        hook(message);
        return;
    }
    // The box needs the ordinary pointer even while a caller shows the wait
    // cursor.
    QGuiApplication::setOverrideCursor(Qt::ArrowCursor);
    QMessageBox box(message.icon, message.title, message.text, QMessageBox::Ok, message.parent);
    box.exec();
    QGuiApplication::restoreOverrideCursor();
}

MessageHook setMessageHook(MessageHook hook)
{
    MessageHook old = std::move(messageHook());
    messageHook() = std::move(hook);
    return old;
}

} // namespace dict

frmDict::frmDict(QWidget *parent)
    : QWidget(parent, Qt::Window)
{
    setWindowTitle(u"Kalamora Dictionary"_s);

    m_words = new dict::WordListModel(this);
    m_similar = new dict::WordListModel(this);

    optEngHin = new QRadioButton(u"Eng-Hindi"_s, this);
    optEngHin->setObjectName(u"optEngHin"_s);
    optEngHin->setChecked(true);

    picEng = new QWidget(this);
    picEng->setObjectName(u"picEng"_s);
    auto *lblWord = new QLabel(u"Type English Word Here"_s, picEng);
    auto *wordBox = new dict::WordBox(picEng);
    wordBox->onFocusLost = [this] { m_syncingList = false; };
    txtWord = wordBox;
    txtWord->setObjectName(u"txtWord"_s);
    lblWord->setBuddy(txtWord);

    auto makeList = [this](dict::WordListModel *model, const QString &name) {
        auto *view = new QListView(picEng);
        view->setObjectName(name);
        view->setModel(model);
        view->setUniformItemSizes(true);
        view->setSelectionMode(QAbstractItemView::SingleSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        return view;
    };
    lstDict = makeList(m_words, u"lstDict"_s);
    lstSimWords = makeList(m_similar, u"lstSimWords"_s);

    lblSelWord = new QLabel(this);
    lblSelWord->setObjectName(u"lblSelWord"_s);
    lblSelWord->setTextInteractionFlags(Qt::TextSelectableByMouse);
    QFont bold = lblSelWord->font();
    bold.setBold(true);
    lblSelWord->setFont(bold);

    txtHinMeaning = new QPlainTextEdit(this);
    txtHinMeaning->setObjectName(u"txtHinMeaning"_s);
    txtHinMeaning->setReadOnly(true);

    cmdExit = new QPushButton(u"&Close"_s, this);
    cmdExit->setObjectName(u"cmdExit"_s);

    auto *entry = new QVBoxLayout(picEng);
    entry->setContentsMargins(0, 0, 0, 0);
    entry->addWidget(lblWord);
    entry->addWidget(txtWord);
    auto *lists = new QHBoxLayout;
    lists->addWidget(lstDict, 1);
    lists->addWidget(lstSimWords, 1);
    entry->addLayout(lists, 1);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdExit);

    auto *top = new QVBoxLayout(this);
    top->addWidget(optEngHin);
    top->addWidget(picEng, 3);
    top->addWidget(lblSelWord);
    top->addWidget(txtHinMeaning, 2);
    top->addLayout(buttons);
    resize(520, 560);

    connect(txtWord, &QLineEdit::textChanged, this, [this] { SearchWord(); });
    connect(lstDict->selectionModel(), &QItemSelectionModel::currentChanged, this, [this] { lstDictClick(); });
    connect(lstDict, &QListView::clicked, this, &frmDict::lstDictMouseClicked);
    connect(lstSimWords, &QListView::clicked, this, &frmDict::lstSimWordsClick);
    connect(lstSimWords, &QListView::activated, this, &frmDict::lstSimWordsClick);
    connect(optEngHin, &QRadioButton::clicked, this, &frmDict::optEngHinClick);
    connect(cmdExit, &QPushButton::clicked, this, &QWidget::close);
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &QWidget::close);
}

frmDict::~frmDict() = default;

QString frmDict::databasePath()
{
    return QDir(kalamora::programFolder()).filePath(QString::fromLatin1(dict::DatabaseFileName));
}

frmDict *frmDict::openDictionary(QWidget *parent, const QString &initialWord)
{
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    auto *window = new frmDict(parent);
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (!window->load()) {
        QGuiApplication::restoreOverrideCursor();
        delete window;
        return nullptr;
    }
    if (!initialWord.isEmpty())
        window->txtWord->setText(initialWord);
    window->show();
    QGuiApplication::restoreOverrideCursor();
    return window;
}

bool frmDict::load(const QString &path)
{
    const QString file = path.isEmpty() ? databasePath() : path;
    if (!QFileInfo::exists(file)) {
        dict::showMessage({this, QMessageBox::Critical, u"File missing."_s,
                           u"Can't find dictionary files. Please re-install."_s});
        return false;
    }
    if (const dict::DbError err =
            m_db.open(QFile::encodeName(file).toStdString(), dict::passwordFromConnect(dict::ConnectString)))
        reportError(err);
    FillWordList();
    txtHinMeaning->setFont(QFont(u"Glyphora 010"_s, 18));
    return true;
}

void frmDict::reportError(const dict::DbError &error)
{
    dict::showMessage({this, QMessageBox::NoIcon, u"Kalamora"_s,
                       u"Error: %1 '%2'"_s.arg(error.code).arg(QString::fromUtf8(error.message))});
}

void frmDict::FillWordList()
{
    // A database that did not open has been reported already; the window
    // then simply has no words.
    if (!m_db.isOpen())
        return;
    std::vector<std::string> words;
    const dict::DbError err = m_db.words(&words);
    m_words->setWords(std::move(words));
    if (err)
        reportError(err);
}

void frmDict::SearchWord()
{
    const QString text = txtWord->text();
    const QByteArray typed = text.toUtf8();

    m_similar->clear();
    if (!text.isEmpty() && m_db.isOpen()) {
        std::vector<std::string> similar;
        if (const dict::DbError err = m_db.wordsBeginningWith(typed.toStdString(), &similar))
            reportError(err);
        m_similar->setWords(std::move(similar));
    }

    const int row = m_words->list().firstStartingWith(typed.toStdString());
    m_syncingList = true;
    if (row < 0) {
        lstDict->selectionModel()->clear();
        m_syncingList = false;
        lblSelWord->clear();
        m_similar->clear();
        txtHinMeaning->clear();
        return;
    }
    const QModelIndex index = m_words->index(row);
    // A word already in view stays where it is (a click must not move the
    // list under the pointer); one out of view comes to the top, with the
    // words that follow it below.
    const QRect rect = lstDict->visualRect(index);
    if (!lstDict->viewport()->rect().contains(rect))
        lstDict->scrollTo(index, QAbstractItemView::PositionAtTop);
    if (lstDict->currentIndex() == index && lstDict->selectionModel()->isSelected(index))
        lstDictClick();
    else
        lstDict->setCurrentIndex(index);  // runs lstDictClick through currentChanged
}

void frmDict::ShowMeaning(const QString &word)
{
    if (!m_db.isOpen())
        return;
    std::optional<std::string> hindi;
    if (const dict::DbError err = m_db.meaning(word.toUtf8().toStdString(), &hindi)) {
        reportError(err);
        return;
    }
    if (hindi)
        txtHinMeaning->setPlainText(QString::fromUtf8(*hindi));
}

void frmDict::lstDictClick()
{
    const QModelIndex current = lstDict->currentIndex();
    if (!current.isValid()) {
        m_syncingList = false;
        return;
    }
    const QString word = m_words->word(current.row());
    ShowMeaning(word);
    lblSelWord->setText(word);
    if (!m_syncingList)
        txtWord->setText(word);
    m_syncingList = false;
}

void frmDict::lstDictMouseClicked(const QModelIndex &index)
{
    // A click that moved the selection was handled when it moved; a click on
    // the word already selected still puts that word into txtWord.
    if (index.isValid() && txtWord->text() != m_words->word(index.row()))
        lstDictClick();
}

void frmDict::lstSimWordsClick(const QModelIndex &index)
{
    if (!index.isValid())
        return;
    const QString word = m_similar->word(index.row());
    if (word == txtWord->text() && lblSelWord->text() == word)
        return;  // the same click seen again as an activation
    ShowMeaning(word);
    const QModelIndex current = lstDict->currentIndex();
    lblSelWord->setText(current.isValid() ? m_words->word(current.row()) : QString());
    txtWord->setText(word);
}

void frmDict::optEngHinClick()
{
    picEng->show();
    txtWord->setFocus();
}

} // namespace kalamora
