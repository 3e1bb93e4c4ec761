#pragma once
// One walk from the top item over the slots of a data file: what is wrong with them and,
// when asked, the mending that makes them one sound tree again. The load, qmtool check and
// qmtool repair all go through it, so they agree on what a fault is.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "store/node.h"

namespace qm {

class Progress;

enum class Fault : std::uint8_t {
    // A load refuses a file with one of these in the part reachable from the top item.
    TopItemFree,
    TopItemLinked,   // the top item names a parent or a sibling
    LinkBeyondEnd,   // a FirstChild or NextSibling past the last slot
    LinkToFree,      // ... to a free slot
    ReachedTwice,    // ... to an item already in the tree: a loop or crossed lists
    ParentDisagrees, // listed under one item, names another as its parent
    PrevDisagrees,   // its PrevSibling is not the item it follows
    TooDeep,         // more than 255 levels below the top item
    // A load works around these.
    LevelWrong,
    Unreachable, // in use, but no chain of links leads to it from the top item
    // Harmless to a load; the check reports them.
    OddInUse, // neither 0 nor 255: read as in use
    SameName, // siblings of one name: a notice, not a problem (Rename can make them)
};
constexpr int kFaultKinds = 12;
constexpr bool refusesLoad(Fault f) {
    return f <= Fault::TooDeep;
}

/// What mending did about a finding.
enum class Mend : std::uint8_t { None, Cut, Cleared, Relinked, Set, Rescued, LeftOut };

struct Finding {
    Fault fault = Fault::TopItemFree;
    std::int32_t slot = 0;  // the item at fault; for a bad link, the item holding it
    std::int32_t other = 0; // the slot linked to, the parent it is listed under, the item
                            // it follows, the depth it lies at, the first of a name
    std::int32_t value = 0; // what the record held (Parent, PrevSibling, Level, InUse); for a
                            // link, 0 FirstChild and 1 NextSibling; for a name, how many;
                            // for a lost part put back, how many items it holds
    Mend mend = Mend::None;
    std::int32_t mended = 0; // the value set, or the item put back under
};

enum class Examine {
    Load,  // stop at the first fault a load refuses; repair levels only
    Check, // go on past every fault, mending the caller's copy as repair would, so that
           // every fault repair mends is found, in lost parts too
    Mend,  // also free what cannot be put back and set odd InUse values
};

struct Examination {
    std::vector<Finding> findings; // in the order found; a load keeps the first few of a kind
    std::array<std::int64_t, kFaultKinds> counts{};
    std::vector<bool> inTree;           // per slot: reached from the top item
    std::int32_t reached = 0;           // items in the tree, the top item included
    std::int32_t outside = 0;           // items in use that are not in the tree
    bool refused = false;               // a fault a load refuses lies in the reachable part
    Fault refusal = Fault::TopItemFree; // the first of them

    std::int64_t count(Fault f) const { return counts[static_cast<int>(f)]; }
    /// Every finding but the notices.
    std::int64_t problems() const { return total() - count(Fault::SameName); }
    std::int64_t total() const;
};

/// Walks the tree from slot 1 over `nodes` (slots 0..nodeCount as read, NodeCount at least
/// 1), changing them as the mode says. `inUse` is the number of slots 1..nodeCount in use
/// when the caller counted it (-1: count it). Progress steps run from `progressBase` on: one
/// for every item reached, then in the other modes one for every item whose name is compared
/// with its siblings'.
Examination examineTree(std::span<Node> nodes, std::int32_t nodeCount, Examine mode,
                        std::int32_t inUse = -1, Progress* progress = nullptr,
                        std::int64_t progressBase = 0);

/// One line for people, slots with their names: "slot 4 (A2) has Level 7 but lies at depth 2".
std::string describeFinding(const Finding& f, std::span<const Node> nodes, std::int32_t nodeCount);
/// What mending did about it: "link cut", "put back under slot 1 (TOP)".
std::string describeMend(const Finding& f, std::span<const Node> nodes);

} // namespace qm
