#pragma once
// Names are stored as Windows-1252 bytes; these convert them to and from Unicode and
// order them by their decoded character codes.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "store/node.h"

namespace qm {

/// The Unicode character a Windows-1252 byte stands for. Total: the five bytes the code
/// page leaves undefined map to the C1 controls of the same value, as Windows does.
char32_t decodeByte(unsigned char byte);
/// The byte for a character, or nothing when the code page cannot hold it.
std::optional<unsigned char> encodeChar(char32_t ch);
/// Windows-1252 bytes to UTF-32 and back; encoding fails on a character the code page lacks.
std::u32string decodeBytes(std::string_view bytes);
std::optional<std::string> encodeChars(std::u32string_view text);

/// UTF-8 to UTF-32 and back, for the command line and outlines. Invalid UTF-8 gives nothing.
/// Past `limit` characters the text is checked but not kept.
std::optional<std::u32string> fromUtf8(std::string_view utf8,
                                       std::size_t limit = std::string::npos);
/// The character that starts at byte `at`: its length in bytes, or 0 when no valid UTF-8
/// starts there.
std::size_t utf8CharAt(std::string_view utf8, std::size_t at, char32_t& ch);
std::string toUtf8(std::u32string_view text);
void appendUtf8(std::string& out, char32_t ch);

/// Windows-1252 bytes straight to UTF-8, and back (nothing when not storable).
std::string bytesToUtf8(std::string_view bytes);
std::optional<std::string> utf8ToBytes(std::string_view utf8);

/// Compares two byte strings character by character on their decoded codes, case-sensitive.
/// Returns <0, 0 or >0.
int compareNames(std::string_view a, std::string_view b);

/// The byte's rank in decoded-character order: comparing ranks orders names as compareNames.
unsigned char sortRank(unsigned char byte);

} // namespace qm
