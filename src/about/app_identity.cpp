#include "about/app_identity.h"

#include <QApplication>
#include <QIcon>

#include "about/version.h"
#include "base/emblem.h"

namespace qm {

void applyApplicationIdentity() {
    // The display name is left to follow the application name: set on its own, Qt appends it
    // to every title bar ("QuillMar  [no data] - QuillMar"), and the captions are exact.
    QCoreApplication::setApplicationName(QLatin1String(kAppTitle));
    QCoreApplication::setApplicationVersion(QLatin1String(kVersionText));
    QGuiApplication::setDesktopFileName(QLatin1String(kDesktopFileName));
    QApplication::setWindowIcon(appIcon());
}

} // namespace qm
