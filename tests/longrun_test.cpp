// Long runs: a hundred thousand steps of the show across three folders with the thumbnail sheet
// and the About window opened and closed between them, without the memory growing; and the
// timer at its fastest without the keys going unheard.
#include <QtTest>

#include "about/frmAbout.h"
#include "panel/ControlPanel.h"
#include "platform/Form.h"
#include "show/MainForm.h"
#include "testsupport.h"
#include "thumbs/frmThumbnails.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

using namespace Qt::StringLiterals;
using platform::Forms;
using testsupport::middleColour;
using testsupport::nearColour;

namespace {

// Scales the whole run (steps and openings); 1 is the full run.
constexpr int kSteps = 100000;
constexpr int kOpenings = 50;
constexpr int kWarmUpSteps = 3000;
constexpr qint64 kGrowthLimitKb = 5 * 1024;

const QList<QColor> kColours = {Qt::red, Qt::green, Qt::blue};

// Resident memory once the allocator has handed back what it keeps only for reuse.
qint64 residentKb() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    return testsupport::processStatusKb("VmRSS");
}

struct Show {
    testsupport::Disc disc;
    testsupport::Session session{disc};
    MainForm* form = nullptr;

    explicit Show(const QByteArray& settings = {}) {
        // Three folders in their own colours, of all three formats, small so that steps are quick.
        const QStringList formats = {u"bmp"_s, u"jpg"_s, u"gif"_s};
        for (int f = 0; f < 3; ++f) {
            for (int i = 0; i < 7; ++i) {
                disc.picture(u"F%1/p%2.%3"_s.arg(f).arg(i).arg(formats[i % 3]), QSize(16, 12),
                             kColours[f]);
            }
        }
        disc.settings(settings);
        form = session.start();
    }
    int folder() const { return form->lbDirs.ListIndex(); }
};

// Opens the thumbnail sheet from the panel, waits until it is built, closes it by its close box;
// then the About window, closed by OK.
void openAndClose(MainForm* form) {
    Forms::get<ControlPanel>().Show();
    Forms::get<ControlPanel>().cbThumbs.click();
    frmThumbnails* sheet = Forms::find<frmThumbnails>();
    QVERIFY(sheet);
    const QString count = QString::number(form->flbImageList.ListCount());
    QTRY_VERIFY_WITH_TIMEOUT(sheet->Caption().startsWith(count + u" thumbnails."_s), 20000);
    sheet->close();
    QTRY_VERIFY(!Forms::find<frmThumbnails>());

    Forms::get<frmAbout>().Show();
    frmAbout* about = Forms::find<frmAbout>();
    QVERIFY(about);
    about->cmdOK.click();
    QTRY_VERIFY(!Forms::find<frmAbout>());
}

}  // namespace

class LongRunTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void manyStepsKeepMemory();
    void fastestTimerStillHearsKeys();
};

void LongRunTest::manyStepsKeepMemory() {
    const Show show;
    QVERIFY(show.form);
    show.form->Timer1.setEnabled(false);
    // Each step checks the colour against the folder, so a step that loses its way is caught.
    const auto step = [&show] {
        show.form->JumpTo(u"Next"_s);
        return nearColour(middleColour(show.form->image1.picture()), kColours.at(show.folder()));
    };
    for (int i = 0; i < kWarmUpSteps; ++i) {
        QVERIFY(step());
    }
    openAndClose(show.form);
    openAndClose(show.form);
    if (QTest::currentTestFailed()) {
        return;
    }
    const qint64 before = residentKb();
    if (before < 0) {
        QSKIP("this system gives no resident memory figure");
    }
    QElapsedTimer clock;
    clock.start();
    const int openEvery = kSteps / kOpenings;
    QSet<int> folders;
    for (int i = 1; i <= kSteps; ++i) {
        QVERIFY2(step(), qPrintable(u"step %1"_s.arg(i)));
        folders.insert(show.folder());
        if (i % 100 == 0) {
            QCoreApplication::processEvents();  // paint what is shown, as the timer's loop would
        }
        if (i % openEvery == 0) {
            openAndClose(show.form);
            if (QTest::currentTestFailed()) {
                return;
            }
        }
    }
    QCOMPARE(folders.size(), 3);
    const qint64 after = residentKb();
    qInfo(
        "long run: %d steps and %d openings of the sheet and About in %lld ms; resident "
        "memory %lld kB after warm-up, %lld kB at the end: growth %lld kB (limit %lld kB)",
        kSteps, kOpenings, clock.elapsed(), before, after, after - before, kGrowthLimitKb);
    if (!testsupport::kMemoryFiguresMeaningful) {
        return;  // the run itself is what counts under the sanitizer
    }
    QVERIFY2(after - before < kGrowthLimitKb, qPrintable(u"grew %1 kB"_s.arg(after - before)));
}

void LongRunTest::fastestTimerStillHearsKeys() {
    // delay=0.001: after the first tick the timer runs at 1 ms.
    const Show show("delay=0.001\n");
    QVERIFY(show.form);
    QTRY_COMPARE_WITH_TIMEOUT(show.form->Timer1.Interval(), 1, 10000);
    QVERIFY(show.form->Timer1.Enabled());
    const QString before = show.form->currentImagePath();
    testsupport::runEventLoop(2000);
    QVERIFY(show.form->currentImagePath() != before);

    // Keys come through the event loop between the ticks: "5" stops the show, "6" moves on.
    const auto press = [&show](Qt::Key key, const QString& text) {
        QCoreApplication::postEvent(show.form,
                                    new QKeyEvent(QEvent::KeyPress, key, Qt::NoModifier, text));
    };
    press(Qt::Key_5, u"5"_s);
    QTRY_VERIFY_WITH_TIMEOUT(!show.form->Timer1.Enabled(), 10000);
    const QString stopped = show.form->currentImagePath();
    press(Qt::Key_6, u"6"_s);
    QTRY_VERIFY_WITH_TIMEOUT(show.form->currentImagePath() != stopped, 10000);
    press(Qt::Key_5, u"5"_s);
    QTRY_VERIFY_WITH_TIMEOUT(show.form->Timer1.Enabled(), 10000);
    // And Escape opens the panel while the timer races again.
    testsupport::runEventLoop(500);
    press(Qt::Key_Escape, u"\x1b"_s);
    QTRY_VERIFY_WITH_TIMEOUT(
        Forms::find<ControlPanel>() && Forms::find<ControlPanel>()->isVisible(), 10000);
}

QTEST_MAIN(LongRunTest)
#include "longrun_test.moc"
