// The picture catalogue: counting a folder's pictures, opening a folder and its description
// file, and finding a picture's description.
#include <QtTest>

#include "show/MainForm.h"
#include "testsupport.h"

using testsupport::Disc;
using testsupport::Session;

class CatalogueTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void countsPicturesByExtension();
    void missingAndEmptyFolders();
    void descriptions_data();
    void descriptions();
    void folderWithoutDescriptionsAfterOneWithThem();
    void sameNameInTwoFolders();
    void descriptionFileIsReadAgainAtEveryVisit();
    void foreignAndOddDescriptionFiles();
    void largeDescriptionFiles();
};

namespace {

// A disc with one picture folder "Show", started, so that the catalogue can be driven.
struct Started {
    Disc disc;
    std::unique_ptr<Session> session;
    MainForm* show = nullptr;

    Started() { disc.picture(QStringLiteral("Show/beach.jpg")); }
    void start() {
        session = std::make_unique<Session>(disc);
        show = session->start();
        QVERIFY(show);
    }
};

}  // namespace

void CatalogueTest::countsPicturesByExtension() {
    Started s;
    for (const char* name : {"a.jpg", "b.jpeg", "c.bmp", "d.gif", "E.JPG", "f.png"}) {
        s.disc.picture(QStringLiteral("Mixed/") + QLatin1String(name));
    }
    s.disc.file(QStringLiteral("Mixed/g.jpg.txt"), "x");
    s.disc.file(QStringLiteral("Mixed/.h.jpg"), "hidden");
    s.disc.folder(QStringLiteral("Mixed/i.jpg"));
    s.start();
    QCOMPARE(s.show->DirectoryImageCount(s.disc.abs(QStringLiteral("Mixed"))), 5);
    QCOMPARE(s.show->flbImageList.Path(), s.disc.abs(QStringLiteral("Mixed")));
    QStringList names;
    for (int i = 0; i < s.show->flbImageList.ListCount(); ++i) {
        names.append(s.show->flbImageList.List(i));
    }
    QCOMPARE(names, (QStringList{"a.jpg", "b.jpeg", "c.bmp", "d.gif", "E.JPG"}));
}

void CatalogueTest::missingAndEmptyFolders() {
    Started s;
    s.disc.folder(QStringLiteral("Empty"));
    s.start();
    const QString show = s.disc.abs(QStringLiteral("Show"));
    QCOMPARE(s.show->flbImageList.Path(), show);
    s.show->flbImageList.setListIndex(0);

    QCOMPARE(s.show->DirectoryImageCount(s.disc.abs(QStringLiteral("Nowhere"))), 0);
    QCOMPARE(s.show->flbImageList.Path(), show);
    QCOMPARE(s.show->flbImageList.ListIndex(), 0);
    s.show->display_directory(s.disc.abs(QStringLiteral("Nowhere")));
    QCOMPARE(s.show->flbImageList.Path(), show);
    QCOMPARE(s.show->flbImageList.ListIndex(), 0);

    QCOMPARE(s.show->DirectoryImageCount(s.disc.abs(QStringLiteral("Empty"))), 0);
    QCOMPARE(s.show->flbImageList.Path(), s.disc.abs(QStringLiteral("Empty")));
    QCOMPARE(s.show->flbImageList.ListIndex(), -1);
}

void CatalogueTest::descriptions_data() {
    QTest::addColumn<QByteArray>("lines");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("description");

    const QByteArray plain("beach.jpg,Sunny day\n");
    QTest::newRow("plain") << plain << "beach.jpg"
                           << "Sunny day";
    QTest::newRow("name in capitals") << plain << "BEACH.JPG"
                                      << "Sunny day";
    QTest::newRow("name mixed case") << plain << "Beach.Jpg"
                                     << "Sunny day";
    QTest::newRow("blank after comma") << QByteArray("beach.jpg, Sunny day\n") << "beach.jpg"
                                       << " Sunny day";
    QTest::newRow("blank before comma") << QByteArray("beach.jpg ,Sunny day\n") << "beach.jpg"
                                        << "";
    QTest::newRow("name with its blank") << QByteArray("beach.jpg ,Sunny day\n") << "beach.jpg "
                                         << "Sunny day";
    QTest::newRow("empty description") << QByteArray("beach.jpg,\n") << "beach.jpg"
                                       << "";
    QTest::newRow("further commas") << QByteArray("beach.jpg,One, two and three\n") << "beach.jpg"
                                    << "One, two and three";
    QTest::newRow("first occurrence wins")
        << QByteArray("beach.jpg,First\nBEACH.JPG,Second\n") << "beach.jpg"
        << "First";
    QTest::newRow("other names") << QByteArray("dunes.jpg,Dunes\n") << "beach.jpg"
                                 << "";
    QTest::newRow("lines without comma skipped")
        << QByteArray("just a title\n\nbeach.jpg,Found\n") << "beach.jpg"
        << "Found";
    QTest::newRow("crlf") << QByteArray("dunes.jpg,Dunes\r\nbeach.jpg,Sunny\r\n") << "beach.jpg"
                          << "Sunny";
    QTest::newRow("windows-1252") << QByteArray("caf\xE9.jpg,Caf\xE9 cr\xE8me \x80 5\r\n")
                                  << QString::fromUtf8("CAF\xC3\x89.JPG")
                                  << QString::fromUtf8("Caf\xC3\xA9 cr\xC3\xA8me \xE2\x82\xAC 5");
    QTest::newRow("utf-8 with byte-order mark")
        << QByteArray(
               "\xEF\xBB\xBF"
               "\xC3\xA9t\xC3\xA9.jpg,\xC3\x89t\xC3\xA9\n")
        << QString::fromUtf8("\xC3\xA9t\xC3\xA9.jpg") << QString::fromUtf8("\xC3\x89t\xC3\xA9");
}

