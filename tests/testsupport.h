#pragma once

#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QStringList>
#include <QTemporaryDir>

class MainForm;
class frmThumbnails;

namespace platform {
class Picture;
}

namespace testsupport {

// Adds a test class to the program's list (see testmain.cpp); used through LUMOSA_TEST.
bool registerTest(const char* name, QObject* (*make)());

// A disc folder of the test's own: the program file, picture folders, settings and
// description files, removed again when the test ends.
class Disc {
public:
    Disc();
    QString path() const { return dir_.path(); }
    QString abs(const QString& relative) const;
    // Creates a folder (and its parents); returns its absolute path.
    QString folder(const QString& relative) const;
    // Writes a picture whose format follows the extension (jpg, jpeg, bmp, gif), filled
    // with `color`, so that tests can tell pictures apart by their pixels.
    QString picture(const QString& relative, QSize size = QSize(64, 48),
                    QColor color = Qt::red) const;
    QString file(const QString& relative, const QByteArray& bytes) const;
    void settings(const QByteArray& lines) const { file(QStringLiteral("autorun.inf"), lines); }
    void removeProgramFile() const;

private:
    QTemporaryDir dir_;
};

// Runs the program's start-up in a disc folder, as a person starting it there would, with
// the program's end and its message boxes made observable instead of leaving the process or
// waiting for a person: every message box is recorded and answered with OK.
class Session : public QObject {
    Q_OBJECT

public:
    explicit Session(const Disc& disc);
    ~Session() override;

    // Loads the start-up window; nullptr when the program ended during start-up.
    MainForm* start();
    MainForm* mainForm() const;

    QStringList messages;  // text of every message box, in order
    QStringList titles;    // their titles
    bool ended = false;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QString previousDir_;
};

// A disc and the show started on it, its timer stopped unless `running`. Each entry is
// "path=text" for a text file, "path:colour" for a 64x48 picture of that colour (by name),
// "path:cut" for a green JPEG cut in its pixel data, or a bare path for a red picture.
struct Show {
    Disc disc;
    Session session{disc};
    MainForm* form = nullptr;

    explicit Show(const QStringList& entries, const QByteArray& settings = {},
                  bool running = false);
};

// Opens the thumbnail sheet as a person does, by the control panel's Thumbnail button; the sheet,
// or nullptr when none is open afterwards.
frmThumbnails* openSheet();

// Lets the event loop run for a while (timer ticks are delivered by it).
void runEventLoop(int milliseconds);

// The longest a test waits for what should come soon (a tick, a decode, a window): generous
// for a loaded machine or a sanitizer build, since only a failing test waits it out.
inline constexpr int kWaitMs = 20000;

// The last `parts` components of a path ("Folder/name" by default), so that tests can compare
// paths without the temporary disc's own location.
QString lastParts(const QString& path, int parts = 2);

// The colour at the middle of a picture's pixels; invalid for a picture that holds none.
QColor middleColour(const platform::Picture& picture);

// A picture of `size` in one colour, Format_RGB32.
QImage filled(QSize size, const QColor& colour);

// The bytes of `image` saved as "jpeg", "bmp" or "gif" (JPEG at `quality`); empty on failure.
QByteArray encode(const QImage& image, const char* format, int quality = 90);

// A JPEG with an EXIF block holding only the orientation tag, placed right after SOI.
QByteArray withOrientation(QByteArray jpeg, int orientation);

// A small red picture whose header claims another size: BMP, GIF logical screen, JPEG frame.
QByteArray claiming(QSize size, const char* format);

// The hostile corpus of tests/hostile/: damaged, lying and absurd picture files, and why
// LoadPicture refuses each at a bound of 1920 x 1080 (empty: it loads), from its reasons.txt.
struct HostileFile {
    QString name;
    QByteArray bytes;
    QString why;
};
QList<HostileFile> hostileFiles();

// Whether two valid colours agree within what lossy compression changes.
bool nearColour(const QColor& actual, const QColor& expected);

// Under AddressSanitizer the process's memory figures hold the sanitizer's quarantine of freed
// memory and its shadow memory: they say nothing about the program's own use.
#if defined(__SANITIZE_ADDRESS__)
#define LUMOSA_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define LUMOSA_ADDRESS_SANITIZER 1
#endif
#endif
#ifdef LUMOSA_ADDRESS_SANITIZER
inline constexpr bool kMemoryFiguresMeaningful = false;
#else
inline constexpr bool kMemoryFiguresMeaningful = true;
#endif

// A figure of this process from /proc/self/status in kB ("VmHWM" peak memory, "VmRSS" memory
// now); -1 where the system keeps no such file.
qint64 processStatusKb(const char* field);

// The processor time this process has used so far, user and system, in milliseconds; -1 where
// it cannot be read.
qint64 processCpuMilliseconds();

// While it lives, a process running as root on Unix acts as the user nobody (effective user
// id only), so that file permissions apply to it; elsewhere it does nothing.
class UnprivilegedScope {
public:
    UnprivilegedScope();
    ~UnprivilegedScope();
    UnprivilegedScope(const UnprivilegedScope&) = delete;
    UnprivilegedScope& operator=(const UnprivilegedScope&) = delete;
    // Whether root was given up.
    bool active() const { return active_; }

private:
    bool active_ = false;
};

}  // namespace testsupport

// Registers a Qt Test class with its program, in place of QTEST_MAIN: a program runs several.
#define LUMOSA_TEST(Class)                                       \
    [[maybe_unused]] static const bool lumosaRegistered##Class = \
        testsupport::registerTest(#Class, []() -> QObject* { return new Class; });
