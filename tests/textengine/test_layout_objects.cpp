// Pictures and embedded objects: as characters, fixed beside the text, the
// object interface, and what RTF keeps of them.
#include "document/units.h"
#include "tests/textengine/printers.h"
#include "textengine/objects.h"
#include "textengine/textcontrol.h"
#include "textengine/uihooks.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QTextBlock>
#include <QTextFrame>
#include <QTextLayout>
#include <QTextList>

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;
using namespace kalamora;
using textengine::TextControl;
using textengine::TextObject;

namespace {

QString writePicture(const QTemporaryDir &dir, const QString &name, int w, int h)
{
    QImage img(w, h, QImage::Format_RGB32);
    img.fill(Qt::blue);
    const QString path = dir.filePath(name);
    img.save(path);
    return path;
}

struct HookGuard {
    textengine::OpenFileHook old;
    explicit HookGuard(textengine::OpenFileHook h) : old(textengine::setOpenFileHook(std::move(h))) {}
    ~HookGuard() { textengine::setOpenFileHook(old); }
};

} // namespace

TEST(Objects, CharacterObjectIsCurrentWhenSelectedOrBesideTheCaret)
{
    QTemporaryDir dir;
    const QString pic = writePicture(dir, u"p.png"_s, 40, 30);
    TextControl tc;
    tc.setText(u"ab cd"_s);
    tc.setSelStart(2);
    ASSERT_TRUE(tc.ObjectInsertAsChar(0, pic, -1, 200, 100));
    tc.setSelStart(0);
    EXPECT_EQ(tc.ObjectCurrent(), nullptr);
    tc.setSelStart(2);
    tc.setSelLength(1);
    auto *obj = qobject_cast<TextObject *>(tc.ObjectCurrent());
    ASSERT_NE(obj, nullptr);
    EXPECT_FALSE(obj->isFixed());
    EXPECT_FALSE(obj->isEmbedded());
    EXPECT_FALSE(obj->keepsDistances());
    EXPECT_TRUE(obj->saveAsData());
    // Reached by name, as callers do.
    obj->setProperty("FastDisplay", true);
    EXPECT_TRUE(obj->property("FastDisplay").toBool());
    QMetaObject::invokeMethod(obj, "setDistance", Q_ARG(int, 2), Q_ARG(int, 288));
    int d = 0;
    QMetaObject::invokeMethod(obj, "Distance", Q_RETURN_ARG(int, d), Q_ARG(int, 2));
    EXPECT_EQ(d, 288);
    EXPECT_EQ(obj->Distance(0), 0);
    EXPECT_EQ(obj->Distance(5), 0);
    obj->setDistance(1, 100000);  // kept to what a 16-bit caller stores
    EXPECT_EQ(obj->Distance(1), 32767);
    // The caret beside it names the same object.
    tc.setSelStart(3);
    EXPECT_EQ(tc.ObjectCurrent(), obj);
    // Scaled 200 by 100 percent at 15 twips a pixel.
    QTextCursor c(tc.document());
    c.setPosition(3);
    EXPECT_NEAR(document::unitsToTwips(c.charFormat().toImageFormat().width()), 40 * 15 * 2, 2);
    // Once the character is gone the object ignores writes.
    tc.setSelStart(2);
    tc.setSelLength(1);
    tc.setSelText(u"x"_s);
    EXPECT_FALSE(obj->isValid());
    obj->setDistance(2, 5);
    EXPECT_EQ(obj->Distance(2), 0);
    EXPECT_EQ(tc.Text(), u"abx cd"_s);
}

