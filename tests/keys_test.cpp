// The keyboard commands of the show window: the digits of the keypad's cross (also on the main
// row, and as the movement keys the keypad sends with NumLock off), "+" and "-", and the keys
// that do nothing.
#include <QtTest>

#include <memory>

#include "platform/Form.h"
#include "show/MainForm.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using testsupport::Disc;
using testsupport::lastParts;
using testsupport::Session;

namespace {

QString position(const MainForm& form) {
    return lastParts(form.lbDirs.List(form.lbDirs.ListIndex()), 1) + u'/' +
           form.flbImageList.FileName();
}

// The state every case starts from: the third of five pictures of the first folder selected,
// the timer running at 3000 ms.
constexpr int kStartInterval = 3000;
const QString kStartPosition = u"A/a3.jpg"_s;

struct Show {
    Disc disc;
    std::unique_ptr<Session> session;
    MainForm* form = nullptr;

    Show() {
        for (const QString& name : {u"A/a1.jpg"_s, u"A/a2.jpg"_s, u"A/a3.jpg"_s, u"A/a4.jpg"_s,
                                    u"A/a5.jpg"_s, u"B/b1.jpg"_s, u"B/b2.jpg"_s}) {
            disc.picture(name);
        }
        session = std::make_unique<Session>(disc);
        form = session->start();
        if (form) {
            form->Timer1.setInterval(kStartInterval);
            form->JumpTo(2);
        }
    }
};

}  // namespace

class KeysTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void key_data();
    void key();
    void keySequence_data();
    void keySequence();
};

void KeysTest::key_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("position");
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("enabled");

    const int none = Qt::NoModifier;
    const int keypad = Qt::KeypadModifier;
    const QString start = kStartPosition;
    const int i = kStartInterval;

    // The digits of the main row and of the keypad with NumLock on.
    for (const int modifiers : {none, keypad}) {
        const QString where = modifiers == keypad ? u"keypad "_s : u"main row "_s;
        const auto row = [&where](const char* name) -> QTestData& {
            return QTest::newRow(qPrintable(where + QLatin1String(name)));
        };
        row("2 first") << int(Qt::Key_2) << modifiers << u"A/a1.jpg"_s << i << true;
        row("4 previous") << int(Qt::Key_4) << modifiers << u"A/a2.jpg"_s << i << true;
        row("5 stops") << int(Qt::Key_5) << modifiers << start << i << false;
        row("6 next") << int(Qt::Key_6) << modifiers << u"A/a4.jpg"_s << i << true;
        row("8 last") << int(Qt::Key_8) << modifiers << u"A/a5.jpg"_s << i << true;
        row("+ faster") << int(Qt::Key_Plus) << modifiers << start << i / 2 << true;
        row("- slower") << int(Qt::Key_Minus) << modifiers << start << i * 2 << true;
        row("0 control panel, not built") << int(Qt::Key_0) << modifiers << start << i << true;
        row("1 nothing") << int(Qt::Key_1) << modifiers << start << i << true;
        row("3 nothing") << int(Qt::Key_3) << modifiers << start << i << true;
        row("7 nothing") << int(Qt::Key_7) << modifiers << start << i << true;
        row("9 nothing") << int(Qt::Key_9) << modifiers << start << i << true;
    }

    // The keypad with NumLock off sends movement keys; they act as the digits printed on them.
    const auto numLockOff = [](const char* name) -> QTestData& {
        return QTest::newRow(qPrintable(u"NumLock off "_s + QLatin1String(name)));
    };
    numLockOff("Down (2) first") << int(Qt::Key_Down) << keypad << u"A/a1.jpg"_s << i << true;
    numLockOff("Left (4) previous") << int(Qt::Key_Left) << keypad << u"A/a2.jpg"_s << i << true;
    numLockOff("Clear (5) stops") << int(Qt::Key_Clear) << keypad << start << i << false;
    numLockOff("Right (6) next") << int(Qt::Key_Right) << keypad << u"A/a4.jpg"_s << i << true;
    numLockOff("Up (8) last") << int(Qt::Key_Up) << keypad << u"A/a5.jpg"_s << i << true;
    numLockOff("Insert (0) control panel, not built")
        << int(Qt::Key_Insert) << keypad << start << i << true;
    numLockOff("End (1) nothing") << int(Qt::Key_End) << keypad << start << i << true;
    numLockOff("PageDown (3) nothing") << int(Qt::Key_PageDown) << keypad << start << i << true;
    numLockOff("Home (7) nothing") << int(Qt::Key_Home) << keypad << start << i << true;
    numLockOff("PageUp (9) nothing") << int(Qt::Key_PageUp) << keypad << start << i << true;

    QTest::newRow("Escape, control panel not built")
        << int(Qt::Key_Escape) << none << start << i << true;
    QTest::newRow("Enter") << int(Qt::Key_Return) << none << start << i << true;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << keypad << start << i << true;
    QTest::newRow("space") << int(Qt::Key_Space) << none << start << i << true;
    QTest::newRow("letter") << int(Qt::Key_N) << none << start << i << true;
    // The cursor keys outside the keypad type no digit.
    QTest::newRow("cursor Up") << int(Qt::Key_Up) << none << start << i << true;
    QTest::newRow("cursor Right") << int(Qt::Key_Right) << none << start << i << true;
}

