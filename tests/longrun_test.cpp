// Many steps across three folders, the sheet and About opened and closed between, memory flat.
#include <QtTest>

#include "about/frmAbout.h"
#include "show/MainForm.h"
#include "testsupport.h"
#include "thumbs/frmThumbnails.h"

#ifdef __GLIBC__
#include <malloc.h>
#endif

using namespace Qt::StringLiterals;
using platform::Forms;

// Under the sanitizers a step costs many times as much and memory figures say nothing: a short
// run still opens and closes each window several times under their watch. The limit allows about
// a hundred bytes a step (a hundredth of a 64 x 48 picture), or 200 kB for each window opened;
// 20000 steps grow by about 0.4 MB, most of it Qt's pixmap cache, which each new sheet adds to.
constexpr int kSteps = testsupport::kMemoryFiguresMeaningful ? 20000 : 4000;
constexpr int kOpenEvery = testsupport::kMemoryFiguresMeaningful ? 2000 : 500;
constexpr qint64 kGrowthLimitKb = 2 * 1024;

// Once the allocator has handed back what it keeps only for reuse.
static qint64 residentKb() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
#ifdef __GLIBC__
    malloc_trim(0);
#endif
    return testsupport::processStatusKb("VmRSS");
}

class LongRunTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void manyStepsKeepMemory() {
        // Three folders of seven pictures in their own colours, of all three formats.
        const QStringList colours = {u"red"_s, u"lime"_s, u"blue"_s},
                          formats{u"bmp"_s, u"jpg"_s, u"gif"_s};
        QStringList pictures;
        for (int i = 0; i < 21; ++i) {
            pictures.append(
                u"F%1/p%2.%3:%4"_s.arg(i / 7).arg(i).arg(formats[i % 3], colours[i / 7]));
        }
        const testsupport::Show show(pictures);
        MainForm* form = show.form;
        QVERIFY(form);
        QSet<int> folders;
        // The colour against the folder catches a step that loses its way.
        const auto step = [&](int i) {
            form->JumpTo(u"Next"_s);
            testsupport::settle(form);
            folders.insert(form->show().position().folder);
            QVERIFY2(testsupport::nearColour(testsupport::middleColour(form->image1.picture()),
                                             QColor(colours.at(form->show().position().folder))),
                     qPrintable(u"step %1"_s.arg(i)));
            if (i % 100 == 0) {
                QCoreApplication::processEvents();  // paint what is shown, as the timer would
            }
            if (i % kOpenEvery == 0) {  // the sheet, built and closed by its close box; About by OK
                frmThumbnails* sheet = testsupport::openSheet();
                const QString built =
                    QString::number(form->show().pictures().ListCount()) + u" thumb"_s;
                QTRY_VERIFY_WITH_TIMEOUT(sheet && sheet->Caption().startsWith(built),
                                         testsupport::kWaitMs);
                sheet->close();
                Forms::get<frmAbout>().Show();
                Forms::get<frmAbout>().cmdOK.click();
                QTRY_VERIFY(!Forms::find<frmThumbnails>() && !Forms::find<frmAbout>());
            }
        };
        for (int i = -2 * kOpenEvery + 1; i <= 0 && !QTest::currentTestFailed(); ++i) {
            step(i);  // warming up
        }
        const qint64 before = residentKb();
        for (int i = 1; i <= kSteps && !QTest::currentTestFailed(); ++i) {
            step(i);
        }
        QCOMPARE(folders.size(), 3);
        const qint64 after = residentKb();
        qInfo("%d steps: resident %lld kB after warm-up, %lld kB at the end", kSteps, before,
              after);
        QVERIFY(before < 0 || !testsupport::kMemoryFiguresMeaningful ||
                after - before < kGrowthLimitKb);
    }
};

LUMOSA_TEST(LongRunTest)
#include "longrun_test.moc"