TEST(Objects, FixedObjectFloatsBesideTheTextAtItsDistances)
{
    QTemporaryDir dir;
    const QString pic = writePicture(dir, u"f.png"_s, 96, 96);  // one inch
    TextControl tc;
    tc.resize(800, 600);
    tc.show();
    QStringList paras;
    for (int i = 0; i < 6; ++i)
        paras << u"Some words that flow around the picture, again and again and again."_s;
    tc.setText(paras.join(u'\n'));
    ASSERT_TRUE(tc.ObjectInsertFixed(0, pic, 0, 0, 100, 100, 0, 0, 3, 3, 100, 0, 360, 50));
    auto *obj = qobject_cast<TextObject *>(tc.ObjectCurrent());
    ASSERT_NE(obj, nullptr);
    EXPECT_TRUE(obj->isFixed());
    EXPECT_TRUE(obj->keepsDistances());
    EXPECT_EQ(obj->Distance(1), 100);
    EXPECT_EQ(obj->Distance(3), 360);
    EXPECT_EQ(obj->Distance(4), 50);
    // The text is intact and the first paragraph's first line starts to the
    // right of the picture and its right distance.
    EXPECT_EQ(tc.Text().count(u"Some words"_s), 6);
    QCoreApplication::processEvents();
    QTextBlock first;
    for (QTextBlock b = tc.document()->begin(); b.isValid(); b = b.next())
        if (b.text().startsWith(u"Some"_s)) {
            first = b;
            break;
        }
    ASSERT_TRUE(first.isValid());
    ASSERT_GT(first.layout()->lineCount(), 0);
    const double expected = document::twipsToUnits(1440 + 360);
    EXPECT_NEAR(first.layout()->lineAt(0).x(), expected, 3);
    // A new right distance moves the text.
    obj->setDistance(3, 720);
    QCoreApplication::processEvents();
    EXPECT_NEAR(first.layout()->lineAt(0).x(), document::twipsToUnits(1440 + 720), 3);
    // Far right: it floats at the right.
    tc.setSelStart(tc.Text().size());
    ASSERT_TRUE(tc.ObjectInsertFixed(0, pic, 8000, 1440, 100, 100, 0, 0, 3, 3, 0, 0, 0, 0));
    QTextCursor c = tc.textCursor();
    ASSERT_NE(c.currentFrame(), tc.document()->rootFrame());
    EXPECT_EQ(c.currentFrame()->frameFormat().position(), QTextFrameFormat::FloatRight);
    // Missing files fail with a reason and change nothing.
    const QString text = tc.Text();
    EXPECT_FALSE(tc.ObjectInsertFixed(0, dir.filePath(u"none.png"_s), 0, 0, 100, 100));
    EXPECT_FALSE(tc.errorString().isEmpty());
    EXPECT_EQ(tc.Text(), text);
}

// An Image As Object picture came back from RTF as an inline picture in a
// paragraph of its own, and the Fast Display and Save As Data flags were not
// saved at all: fixed pictures and objects, at the left and at the right,
// float again beside their paragraph at their distances, and every object
// keeps its flags.
TEST(Objects, ImageAsObjectCameBackFromRtfAsAnInlinePicture)
{
    QTemporaryDir dir;
    const QString pic = writePicture(dir, u"f.png"_s, 96, 96);
    const QString file = dir.filePath(u"notes.txt"_s);
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("embedded");
    f.close();
    HookGuard hook([&](QWidget *, const QString &, const QString &) { return file; });
    TextControl a;
    a.resize(800, 600);
    a.show();
    QStringList paras;
    for (int i = 0; i < 8; ++i)
        paras << u"Some words that flow around the picture, again and again and again."_s;
    a.setText(paras.join(u'\n'));
    struct Fixed {
        int kind, x, y, dist[4];
        bool fast, data;
    } const fixed[] = {
        {0, 0, 0, {100, 0, 360, 50}, true, true},
        {0, 7000, 2000, {200, 100, 0, 0}, false, false},
        {1, 0, 4000, {0, 0, 144, 144}, true, false},
    };
    for (const Fixed &x : fixed) {
        ASSERT_TRUE(a.ObjectInsertFixed(x.kind, pic, x.x, x.y, 100, 100, 0, 0, 3, 3, x.dist[0], x.dist[1],
                                        x.dist[2], x.dist[3]));
        auto *obj = qobject_cast<TextObject *>(a.ObjectCurrent());
        ASSERT_NE(obj, nullptr);
        obj->setFastDisplay(x.fast);
        obj->setSaveAsData(x.data);
    }
    a.setSelStart(a.Text().size());
    ASSERT_TRUE(a.ObjectInsertAsChar(0, pic, -1, 50, 50));
    qobject_cast<TextObject *>(a.ObjectCurrent())->setFastDisplay(true);

    // What each object is, in document order.
    const auto objects = [](TextControl &tc) {
        QStringList out;
        const QString text = tc.Text();
        for (int pos = 0; pos < tc.document()->characterCount(); ++pos) {
            if (tc.document()->characterAt(pos) != QChar::ObjectReplacementCharacter)
                continue;
            TextObject o(&tc, pos);
            if (!o.isValid())
                continue;
            QTextCursor c(tc.document());
            c.setPosition(pos);
            const auto side = c.currentFrame()->frameFormat().position();
            out << u"%1 %2 %3 %4,%5,%6,%7 fast %8 data %9"_s.arg(o.isFixed() ? u"fixed"_s : u"char"_s)
                       .arg(o.isEmbedded() ? u"object"_s : u"picture"_s)
                       .arg(side == QTextFrameFormat::FloatRight ? u"right"_s : u"left"_s)
                       .arg(o.Distance(1)).arg(o.Distance(2)).arg(o.Distance(3)).arg(o.Distance(4))
                       .arg(o.fastDisplay()).arg(o.saveAsData());
        }
        return out;
    };
    const QByteArray rtf = a.toRtf();
    TextControl b;
    ASSERT_TRUE(b.setRtf(rtf));
    EXPECT_EQ(objects(b), objects(a));
    EXPECT_EQ(objects(a), (QStringList{u"fixed picture left 100,0,360,50 fast 1 data 1"_s,
                                       u"fixed picture right 200,100,0,0 fast 0 data 0"_s,
                                       u"fixed object left 0,0,144,144 fast 1 data 0"_s,
                                       u"char picture left 0,0,0,0 fast 1 data 1"_s}));
    EXPECT_EQ(b.Text(), a.Text());
    EXPECT_EQ(b.toRtf(), rtf);
    EXPECT_TRUE(rtf.contains("{\\shp{\\*\\shpinst")) << "written as shapes that other programs float too";
}

