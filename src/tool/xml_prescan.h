#pragma once
// A quick pass over the markup of an XML document before the XML reader sees it, for what
// that reader cannot be asked in time: it checks each attribute of a start tag against all
// before it, so a tag of 200,000 attributes holds it for over a minute, and it drops a
// reference to an external entity from text without a word. Well-formedness is left to it.

#include <QString>
#include <cstddef>
#include <string_view>
#include <vector>

namespace qm {

/// The most attributes a start tag may hold.
constexpr std::size_t kMaxAttributes = 1000;

struct XmlPrescan {
    std::size_t outlines = 0; // start tags named outline, up to the first crowded one
    int crowdedLine = 0;      // the line of the first tag with more than kMaxAttributes, or 0
    std::vector<QString> titleEntities; // entities referred to in the text of opml/head/title
};

/// Reads UTF-8 and the single-byte encodings, and UTF-16 and UTF-32 with or without a byte
/// order mark, as the XML reader tells them apart.
XmlPrescan prescanXml(std::string_view bytes);

} // namespace qm
