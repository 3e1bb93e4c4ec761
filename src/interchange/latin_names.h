#pragma once
// Names from documents in any script, written with the characters a data file holds.

#include "store/outline_builder.h"

namespace qm {

/// Writes each run of characters the code page lacks as ICU's "Any-Latin; Latin-ASCII"
/// transform reads it, after composing accents with their letters: "Ü" stays, Chinese
/// becomes its Latin reading, "ő" an "o"; what has no reading (emoji) is left for the
/// builder to drop. The transform is made on first use, once per returned function.
Transliteration latinTransliteration();

} // namespace qm
