// The thumbnail sheet: layout and scroll arithmetic, the build, where closing leaves the show
// (also when its folder changed under the sheet), and a close during the build.
#include <QtTest>

#include <QScreen>
#include <QTextDocument>

#include "panel/ControlPanel.h"
#include "show/MainForm.h"
#include "testsupport.h"
#include "thumbs/ThumbLayout.h"
#include "thumbs/frmThumbnails.h"

using namespace Qt::StringLiterals;
using platform::Forms;
using testsupport::Disc;

namespace {

const QString kFinal =
    u" thumbnails. Click on an image to return to the slideshow at that point."_s;

// Every caption the sheet takes, "caption|thumbnails loaded[|hidden]"; `onCaption` runs after each.
struct CaptionLog : QObject {
    QStringList entries;
    std::function<void(const QString&)> onCaption;
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* sheet = qobject_cast<frmThumbnails*>(watched);
        if (sheet && event->type() == QEvent::WindowTitleChange) {
            const auto loaded = std::count_if(sheet->Thumb1.begin(), sheet->Thumb1.end(),
                                              [](const auto& t) { return !t->picture().isNull(); });
            entries.append(u"%1|%2"_s.arg(sheet->Caption()).arg(loaded) +
                           (sheet->isVisible() ? u""_s : u"|hidden"_s));
            if (onCaption) {
                onCaption(sheet->Caption());
            }
        }
        return false;
    }
};

QStringList tiny(int count) {  // "A/p000.bmp"..
    QStringList entries;
    for (int i = 0; i < count; ++i) {
        entries.append(u"A/p%1.bmp::2x2"_s.arg(i, 3, 10, QChar(u'0')));
    }
    return entries;
}

// A show on folder A of `count` tiny pictures and the `other` entries, at `start`, with the sheet
// opened; `listed` runs after it listed the folder.
struct Sheet {
    Disc disc;
    testsupport::Session session{disc};
    CaptionLog log;
    MainForm* form = nullptr;
    frmThumbnails* sheet = nullptr;

    explicit Sheet(int count, bool running = false, int start = 0, const QStringList& other = {},
                   const std::function<void(const Disc&)>& listed = {})
        : disc(tiny(count) + other) {
        form = session.start(running);
        form->JumpTo(start);
        if (listed) {
            listed(disc);
        }
        qApp->installEventFilter(&log);
        sheet = testsupport::openSheet();
        QTRY_VERIFY2_WITH_TIMEOUT(sheet->Caption().endsWith(kFinal), qPrintable(sheet->Caption()),
                                  testsupport::kWaitMs);
    }
    ~Sheet() { qApp->removeEventFilter(&log); }
    QPoint place(int i) const {
        return {qRound(sheet->Thumb1.at(i)->Left()), qRound(sheet->Thumb1.at(i)->Top())};
    }
};

}  // namespace

class ThumbsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:

    void arithmetic() {
        // Pictures, sheet width in twips, per row: element 0 keeps its design place (checked on a
        // sheet), the others go 1750 apart from 250, 250; a left edge of exactly width - 1750 fits.
        const std::tuple<int, float, int> places[] = {
            {7, 5500.f, 3}, {7, 5499.f, 2}, {4, 500.f, 1}};
        for (const auto& [count, width, perRow] : places) {
            const thumbs::Layout layout = thumbs::thumbPositions(count, width);
            QCOMPARE(int(layout.places.size()), count);
            QCOMPARE(layout.rowCount, (count + perRow - 1) / perRow);
            for (int i = 1; i < count; ++i) {
                QCOMPARE(layout.places[i],
                         QPoint(250 + 1750 * (i % perRow), 250 + 1750 * (i / perRow)));
            }
        }
        // Rows, visible rows, scroll maximum, large change: 13 rows on 1024 x 768; halves go even.
        const float screen = thumbs::visibleRows(11170);
        const std::tuple<int, float, int, int> scroll[] = {
            {13, screen, 7, 6}, {2, screen, 0, 6}, {5, 2.5f, 2, 2}, {7, 3.5f, 4, 4}};
        for (const auto& [rows, visible, max, largeChange] : scroll) {
            QCOMPARE(thumbs::scrollMax(rows, visible), max);
            QCOMPARE(thumbs::largeChange(visible), largeChange);
        }
    }

    void build() {
        Sheet s(3, true, 1,
                {u"A/p000.bmp::300x150"_s,
                 u"A/ImageList.txt=p001.bmp,Sunny\tday\np002.bmp,<b>Sun</b> & <img src=x>\n"_s});
        QVERIFY(s.sheet && s.sheet->isVisible());
        QVERIFY(!Forms::find<ControlPanel>());
        QCOMPARE(s.log.entries,
                 QStringList({u"Thumbnails|0|hidden"_s, u"Loading 1 of 3 thumbnails|0"_s,
                              u"Loading 2 of 3 thumbnails|1"_s, u"Loading 3 of 3 thumbnails|2"_s,
                              u"3"_s + kFinal + u"|3"_s}));
        // Maximised: the window and its frame take the screen's available area.
        QCOMPARE(s.sheet->frameGeometry(), QGuiApplication::primaryScreen()->availableGeometry());
        QCOMPARE(s.place(2), QPoint(3750, 250));
        // Decoded at thumbnail size, drawn stretched to the square.
        QCOMPARE(s.sheet->Thumb1[0]->picture().image().size(),
                 QSize(100, 50) * s.sheet->devicePixelRatioF());
        QCOMPARE(s.sheet->Thumb1[0]->widget()->toolTip(), u"p000.bmp"_s);
        QCOMPARE(s.sheet->Thumb1[1]->widget()->toolTip(), u"p001.bmp - Sunny day"_s);  // a tab
        // Text from the disc reads as written, never as markup.
        QTextDocument tip;
        tip.setHtml(s.sheet->Thumb1[2]->widget()->toolTip());
        QCOMPARE(tip.toPlainText(), u"p002.bmp - <b>Sun</b> & <img src=x>"_s);
        // The show stays where it was, paused meanwhile.
        QCOMPARE(s.form->show().pictures().ListIndex(), 1);
        QVERIFY(!s.form->show().running());
        // Neither a later size change nor a second Thumbnail click builds again or saves again.
        s.sheet->resize(300, 200);
        QCOMPARE(testsupport::openSheet(), s.sheet);
        QCOMPARE(s.log.entries.size(), 5);
        QCOMPARE(s.sheet->Thumb1.size(), size_t(3));
    }

    void close_data() {
        // The sheet open on A's five pictures (B holds two): where the show is afterwards.
        QTest::addColumn<bool>("running");
        QTest::addColumn<int>("start");
        QTest::addColumn<bool>("moved");  // key 6 pressed on the show behind the sheet
        QTest::addColumn<int>("choice");  // a thumbnail clicked; -1: the close box
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("after");  // what the next step shows
        const auto row = [](const char* name, bool running, int start, bool moved, int choice,
                            const QString& shown, const QString& after) {
            QTest::newRow(name) << running << start << moved << choice << shown << after;
        };
        row("close box, running", true, 3, false, -1, u"A/p003.bmp"_s, u"A/p004.bmp"_s);
        row("close box, paused", false, 1, false, -1, u"A/p001.bmp"_s, u"A/p002.bmp"_s);
        row("choice", false, 1, false, 3, u"A/p003.bmp"_s, u"A/p004.bmp"_s);
        // Into B, which has fewer pictures than A: a choice B lacks is ignored.
        row("moved on, choice B lacks", false, 4, true, 3, u"B/b0.bmp"_s, u"B/b1.bmp"_s);
        row("moved on, close", true, 4, true, -1, u"B/b0.bmp"_s, u"B/b1.bmp"_s);
    }

    void close() {
        QFETCH(bool, running);
        QFETCH(int, start);
        QFETCH(bool, moved);
        QFETCH(int, choice);
        Sheet s(5, running, start, {u"B/b0.bmp"_s, u"B/b1.bmp"_s});
        if (moved) {
            QTest::keyClick(s.form, Qt::Key_6);
            testsupport::settle(s.form);
        }
        if (choice < 0) {
            s.sheet->close();
        } else {
            QTest::mouseClick(s.sheet->Thumb1.at(choice)->widget(), Qt::LeftButton);
        }
        QVERIFY(!Forms::find<frmThumbnails>());
        QTEST(testsupport::lastParts(s.form->show().currentImagePath()), "shown");
        QCOMPARE(s.form->show().running(), running);
        s.form->JumpTo(u"Next"_s);
        testsupport::settle(s.form);
        QTEST(testsupport::lastParts(s.form->show().currentImagePath()), "after");
    }

    void sheets_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("bad");        // index of a file that holds no picture, or -1
        QTest::addColumn<bool>("vanishes");  // removed, else overwritten, once the folder is listed
        QTest::addColumn<QPoint>("last");    // the last thumbnail's place
        QTest::newRow("one picture") << 1 << -1 << false << QPoint(255, 240);
        QTest::newRow("undecodable in the middle") << 3 << 1 << false << QPoint(3750, 250);
        QTest::newRow("vanishes before its thumbnail") << 3 << 2 << true << QPoint(3750, 250);
        // Places are 32-bit: beyond 32767 twips without wrapping; six to a row, 1750 apart.
        QTest::newRow("2000 pictures") << 2000 << -1 << false << QPoint(2000, 583000);
    }

    void sheets() {
        QFETCH(int, count);
        QFETCH(int, bad);
        QFETCH(bool, vanishes);
        QFETCH(QPoint, last);
        const QString badName = u"A/p%1.bmp"_s.arg(bad, 3, 10, QChar(u'0'));
        Sheet s(count, false, 0, {}, [&](const Disc& disc) {
            if (vanishes) {
                QVERIFY(QFile::remove(disc.abs(badName)));
            } else if (bad >= 0) {
                disc.file(badName, "not a picture");
            }
        });
        QCOMPARE(int(s.sheet->Thumb1.size()), count);
        QCOMPARE(s.place(count - 1), last);
        QVERIFY(std::all_of(s.sheet->Thumb1.begin(), s.sheet->Thumb1.end(),
                            [](const auto& t) { return t->Visible(); }));
        // Rows far from the view keep no picture.
        QVERIFY(!s.sheet->Thumb1.front()->picture().isNull());
        QCOMPARE(s.sheet->Thumb1.back()->picture().isNull(), count == 2000);
        QCOMPARE(s.log.entries.at(count).section(u'|', 0, 0),
                 u"Loading %1 of %1 thumbnails"_s.arg(count));
        QCOMPARE(s.sheet->Caption(), QString::number(count) + kFinal);
        // Scrolled to the end, the sheet moved up by whole rows and its last row is on screen.
        const float shown = s.sheet->picFrame.Height();
        s.sheet->VScroll1.setValue(s.sheet->VScroll1.Max());
        const float top = s.sheet->Thumb1.back()->Top() + s.sheet->picFrame.Top();
        QVERIFY2(top >= 0 && top < shown, qPrintable(QString::number(top)));
        QCOMPARE(s.sheet->picFrame.Top(), -1750.f * s.sheet->VScroll1.Max());
        // Decoded again for the view; the rows left behind give up theirs.
        QTRY_VERIFY_WITH_TIMEOUT(!s.sheet->Thumb1.back()->picture().isNull(), testsupport::kWaitMs);
        QCOMPARE(s.sheet->Thumb1.front()->picture().isNull(), count == 2000);
        if (bad >= 0) {
            // A grey placeholder crossed from corner to corner.
            const QImage& cell = s.sheet->Thumb1[bad]->picture().image();
            QCOMPARE(cell.pixelColor(cell.width() / 2, 1), QColor(192, 192, 192));
            QCOMPARE(cell.pixelColor(cell.width() / 2, cell.height() / 2), QColor(96, 96, 96));
        }
    }

    void interrupted_data() {
        QTest::addColumn<QString>("how");  // "close", "end", or a close posted to the sheet
        QTest::addColumn<int>("at");       // during the progress caption of this thumbnail
        QTest::newRow("closed") << u"close"_s << 2;
        QTest::newRow("program ended") << u"end"_s << 2;
        // Arrives while the sheet, just shown, waits for the window system to put it on screen.
        QTest::newRow("closed from outside while first shown") << u"posted"_s << 1;
    }

    void interrupted() {
        // A close or an end during the build stops it there, the show running again.
        QFETCH(QString, how);
        QFETCH(int, at);
        Sheet s(40, true, 3);
        s.sheet->close();
        s.log.entries.clear();
        s.log.onCaption = [&](const QString& caption) {
            if (caption == u"Loading %1 of 40 thumbnails"_s.arg(at)) {
                if (how == u"end"_s) {
                    platform::End();
                } else if (how == u"close"_s) {
                    Forms::find<frmThumbnails>()->close();
                } else {
                    QCoreApplication::postEvent(Forms::find<frmThumbnails>(), new QCloseEvent);
                }
            }
        };
        testsupport::openSheet();  // the build goes on behind it, unless closed as it shows
        QTRY_VERIFY_WITH_TIMEOUT(!Forms::find<frmThumbnails>(), testsupport::kWaitMs);
        QCOMPARE(s.log.entries.size(), 1 + at);  // the design caption, the progress so far
        QCOMPARE(s.session.ended, how == u"end"_s);
        QVERIFY(s.session.ended || s.form->show().running());
    }
};

LUMOSA_TEST(ThumbsTest)
#include "thumbs_test.moc"
