#pragma once
// Item names cross between the store's Windows-1252 bytes and Qt's QStrings here.

#include <QString>
#include <optional>
#include <string>
#include <string_view>

#include "store/node.h"

namespace qm {

/// The whole 20-character field, padding included.
QString nameText(const NameField& name);
/// The name without leading and trailing spaces.
QString trimmedNameText(const NameField& name);
/// Any text in the names' bytes, such as an item path.
QString bytesText(std::string_view bytes);
/// Leading and trailing spaces removed; only spaces, as the name field pads with nothing else.
QString trimSpaces(const QString& text);
/// The bytes for a text, or nothing when a character is outside the code page.
std::optional<std::string> nameBytes(const QString& text);

/// A name or a path as a message quotes it: about 60 characters at most, control
/// characters escaped, so it can neither flood the message nor break its lines.
QString messageText(const QString& text);

/// Paths are UTF-8 on this platform.
inline std::string toPath(const QString& path) {
    return path.toStdString();
}

} // namespace qm
