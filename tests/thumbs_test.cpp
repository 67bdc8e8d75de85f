// The thumbnail sheet: the layout and scroll arithmetic, the build, scrolling, choosing a
// picture and closing, also when the show's folder changed under the sheet.
#include <QtTest>

#include <QScreen>
#include <QScrollBar>
#include <QTextDocument>

#include "panel/ControlPanel.h"
#include "platform/Screen.h"
#include "show/MainForm.h"
#include "testsupport.h"
#include "thumbs/ThumbDecoder.h"
#include "thumbs/ThumbLayout.h"
#include "thumbs/frmThumbnails.h"

using namespace Qt::StringLiterals;
using platform::Forms;
using testsupport::lastParts;

namespace {

const QString kFinal =
    u" thumbnails. Click on an image to return to the slideshow at that point."_s;

// Every caption the sheet takes (the design caption first), with the number of thumbnails
// loaded at that moment (the progress caption comes before its picture) and whether the
// window was hidden then (the build runs on screen).
struct CaptionLog : QObject {
    QStringList entries;
    std::function<void(const QString&)> onCaption;  // runs after the caption is logged
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

// A show on folder A holding `count` tiny pictures "p000.bmp".., at position `start`, with the
// sheet opened from the control panel's Thumbnail button.
struct Sheet {
    testsupport::Disc disc;
    testsupport::Session session{disc};
    CaptionLog log;
    MainForm* form = nullptr;
    frmThumbnails* sheet = nullptr;

    explicit Sheet(int count, bool running = false, int start = 0,
                   const std::function<void(const testsupport::Disc&)>& extra = {},
                   const std::function<void(const testsupport::Disc&)>& afterListing = {}) {
        for (int i = 0; i < count; ++i) {
            disc.picture(u"A/p%1.bmp"_s.arg(i, 3, 10, QChar(u'0')), QSize(2, 2));
        }
        if (extra) {
            extra(disc);
        }
        form = session.start();
        form->Timer1.setEnabled(running);
        form->JumpTo(start);
        if (afterListing) {
            afterListing(disc);
        }
        qApp->installEventFilter(&log);
        sheet = open();
    }
    ~Sheet() { qApp->removeEventFilter(&log); }
    frmThumbnails* open() const {
        Forms::get<ControlPanel>().Show();
        Forms::get<ControlPanel>().cbThumbs.click();
        return Forms::find<frmThumbnails>();
    }
    QPoint place(int i) const {
        return {qRound(sheet->Thumb1.at(i)->Left()), qRound(sheet->Thumb1.at(i)->Top())};
    }
    // On the 800 x 800 offscreen screen the sheet is 11575 twips wide, six thumbnails to a
    // row, and the bar shows 11650 / 1750 rows.
    void checkLayout() const {
        const int count = int(sheet->Thumb1.size()), perRow = 6;
        for (int i = 0; i < count; ++i) {
            QCOMPARE(place(i), i == 0
                                   ? QPoint(255, 240)
                                   : QPoint(250 + 1750 * (i % perRow), 250 + 1750 * (i / perRow)));
            QVERIFY(sheet->Thumb1[i]->Visible());
            QVERIFY(!sheet->Thumb1[i]->picture().isNull());
        }
        const int rows = (count + perRow - 1) / perRow;
        QCOMPARE(sheet->VScroll1.Max(), std::max(0, int(std::lround(rows - 11650.0 / 1750))));
    }
};

}  // namespace

class ThumbsTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void layout_data();
    void layout();
    void scrollRange_data();
    void scrollRange();
    void build();
    void scroll();
    void close_data();
    void close();
    void sheets_data();
    void sheets();
    void interrupted_data();
    void interrupted();
    void decoder_data();
    void decoder();
};