// A fixed picture put before a paragraph took its format away: Qt starts
// the paragraph after the frame plain, so a centred, numbered paragraph on
// a new page lost its alignment, its number and its page break, on the page
// and in the RTF saved. Whether the user inserts the picture or a file
// brings it, the paragraph keeps all three.
TEST(Objects, FixedObjectTookTheParagraphFormatAway)
{
    QTemporaryDir dir;
    const QString pic = writePicture(dir, u"f.png"_s, 48, 48);
    // Each paragraph's alignment, number and page, and the page of each picture.
    const auto format = [](TextControl &tc) {
        tc.setViewMode(1);
        QTextDocument *doc = tc.document();
        const auto page = [&](const QRectF &r) { return int(r.top() / doc->pageSize().height()) + 1; };
        QStringList out;
        for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
            if (b.text().isEmpty() || b.text() == QString(QChar::ObjectReplacementCharacter))
                continue;
            out << u"%1 align %2 list %3 page %4"_s.arg(b.text())
                       .arg(int(b.blockFormat().alignment() & Qt::AlignHorizontal_Mask))
                       .arg(b.textList() ? b.textList()->itemText(b) : u"-"_s)
                       .arg(page(doc->documentLayout()->blockBoundingRect(b)));
        }
        for (QTextFrame *f : doc->rootFrame()->childFrames())
            out << u"picture page %1"_s.arg(page(doc->documentLayout()->frameBoundingRect(f)));
        tc.setViewMode(0);
        return out.join(u"; "_s);
    };
    const QString expected = u"one align 4 list 1. page 1; two align 4 list 2. page 2; picture page 1; picture page 2"_s;
    const QByteArray lists = R"({\*\listtable{\list{\listlevel\levelnfc0{\leveltext\'02\'00.;}}\listid1}})"
                             R"({\*\listoverridetable{\listoverride\listid1\ls1}})";
    QFile png(pic);
    ASSERT_TRUE(png.open(QIODevice::ReadOnly));
    const QByteArray shape = R"({\shp{\*\shpinst\shpleft0\shptop0{\sp{\sn pib}{\sv {\pict\pngblip )" + png.readAll().toHex()
        + "}}}}}";
    const std::function<void(TextControl &)> ways[] = {
        [&](TextControl &tc) {  // read with the pictures
            ASSERT_TRUE(tc.setRtf("{\\rtf1" + lists + "\\pard\\qc\\ls1 " + shape + "one\\par\\pard\\qc\\ls1\\pagebb "
                                  + shape + "two}"));
        },
        [&](TextControl &tc) {  // the pictures inserted
            ASSERT_TRUE(tc.setRtf("{\\rtf1" + lists + R"(\pard\qc\ls1 one\par\pard\qc\ls1\pagebb two})"));
            tc.resize(800, 600);
            tc.show();
            for (const QString &word : {u"two"_s, u"one"_s}) {
                const QTextBlock b = tc.document()->findBlock(int(tc.Text().indexOf(word)));
                const double middle = tc.document()->documentLayout()->blockBoundingRect(b).center().y();
                ASSERT_TRUE(tc.ObjectInsertFixed(0, pic, 0, int(document::unitsToTwips(middle)), 100, 100, 0, 0,
                                                 3, 3, 0, 0, 144, 0));
            }
        },
    };
    for (const auto &way : ways) {
        TextControl tc;
        way(tc);
        EXPECT_EQ(tc.Text().count(QChar::ObjectReplacementCharacter), 2);
        EXPECT_EQ(format(tc), expected);
        TextControl again;
        ASSERT_TRUE(again.setRtf(tc.toRtf()));
        EXPECT_EQ(format(again), expected);
        EXPECT_EQ(again.toRtf(), tc.toRtf());
    }
}

