// What one action leaves on the show window: a key, or JumpTo as the panel and the sheet call it.
#include <QtTest>

#include "panel/ControlPanel.h"
#include "platform/Form.h"
#include "show/MainForm.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using platform::Forms;

class KeysTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void action_data() {
        QTest::addColumn<int>("from");         // the picture of A shown before (-1: none yet)
        QTest::addColumn<QVariant>("action");  // a key typed on the show window, or JumpTo's value
        // The picture asked for and shown, "running", the interval unless 500, "panel" if it opens.
        QTest::addColumn<QString>("state");
        const auto row = [](const QByteArray& name, const QVariant& action, const QString& state,
                            int from = 2) {
            QTest::newRow(name.constData()) << from << action << state;
        };
        const auto key = [](QKeyCombination k) { return QVariant(QKeySequence(k)); };
        // A holds a1 to a5, B b1; from a3 unless told. A key, then the keypad's without NumLock.
        using K = std::tuple<Qt::Key, Qt::Key, QString>;
        for (const auto& [k, pad, state] :
             {K{Qt::Key_2, Qt::Key_Down, u"a1"_s}, K{Qt::Key_4, Qt::Key_Left, u"a2"_s},
              K{Qt::Key_5, Qt::Key_Clear, u"a3 running"_s}, K{Qt::Key_6, Qt::Key_Right, u"a4"_s},
              K{Qt::Key_8, Qt::Key_Up, u"a5"_s}, K{Qt::Key_0, Qt::Key_Insert, u"a3 panel"_s}}) {
            row(QKeySequence(k).toString().toLatin1(), key(k), state);
            row("keypad " + QKeySequence(pad).toString().toLatin1(), key(Qt::KeypadModifier | pad),
                state);
        }
        row("+ faster", key(Qt::Key_Plus), u"a3 250"_s);
        row("- slower", key(Qt::Key_Minus), u"a3 1000"_s);
        row("Escape opens the panel", key(Qt::Key_Escape), u"a3 panel"_s);
        row("keypad 6, NumLock on", key(Qt::KeypadModifier | Qt::Key_6), u"a4"_s);
        for (const Qt::Key k : {Qt::Key_1, Qt::Key_3, Qt::Key_7, Qt::Key_9, Qt::Key_Return,
                                Qt::Key_Space, Qt::Key_Up}) {
            row(QKeySequence(k).toString().toLatin1() + " does nothing", key(k), u"a3"_s);
        }
        row("6 past the last enters B", key(Qt::Key_6), u"b1"_s, 4);
        row("JumpTo index", 0, u"a1"_s);
        row("JumpTo index == count shows it again", 5, u"a3"_s);
        row("JumpTo other word shows it again", u"next"_s, u"a3"_s);
        row("JumpTo out of range, none shown yet", 7, QString(), -1);
    }

    void action() {
        QFETCH(int, from);
        QFETCH(QVariant, action);
        QFETCH(QString, state);
        const testsupport::Show show({u"A/a1.bmp"_s, u"A/a2.bmp"_s, u"A/a3.bmp"_s, u"A/a4.bmp"_s,
                                      u"A/a5.bmp"_s, u"B/b1.bmp"_s});
        MainForm* form = show.form;
        QVERIFY(form);
        if (from >= 0) {
            form->JumpTo(from);
            testsupport::settle(form);
        }
        if (action.typeId() == QMetaType::QKeySequence) {
            const QKeyCombination key = action.value<QKeySequence>()[0];
            QTest::keyClick(form, key.key(), key.keyboardModifiers());
        } else {
            form->image1.setPicture({});  // so that a picture shown again must be put up afresh
            form->JumpTo(action);
        }
        const QString picture = state.section(u' ', 0, 0);
        testsupport::settle(form);
        QCOMPARE(QFileInfo(form->currentImagePath()).baseName(), picture);
        // A key's picture comes once decoded ahead.
        QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(form->shownImagePath()).baseName(), picture,
                                  testsupport::kWaitMs);
        QCOMPARE(form->image1.picture().isNull(), picture.isEmpty());
        QCOMPARE(form->Timer1.Enabled(), state.contains(u"running"_s));
        const int interval = state.section(u' ', 1, 1).toInt();
        QCOMPARE(form->Timer1.Interval(), interval ? interval : 500);
        // Only Escape and 0 open a window (the panel); no key ends the program or asks anything.
        const bool panel = state.contains(u"panel"_s);
        QCOMPARE(Forms::count(), panel ? 2 : 1);
        QCOMPARE(Forms::find<ControlPanel>() != nullptr, panel);
        QVERIFY(form->isVisible() && !show.session.ended && show.session.messages.isEmpty());
    }
};

LUMOSA_TEST(KeysTest)
#include "keys_test.moc"