void ThumbsTest::layout_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<float>("width");
    QTest::addColumn<int>("perRow");
    QTest::newRow("1024 screen") << 100 << 15055.f << 8;
    QTest::newRow("exact fit") << 7 << 5500.f << 3;
    QTest::newRow("one twip narrower") << 7 << 5499.f << 2;
    QTest::newRow("two per row") << 5 << 3750.f << 2;
    QTest::newRow("under 3750") << 5 << 3749.f << 1;
    QTest::newRow("narrower than a thumbnail") << 4 << 500.f << 1;
    QTest::newRow("one picture") << 1 << 15055.f << 8;
    QTest::newRow("no picture") << 0 << 15055.f << 8;
    QTest::newRow("beyond 16 bits") << 400 << 15055.f << 8;
    QTest::newRow("wide sheet") << 40 << 40000.f << 22;
}

void ThumbsTest::layout() {
    QFETCH(int, count);
    QFETCH(float, width);
    QFETCH(int, perRow);
    const thumbs::Layout layout = thumbs::thumbPositions(count, width);
    QCOMPARE(int(layout.places.size()), count);
    QCOMPARE(layout.rowCount, std::max(1, (count + perRow - 1) / perRow));
    for (int i = 1; i < count; ++i) {
        QCOMPARE(layout.places[i], QPoint(250 + 1750 * (i % perRow), 250 + 1750 * (i / perRow)));
    }
    if (count > 0) {
        QCOMPARE(layout.places[0], QPoint(255, 240));
    }
}

void ThumbsTest::scrollRange_data() {
    QTest::addColumn<int>("rows");
    QTest::addColumn<float>("visible");
    QTest::addColumn<int>("max");
    QTest::addColumn<int>("largeChange");
    QTest::newRow("1024 x 768, 13 rows") << 13 << thumbs::visibleRows(11170) << 7 << 6;
    QTest::newRow("all fit") << 2 << thumbs::visibleRows(11170) << 0 << 6;
    QTest::newRow("0.5 to even") << 3 << 2.5f << 0 << 2;
    QTest::newRow("2.5 to even") << 5 << 2.5f << 2 << 2;
    QTest::newRow("3.5 to even") << 7 << 3.5f << 4 << 4;
}

void ThumbsTest::scrollRange() {
    QFETCH(int, rows);
    QFETCH(float, visible);
    QFETCH(int, max);
    QFETCH(int, largeChange);
    QCOMPARE(thumbs::scrollMax(rows, visible), max);
    QCOMPARE(thumbs::largeChange(visible), largeChange);
}

void ThumbsTest::build() {
    Sheet s(3, true, 1, [](const testsupport::Disc& disc) {
        disc.picture(u"A/p000.bmp"_s, QSize(300, 150));
        disc.file(u"A/ImageList.txt"_s, "p001.bmp,Sunny day\np002.bmp,<b>Sun</b> & <img src=x>\n");
    });
    QVERIFY(s.sheet);
    QVERIFY(s.sheet->isVisible());
    QVERIFY(!Forms::find<ControlPanel>());
    QCOMPARE(s.log.entries,
             QStringList({u"Thumbnails|0|hidden"_s, u"Loading 1 of 3 thumbnails|0"_s,
                          u"Loading 2 of 3 thumbnails|1"_s, u"Loading 3 of 3 thumbnails|2"_s,
                          u"3"_s + kFinal + u"|3"_s}));
    // Maximised: the window and its frame take the screen's available area.
    QCOMPARE(s.sheet->frameGeometry(), QGuiApplication::primaryScreen()->availableGeometry());
    QCOMPARE(s.sheet->picFrame.Width(), s.sheet->Width() - 425);
    QCOMPARE(s.sheet->picFrame.Height(), s.sheet->Height() - 420);
    QCOMPARE(s.sheet->piccontrol.Width(), s.sheet->Width() - 150);
    QCOMPARE(s.sheet->VScroll1.Left(), s.sheet->piccontrol.Width() - 300);
    QCOMPARE(s.sheet->VScroll1.Height(), platform::Screen::Height() - 350);
    QCOMPARE(s.sheet->VScroll1.LargeChange(),
             thumbs::largeChange(thumbs::visibleRows(s.sheet->VScroll1.Height())));
    s.checkLayout();
    QCOMPARE(s.sheet->picFrame.MousePointer(), 0);
    // Decoded at thumbnail size, drawn stretched to the square.
    const qreal ratio = s.sheet->devicePixelRatioF();
    QCOMPARE(s.sheet->Thumb1[0]->picture().image().size(), QSize(100, 50) * ratio);
    QCOMPARE(s.sheet->Thumb1[0]->widget()->toolTip(), u"p000.bmp"_s);
    QCOMPARE(s.sheet->Thumb1[1]->widget()->toolTip(), u"p001.bmp - Sunny day"_s);
    // Text from the disc reads as written, never as markup.
    QTextDocument tip;
    tip.setHtml(s.sheet->Thumb1[2]->widget()->toolTip());
    QCOMPARE(tip.toPlainText(), u"p002.bmp - <b>Sun</b> & <img src=x>"_s);
    QCOMPARE(s.form->flbImageList.ListIndex(), 2);
    QVERIFY(!s.form->Timer1.Enabled());

    // Neither a later size change nor a second Thumbnail click builds again or saves again.
    s.sheet->resize(300, 200);
    QCOMPARE(s.open(), s.sheet);
    QCOMPARE(s.log.entries.size(), 5);
    QCOMPARE(s.sheet->Thumb1.size(), size_t(3));
    s.sheet->close();
    QVERIFY(!Forms::find<frmThumbnails>());
    QCOMPARE(s.form->flbImageList.ListIndex(), 1);
    QVERIFY(s.form->Timer1.Enabled());
}