void KeysTest::key() {
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, position);
    QFETCH(int, interval);
    QFETCH(bool, enabled);

    Show show;
    MainForm* form = show.form;
    QVERIFY(form);
    QCOMPARE(::position(*form), kStartPosition);
    QVERIFY(form->Timer1.Enabled());
    const int windows = platform::Forms::count();

    QTest::keyClick(form, Qt::Key(key), Qt::KeyboardModifiers(modifiers));

    QCOMPARE(::position(*form), position);
    QCOMPARE(lastParts(form->currentImagePath()), position);
    QCOMPARE(form->Timer1.Interval(), interval);
    QCOMPARE(form->Timer1.Enabled(), enabled);
    // No key opens or closes a window, ends the program or asks anything.
    QCOMPARE(platform::Forms::count(), windows);
    QCOMPARE(show.session->mainForm(), form);
    QVERIFY(form->isVisible());
    QVERIFY(!show.session->ended);
    QVERIFY(show.session->messages.isEmpty());
}

void KeysTest::keySequence_data() {
    QTest::addColumn<QString>("keys");
    QTest::addColumn<QString>("position");
    QTest::addColumn<int>("interval");
    QTest::addColumn<bool>("enabled");

    const QString start = kStartPosition;
    QTest::newRow("faster twice") << u"++"_s << start << 750 << true;
    QTest::newRow("faster then slower") << u"+-"_s << start << 3000 << true;
    QTest::newRow("slower then faster") << u"-+"_s << start << 3000 << true;
    QTest::newRow("stop and start") << u"55"_s << start << 3000 << true;
    QTest::newRow("stop, then faster") << u"5+"_s << start << 1500 << false;
    QTest::newRow("next to the last") << u"66"_s << u"A/a5.jpg"_s << 3000 << true;
    QTest::newRow("next past the last opens the next folder")
        << u"666"_s << u"B/b1.jpg"_s << 3000 << true;
    QTest::newRow("previous past the first wraps in the folder")
        << u"444"_s << u"A/a5.jpg"_s << 3000 << true;
    QTest::newRow("last then first") << u"82"_s << u"A/a1.jpg"_s << 3000 << true;
    QTest::newRow("ignored keys between") << u"1 6 9"_s << u"A/a4.jpg"_s << 3000 << true;
    QTest::newRow("control panel keys change nothing") << u"0000"_s << start << 3000 << true;
}

void KeysTest::keySequence() {
    QFETCH(QString, keys);
    QFETCH(QString, position);
    QFETCH(int, interval);
    QFETCH(bool, enabled);

    Show show;
    MainForm* form = show.form;
    QVERIFY(form);
    QTest::keyClicks(form, keys);
    QCOMPARE(::position(*form), position);
    QCOMPARE(form->Timer1.Interval(), interval);
    QCOMPARE(form->Timer1.Enabled(), enabled);
    QVERIFY(!show.session->ended);
}

QTEST_MAIN(KeysTest)
#include "keys_test.moc"
