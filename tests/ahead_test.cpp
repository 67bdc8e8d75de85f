// Decoding ahead: in the show's order, and never a picture that no longer matches its file.
#include <QtTest>

#include <condition_variable>
#include <mutex>

#include "platform/Form.h"
#include "show/MainForm.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using testsupport::encode;
using testsupport::filled;
using testsupport::kWaitMs;
using testsupport::lastParts;
using testsupport::nearColour;

namespace {

// A show on a disc of "Folder/name.ext:colour" pictures (64 x 48), its timer stopped.
struct Show : testsupport::Show {
    using testsupport::Show::Show;
    show::ShowReader& ahead() const { return form->show().reader(); }
    bool idle() const { return !ahead().busy() && !form->show().waiting(); }
    const QImage& shown() const { return form->image1.picture().image(); }
    QString at() const { return lastParts(form->show().currentImagePath()); }
    QStringList held() const {
        QStringList names;
        for (const QString& path : ahead().heldPaths()) {
            names.append(lastParts(path));
        }
        names.sort();
        return names;
    }
};

// The pictures of decodeOrder by short names: "3" is A/p3.bmp, "b" is B/b.bmp.
QStringList pictures(const QString& names) {
    QStringList paths;
    for (const QString& name : names.split(u' ', Qt::SkipEmptyParts)) {
        paths.append(name == u"b"_s ? u"B/b.bmp"_s : u"A/p%1.bmp"_s.arg(name));
    }
    return paths;
}

// Reads that end when the test lets them: "+a" ends a's read with a picture, "+a!" with a
// failure, "+a~" with a picture of a file written meanwhile. Every read begun is noted.
struct Gate {
    std::mutex mutex;
    std::condition_variable changed;
    QStringList released, begun;
    QHash<QString, QDateTime> written;  // the files' times; none: unknown
    bool all = false;                   // the test is over: every read ends

    QString pass(const QString& name) {
        std::unique_lock lock(mutex);
        begun.append(name);
        qsizetype at = -1;
        changed.wait(lock, [&] {
            at = std::max({released.indexOf(name), released.indexOf(name + u'!'),
                           released.indexOf(name + u'~')});
            return all || at >= 0;
        });
        return at >= 0 ? released.takeAt(at) : name;
    }
    bool holds(const QString& token) {
        const std::lock_guard lock(mutex);
        return released.contains(token);
    }
    void release(const QString& token) {
        const std::lock_guard lock(mutex);
        released.append(token);
        changed.notify_all();
    }
};

show::DiscReads gated(const std::shared_ptr<Gate>& gate) {
    show::DiscReads reads;
    reads.stamp = [gate](const QString& path) {
        const std::lock_guard lock(gate->mutex);
        return show::FileStamp{1, gate->written.value(path), {}};
    };
    reads.picture = [gate](const QString& path, QSize, QString* why, const std::atomic<bool>*) {
        const QString token = gate->pass(path);
        if (token.endsWith(u'!')) {
            *why = u"cannot be read"_s;
            return platform::Picture();
        }
        if (token.endsWith(u'~')) {
            const std::lock_guard lock(gate->mutex);
            gate->written.insert(path, QDateTime::currentDateTimeUtc().addSecs(-60));
        }
        return platform::Picture(filled({2, 2}, Qt::red), {2, 2});
    };
    reads.folder = [gate](const QString& folder, bool) -> std::optional<QStringList> {
        gate->pass(folder);
        return QStringList{u"x.bmp"_s};
    };
    reads.descriptions = [](const QString&, const QStringList&) { return show::Descriptions(); };
    return reads;
}

}  // namespace

class AheadTest : public QObject {
    Q_OBJECT

private Q_SLOTS:

