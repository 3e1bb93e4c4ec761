#include "window/file_names.h"

#include <QFileInfo>

namespace qm {

QString folderOf(const QString& file) {
    return file.isEmpty() ? QString() : QFileInfo(file).absolutePath();
}

QString fileNameFor(const QString& itemName, const QString& suffix) {
    QString name = itemName;
    for (QChar& c : name) {
        if (c == u'/' || c.category() == QChar::Other_Control)
            c = u'_';
    }
    return name + u'.' + suffix;
}

QString withDefaultSuffix(const QString& path, const QString& suffix) {
    const QString name = QFileInfo(path).fileName();
    if (name.isEmpty())
        return path;
    if (name.endsWith(u'.'))
        return path + suffix;
    // An extension is a short word after the last dot: "QuillMar v2.0 DbFile" or "tree v2.0"
    // have none, and a dot that starts the name makes a hidden file.
    const qsizetype dot = name.lastIndexOf(u'.');
    const QStringView ext = QStringView(name).mid(dot + 1);
    bool letter = false;
    bool word = dot > 0 && ext.size() <= 10;
    for (const QChar c : ext) {
        letter = letter || c.isLetter();
        word = word && c.isLetterOrNumber();
    }
    return word && letter ? path : path + u'.' + suffix;
}

} // namespace qm