void CatalogueTest::descriptions() {
    QFETCH(QByteArray, lines);
    QFETCH(QString, name);
    QFETCH(QString, description);
    Started s;
    s.disc.file(QStringLiteral("Show/ImageList.txt"), lines);
    s.start();
    QCOMPARE(s.show->GetImageDesc(name), description);
}

void CatalogueTest::folderWithoutDescriptionsAfterOneWithThem() {
    Started s;
    s.disc.file(QStringLiteral("Show/ImageList.txt"), "beach.jpg,Sunny day\n");
    s.disc.picture(QStringLiteral("Plain/beach.jpg"));
    s.start();
    s.show->display_directory(s.disc.abs(QStringLiteral("Show")));
    QCOMPARE(s.show->GetImageDesc(QStringLiteral("beach.jpg")), QStringLiteral("Sunny day"));
    s.show->display_directory(s.disc.abs(QStringLiteral("Plain")));
    QCOMPARE(s.show->GetImageDesc(QStringLiteral("beach.jpg")), QString());
}

void CatalogueTest::sameNameInTwoFolders() {
    Started s;
    s.disc.picture(QStringLiteral("Show/DSC0001.JPG"));
    s.disc.picture(QStringLiteral("Trip/DSC0001.JPG"));
    s.disc.file(QStringLiteral("Show/ImageList.txt"), "DSC0001.JPG,At home\n");
    s.disc.file(QStringLiteral("Trip/imagelist.TXT"), "dsc0001.jpg,On the road\n");
    s.start();
    QCOMPARE(s.show->GetImageDesc(QStringLiteral("DSC0001.JPG")), QStringLiteral("At home"));
    s.show->display_directory(s.disc.abs(QStringLiteral("Trip")));
    QCOMPARE(s.show->GetImageDesc(QStringLiteral("DSC0001.JPG")), QStringLiteral("On the road"));
}

void CatalogueTest::descriptionFileIsReadAgainAtEveryVisit() {
    Started s;
    s.disc.file(QStringLiteral("Show/ImageList.txt"), "beach.jpg,Before\n");
    s.disc.picture(QStringLiteral("Trip/x.jpg"));
    s.start();
    QCOMPARE(s.show->GetImageDesc(QStringLiteral("beach.jpg")), QStringLiteral("Before"));
    s.disc.file(QStringLiteral("Show/ImageList.txt"), "beach.jpg,After\n");
    s.show->display_directory(s.disc.abs(QStringLiteral("Trip")));
    s.show->display_directory(s.disc.abs(QStringLiteral("Show")));
    QCOMPARE(s.show->GetImageDesc(QStringLiteral("beach.jpg")), QStringLiteral("After"));
}

void CatalogueTest::foreignAndOddDescriptionFiles() {
    // Binary garbage, a lone CR inside a line, NUL bytes: read without complaint.
    Started s;
    s.disc.file(QStringLiteral("Show/ImageList.txt"),
                QByteArray("\x00\x01\xFF\xFE,\n", 6) + "beach.jpg,a\rb\n");
    s.start();
    QCOMPARE(s.show->GetImageDesc(QStringLiteral("beach.jpg")), QStringLiteral("a\rb"));
}

void CatalogueTest::largeDescriptionFiles() {
    // More lines than a fixed table would hold, and a line of a megabyte.
    QByteArray lines;
    for (int i = 0; i < 100000; ++i) {
        lines += "pic" + QByteArray::number(i) + ".jpg,Picture " + QByteArray::number(i) + "\n";
    }
    lines += "beach.jpg," + QByteArray(1000000, 'x') + "\n";
    lines += "last.jpg,The end";
    Started s;
    s.disc.file(QStringLiteral("Show/ImageList.txt"), lines);
    s.start();
    QCOMPARE(s.show->GetImageDesc(QStringLiteral("PIC99999.JPG")), QStringLiteral("Picture 99999"));
    QCOMPARE(s.show->GetImageDesc(QStringLiteral("beach.jpg")).size(), 1000000);
    QCOMPARE(s.show->GetImageDesc(QStringLiteral("last.jpg")), QStringLiteral("The end"));
}

LUMOSA_TEST(CatalogueTest)
#include "catalogue_test.moc"
