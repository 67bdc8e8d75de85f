// The folder selection over A to E: marks taken in list order, OK refused without one, Abort.
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
    void choose_data() {
        QTest::addColumn<QString>("actions");  // a digit marks that entry; the rest are buttons
        QTest::addColumn<QString>("folders");  // the show's afterwards, by name; "-" ended
        QTest::addColumn<int>("refusals");
        QTest::newRow("two marked") << u"3 1 OK"_s << u"BD"_s << 0;
        QTest::newRow("Select All") << u"All OK"_s << u"ABCDE"_s << 0;
        QTest::newRow("Deselect All, refused") << u"All None OK"_s << QString() << 1;
        QTest::newRow("a mark after the refusal") << u"All None OK 4 OK"_s << u"E"_s << 1;
        QTest::newRow("Abort") << u"1 Abort"_s << u"-"_s << 0;
        QTest::newRow("the close box ends like Abort") << u"1 close"_s << u"-"_s << 0;
    }

    void choose() {
        QFETCH(QString, actions);
        QFETCH(QString, folders);
        QFETCH(int, refusals);
        const testsupport::Show show({u"A/a.jpg"_s, u"B/a.jpg"_s, u"C/a.jpg"_s, u"D/a.jpg"_s,
                                      u"E/a.jpg"_s, u"autorun.inf=showfolders=true\n"_s});
        frmDirectories* w = Forms::find<frmDirectories>();
        QVERIFY(show.form && w);
        const QStringList words{u"OK"_s, u"All"_s, u"None"_s, u"Abort"_s};
        platform::CommandButton* buttons[] = {&w->cbOK, &w->cbSelect, &w->cdDeselect, &w->cbAbort};
        for (const QString& a : actions.split(u' ')) {
            if (a[0].isDigit()) {
                w->List1.setSelected(a.toInt(), true);
            } else {
                a == u"close"_s ? void(w->close()) : buttons[words.indexOf(a)]->click();
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
        QCOMPARE((QList<bool>{!Forms::find<frmDirectories>(), show.form->isVisible(),
                              show.form->Timer1.Enabled()}),
                 QList<bool>(3, !folders.isEmpty()));
        if (!folders.isEmpty()) {
            testsupport::settle(show.form);
            QCOMPARE(show.form->flbImageList.Path(), show.disc.abs(folders.first(1)));
        }
    }
};

LUMOSA_TEST(FoldersTest)
#include "folders_test.moc"
