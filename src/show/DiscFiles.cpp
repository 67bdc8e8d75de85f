#include "show/DiscFiles.h"

#include <QTextStream>

#include "show/Delay.h"

namespace show {

Settings ReadSettings(platform::TextStream& stream) {
    Settings settings;
    while (!stream.AtEndOfStream()) {
        const QString line = stream.ReadLine();
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        // A key without "=" has no value, which every key treats as "not its word".
        const QString value = eq < 0 ? QString() : line.mid(eq + 1);
        if (line.startsWith(QLatin1String("delay"))) {
            settings.delay = eq < 0 ? kDefaultDelay : delayMilliseconds(value);
        }
        if (line.startsWith(QLatin1String("showfolders"))) {
            settings.showFolders = eq >= 0 && value == QLatin1String("true");
        }
        if (line.startsWith(QLatin1String("showtext"))) {
            settings.showText = !(eq >= 0 && value == QLatin1String("false"));
        }
    }
    stream.Close();
    return settings;
}

void ReadImageList(platform::TextStream& stream, QStringList& names, QStringList& descs,
                   const QSet<QString>* only) {
    while (!stream.AtEndOfStream()) {
        const QString line = stream.ReadLine();
        const qsizetype p = line.indexOf(QLatin1Char(','));
        // A line without a comma describes nothing; an empty line neither.
        if (p < 0 || (only && !only->contains(line.left(p).toCaseFolded()))) {
            continue;
        }
        names.append(line.left(p));
        descs.append(line.mid(p + 1));
    }
    stream.Close();
}

Descriptions ReadDescriptions(const QString& folder, const QStringList& pictures) {
    Descriptions result;
    const platform::FileSystemObject files;
    const QString file = files.FindFile(folder, QStringLiteral("ImageList.txt"));
    if (file.isEmpty()) {
        return result;
    }
    bool cut = false;
    platform::TextStream stream = files.OpenTextFile(file, kMaxImageListBytes, &cut);
    if (cut) {
        QTextStream(stderr) << "lumosa: " << file << ": larger than "
                            << kMaxImageListBytes / (1024 * 1024) << " MB, read up to there"
                            << Qt::endl;
    }
    QSet<QString> names;
    for (const QString& picture : pictures) {
        names.insert(picture.toCaseFolded());
    }
    result.found = true;
    ReadImageList(stream, result.names, result.descs, &names);
    return result;
}

}  // namespace show
