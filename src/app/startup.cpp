#include "app/startup.h"

namespace qm {

QString commandLineFile(const QStringList& arguments) {
    QString text = arguments.join(QLatin1Char(' '));
    if (text.startsWith(QLatin1Char('"'))) {
        text.remove(0, 1);
        text.chop(1);
    }
    return text;
}

} // namespace qm
