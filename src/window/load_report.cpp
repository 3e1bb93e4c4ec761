#include "window/load_report.h"

#include <QStringList>

#include "store/data_file.h"
#include "window/names.h"

namespace qm {

namespace {

const QString kCrLf = QStringLiteral("\r\n");

QString itemCount(qint64 n) {
    return n == 1 ? QStringLiteral("1 item") : QStringLiteral("%1 items").arg(n);
}

// What is wrong with a refused file, in the user's words; qmtool check has the details.
QString damageWords(Fault fault) {
    switch (fault) {
    case Fault::TopItemFree:
        return QStringLiteral("its top item is missing");
    case Fault::TopItemLinked:
        return QStringLiteral("its top item is listed under another item");
    case Fault::LinkBeyondEnd:
        return QStringLiteral("an item lists items that are not in the file");
    case Fault::LinkToFree:
        return QStringLiteral("an item lists a deleted item");
    case Fault::ReachedTwice:
        return QStringLiteral("an item is listed twice");
    case Fault::ParentDisagrees:
        return QStringLiteral("an item is listed under two parents");
    case Fault::PrevDisagrees:
        return QStringLiteral("a list of items is broken");
    case Fault::TooDeep:
        return QStringLiteral("its items lie more than 255 levels deep");
    default:
        return QStringLiteral("its items are not linked as a tree");
    }
}

} // namespace

QString refusalText(const QString& path, const LoadResult& r) {
    const bool notOurs =
        !r.signatureOk && (r.failure == LoadFailure::Damaged || r.failure == LoadFailure::TooShort);
    QString why;
    if (notOurs)
        why = QStringLiteral("it is not a QuillMar data file");
    else if (r.failure == LoadFailure::TooLarge)
        why = QStringLiteral("it is too large to be a QuillMar data file");
    else if (r.failure == LoadFailure::NoMemory)
        why = QStringLiteral("there is not enough memory for it");
    else if (r.failure == LoadFailure::TooShort)
        why = QStringLiteral("it is damaged (it holds no top item)");
    else if (r.failure == LoadFailure::Damaged)
        why = QStringLiteral("it is damaged (%1)").arg(damageWords(r.fault));
    else
        why = QString::fromStdString(r.error);
    QString text = messageText(path) + kCrLf + QStringLiteral("can't be loaded: %1.").arg(why);
    if (r.repairable())
        text += kCrLf + QStringLiteral("\"qmtool repair\" can rescue its items into a new file.");
    return text;
}

QString loadNote(const LoadResult& r) {
    QStringList lines;
    if (!r.signatureOk)
        lines << QStringLiteral("is NO Quillmar DataFile !");
    if (r.outside == 0 && r.levelRepairs == 0)
        return lines.join(kCrLf);
    lines << QStringLiteral("is damaged; QuillMar works around it:");
    if (r.outside > 0)
        lines << itemCount(r.outside) +
                     (r.outside == 1 ? QStringLiteral(" can't be reached from the top item and "
                                                      "is not shown; saving keeps it as it is.")
                                     : QStringLiteral(" can't be reached from the top item and "
                                                      "are not shown; saving keeps them as they "
                                                      "are."));
    if (r.levelRepairs > 0)
        lines << itemCount(r.levelRepairs) +
                     (r.levelRepairs == 1 ? QStringLiteral(" was filed at a wrong level and is "
                                                           "shown where it belongs.")
                                          : QStringLiteral(" were filed at a wrong level and are "
                                                           "shown where they belong."));
    lines << QStringLiteral("The file on disk is unchanged. \"qmtool repair\" can rescue %1 into "
                            "a new file.")
                 .arg(r.outside > 0 ? QStringLiteral("the items not shown") : QStringLiteral("it"));
    return lines.join(kCrLf);
}

} // namespace qm
