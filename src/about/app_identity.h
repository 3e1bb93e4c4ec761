#pragma once
// How the program names itself to the desktop: application name, version, .desktop entry
// and the icon every window carries.

namespace qm {

/// Sets the identity on the running QApplication; call it before the first window is made.
void applyApplicationIdentity();

} // namespace qm
