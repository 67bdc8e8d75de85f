// The fitting arithmetic and the caption's text, descriptions read afresh at each visit of a
// folder; where they land on the screen: end to end.
#include <QLabel>
#include <QtTest>

#include "show/Fit.h"
#include "show/MainForm.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;

class DisplayTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void fit_data() {
        QTest::addColumn<QSizeF>("picture");  // twips, as are the others
        QTest::addColumn<QSizeF>("window");
        QTest::addColumn<QRectF>("expected");
        const auto row = [](const char* name, QSizeF picture, QSizeF window, QRectF expected) {
            QTest::newRow(name) << picture << window << expected;
        };
        // 640 x 480 pixels on 1280 x 1024: twice as large, the height left over shared.
        row("worked example", {9600, 7200}, {19200, 15360}, {0, 480, 19200, 14400});
        row("tall", {1500, 4500}, {12000, 9000}, {4500, 0, 3000, 9000});
        row("small is enlarged", {300, 150}, {12000, 9000}, {0, 1500, 12000, 6000});
        row("large is reduced", {24000, 24000}, {12000, 9000}, {1500, 0, 9000, 9000});
        row("half a twip of margin", {15, 30}, {105, 60}, {37.5, 0, 30, 60});
    }

    void fit() {
        QFETCH(QSizeF, picture);
        QFETCH(QSizeF, window);
        const float w = float(picture.width()), h = float(picture.height());
        const auto p = show::fitAndCentre(w, h, float(window.width()), float(window.height()));
        QTEST(QRectF(p.left, p.top, p.width, p.height), "expected");
        QCOMPARE(show::naturalWidthAtHeight(w, h, p.height), p.width);  // the proportions kept
    }

    void caption_data() {
        QTest::addColumn<QString>("entries");  // the disc (see testsupport::Show), split at "|"
        QTest::addColumn<QString>("moves");    // JumpTo, one after another; "path=text" written
        QTest::addColumn<QString>("shown");    // the colour on the screen
        QTest::addColumn<QString>("caption");  // empty: hidden
        const auto row = [](const char* name, const QString& entries, const QString& moves,
                            const QString& shown, const QString& caption) {
            QTest::newRow(name) << entries << moves << shown << caption;
        };
        row("no description file", u"P/a.jpg:red|P/b.jpg:blue"_s, u"First"_s, u"red"_s,
            u"  a.jpg  "_s);
        row("described among others",
            u"P/a.jpg:red|P/ImageList.txt=b.jpg,Boats\r\na.jpg,Harbour, at dawn\r\n|"
            u"autorun.inf=showtext=true\n"_s,
            u"First"_s, u"red"_s, u"  a.jpg  -  Harbour, at dawn"_s);
        row("only another described", u"P/a.jpg:red|P/b.jpg:blue|P/ImageList.txt=b.jpg,Boats\n"_s,
            u"Last First"_s, u"red"_s, u"  a.jpg  "_s);
        row("showtext=false",
            u"P/a.jpg:red|P/ImageList.txt=a.jpg,Harbour\n|autorun.inf=delay=4\nshowtext=false\n"_s,
            u"First"_s, u"red"_s, QString());
        row("showtext=no is not false", u"P/a.jpg:red|autorun.inf=showtext=no\n"_s, u"First"_s,
            u"red"_s, u"  a.jpg  "_s);
        // Each visit reads the folder's own description file, afresh.
        row("the next folder without descriptions",
            u"P/a.jpg:red|P/ImageList.txt=a.jpg,Harbour\n|Q/a.jpg:blue"_s, u"First Next"_s,
            u"blue"_s, u"  a.jpg  "_s);
        row("the next folder with descriptions",
            u"P/a.jpg:red|Q/a.jpg:blue|Q/ImageList.txt=a.jpg,Harbour\n"_s, u"First Next"_s,
            u"blue"_s, u"  a.jpg  -  Harbour"_s);
        // Read well after the picture (8 MB of other lines first): the caption then gains it.
        row("descriptions after the picture",
            u"P/a.jpg:red|Q/a.jpg:blue|Q/ImageList.txt="_s + u"x.jpg,y\n"_s.repeated(1 << 20) +
                u"a.jpg,Late\n"_s,
            u"First Next"_s, u"blue"_s, u"  a.jpg  -  Late"_s);
        row("same name, other folder",
            u"P/D.JPG:red|P/ImageList.txt=D.JPG,At home\n|Q/D.JPG:blue|Q/imagelist.TXT=d.jpg,Road\n"_s,
            u"First Next"_s, u"blue"_s, u"  D.JPG  -  Road"_s);
        row("changed between visits", u"P/a.jpg:red|P/ImageList.txt=a.jpg,Before\n|Q/x.jpg:blue"_s,
            u"First P/ImageList.txt=a.jpg,After\n Next Next"_s, u"red"_s, u"  a.jpg  -  After"_s);
        // Control characters in names and descriptions stand as blanks on the one line.
        row("a newline and a tab in a name", u"P/x\ty\nz.jpg:red"_s, u"First"_s, u"red"_s,
            u"  x y z.jpg  "_s);
        row("a tab in a description", u"P/a.jpg:red|P/ImageList.txt=a.jpg,Sea\tsky\n"_s, u"First"_s,
            u"red"_s, u"  a.jpg  -  Sea sky"_s);
        // Wider than the screen: its start on the screen, its end cut.
        const QString wide = u"Harbour"_s + u" harbour"_s.repeated(59);
        row("wider than the screen", u"P/a.jpg:red|P/ImageList.txt=a.jpg,"_s + wide + u"\n"_s,
            u"First"_s, u"red"_s, u"  a.jpg  -  "_s + wide);
        // A picture that cannot be loaded leaves the one before it and its caption on the screen.
        const QString described = u"|P/c.jpg:blue|P/ImageList.txt=a.jpg,Red\nb.jpg,X\nb.gif,X\n"_s;
        row("an empty file after a described one", u"P/a.jpg:red|P/b.jpg="_s + described,
            u"First Next"_s, u"red"_s, u"  a.jpg  -  Red"_s);
        row("text named gif, going back", u"P/a.jpg:red|P/b.gif=text"_s + described, u"Last Prev"_s,
            u"blue"_s, u"  c.jpg  "_s);
    }

    void caption() {
        QFETCH(QString, entries);
        QFETCH(QString, moves);
        QFETCH(QString, shown);
        const testsupport::Show show(entries.split(u'|'));
        MainForm* form = show.form;
        QVERIFY(form);
        for (const QString& where : moves.split(u' ')) {
            if (const qsizetype eq = where.indexOf(u'='); eq >= 0) {
                show.disc.file(where.left(eq), where.mid(eq + 1).toUtf8());
                continue;
            }
            form->JumpTo(where);
            testsupport::settle(form);
        }
        QVERIFY(testsupport::nearColour(form->image1.picture().image().pixelColor(0, 0),
                                        QColor(shown)));
        QVERIFY(form->image1.Visible() && !form->lblInfo2.Visible());  // the key hint goes
        QTEST(form->lblInfo.Visible() ? form->lblInfo.Caption() : QString(), "caption");
        QCOMPARE(show.session.messages, QStringList());
        // Centred on the screen; what does not fit is cut at its right edge with an ellipsis.
        const platform::Label& label = form->lblInfo;
        const QString drawn = static_cast<QLabel*>(label.widget())->text();
        QVERIFY(label.Left() >= 0 && label.Left() == (form->Width() - label.Width()) / 2);
        QVERIFY(drawn == label.Caption() ||
                (drawn.endsWith(QChar(0x2026)) && label.Caption().startsWith(drawn.chopped(1))));
    }
};

LUMOSA_TEST(DisplayTest)
#include "display_test.moc"
