// As the screen changes size under the show, it covers the screen, the picture is fitted again,
// and the caption line and the open control panel move to their places.
#include <QDebug>
#include <QTest>

#include "XSession.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;

class ShowTest : public e2e::SessionTest {
    Q_OBJECT

public:
    ShowTest() : SessionTest(QSize(1600, 1200)) {}

private Q_SLOTS:
    void placesOnEveryScreenSize();
};

void ShowTest::placesOnEveryScreenSize() {
    QVERIFY(x_->setScreenSize(QSize(1024, 768)));
    testsupport::Disc disc;
    disc.settings("delay=30\n");
    disc.picture(u"Tall/a.bmp"_s, QSize(300, 400), Qt::darkGreen);
    QVERIFY(e2e::installProgram(disc.path()));
    x_->startShow(disc.path());
    const QString show = x_->waitForWindow(u"^Lumosa$"_s);
    QVERIFY(!show.isEmpty());
    QVERIFY(x_->key(u"6"_s));
    const QString panel = x_->openPanel();
    QVERIFY(!panel.isEmpty());
    QCOMPARE(x_->geometry(panel).size(), QSize(300, 81));  // 4500 x 1215 twips inside
    // The 3:4 picture spans the height, centred; the caption's box 500 twips above the bottom.
    const QList<std::tuple<QSize, QRect, int>> steps{{{1024, 768}, {224, 0, 576, 768}, 735},
                                                     {{800, 600}, {175, 0, 450, 600}, 567},
                                                     {{1600, 1200}, {350, 0, 900, 1200}, 1167}};
    for (const auto& [size, picture, captionTop] : steps) {
        QVERIFY(x_->setScreenSize(size));
        const QString at = QDebug::toString(size);
        QRect shown;
        const bool fitted = e2e::waitFor([&] {
            shown = e2e::extentOf(x_->screenshot(), Qt::darkGreen);
            return x_->geometry(show) == QRect(QPoint(), size) && shown == picture;
        });
        QVERIFY2(fitted, qPrintable(at + u": picture at "_s + QDebug::toString(shown)));
        // Left of the panel, which lies over the picture's bottom right.
        const QRect below(picture.left(), captionTop - 10, size.width() * 6 / 10 - picture.left(),
                          size.height() - captionTop + 10);
        const QRect band = e2e::extentOf(x_->screenshot().copy(below), Qt::darkGreen, false)
                               .translated(below.topLeft());
        QVERIFY2(std::abs(band.top() - captionTop) <= 1 &&
                     std::abs(band.center().x() - size.width() / 2) <= 2,
                 qPrintable(at + u": caption at "_s + QDebug::toString(band)));
        // The panel's frame 100 twips from the screen's right edge, 150 above its bottom.
        QRect outer;
        const bool placed = e2e::waitFor([&] {
            outer = x_->geometry(panel).marginsAdded(x_->frameExtents(panel));
            return std::abs(size.width() - (outer.x() + outer.width()) - 100.0 / 15) <= 1 &&
                   std::abs(size.height() - (outer.y() + outer.height()) - 150.0 / 15) <= 1;
        });
        QVERIFY2(placed, qPrintable(at + u": panel at "_s + QDebug::toString(outer)));
    }
}

LUMOSA_TEST(ShowTest)
#include "show_test.moc"