TEST(Objects, EmbeddedFileIsKeptWholeThroughRtf)
{
    QTemporaryDir dir;
    const QString file = dir.filePath(u"notes.bin"_s);
    QByteArray payload;
    for (int i = 0; i < 3000; ++i)
        payload.append(char(i * 7));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(payload);
    }
    TextControl tc;
    tc.setText(u"before after"_s);
    tc.setSelStart(7);
    {
        // The component asks for the file itself; a cancelled choice
        // inserts nothing.
        HookGuard guard([](QWidget *, const QString &, const QString &) { return QString(); });
        EXPECT_FALSE(tc.ObjectInsertAsChar(1, QString(), -1, 100, 100));
        EXPECT_EQ(tc.Text(), u"before after"_s);
    }
    {
        HookGuard guard([&](QWidget *, const QString &, const QString &) { return file; });
        // Called by name with 0 for the file, as the insert command does.
        bool ok = false;
        ASSERT_TRUE(QMetaObject::invokeMethod(&tc, "ObjectInsertAsChar", Q_RETURN_ARG(bool, ok), Q_ARG(int, 1),
                                              Q_ARG(QString, u"0"_s), Q_ARG(int, -1), Q_ARG(int, 100),
                                              Q_ARG(int, 100), Q_ARG(int, 0), Q_ARG(int, 0)));
        ASSERT_TRUE(ok);
    }
    tc.setSelStart(7);
    auto *obj = qobject_cast<TextObject *>(tc.ObjectCurrent());
    ASSERT_NE(obj, nullptr);
    EXPECT_TRUE(obj->isEmbedded());
    EXPECT_EQ(obj->name(), u"notes.bin"_s);

    const QByteArray rtf = tc.toRtf();
    EXPECT_TRUE(rtf.contains("\\objclass Package"));
    QByteArray hex = rtf.mid(rtf.indexOf("\\objdata"));
    hex = hex.left(hex.indexOf('}'));
    hex.replace('\n', "");
    EXPECT_TRUE(QByteArray::fromHex(hex.mid(8)).contains(payload));

    TextControl back;
    ASSERT_TRUE(back.setRtf(rtf));
    EXPECT_EQ(back.Text(), tc.Text());
    back.setSelStart(7);
    auto *again = qobject_cast<TextObject *>(back.ObjectCurrent());
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->isEmbedded());
    EXPECT_EQ(again->name(), u"notes.bin"_s);
    // Written again, the object group is unchanged.
    EXPECT_EQ(back.toRtf().count("\\objdata"), 1);
    EXPECT_TRUE(back.toRtf().contains(rtf.mid(rtf.indexOf("{\\object"), 200)));
}

TEST(Objects, ImageFilterListOffersPicturesFirstAllTogether)
{
    TextControl tc;
    const QStringList parts = tc.ImageFilters().split(u'|');
    ASSERT_GE(parts.size(), 4);
    EXPECT_EQ(parts.size() % 2, 0);
    EXPECT_TRUE(parts[0].startsWith(u"All Images"_s));
    EXPECT_TRUE(parts[1].contains(u"*.png"_s));
    EXPECT_TRUE(parts[1].contains(u"*.jpg"_s));
    EXPECT_TRUE(tc.property("ImageFilters").toString().contains(u"PNG Images (*.png)|*.png"_s));
}
