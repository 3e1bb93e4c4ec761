#pragma once
// A window's control by objectName; a missing control ends the test program at once.

#include <QWidget>

namespace qm::test {

template <typename W = QWidget> W* control(QWidget* window, const char* name) {
    if (W* w = window->findChild<W*>(QLatin1String(name)))
        return w;
    qFatal("no control %s", name);
}

} // namespace qm::test