    // What the screen is told, whatever order the reads end in: a wait replaces the one before
    // (a key or a tick that moves on), whose answer is dropped; a file is never read twice at once.
    void waits_data() {
        // "a" waits for picture a, "F/" for folder F, "+a" ends a read, "a>n,l" looks ahead
        // from a to n then l; "@W,H" after either: at that size (else 2 x 2); "a*S": a's file
        // written S seconds from now.
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("told");   // a picture shown, "a!" not read, "F/" a folder listed
        QTest::addColumn<QString>("begun");  // the reads begun, in order
        QTest::newRow("read") << u"a +a"_s << u"a"_s << u"a"_s;
        QTest::newRow("failed read") << u"a +a!"_s << u"a!"_s << u"a"_s;
        QTest::newRow("moved on, stale arrival") << u"a b +a +b"_s << u"b"_s << u"a b"_s;
        QTest::newRow("moved on, later arrival") << u"a b +b +a"_s << u"b"_s << u"a b"_s;
        QTest::newRow("back to a read under way") << u"a b +b a"_s << u"b"_s << u"a b"_s;
        QTest::newRow("it ends: read afresh") << u"a b +b a +a +a"_s << u"b a"_s << u"a b a"_s;
        QTest::newRow("a folder replaces a picture") << u"a F/ +a +F/"_s << u"F/"_s << u"a F/"_s;
        QTest::newRow("a picture replaces a folder") << u"F/ a +F/ +a"_s << u"a"_s << u"F/ a"_s;
        // The show moved on while the last was read ahead: the next is read at once.
        QTest::newRow("ahead, overtaken") << u"a +a a>n,l +n n n>m,l"_s << u"a n"_s << u"a n l m"_s;
        QTest::newRow("ahead, in order") << u"a +a a>n,l +n n n>l,m"_s << u"a n"_s << u"a n l"_s;
        // Eight reads stuck on the medium: no ninth begins until one ends.
        QTest::newRow("stuck reads bounded")
            << u"a b c d e f g h i j +a +j"_s << u"j"_s << u"a b c d e f g h j"_s;
        // A picture held at one size is read again for another (the screen changed size).
        QTest::newRow("held for its size") << u"a@32,24 +a a@64,48 +a"_s << u"a a"_s << u"a a"_s;
        // At a screen's size ("@W,H"), as many ahead as fit in 256 MB beside the current one.
        QTest::newRow("4K: four ahead")
            << u"a +a a>b,c,d,e@3840,2160 +a +b +c +d"_s << u"a"_s << u"a a b c d e"_s;
        QTest::newRow("5K: three")
            << u"a +a a>b,c,d,e@5120,2880 +a +b +c +d"_s << u"a"_s << u"a a b c d"_s;
        QTest::newRow("8K: one") << u"a +a a>b,c,d,e@7680,4320 +a +b"_s << u"a"_s << u"a a b"_s;
        // A file being written is read again once it has settled, never shown cut short.
        QTest::newRow("written while read") << u"a +a~ +a"_s << u"a"_s << u"a a"_s;
        QTest::newRow("written just now") << u"a*0 +a +a"_s << u"a"_s << u"a a"_s;
        QTest::newRow("written an hour ahead") << u"a*3600 +a"_s << u"a"_s << u"a"_s;
    }

    void waits() {
        QFETCH(QString, steps);
        auto gate = std::make_shared<Gate>();
        show::ShowReader reader(gated(gate));
        QStringList told;
        connect(&reader, &show::ShowReader::arrived, this,
                [&](const QString& path, const platform::Picture& picture, const QString& why) {
                    QCOMPARE(picture.isNull(), !why.isEmpty());
                    told.append(why.isEmpty() ? path : path + u'!');
                });
        connect(&reader, &show::ShowReader::folderArrived, this,
                [&](const QString& folder) { told.append(folder); });
        for (const QString& word : steps.split(u' ')) {
            const QString step = word.section(u'@', 0, 0).section(u'*', 0, 0);
            if (word.contains(u'*')) {
                const std::lock_guard lock(gate->mutex);
                gate->written.insert(
                    step, QDateTime::currentDateTimeUtc().addSecs(word.section(u'*', 1).toInt()));
            }
            const QStringList size = word.section(u'@', 1).split(u',');
            const QSize bound =
                size.size() == 2 ? QSize(size[0].toInt(), size[1].toInt()) : QSize(2, 2);
            if (step.startsWith(u'+')) {
                gate->release(step.mid(1));
                QTRY_VERIFY_WITH_TIMEOUT(!gate->holds(step.mid(1)), kWaitMs);
            } else if (step.contains(u'>')) {
                reader.lookAhead(step.section(u'>', 0, 0), step.section(u'>', 1).split(u','),
                                 bound);
            } else if (step.endsWith(u'/')) {
                reader.awaitFolder(step);
            } else {
                reader.awaitPicture(step, bound);
            }
            QTest::qWait(30);  // a read begins, or an answer comes, meanwhile
        }
        QTEST(told.join(u' '), "told");
        const std::lock_guard lock(gate->mutex);
        QTEST(gate->begun.join(u' '), "begun");
        gate->all = true;  // reads still waiting end, unheard
        gate->changed.notify_all();
    }