void ThumbsTest::scroll() {
    Sheet s(60);
    auto& bar = *s.sheet->VScroll1.bar();
    const int max = bar.maximum();
    const float height = s.sheet->picFrame.Height();
    QVERIFY(max >= 2 && s.sheet->VScroll1.LargeChange() >= 2);
    int changes = 0;
    connect(&bar, &QScrollBar::valueChanged, this, [&changes] { ++changes; });
    const auto at = [&](int rows) {
        return s.sheet->picFrame.Top() == -1750.f * rows &&
               s.sheet->picFrame.Height() == height + 1750.f * rows;
    };
    bar.triggerAction(QAbstractSlider::SliderSingleStepAdd);
    QVERIFY(at(1));
    bar.triggerAction(QAbstractSlider::SliderSingleStepSub);
    QVERIFY(at(0));
    bar.triggerAction(QAbstractSlider::SliderPageStepAdd);
    QVERIFY(at(std::min(max, s.sheet->VScroll1.LargeChange())));
    bar.triggerAction(QAbstractSlider::SliderToMinimum);
    QVERIFY(at(0));
    QCOMPARE(changes, 4);
    // A dragged thumb moves the sheet once, on release.
    bar.setSliderDown(true);
    bar.setSliderPosition(max);
    QCOMPARE(changes, 4);
    bar.setSliderDown(false);
    QCOMPARE(changes, 5);
    QVERIFY(at(max));
    s.checkLayout();  // the sheet moves, its thumbnails stay put on it
}

void ThumbsTest::close_data() {
    QTest::addColumn<bool>("running");
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("choice");      // -1: the close box
    QTest::addColumn<QString>("change");  // under the sheet: "list" re-pointed to B, "6" pressed
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("after");  // what the next step shows
    QTest::newRow("first, paused")
        << false << 1 << 0 << u""_s << 0 << u"A/p000.bmp"_s << u"A/p001.bmp"_s;
    QTest::newRow("last, running")
        << true << 1 << 4 << u""_s << 4 << u"A/p004.bmp"_s << u"B/b0.bmp"_s;
    QTest::newRow("close box, running")
        << true << 3 << -1 << u""_s << 3 << u"A/p003.bmp"_s << u"A/p004.bmp"_s;
    QTest::newRow("close box, paused")
        << false << 3 << -1 << u""_s << 3 << u"A/p003.bmp"_s << u"A/p004.bmp"_s;
    QTest::newRow("folder changed, choice")
        << false << 4 << 3 << u"list"_s << -1 << u"A/p004.bmp"_s << u"B/b0.bmp"_s;
    QTest::newRow("folder changed, close")
        << true << 4 << -1 << u"list"_s << 1 << u"A/p004.bmp"_s << u"B/b0.bmp"_s;
    // Key 6 on the show behind the sheet moves it into B, which has fewer pictures than A.
    QTest::newRow("moved on, choice B lacks")
        << false << 4 << 3 << u"6"_s << 0 << u"B/b0.bmp"_s << u"B/b1.bmp"_s;
    QTest::newRow("moved on, close")
        << true << 4 << -1 << u"6"_s << 0 << u"B/b0.bmp"_s << u"B/b1.bmp"_s;
}

