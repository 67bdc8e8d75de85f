// Moving between pictures and folders, the show timer and its speed.
#include "show/MainForm.h"

void MainForm::JumpTo(const QVariant& Where) {
    if (Reader.waiting() == show::ShowReader::Wait::Folder) {
        // The folder the show enters is being listed: the move is made from there, once it is.
        deferredMove_ = Where;
        return;
    }
    const show::ShowOrder::Step step =
        show::ShowOrder::step({lbDirs.ListIndex(), flbImageList.ListIndex()}, lbDirs.ListCount(),
                              flbImageList.ListCount(), Where);
    movedBack_ = Where.typeId() == QMetaType::QString && Where.toString() == QLatin1String("Prev");
    if (step.entersFolder) {
        entering_ = step;
        display_directory(lbDirs.List(step.to.folder));
        return;
    }
    // Ignored when the folder holds no picture (it may have vanished).
    flbImageList.setListIndex(step.to.picture);
    ShowCurrentImage();
}

void MainForm::Timer1_Timer() {
    // A tick while a folder is listed is dropped: the show moves on when it comes. A tick while
    // a picture is read moves on past it, so that a picture that does not come holds nothing.
    if (Reader.waiting() != show::ShowReader::Wait::Folder) {
        JumpTo(QStringLiteral("Next"));
    }
    if (DelayPending) {
        Timer1.setInterval(ShowDelay);
        DelayPending = false;
    }
}

void MainForm::showSpeed(const QString& ChangeSpeed) {
    const int interval = Timer1.Interval();
    if (ChangeSpeed == QLatin1String("Faster")) {
        // Half the interval, rounded to the nearest millisecond, halves to even.
        int half = interval / 2;
        if (interval % 2 == 1 && half % 2 == 1) {
            ++half;
        }
        Timer1.setInterval(half);
    } else {
        // The timer holds no more than its largest interval.
        Timer1.setInterval(std::min(interval * 2, platform::Timer::kMaxInterval));
    }
}

void MainForm::ShowStartStop() {
    Timer1.setEnabled(!Timer1.Enabled());
}
