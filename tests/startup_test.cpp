// Start-up, one disc a row: the program file, which folders take part, the settings file, and
// how it ends: a message, the show running, or the folder selection waiting.
#include <QtTest>

#include "folders/frmDirectories.h"
#include "platform/Form.h"
#include "show/MainForm.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using platform::Forms;

class StartupTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void start_data() {
        QTest::addColumn<QStringList>("entries");  // see testsupport::Show
        QTest::addColumn<QString>("end");  // the message it ends with, "show" or "selection"
        QTest::addColumn<QStringList>("folders");  // offered, by name
        QTest::addColumn<int>("interval");
        const auto disc = [](const char* name, const QStringList& entries, const QString& end,
                             const QStringList& folders = {}, int interval = 500) {
            QTest::newRow(name) << entries << end << folders << interval;
        };
        const auto settings = [](const char* name, const QString& lines, int interval) {
            QTest::newRow(name) << QStringList{u"autorun.inf="_s + lines, u"One/a.jpg"_s,
                                               u"Two/b.jpg"_s}
                                << u"show"_s << QStringList{u"One"_s, u"Two"_s} << interval;
        };
        disc("a folder named like the program is not it",
             {u"-lumosa"_s, u"lumosa/"_s, u"A/a.jpg"_s}, u"Viewer NOT Found"_s);
        disc("no picture folders",
             {u"_hidden/a.jpg"_s, u"Docs/readme.txt=text"_s, u"Docs/scan.png"_s, u"loose.jpg"_s},
             u"No folders containing images exist in this location."_s);
        // Alphabetical without regard to letter case; "_" only at the start hides a folder.
        disc("which folders take part",
             {u"_Private/a.jpg"_s, u".cache/a.jpg"_s, u"Scans/a.png"_s, u"Scans/notes.txt=x"_s,
              u"Nested/Deeper/a.jpg"_s, u"Tricky/x.jpg/"_s, u"upper/A.JPG"_s, u"mixed/b.Gif"_s,
              u"Bitmaps/c.bmp"_s, u"long/d.jpeg"_s, u"a_b/e.jpg"_s},
             u"show"_s, {u"a_b"_s, u"Bitmaps"_s, u"long"_s, u"mixed"_s, u"upper"_s});
        disc("one folder starts the show despite showfolders",
             {u"autorun.inf=showfolders=true\n"_s, u"Only/a.gif"_s}, u"show"_s, {u"Only"_s});
        disc("showfolders, two folders",
             {u"autorun.inf=showfolders=true\n"_s, u"zebra/a.jpg"_s, u"Apes/a.jpg"_s},
             u"selection"_s, {u"Apes"_s, u"zebra"_s});
        disc("settings file named in capitals", {u"AUTORUN.INF=delay=4\n"_s, u"One/a.jpg"_s},
             u"show"_s, {u"One"_s}, 4000);
        // The delay's values are platform_test's.
        settings("delay alone", u"delay\n"_s, 3000);
        settings("capital key", u"Delay=5\n"_s, 500);
        settings("leading blank", u" delay=5\n"_s, 500);
        settings("longer word", u"delayed=7\n"_s, 7000);
        settings("last wins", u"delay=5\ndelay=2\n"_s, 2000);
        settings("crlf, other lines", u"[autorun]\r\nopen=lumosa\r\ndelay=6\r\n"_s, 6000);
        settings("byte-order mark", u"\uFEFFdelay=8\n"_s, 8000);
        settings("showfolders True", u"showfolders=True\n"_s, 500);
        settings("showfolders last wins", u"showfolders=true\nshowfolders=no\n"_s, 500);
    }

    void start() {
        QFETCH(QStringList, entries);
        QFETCH(QString, end);
        QFETCH(QStringList, folders);
        const testsupport::Show started(entries, true);
        MainForm* show = started.form;
        const bool ends = end != u"show"_s && end != u"selection"_s;
        QCOMPARE(started.session.messages, ends ? QStringList{end} : QStringList());
        QCOMPARE(started.session.ended, ends);
        QCOMPARE(Forms::count(), ends ? 0 : end == u"selection"_s ? 2 : 1);
        if (ends) {
            return;
        }
        QVERIFY(show);
        QTEST(show->show().interval(), "interval");
        auto* selection = Forms::find<frmDirectories>();
        QCOMPARE((QList<bool>{show->isVisible(), show->show().running()}),
                 QList<bool>(2, !selection));
        // The selection's list, none marked, or the show's, at its first folder, nothing shown.
        QStringList names;
        for (int i = 0; selection && i < selection->List1.ListCount(); ++i) {
            names.append(QFileInfo(selection->List1.List(i)).fileName());
            QVERIFY(!selection->List1.Selected(i));
        }
        for (const QString& folder : show->show().folders()) {
            names.append(QFileInfo(folder).fileName());
        }
        QCOMPARE(names, folders);
        if (!selection) {
            QCOMPARE(show->show().pictures().Path(), started.disc.abs(folders[0]));
            QCOMPARE(show->show().position(), (show::Position{0, -1}));
            QVERIFY(show->image1.picture().isNull() && show->lblInfo2.Visible());
        }
    }
};

LUMOSA_TEST(StartupTest)
#include "startup_test.moc"
