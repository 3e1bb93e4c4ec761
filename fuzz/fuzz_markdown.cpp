// Feeds arbitrary bytes to the Markdown reader, strict and lenient. Whatever it accepts must
// be a sound tree that reads back the same from every format that can hold its names: the
// Markdown writer's escapes are tried on every name the fuzzer can make.

#include <string_view>

#include "fuzz_readback.h"
#include "interchange/latin_names.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    qm::ImportRules rules;
    rules.top = U"TOP";
    if (size % 2 == 1) {
        rules.lenient = true;
        // Made once: building ICU's transform costs far more than a run.
        static const qm::Transliteration latin = qm::latinTransliteration();
        rules.transliterate = latin;
    }
    const qm::OutlineResult r = qm::readMarkdown(bytes, rules);
    if (!r.ok) {
        CHECK(!r.error.empty() && r.errorLine >= 0);
        return 0;
    }
    fuzz::checkAccepted(r);
    return 0;
}
