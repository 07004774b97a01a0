#include "catalogue/slots.h"

#include <algorithm>

namespace {

constexpr int kAwardsMembers[] = {kSlotAwards};
constexpr int kAwardsMembers9[] = {kSlotAwardsMap, kSlotAwardsText};
constexpr int kCountryMembers[] = {kSlotCountry, kSlotPrefixMap};
constexpr int kCountryMembers9[] = {kSlotEntities, kSlotPrefixMappings, kSlotCallExceptions, kSlotQslManagers,
                                    kSlotAddresses};

struct SlotRelation {
    int slot = -1;
    std::span<const int> members;   // an archive's, in other versions
    std::span<const int> members9;  // an archive's, in version 9
    bool membersFollowBox = false;  // the members are chosen with the archive's box
    std::span<const int> sources;   // a derived target's
};

// clang-format off
constexpr SlotRelation kRelations[] = {
    // slot               members          members9          follow  sources
    {kSlotAwards,         kAwardsMembers,  kAwardsMembers9,  false,  {}},
    {kSlotCountry,        kCountryMembers, kCountryMembers9, true,   {}},
    {kSlotCalendar,       {},              {},               false,  kCalendarSources},
    {kSlotMasterOld,      {},              {},               false,  kMasterCallSources},
    {kSlotMaster,         {},              {},               false,  kMasterCallSources},
    {kSlotMembership,     {},              {},               false,  kMembershipSources},
};
// clang-format on

const SlotRelation* relation_of(int slot)
{
    for (const SlotRelation& r : kRelations)
        if (r.slot == slot) return &r;
    return nullptr;
}

bool contains(std::span<const int> slots, int slot) { return std::ranges::find(slots, slot) != slots.end(); }

}  // namespace

std::span<const int> archive_members(int slot, bool version9)
{
    const SlotRelation* r = relation_of(slot);
    if (!r) return {};
    return version9 ? r->members9 : r->members;
}

std::span<const int> group_sources(int slot)
{
    const SlotRelation* r = relation_of(slot);
    return r ? r->sources : std::span<const int>{};
}

int choosing_box(int slot, bool version9)
{
    for (const SlotRelation& r : kRelations) {
        if (contains(r.sources, slot)) return -1;
        if (!r.membersFollowBox || r.slot == slot) continue;
        if (contains(version9 ? r.members9 : r.members, slot)) return r.slot;
        if (contains(version9 ? r.members : r.members9, slot)) return -1;
    }
    return slot;
}

bool left_empty(int slot, bool version9)
{
    for (const SlotRelation& r : kRelations)
        if (r.slot != slot && contains(version9 ? r.members : r.members9, slot) &&
            !contains(version9 ? r.members9 : r.members, slot))
            return true;
    return false;
}
