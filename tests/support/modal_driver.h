#pragma once
// Acting on a modal window while the command that opened it waits.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace qm::test {

/// Runs `act` on the modal window of type W once its command shows it, then closes the
/// window with its close box if `act` left it open. Polls, since the window opens inside
/// the command.
template <typename W> void onModal(std::function<void(W&)> act) {
    auto* timer = new QTimer(qApp);
    auto tries = std::make_shared<int>(0);
    QObject::connect(timer, &QTimer::timeout, timer, [timer, act, tries] {
        auto* window = qobject_cast<W*>(QApplication::activeModalWidget());
        if (!window && ++*tries < 500)
            return;
        timer->stop();
        timer->deleteLater();
        if (!window) {
            qWarning("the %s did not open", W::staticMetaObject.className());
            return;
        }
        act(*window);
        if (window->isVisible())
            window->close();
    });
    timer->start(10);
}

} // namespace qm::test
