#pragma once
// What screen readers are told beyond Qt's own: menus list only the entries a user can see,
// and sliders read their value as the dialog shows it ("5 minutes").

#include <QString>

class QSlider;

namespace qm {

/// Installs the program's accessibility factory; later calls do nothing.
void installAccessibility();

/// Names a slider for screen readers, which then read its value as setAccessibleValueText
/// words it. Call it before anything asks about the slider.
void nameSlider(QSlider* slider, const QString& name);
/// The value a screen reader reads for a named slider, in the dialog's words.
void setAccessibleValueText(QSlider* slider, const QString& text);

} // namespace qm