void ThumbsTest::close() {
    QFETCH(bool, running);
    QFETCH(int, start);
    QFETCH(int, choice);
    QFETCH(QString, change);
    QFETCH(int, index);
    QFETCH(QString, shown);
    QFETCH(QString, after);
    Sheet s(5, running, start, [](const testsupport::Disc& disc) {
        disc.picture(u"B/b0.bmp"_s, QSize(2, 2));
        disc.picture(u"B/b1.bmp"_s, QSize(2, 2));
    });
    if (change == u"list"_s) {
        s.form->flbImageList.setPath(s.disc.abs(u"B"_s));
    } else if (change == u"6"_s) {
        QTest::keyClick(s.form, Qt::Key_6);
    }
    if (choice < 0) {
        s.sheet->close();
    } else {
        QTest::mouseClick(s.sheet->Thumb1.at(choice)->widget(), Qt::LeftButton);
    }
    QVERIFY(!Forms::find<frmThumbnails>());
    QCOMPARE(s.form->flbImageList.ListIndex(), index);
    QCOMPARE(lastParts(s.form->currentImagePath()), shown);
    QCOMPARE(s.form->Timer1.Enabled(), running);
    s.form->JumpTo(u"Next"_s);
    QCOMPARE(lastParts(s.form->currentImagePath()), after);
}

void ThumbsTest::sheets_data() {
    QTest::addColumn<int>("count");
    QTest::addColumn<int>("bad");        // index of a file that holds no picture, or -1
    QTest::addColumn<bool>("vanishes");  // that file is removed after the folder was listed
    QTest::newRow("one picture") << 1 << -1 << false;
    QTest::newRow("undecodable in the middle") << 3 << 1 << false;
    QTest::newRow("vanishes before its thumbnail") << 3 << 2 << true;
    QTest::newRow("400 pictures") << 400 << -1 << false;
    QTest::newRow("2000 pictures") << 2000 << -1 << false;
}

void ThumbsTest::sheets() {
    QFETCH(int, count);
    QFETCH(int, bad);
    QFETCH(bool, vanishes);
    const QString badName = u"A/p%1.bmp"_s.arg(bad, 3, 10, QChar(u'0'));
    Sheet s(
        count, false, 0,
        [&](const testsupport::Disc& disc) {
            if (bad >= 0 && !vanishes) {
                disc.file(badName, "not a picture");
            }
        },
        [&](const testsupport::Disc& disc) {
            if (vanishes) {
                QVERIFY(QFile::remove(disc.abs(badName)));
            }
        });
    QCOMPARE(int(s.sheet->Thumb1.size()), count);
    s.checkLayout();
    // Positions are 32-bit: 50 rows reach beyond 32767 twips without wrapping.
    QCOMPARE(s.sheet->Thumb1.back()->Top() > 32767, count >= 400);
    // Scrolled to the end, the last row lies in the part of the sheet on screen.
    const float shown = s.sheet->picFrame.Height();
    s.sheet->VScroll1.setValue(s.sheet->VScroll1.Max());
    const float top = s.sheet->Thumb1.back()->Top() + s.sheet->picFrame.Top();
    QVERIFY2(top >= 0 && top < shown, qPrintable(QString::number(top)));
    QCOMPARE(s.log.entries.at(count),
             u"Loading %1 of %1 thumbnails|%2"_s.arg(count).arg(count - 1));
    QCOMPARE(s.sheet->Caption(), QString::number(count) + kFinal);
    if (bad >= 0) {
        // A grey placeholder crossed from corner to corner.
        const QImage& cell = s.sheet->Thumb1[bad]->picture().image();
        QVERIFY(
            testsupport::nearColour(cell.pixelColor(cell.width() / 2, 1), QColor(192, 192, 192)));
        QVERIFY(testsupport::nearColour(cell.pixelColor(cell.width() / 2, cell.height() / 2),
                                        QColor(96, 96, 96)));
    }
}

