// The picture catalogue: a folder's pictures, its description file, a picture's description.
#include <QtTest>

#include "show/MainForm.h"
#include "testsupport.h"

using namespace Qt::StringLiterals;
using testsupport::Show;

class CatalogueTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    // Pictures by extension in any case, no other file or folder; a missing folder changes nothing.
    void folders() {
        QStringList entries{u"Show/beach.jpg"_s, u"Mixed/g.jpg.txt=x"_s, u"Mixed/.h.jpg=hidden"_s,
                            u"Mixed/i.jpg/x.txt=a folder"_s};
        for (const char* name : {"a.jpg", "b.jpeg", "c.bmp", "d.gif", "E.JPG", "f.png"}) {
            entries.append(u"Mixed/"_s + QLatin1String(name));
        }
        const Show s(entries);
        QVERIFY(s.form);
        auto& list = s.form->show().pictures();
        const QString mixed = s.disc.abs(u"Mixed"_s), nowhere = s.disc.abs(u"Nowhere"_s);
        QCOMPARE(s.form->DirectoryImageCount(mixed), 5);
        QCOMPARE(list.Path(), mixed);
        QStringList names;
        for (int i = 0; i < list.ListCount(); ++i) {
            names.append(list.List(i));
        }
        QCOMPARE(names, (QStringList{"a.jpg", "b.jpeg", "c.bmp", "d.gif", "E.JPG"}));
        s.form->JumpTo(1);
        QCOMPARE(s.form->DirectoryImageCount(nowhere), 0);
        s.form->display_directory(nowhere);
        testsupport::settle(s.form);
        QCOMPARE(list.Path(), mixed);
        QCOMPARE(list.ListIndex(), 1);
        QCOMPARE(s.form->DirectoryImageCount(s.disc.folder(u"Empty"_s)), 0);
        QCOMPARE(list.Path(), s.disc.abs(u"Empty"_s));
        QCOMPARE(list.ListIndex(), -1);
    }

    void descriptions_data() {
        QTest::addColumn<QByteArray>("lines");  // of Show/ImageList.txt
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("description");
        const auto row = [](const char* tag, const QByteArray& lines, const QString& name,
                            const QString& description) {
            QTest::newRow(tag) << lines << name << description;
        };
        const QByteArray plain("beach.jpg,Sunny day\n");
        row("plain", plain, u"beach.jpg"_s, u"Sunny day"_s);
        row("name mixed case", plain, u"Beach.Jpg"_s, u"Sunny day"_s);
        row("blank after comma", "beach.jpg, Sunny day\n", u"beach.jpg"_s, u" Sunny day"_s);
        row("blank before comma", "beach.jpg ,Sunny day\n", u"beach.jpg"_s, u""_s);
        // "beach.jpg " names no picture (the folder holds those asked for): its line is not kept.
        row("name with its blank", "beach.jpg ,Sunny day\n", u"beach.jpg "_s, u""_s);
        row("further commas", "beach.jpg,One, two and three\n", u"beach.jpg"_s,
            u"One, two and three"_s);
        row("first occurrence wins", "beach.jpg,First\nBEACH.JPG,Second\n", u"beach.jpg"_s,
            u"First"_s);
        row("other names", "dunes.jpg,Dunes\n", u"beach.jpg"_s, u""_s);
        row("lines without comma skipped", "just a title\n\nbeach.jpg,Found\n", u"beach.jpg"_s,
            u"Found"_s);
        row("windows-1252", "caf\xE9.jpg,Caf\xE9 cr\xE8me \x80 5\r\n", u"CAF\u00C9.JPG"_s,
            u"Caf\u00E9 cr\u00E8me \u20AC 5"_s);
        QByteArray large;
        for (int i = 0; i < 100000; ++i) {
            large += "pic" + QByteArray::number(i) + ".jpg,Picture " + QByteArray::number(i) + "\n";
        }
        large += "beach.jpg," + QByteArray(1000000, 'x') + "\nlast.jpg,The end";
        row("100000 lines", large, u"PIC99999.JPG"_s, u"Picture 99999"_s);
        row("a megabyte line", large, u"beach.jpg"_s, QString(1000000, u'x'));
        row("after them, no final end", large, u"last.jpg"_s, u"The end"_s);
        // Past 16 MB nothing is read; 100 MB of short lines cost no more memory than that.
        const QByteArray filler = QByteArray("x.jpg,y\n").repeated(2 * 1024 * 1024);  // 16 MB
        row("before 16 MB", "beach.jpg,Early\n" + filler + "last.jpg,Late\n", u"beach.jpg"_s,
            u"Early"_s);
        row("past 16 MB", "beach.jpg,Early\n" + filler + "last.jpg,Late\n", u"last.jpg"_s, u""_s);
        row("100 MB of short lines", "beach.jpg,Early\n" + filler.repeated(6), u"beach.jpg"_s,
            u"Early"_s);
    }

    void descriptions() {
        QFETCH(QByteArray, lines);
        QFETCH(QString, name);
        // The name a picture of the folder too, where it can be one.
        const Show s({u"Show/beach.jpg"_s, u"Show/"_s + (name.endsWith(u' ') ? QString() : name)});
        QVERIFY(s.form);
        s.disc.file(u"Show/ImageList.txt"_s, lines);
        s.form->display_directory(s.disc.abs(u"Show"_s));
        testsupport::settle(s.form);
        QTEST(s.form->GetImageDesc(name), "description");
        if (testsupport::kMemoryFiguresMeaningful) {
            QVERIFY(testsupport::processStatusKb("VmHWM") < 300 * 1024);
        }
    }
};

LUMOSA_TEST(CatalogueTest)
#include "catalogue_test.moc"