    // Neighbours first (the way of the last move before the other), then the folder's first and
    // last; five held at most. Keys faster than decodes move at once and skip decodes.
    void decodeOrder_data() {
        // After JumpTo(3), groups of keys waited for in turn.
        QTest::addColumn<QString>("moves");
        QTest::addColumn<QString>("at");       // the picture shown in the end
        QTest::addColumn<QString>("decoded");  // after the last group, in order
        QTest::addColumn<QString>("held");
        QTest::newRow("index 3") << QString() << u"3"_s << u"4 2"_s << u"0 2 3 4 7"_s;
        QTest::newRow("6") << u"6"_s << u"4"_s << u"5"_s << u"0 3 4 5 7"_s;
        QTest::newRow("6 4") << u"6 4"_s << u"3"_s << u"2"_s << u"0 2 3 4 7"_s;
        QTest::newRow("2") << u"2"_s << u"0"_s << u"1"_s << u"0 1 7"_s;
        QTest::newRow("8") << u"8"_s << u"7"_s << u"b 6"_s << u"0 6 7 b"_s;
        // "4" on the first picture wraps to the last: going back, the one before comes first.
        QTest::newRow("2 4") << u"2 4"_s << u"7"_s << u"6 b"_s << u"0 6 7 b"_s;
        QTest::newRow("into B") << u"6 6 6 6 6"_s << u"b"_s << QString() << u"0 b"_s;
        QTest::newRow("round") << u"6 6 6 6 6 6"_s << u"0"_s << u"1 7"_s << u"0 1 7"_s;
        QTest::newRow("key burst") << u"6666"_s << u"7"_s << u"6 b"_s << u"0 6 7 b"_s;
        // Read for the screen, not ahead.
        QTest::newRow("key burst into B") << u"66666"_s << u"b"_s << QString() << u"0 b"_s;
    }

    void decodeOrder() {
        QFETCH(QString, moves);
        QFETCH(QString, at);
        QFETCH(QString, decoded);
        QFETCH(QString, held);
        const auto colour = [](const QString& name) {
            return name == u"b"_s ? QColor(Qt::black)
                                  : QColor::fromHsv(name.toInt() * 45, 255, 255);
        };
        QStringList entries{u"B/b.bmp:black"_s};
        for (int i = 0; i < 8; ++i) {
            entries.append(u"A/p%1.bmp:%2"_s.arg(i).arg(colour(QString::number(i)).name()));
        }
        const Show s(entries);
        QVERIFY(s.form);
        QSignalSpy spy(&s.ahead(), &show::ShowReader::decoded);
        const auto order = [&spy] {
            QStringList paths;
            for (const QList<QVariant>& arguments : std::as_const(spy)) {
                paths.append(lastParts(arguments.at(0).toString()));
            }
            spy.clear();
            return paths;
        };
        // Before the first tick: the first picture, which it shows, and the last.
        QTRY_VERIFY_WITH_TIMEOUT(s.idle() && s.held() == pictures(u"0 7"_s), kWaitMs);
        spy.clear();
        s.form->JumpTo(3);
        const QString target = s.disc.abs(pictures(at).constFirst());
        QImage ready;  // the end's picture as held before the last group, if it was
        for (const QString& group : moves.split(u' ', Qt::SkipEmptyParts)) {
            QTRY_VERIFY_WITH_TIMEOUT(s.idle(), kWaitMs);
            spy.clear();
            ready = s.ahead().held(target).image();
            for (const QChar key : group) {
                QTest::keyClick(s.form, Qt::Key(key.unicode()));
            }
        }
        testsupport::settle(s.form);  // a folder entered is listed first
        QCOMPARE(s.at(), pictures(at).constFirst());
        QTRY_VERIFY_WITH_TIMEOUT(s.idle(), kWaitMs);
        const qint64 shown = s.shown().cacheKey();
        QTest::qWait(50);  // a decode wrongly started late, or a late picture, would show here
        QVERIFY(s.idle());
        QCOMPARE(s.shown().cacheKey(), shown);
        QVERIFY(nearColour(s.shown().pixelColor(0, 0), colour(at)));
        QVERIFY(ready.isNull() || ready.cacheKey() == shown);
        // B's listing comes from a worker, before its picture is wanted or after.
        QStringList actual = order(), expected = pictures(decoded);
        if (decoded.contains(u'b')) {
            actual.sort();
            expected.sort();
        }
        QCOMPARE(actual, expected);
        QCOMPARE(s.held(), pictures(held));
    }

