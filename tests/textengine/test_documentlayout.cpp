// The document layout that lays a typed paragraph out in place: whatever it
// does, the document must end up where laying everything out again puts it;
// and long documents opened and saved beside the window.
#include "textengine/documentlayout.h"
#include "textengine/fileprogress.h"
#include "textengine/textcontrol.h"

#include <QAbstractTextDocumentLayout>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QProgressDialog>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextTable>
#include <QThread>
#include <QTimer>
#include <qpa/qwindowsysteminterface.h>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;
using namespace kalamora;
using textengine::DocumentLayout;
using textengine::TextControl;

namespace {

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Where every line of the document stands and what it holds.
QList<qreal> geometry(QTextDocument *doc)
{
    QList<qreal> g{doc->documentLayout()->documentSize().width(), doc->documentLayout()->documentSize().height()};
    for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
        const QTextLayout *l = b.layout();
        g << b.position() << l->position().x() << l->position().y() << l->lineCount();
        for (int i = 0; i < l->lineCount(); ++i) {
            const QTextLine line = l->lineAt(i);
            g << line.x() << line.y() << line.width() << line.height() << line.textStart() << line.textLength();
        }
    }
    return g;
}

// Paragraphs of every length (empty ones too), one centred, one indented,
// a bulleted one, a picture and a table among them, in the program's glyph text and in English.
void fill(TextControl &tc, QRandomGenerator &random)
{
    static const QString words[] = {u"dey"_s, u"fgUnh"_s, u"Hkkjr"_s, u"esa"_s, u"word"_s, u"'kfDr"_s, u"{ks="_s};
    QStringList paragraphs;
    for (int p = 0; p < 90; ++p) {
        QStringList w;
        for (int n = random.bounded(p % 7 == 3 ? 1 : 60); n > 0; --n)
            w << words[random.bounded(7)];
        paragraphs << w.join(u' ');
    }
    tc.setText(paragraphs.join(u'\n'));
    tc.setSelStart(tc.document()->findBlockByNumber(10).position());
    tc.setAlignMent(TextControl::AlignCenter);
    tc.setSelStart(tc.document()->findBlockByNumber(20).position());
    tc.setSelIndent(720);
    tc.setSelHangingIndent(-360);
    tc.setSelStart(tc.document()->findBlockByNumber(30).position());
    tc.setSelBullet(true);
    QImage picture(60, 90, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    tc.document()->addResource(QTextDocument::ImageResource, QUrl(u"picture"_s), picture);
    QTextCursor(tc.document()->findBlockByNumber(35)).insertImage(u"picture"_s);
    tc.setSelStart(tc.document()->findBlockByNumber(40).position());
    tc.TableInsert(2, 2, -1);
    tc.setSelText(u"in a cell"_s);
}

// One edit as typing makes them: keys, the engine's rewrites (a selection
// replaced), Backspace, now and then a paragraph break or a larger letter.
void edit(TextControl &tc, QRandomGenerator &random, int &at)
{
    const int length = tc.document()->characterCount() - 1;
    if (random.bounded(8) == 0)
        at = random.bounded(length + 1);  // the caret goes elsewhere
    tc.setSelStart(at);
    switch (random.bounded(10)) {
    case 0:
        QTest::keyClick(&tc, Qt::Key_Backspace);
        break;
    case 1:
        tc.setSelLength(random.bounded(4));
        tc.setSelText(random.bounded(12) == 0 ? u"\n"_s : u"kZ"_s.left(random.bounded(3)));
        break;
    case 2:
        tc.setSelLength(1 + random.bounded(3));
        tc.setFontSize(random.bounded(2) ? 30 : 12);
        break;
    default:
        QTest::keyClick(&tc, "abcdefgh ;'[],./kZ"[random.bounded(18)]);
        break;
    }
    at = tc.SelStart();
}

} // namespace

// After any run of typing, in either view, the lines stand exactly where Qt's
// layout puts them when it lays the whole document out again, and a click
// finds the same character; most keys were laid out in place.
TEST(DocumentLayout, TypingLeavesTheLayoutAFullLayoutMakes)
{
    for (const int view : {1, 0}) {
        for (quint32 seed = 1; seed <= 3; ++seed) {
            SCOPED_TRACE(testing::Message() << "view " << view << " seed " << seed);
            QRandomGenerator random(seed);
            TextControl tc;
            tc.resize(700, 500);
            tc.show();
            tc.setViewMode(view);
            tc.setPageHeight(4000);  // short pages: many paragraphs cross a page boundary
            fill(tc, random);
            QCoreApplication::processEvents();
            auto *layout = qobject_cast<DocumentLayout *>(tc.document()->documentLayout());
            ASSERT_TRUE(layout);
            const int inPlace = layout->inPlaceCount();
            int at = tc.document()->findBlockByNumber(5).position();
            for (int round = 0; round < 12; ++round) {
                for (int i = 0; i < 25; ++i)
                    edit(tc, random, at);
                const QList<qreal> typed = geometry(tc.document());
                QList<int> hits;
                for (int y = 0; y < 4000; y += 97)
                    hits << layout->hitTest(QPointF(200, y), Qt::FuzzyHit);
                tc.document()->markContentsDirty(0, tc.document()->characterCount());
                ASSERT_EQ(typed, geometry(tc.document())) << "round " << round;
                QList<int> again;
                for (int y = 0; y < 4000; y += 97)
                    again << layout->hitTest(QPointF(200, y), Qt::FuzzyHit);
                ASSERT_EQ(hits, again) << "round " << round;
            }
            EXPECT_GT(layout->inPlaceCount() - inPlace, 150);
        }
    }
}

