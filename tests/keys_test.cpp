// The keys of the show window: the keypad's digits (also on the main row, and the movement keys
// the keypad sends with NumLock off), "+" and "-", and the keys that do nothing.
#include <QtTest>

#include "panel/ControlPanel.h"
#include "platform/Form.h"
#include "show/MainForm.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;

class KeysTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void key_data();
    void key();
};

void KeysTest::key_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("keypad");
    QTest::addColumn<QString>("picture");  // selected after the key, from a3 of a1..a5
    QTest::addColumn<int>("interval");     // from 3000
    QTest::addColumn<bool>("enabled");     // from stopped
    QTest::addColumn<bool>("panel");       // whether the key opens the control panel
    const auto row = [](const QByteArray& name, int key, bool keypad, const QString& picture,
                        int interval = 3000, bool enabled = false, bool panel = false) {
        QTest::newRow(name.constData()) << key << keypad << picture << interval << enabled << panel;
    };
    row("2 first", Qt::Key_2, false, u"a1"_s);
    row("4 previous", Qt::Key_4, false, u"a2"_s);
    row("5 starts", Qt::Key_5, false, u"a3"_s, 3000, true);
    row("6 next", Qt::Key_6, false, u"a4"_s);
    row("8 last", Qt::Key_8, false, u"a5"_s);
    row("+ faster", Qt::Key_Plus, false, u"a3"_s, 1500);
    row("- slower", Qt::Key_Minus, false, u"a3"_s, 6000);
    row("keypad 6, NumLock on", Qt::Key_6, true, u"a4"_s);
    // With NumLock off the keypad sends movement keys, which act as the digits printed on them.
    row("keypad Down (2)", Qt::Key_Down, true, u"a1"_s);
    row("keypad Left (4)", Qt::Key_Left, true, u"a2"_s);
    row("keypad Clear (5)", Qt::Key_Clear, true, u"a3"_s, 3000, true);
    row("keypad Right (6)", Qt::Key_Right, true, u"a4"_s);
    row("keypad Up (8)", Qt::Key_Up, true, u"a5"_s);
    row("keypad Insert (0)", Qt::Key_Insert, true, u"a3"_s, 3000, false, true);
    row("Escape", Qt::Key_Escape, false, u"a3"_s, 3000, false, true);
    row("0", Qt::Key_0, false, u"a3"_s, 3000, false, true);
    // Keys that do nothing.
    for (const Qt::Key key :
         {Qt::Key_1, Qt::Key_3, Qt::Key_7, Qt::Key_9, Qt::Key_Return, Qt::Key_Space, Qt::Key_Up}) {
        row(QKeySequence(key).toString().toLatin1(), key, false, u"a3"_s);
    }
}

void KeysTest::key() {
    QFETCH(int, key);
    QFETCH(bool, keypad);
    QFETCH(QString, picture);
    QFETCH(int, interval);
    QFETCH(bool, enabled);
    QFETCH(bool, panel);
    testsupport::Disc disc;
    for (int i = 1; i <= 5; ++i) {
        disc.picture(u"A/a%1.bmp"_s.arg(i));
    }
    testsupport::Session session(disc);
    MainForm* form = session.start();
    QVERIFY(form);
    form->Timer1.setEnabled(false);
    form->Timer1.setInterval(3000);
    form->JumpTo(2);
    const int windows = platform::Forms::count();

    QTest::keyClick(form, Qt::Key(key), keypad ? Qt::KeypadModifier : Qt::NoModifier);
    QCOMPARE(form->flbImageList.FileName(), picture + u".bmp"_s);
    QCOMPARE(testsupport::lastParts(form->currentImagePath()), u"A/"_s + picture + u".bmp"_s);
    QCOMPARE(form->Timer1.Interval(), interval);
    QCOMPARE(form->Timer1.Enabled(), enabled);
    // Only Escape and 0 open a window (the panel); no key ends the program or asks anything.
    QCOMPARE(platform::Forms::count(), windows + (panel ? 1 : 0));
    QCOMPARE(platform::Forms::find<ControlPanel>() != nullptr, panel);
    QVERIFY(form->isVisible());
    QVERIFY(!session.ended);
    QVERIFY(session.messages.isEmpty());
}

QTEST_MAIN(KeysTest)
#include "keys_test.moc"