    // The picture shown is what the file holds then, whatever was decoded ahead.
    void fileAsShown_data() {
        QTest::addColumn<QByteArray>("early");  // b.jpg while the show decodes it ahead
        QTest::addColumn<QByteArray>("late");   // b.jpg when it is shown; null: removed
        const QByteArray red = encode(filled({64, 48}, Qt::red), "jpeg");
        const QByteArray blue = encode(filled({80, 60}, Qt::blue), "jpeg");
        const QByteArray half = blue.left(blue.indexOf("\xFF\xDA") + 200);
        QTest::newRow("replaced") << red << blue;
        QTest::newRow("removed") << red << QByteArray();
        QTest::newRow("being written") << half << blue;
        QTest::newRow("truncated") << half << half;
        QTest::newRow("65000 x 65000")
            << QByteArray() << testsupport::hostileFile(u"c-sof-65535.jpg"_s);
    }

    void fileAsShown() {
        QFETCH(QByteArray, early);
        QFETCH(QByteArray, late);
        Show s({u"A/a.bmp:lime"_s, u"A/c.bmp:yellow"_s});
        QVERIFY(s.form);
        const QString b = s.disc.file(u"A/b.jpg"_s, early.isNull() ? late : early);
        s.form->display_directory(s.disc.abs(u"A"_s));  // list b.jpg too
        s.form->JumpTo(0);
        QTRY_VERIFY_WITH_TIMEOUT(s.idle(), kWaitMs);
        const qint64 before = s.shown().cacheKey();
        QCOMPARE(s.ahead().held(b).isNull(), platform::LoadPicture(b).isNull());
        if (late.isNull()) {
            QVERIFY(QFile::remove(b));
        } else if (late != early) {
            s.disc.file(u"A/b.jpg"_s, late);
        }
        s.form->JumpTo(u"Next"_s);
        testsupport::settle(s.form);
        QCOMPARE(s.at(), u"A/b.jpg"_s);
        const QImage expected = platform::LoadPicture(b).image();
        if (expected.isNull()) {
            QCOMPARE(s.shown().cacheKey(), before);
        } else {
            QCOMPARE(s.shown(), expected);
        }
        s.form->JumpTo(u"Next"_s);
        testsupport::settle(s.form);
        QVERIFY(nearColour(s.shown().pixelColor(0, 0), Qt::yellow));
    }

    // Quitting during a decode: nothing waits for it, and it never arrives.
    void quitDuringDecode() {
        Show s({u"A/a.bmp:lime"_s});
        QVERIFY(s.form);
        s.disc.file(u"A/big.jpg"_s, encode(filled({6000, 4000}, Qt::blue), "jpeg"));
        s.form->display_directory(s.disc.abs(u"A"_s));
        s.form->JumpTo(0);
        testsupport::settle(s.form);  // a.bmp shown, big.jpg decoded ahead
        QVERIFY(s.ahead().busy());
        platform::End();
        QVERIFY(s.session.ended);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!platform::Forms::find<MainForm>());
        QTest::qWait(200);  // the decode ends meanwhile, with nowhere to go
    }
};

LUMOSA_TEST(AheadTest)
#include "ahead_test.moc"
