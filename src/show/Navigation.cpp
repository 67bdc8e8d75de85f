// Moving between pictures and folders, the show timer and its speed.
#include "show/MainForm.h"

void MainForm::JumpTo(const QVariant& Where) {
    const show::ShowOrder::Step step =
        show::ShowOrder::step({lbDirs.ListIndex(), flbImageList.ListIndex()}, lbDirs.ListCount(),
                              flbImageList.ListCount(), Where);
    if (step.entersFolder) {
        lbDirs.setListIndex(step.to.folder);
        display_directory(lbDirs.List(step.to.folder));
    }
    // Ignored when the folder holds no picture (it may have vanished).
    flbImageList.setListIndex(step.to.picture);
    movedBack_ = Where.typeId() == QMetaType::QString && Where.toString() == QLatin1String("Prev");
    ShowCurrentImage();
}

QStringList MainForm::aheadPaths() {
    const show::Position at{lbDirs.ListIndex(), flbImageList.ListIndex()};
    const auto pathAfter = [&](const QString& move) -> QString {
        const show::ShowOrder::Step step =
            show::ShowOrder::step(at, lbDirs.ListCount(), flbImageList.ListCount(), move);
        if (step.entersFolder) {
            // Listed as JumpTo will list it, kept for that visit. A folder gone meanwhile
            // leaves JumpTo in the current one.
            const QString folder = lbDirs.List(step.to.folder);
            if (FileSystem.FolderExists(folder)) {
                const QString path = FileSystem.GetAbsolutePathName(folder);
                const QStringList pictures = Order.peek(path);
                return pictures.isEmpty() ? QString() : path + QLatin1Char('/') + pictures.first();
            }
        }
        return flbImageList.FullPath(step.to.picture);
    };
    // The way the show last moved first, then the other way, then keys 2 and 8.
    const QString next = pathAfter(QStringLiteral("Next"));
    const QString previous = pathAfter(QStringLiteral("Prev"));
    return {movedBack_ ? previous : next, movedBack_ ? next : previous,
            pathAfter(QStringLiteral("First")), pathAfter(QStringLiteral("Last"))};
}

void MainForm::Timer1_Timer() {
    JumpTo(QStringLiteral("Next"));
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
