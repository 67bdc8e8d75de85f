// The folder selection over folders A to E: the marked ones taken into the show in list order,
// OK refused without a mark, Abort and the close box.
#include <QtTest>

#include "folders/frmDirectories.h"
#include "platform/Form.h"
#include "show/MainForm.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using platform::Forms;

class FoldersTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void choose_data();
    void choose();
};

void FoldersTest::choose_data() {
    // A digit marks that entry (a click, end to end); "All" and "None" are the buttons.
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
    const testsupport::Show show({u"A/a.jpg"_s, u"B/a.jpg"_s, u"C/a.jpg"_s, u"D/a.jpg"_s,
                                  u"E/a.jpg"_s, u"autorun.inf=showfolders=true\n"_s});
    frmDirectories* w = Forms::find<frmDirectories>();
    QVERIFY(show.form && w);
    const QHash<QString, platform::CommandButton*> buttons{{u"OK"_s, &w->cbOK},
                                                           {u"All"_s, &w->cbSelect},
                                                           {u"None"_s, &w->cdDeselect},
                                                           {u"Abort"_s, &w->cbAbort}};
    for (const QString& a : actions.split(u' ')) {
        if (a[0].isDigit()) {
            w->List1.setSelected(a.toInt(), true);
        } else {
            a == u"close"_s ? void(w->close()) : buttons[a]->click();
        }
    }
    QCOMPARE(show.session.messages,
             QStringList(refusals, u"At least one directory of images must be selected"_s));
    QCOMPARE(show.session.ended, folders == u"-"_s);
    if (show.session.ended) {
        QCOMPARE(Forms::count(), 0);
        return;
    }
    QString names;
    for (int i = 0; i < show.form->lbDirs.ListCount(); ++i) {
        names += QFileInfo(show.form->lbDirs.List(i)).fileName();
    }
    QCOMPARE(names, folders);
    // Refused: the selection stays over the hidden show. Taken: the first folder's show runs.
    QCOMPARE(Forms::find<frmDirectories>() != nullptr, folders.isEmpty());
    QCOMPARE(show.form->isVisible(), !folders.isEmpty());
    QCOMPARE(show.form->Timer1.Enabled(), !folders.isEmpty());
    if (!folders.isEmpty()) {
        QCOMPARE(show.form->flbImageList.Path(), show.disc.abs(folders.first(1)));
    }
}

LUMOSA_TEST(FoldersTest)
#include "folders_test.moc"
