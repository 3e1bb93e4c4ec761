// Feeds arbitrary bytes to the OPML reader, strict and lenient. Whatever it accepts must be
// a sound tree with no free slot that reads back the same from every format that can hold
// its names.

#include <string_view>

#include "fuzz_readback.h"
#include "interchange/latin_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    qm::ImportRules rules;
    rules.truncate = size % 2 == 1;
    if (size % 4 >= 2)
        rules.top = U"TOP";
    if (size % 8 >= 4) {
        rules.lenient = true;
        // Made once: building ICU's transform costs far more than a run.
        static const qm::Transliteration latin = qm::latinTransliteration();
        rules.transliterate = latin;
        rules.fallbackTop = U"FILE";
    }
    const qm::OutlineResult r = qm::readOpml(bytes, rules);
    if (!r.ok) {
        CHECK(!r.error.empty() && r.errorLine >= 0);
        return 0;
    }
    // Every name read from XML is one XML can carry.
    CHECK(qm::findUnholdable(r.table, 1, qm::OutlineFormat::Opml).ok);
    fuzz::checkAccepted(r);
    return 0;
}
