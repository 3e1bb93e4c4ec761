#pragma once
// Names typed by the user: a text the name field cannot hold is refused with a message.

#include <QString>
#include <optional>

#include "base/names.h"
#include "store/node.h"

namespace qm {

class Prompter;

/// A name field for `text`, or nothing after telling the user why it cannot be stored.
std::optional<NameField> storableName(Prompter& prompter, const QString& text);

} // namespace qm
