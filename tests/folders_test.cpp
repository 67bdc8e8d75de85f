// The folder selection over folders A to E: the marked ones taken into the show in list order,
// OK refused without a mark, Abort and the close box; the window's smallest size and layout.
#include <QtTest>

#include "folders/frmDirectories.h"
#include "platform/Form.h"
#include "show/MainForm.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using platform::Forms;

namespace {

struct Selection {
    testsupport::Disc disc;
    testsupport::Session session{disc};
    MainForm* show = nullptr;
    frmDirectories* window = nullptr;

    Selection() {
        disc.settings("showfolders=true\n");
        for (const QString& folder : {u"A"_s, u"B"_s, u"C"_s, u"D"_s, u"E"_s}) {
            disc.picture(folder + u"/pic.jpg"_s);
        }
        show = session.start();
        window = Forms::find<frmDirectories>();
    }
};

}  // namespace

class FoldersTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void choose_data();
    void choose();
    void smallestSizeAndLayout();
};

void FoldersTest::choose_data() {
    // A digit marks that entry (a click, end to end); "All" and "None" its buttons.
    QTest::addColumn<QString>("actions");
    QTest::addColumn<QString>("folders");  // the show's afterwards, by name; "-" ended
    QTest::addColumn<int>("refusals");
    QTest::newRow("two marked") << u"3 1 OK"_s << u"BD"_s << 0;
    QTest::newRow("Select All") << u"All OK"_s << u"ABCDE"_s << 0;
    QTest::newRow("Deselect All, refused") << u"All None OK"_s << QString() << 1;
    QTest::newRow("a mark after the refusal") << u"All None OK 4 OK"_s << u"E"_s << 1;
    QTest::newRow("Abort") << u"1 Abort"_s << u"-"_s << 0;
    QTest::newRow("the close box ends like Abort") << u"1 close"_s << u"-"_s << 0;
}

void FoldersTest::choose() {
    QFETCH(QString, actions);
    QFETCH(QString, folders);
    QFETCH(int, refusals);
    const Selection s;
    QVERIFY(s.show && s.window);
    frmDirectories& w = *s.window;
    for (const QString& a : actions.split(u' ')) {
        if (a[0].isDigit()) {
            w.List1.setSelected(a.toInt(), true);
        } else if (a == u"close"_s) {
            w.close();
        } else {
            (a == u"OK"_s     ? w.cbOK
             : a == u"All"_s  ? w.cbSelect
             : a == u"None"_s ? w.cdDeselect
                              : w.cbAbort)
                .click();
        }
    }
    QCOMPARE(s.session.messages,
             QStringList(refusals, u"At least one directory of images must be selected"_s));
    QCOMPARE(s.session.ended, folders == u"-"_s);
    if (s.session.ended) {
        QCOMPARE(Forms::count(), 0);
        return;
    }
    QString names;
    for (int i = 0; i < s.show->lbDirs.ListCount(); ++i) {
        names += QFileInfo(s.show->lbDirs.List(i)).fileName();
    }
    QCOMPARE(names, folders);
    // Refused: the selection stays over the hidden, stopped show. Taken: the show runs from
    // the first marked folder.
    QCOMPARE(Forms::find<frmDirectories>() != nullptr, folders.isEmpty());
    QCOMPARE(s.show->isVisible() && s.show->Timer1.Enabled(), !folders.isEmpty());
    if (!folders.isEmpty()) {
        QCOMPARE(s.show->flbImageList.Path(), s.disc.abs(folders.first(1)));
    }
}

void FoldersTest::smallestSizeAndLayout() {
    const Selection s;
    QVERIFY(s.window);
    frmDirectories& w = *s.window;
    // The list's size, then the left and top of OK, Select All, Deselect All and Abort.
    const auto layout = [&w](float width, float height) {
        w.setWidth(width);
        w.setHeight(height);
        QList<float> at{w.List1.Width(), w.List1.Height()};
        for (const platform::Control* b : {&w.cbOK, &w.cbSelect, &w.cdDeselect, &w.cbAbort}) {
            at << b->Left() << b->Top();
        }
        return at;
    };
    QTRY_COMPARE(layout(3000, 900),
                 (QList<float>{5500, 300, 80, 500, 1800, 500, 3000, 500, 4580, 500}));
    QTRY_COMPARE(layout(9000, 4500),
                 (QList<float>{8700, 3300, 80, 3500, 3400, 3500, 4600, 3500, 7780, 3500}));
}

QTEST_MAIN(FoldersTest)
#include "folders_test.moc"