void ThumbsTest::interrupted_data() {
    QTest::addColumn<QString>("how");  // "close", "end", or a close posted to the sheet
    QTest::addColumn<int>("at");       // during the progress caption of this thumbnail
    QTest::newRow("closed") << u"close"_s << 2;
    QTest::newRow("program ended") << u"end"_s << 2;
    // Arrives while the sheet, just shown, waits for the window system to put it on screen.
    QTest::newRow("closed from outside while first shown") << u"posted"_s << 1;
}

void ThumbsTest::interrupted() {
    // A close or an end let through while the sheet builds stops the build where it is, with
    // decodes still running, and leaves the show's position as the close put it back.
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
    QCOMPARE(s.open(), nullptr);
    QCOMPARE(s.log.entries.size(), 1 + at);  // the design caption, the progress so far
    QCOMPARE(s.session.ended, how == u"end"_s);
    if (how != u"end"_s) {
        QCOMPARE(s.form->flbImageList.ListIndex(), 3);
        QVERIFY(s.form->Timer1.Enabled());
    }
}

void ThumbsTest::decoder_data() {
    QTest::addColumn<int>("workers");
    QTest::addColumn<int>("ahead");
    QTest::newRow("one worker, one ahead") << 1 << 1;
    QTest::newRow("two workers") << 2 << 0;
    QTest::newRow("four workers, three ahead") << 4 << 3;
}

void ThumbsTest::decoder() {
    // A costly picture first and cheap ones after it, failures in the middle: the results come
    // in list order whatever order the decodes finish in.
    QFETCH(int, workers);
    QFETCH(int, ahead);
    testsupport::Disc disc;
    const QList<QColor> colours{Qt::red, Qt::green, Qt::blue, Qt::yellow, Qt::cyan, Qt::magenta};
    QStringList paths{disc.picture(u"big.jpg"_s, QSize(3000, 2000), colours[0])};
    for (int i = 1; i < colours.size(); ++i) {
        paths.append(disc.picture(u"p%1.bmp"_s.arg(i), QSize(4, 4), colours[i]));
    }
    paths.insert(2, disc.abs(u"missing.bmp"_s));
    paths.insert(4, disc.file(u"bad.bmp"_s, "not a picture"));
    thumbs::ThumbDecoder decoder(paths, QSize(100, 100), workers, ahead);
    QCOMPARE(decoder.count(), 8);
    QStringList seen;
    for (int i = 0; i < decoder.count(); ++i) {
        const thumbs::ThumbDecoder::Result result = decoder.next();
        const QColor middle = testsupport::middleColour(result.picture);
        seen.append(result.picture.isNull() ? result.why : u"?"_s);
        for (const QColor& colour : colours) {
            if (testsupport::nearColour(middle, colour)) {
                seen.last() = colour.name();
            }
        }
    }
    QCOMPARE(seen, QStringList({u"#ff0000"_s, u"#00ff00"_s, u"file not found"_s, u"#0000ff"_s,
                                u"not a picture"_s, u"#ffff00"_s, u"#00ffff"_s, u"#ff00ff"_s}));
    QVERIFY(decoder.next().picture.isNull());

    // Left with decodes queued and running: the decoder waits for them as it goes.
    thumbs::ThumbDecoder left(QStringList(50, paths[0]), QSize(100, 100), workers, ahead);
    QCOMPARE(left.next().picture.image().size(), QSize(100, 67));
}

QTEST_MAIN(ThumbsTest)
#include "thumbs_test.moc"
