#pragma once
// frmSplash: the logo shown while the program starts.

#include <QWidget>

namespace qm {

class Splash : public QWidget {
public:
    Splash();
    /// The program's logo, drawn rather than shipped as a file.
    static QPixmap logo();
};

} // namespace qm
