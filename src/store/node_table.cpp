#include "store/node_table.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <stdexcept>

namespace qm {

namespace {
constexpr std::int32_t kFirstUpperBound = 1001;
constexpr std::int32_t kGrowthStep = 1000;
} // namespace

NameField makeName(std::string_view bytes) {
    NameField name;
    name.fill(' ');
    std::memcpy(name.data(), bytes.data(), std::min<std::size_t>(bytes.size(), kNameLength));
    return name;
}

Node nodeHeader() {
    Node h;
    h.Parent = -480000;
    h.FirstChild = -240000;
    h.PrevSibling = 0;
    h.NextSibling = 240000;
    h.Level = 0;
    h.InUse = 0;
    h.Name = makeName("QuillMar v2.0 DbFile");
    return h;
}

NodeTable::NodeTable() {
    resetEmpty();
}

void NodeTable::resetEmpty() {
    m_nodes.assign(kFirstUpperBound + 1, Node{});
    m_nodeCount = 0;
    m_freeCount = 0;
    m_outside = 0;
    m_lowestFree = 1;
    m_generations.clear();
}

void NodeTable::resetNew(const NameField& topName) {
    resetEmpty();
    m_nodes[0] = nodeHeader();
    m_nodeCount = 1;
    m_nodes[1].Name = topName;
    m_nodes[1].InUse = kSlotInUse;
}

std::int32_t NodeTable::capacityForRecords(std::int64_t records) {
    return static_cast<std::int32_t>((records / kGrowthStep) * kGrowthStep + kFirstUpperBound + 1);
}

void NodeTable::adopt(NodeSlots slots, std::int32_t nodeCount) {
    SlotCounts counts;
    for (std::int32_t k = nodeCount; k >= 1; --k) {
        if (!slots[static_cast<std::size_t>(k)].inUse()) {
            ++counts.freeCount;
            counts.lowestFree = k;
        }
    }
    adopt(std::move(slots), nodeCount, counts);
}

void NodeTable::adopt(NodeSlots slots, std::int32_t nodeCount, const SlotCounts& counts) {
    m_nodes = std::move(slots);
    // Callers may hand over just the records; allocation relies on the upper bound rule.
    const auto wanted = static_cast<std::size_t>(capacityForRecords(std::int64_t(nodeCount) + 1));
    if (m_nodes.size() < wanted)
        m_nodes.resize(wanted);
    m_nodeCount = nodeCount;
    m_freeCount = counts.freeCount;
    m_outside = counts.outside;
    m_lowestFree = counts.freeCount > 0 ? counts.lowestFree : nodeCount + 1;
    m_nodes[0] = nodeHeader();
    m_generations.clear();
}

std::uint32_t& NodeTable::generationOf(std::int32_t slot) {
    const auto at = static_cast<std::size_t>(slot);
    if (at >= m_generations.size())
        m_generations.resize(m_nodes.size());
    return m_generations[at];
}

std::int32_t NodeTable::lowestFreeFrom(std::int32_t slot) const {
    // Four slots a step: where free slots lie at random, a test per slot would mispredict
    // about once an allocation; a test per four rarely does.
    for (; slot + 3 <= m_nodeCount; slot += 4) {
        const unsigned free =
            unsigned(!m_nodes[slot].inUse()) | unsigned(!m_nodes[slot + 1].inUse()) << 1 |
            unsigned(!m_nodes[slot + 2].inUse()) << 2 | unsigned(!m_nodes[slot + 3].inUse()) << 3;
        if (free != 0)
            return slot + std::countr_zero(free);
    }
    while (slot <= m_nodeCount && m_nodes[slot].inUse())
        ++slot;
    return slot;
}

std::int32_t NodeTable::nextAlloc() const {
    return m_freeCount > 0 ? lowestFreeFrom(m_lowestFree) : m_nodeCount + 1;
}

std::int32_t NodeTable::Node_Alloc() {
    std::int32_t slot = nextAlloc();
    if (m_freeCount > 0) {
        if (slot <= m_nodeCount)
            --m_freeCount;
        else
            m_freeCount = 0; // the count was wrong; fall back to a new slot
    }
    if (slot > m_nodeCount) {
        slot = ++m_nodeCount;
        if (m_nodeCount % kGrowthStep == 0) {
            const std::size_t wanted = static_cast<std::size_t>(m_nodeCount) + kFirstUpperBound + 1;
            m_nodes.resize(std::max(wanted, m_nodes.size()));
        }
    }
    m_lowestFree = slot + 1;
    ++generationOf(slot);
    Node& n = m_nodes[slot];
    n = Node{};
    n.InUse = kSlotInUse;
    n.Name.fill(' ');
    return slot;
}

void NodeTable::freeSlot(std::int32_t slot) {
    Node& n = (*this)[slot];
    if (!n.inUse())
        return;
    n.InUse = kSlotFree;
    ++generationOf(slot);
    ++m_freeCount;
    m_lowestFree = std::min(m_lowestFree, slot);
}

void NodeTable::reuseSlot(std::int32_t slot) {
    Node& n = (*this)[slot];
    if (n.inUse())
        return;
    n.InUse = kSlotInUse;
    // The same item is back: what was kept of it while it was in use holds again.
    --generationOf(slot);
    --m_freeCount;
}

Node& NodeTable::operator[](std::int32_t slot) {
    if (slot < 0 || slot >= capacity())
        throw std::out_of_range("slot " + std::to_string(slot) + " outside the node table");
    return m_nodes[slot];
}

const Node& NodeTable::operator[](std::int32_t slot) const {
    if (slot < 0 || slot >= capacity())
        throw std::out_of_range("slot " + std::to_string(slot) + " outside the node table");
    return m_nodes[slot];
}

} // namespace qm