// Opening a long document lays out its beginning and leaves the rest for
// later, in either view, RTF or text: the window shows the first page before
// the last is laid out. Asking for the page count lays out everything. A
// file this long is read and written beside the window (fileprogress.h),
// with the same result as in a control on no screen.
TEST(DocumentLayout, LoadingALongDocumentLaysOutItsBeginningOnly)
{
    QTemporaryDir dir;
    TextControl source;
    source.setText((u"A paragraph of the long document, long enough to wrap once or twice on a page of "
                    u"the usual width. "_s.repeated(3) + u'\n').repeated(2000));
    ASSERT_GT(source.document()->characterCount(), textengine::FileProgress::LargeFile);
    for (const QString &name : {u"long.rtf"_s, u"long.txt"_s}) {
        const int format = name.endsWith(u"rtf"_s) ? TextControl::FormatRtf : TextControl::FormatText;
        ASSERT_TRUE(source.Save(dir.filePath(name), 0, format));
        TextControl hidden;
        ASSERT_TRUE(hidden.Load(dir.filePath(name), 0, format));
        ASSERT_TRUE(hidden.Save(dir.filePath(u"hidden-"_s + name), 0, format));
        for (const int view : {1, 0}) {
            SCOPED_TRACE(testing::Message() << name.toStdString() << " view " << view);
            TextControl tc;
            tc.resize(700, 500);
            tc.show();
            tc.setViewMode(view);
            QCoreApplication::processEvents();
            ASSERT_TRUE(tc.Load(dir.filePath(name), 0, format));
            auto *layout = qobject_cast<DocumentLayout *>(tc.document()->documentLayout());
            EXPECT_LT(layout->layoutStatus(), 50);
            EXPECT_EQ(tc.SelStart(), 0);
            EXPECT_EQ(tc.toRtf(), hidden.toRtf());
            ASSERT_TRUE(tc.Save(dir.filePath(u"shown-"_s + name), 0, format));
            EXPECT_EQ(fileBytes(dir.filePath(u"shown-"_s + name)), fileBytes(dir.filePath(u"hidden-"_s + name)));
            EXPECT_GT(tc.CurrentPages(), 70);
            EXPECT_EQ(layout->layoutStatus(), 100);
        }
    }
}

// Long work beside the window: the window paints meanwhile, a progress
// window shows after half a second, and a key pressed meanwhile reaches its
// field only afterwards.
TEST(FileProgress, TheWindowPaintsAndShowsProgressWhileKeysWait)
{
    QWidget window;
    auto *field = new QLineEdit(&window);
    window.resize(300, 100);
    window.show();
    window.activateWindow();
    field->setFocus();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    int paints = 0;
    struct Counter : QObject {
        int *paints;
        bool eventFilter(QObject *, QEvent *e) override
        {
            *paints += e->type() == QEvent::Paint;
            return false;
        }
    } counter;
    counter.paints = &paints;
    field->installEventFilter(&counter);
    bool progressShown = false;
    QString typedMeanwhile = u"?"_s;
    QTimer::singleShot(100, field, [&] {
        field->update();
        QWindowSystemInterface::handleKeyEvent<QWindowSystemInterface::AsynchronousDelivery>(
            window.windowHandle(), QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, u"a"_s);
    });
    QTimer::singleShot(700, field, [&] {
        const auto *dialog = window.findChild<QProgressDialog *>();
        progressShown = dialog && dialog->isVisible() && dialog->labelText() == u"Saving"_s;
        typedMeanwhile = field->text();
    });
    {
        textengine::FileProgress progress(field, u"Saving"_s);
        progress.inBackground([] { QThread::msleep(900); });
    }
    EXPECT_GT(paints, 0);
    EXPECT_TRUE(progressShown);
    EXPECT_EQ(typedMeanwhile, QString());
    QCoreApplication::processEvents();
    EXPECT_EQ(field->text(), u"a"_s);
    EXPECT_FALSE(window.findChild<QProgressDialog *>());
}
