#pragma once
// frmSplash: the logo shown while the program starts.

#include <QWidget>

namespace qm {

class Splash : public QWidget {
public:
    Splash();
    /// The program's logo: the emblem, the title and the version.
    static QPixmap logo();
};

} // namespace qm
