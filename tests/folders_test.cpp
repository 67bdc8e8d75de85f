// The folder selection window: marks taken over into the show, refusal without marks, the
// smallest size and the layout, Abort and the close box.
#include <QListWidget>
#include <QtTest>

#include "folders/frmDirectories.h"
#include "platform/Form.h"
#include "show/MainForm.h"
#include "testsupport.h"

using platform::Forms;
using testsupport::Disc;
using testsupport::Session;

class FoldersTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void init();
    void cleanup();
    void markedFoldersTakePartInListOrder();
    void selectAllTakesEveryFolder();
    void noMarkIsRefusedUntilOneIsMarked();
    void smallestSizeAndLayout_data();
    void smallestSizeAndLayout();
    void abortEndsWithoutMessage();
    void closeBoxEndsLikeAbort();

private:
    std::unique_ptr<Disc> disc_;
    std::unique_ptr<Session> session_;
    MainForm* show_ = nullptr;
    frmDirectories* selection_ = nullptr;
};

void FoldersTest::init() {
    disc_ = std::make_unique<Disc>();
    disc_->settings("showfolders=true\n");
    for (const char* folder : {"A", "B", "C", "D", "E"}) {
        disc_->picture(QLatin1String(folder) + QStringLiteral("/pic.jpg"));
    }
    session_ = std::make_unique<Session>(*disc_);
    show_ = session_->start();
    QVERIFY(show_);
    selection_ = Forms::find<frmDirectories>();
    QVERIFY(selection_);
    QCOMPARE(selection_->List1.ListCount(), 5);
}

void FoldersTest::cleanup() {
    session_.reset();
    disc_.reset();
}

void FoldersTest::markedFoldersTakePartInListOrder() {
    // Marked by clicks on the entries: each click marks one entry on its own.
    QListWidget* list = selection_->List1.listWidget();
    for (int row : {3, 1}) {
        const QRect area = list->visualItemRect(list->item(row));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, area.center());
    }
    QVERIFY(selection_->List1.Selected(1));
    QVERIFY(selection_->List1.Selected(3));
    QVERIFY(!selection_->List1.Selected(0));

    selection_->cbOK.click();
    QVERIFY(session_->messages.isEmpty());
    QCOMPARE(show_->lbDirs.ListCount(), 2);
    QCOMPARE(show_->lbDirs.List(0), disc_->abs(QStringLiteral("B")));
    QCOMPARE(show_->lbDirs.List(1), disc_->abs(QStringLiteral("D")));
    QCOMPARE(show_->lbDirs.ListIndex(), 0);
    QCOMPARE(show_->flbImageList.Path(), disc_->abs(QStringLiteral("B")));
    QVERIFY(show_->Timer1.Enabled());
    QVERIFY(show_->isVisible());
    QCOMPARE(Forms::find<frmDirectories>(), nullptr);
    // The show runs: its first tick shows the first picture of the first marked folder.
    QTRY_COMPARE(show_->flbImageList.ListIndex(), 0);
    QCOMPARE(show_->currentImagePath(), disc_->abs(QStringLiteral("B/pic.jpg")));
}

void FoldersTest::selectAllTakesEveryFolder() {
    selection_->cbSelect.click();
    selection_->cbOK.click();
    QCOMPARE(show_->lbDirs.ListCount(), 5);
    for (int i = 0; i < 5; ++i) {
        QCOMPARE(show_->lbDirs.List(i), disc_->abs(QString(QChar(u'A' + i))));
    }
}

void FoldersTest::noMarkIsRefusedUntilOneIsMarked() {
    selection_->cbSelect.click();
    selection_->cdDeselect.click();
    selection_->cbOK.click();
    QCOMPARE(session_->messages,
             QStringList{QStringLiteral("At least one directory of images must be selected")});
    QCOMPARE(session_->titles, QStringList{QStringLiteral("Lumosa")});
    QCOMPARE(Forms::find<frmDirectories>(), selection_);
    QCOMPARE(show_->lbDirs.ListCount(), 0);
    QVERIFY(!show_->Timer1.Enabled());
    QVERIFY(!show_->isVisible());

    selection_->List1.setSelected(4, true);
    selection_->cbOK.click();
    QCOMPARE(session_->messages.size(), 1);
    QCOMPARE(show_->lbDirs.ListCount(), 1);
    QCOMPARE(show_->lbDirs.List(0), disc_->abs(QStringLiteral("E")));
    QVERIFY(show_->Timer1.Enabled());
}

void FoldersTest::smallestSizeAndLayout_data() {
    QTest::addColumn<float>("width");
    QTest::addColumn<float>("height");
    QTest::addColumn<float>("expectedWidth");
    QTest::addColumn<float>("expectedHeight");
    QTest::newRow("too small") << 3000.0f << 900.0f << 5800.0f << 1500.0f;
    QTest::newRow("too narrow") << 4500.0f << 3000.0f << 5800.0f << 3000.0f;
    QTest::newRow("wider") << 9000.0f << 4500.0f << 9000.0f << 4500.0f;
}

void FoldersTest::smallestSizeAndLayout() {
    QFETCH(float, width);
    QFETCH(float, height);
    QFETCH(float, expectedWidth);
    QFETCH(float, expectedHeight);
    selection_->setWidth(width);
    selection_->setHeight(height);
    QTRY_COMPARE(selection_->Width(), expectedWidth);
    QTRY_COMPARE(selection_->Height(), expectedHeight);
    QCOMPARE(selection_->List1.Left(), 80.0f);
    QCOMPARE(selection_->List1.Top(), 120.0f);
    QCOMPARE(selection_->List1.Width(), expectedWidth - 300);
    QCOMPARE(selection_->List1.Height(), expectedHeight - 1200);
    QCOMPARE(selection_->cbOK.Left(), 80.0f);
    QCOMPARE(selection_->cbSelect.Left(), expectedWidth / 2 - 1100);
    QCOMPARE(selection_->cdDeselect.Left(), expectedWidth / 2 + 100);
    QCOMPARE(selection_->cbAbort.Left(), expectedWidth - 1220);
    for (const platform::CommandButton* button : {&selection_->cbOK, &selection_->cbSelect,
                                                  &selection_->cdDeselect, &selection_->cbAbort}) {
        QCOMPARE(button->Top(), expectedHeight - 1000);
        QCOMPARE(button->Width(), 1000.0f);
    }
}

void FoldersTest::abortEndsWithoutMessage() {
    selection_->cbAbort.click();
    QVERIFY(session_->ended);
    QVERIFY(session_->messages.isEmpty());
    QCOMPARE(Forms::count(), 0);
}

void FoldersTest::closeBoxEndsLikeAbort() {
    selection_->close();
    QVERIFY(session_->ended);
    QVERIFY(session_->messages.isEmpty());
    QCOMPARE(Forms::count(), 0);
}

QTEST_MAIN(FoldersTest)
#include "folders_test.moc"
