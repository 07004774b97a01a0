#include "calls/call_set.h"

#include <cstring>
#include <limits>

#include "base/config.h"
#include "base/keep_first.h"
#include "base/log.h"
#include "base/outside_text.h"

namespace {

uint64_t prefix_of(std::string_view text)
{
    uint64_t prefix = 0;
    for (size_t i = 0; i < 8; ++i) prefix = prefix << 8 | (i < text.size() ? static_cast<unsigned char>(text[i]) : 0);
    return prefix;
}

// The bytes after the first eight, compared only when the prefixes are equal. Equal
// prefixes of texts without zero bytes mean both are at most eight bytes long and
// the same, or the shorter is exactly eight bytes and comes first.
int compare_rest(const char* data, const CallKey& a, const CallKey& b)
{
    if (a.length > 8 && b.length > 8) {
        int order = std::memcmp(data + a.offset + 8, data + b.offset + 8, std::min(a.length, b.length) - 8u);
        if (order != 0) return order;
    }
    return int(a.length) - int(b.length);
}

void add_id(CallLists* lists, char id)
{
    if (id == 0) return;
    size_t used = std::strlen(lists->data());
    if (std::memchr(lists->data(), id, used) || used >= kMaxListIds) return;
    (*lists)[used] = id;
}

void log_new_id(CallSet* set, std::string_view callsign, char listId)
{
    auto [entry, fresh] = set->debug_lists.try_emplace(std::string(callsign));
    std::string& ids = entry->second;
    if (fresh) {
        if (listId) ids = std::string(1, listId);
        return;
    }
    if (listId == 0 || ids.find(listId) != std::string::npos || ids.size() >= kMaxListIds) return;
    ids += listId;
    if (log_limit_take(&set->ids_logged))
        debug_printf("DEBUG:\t%s is now %s\n", shown_text(entry->first).c_str(), ids.c_str());
}

}  // namespace

int addCall(CallSet* set, std::string_view callsign, char listId)
{
    size_t length = callsign.size();
    if (set->sorted || length > std::numeric_limits<uint16_t>::max() ||
        set->text.size() + length > std::numeric_limits<uint32_t>::max())
        return 0;
    if (g_config.debug) log_new_id(set, callsign, listId);
    set->keys.push_back(
        CallKey{prefix_of(callsign), static_cast<uint32_t>(set->text.size()), static_cast<uint16_t>(length), listId});
    set->text.append(callsign);
    return 1;
}

void sort_calls(CallSet* set)
{
    if (set->sorted) return;
    const char* data = set->text.data();
    bool any_ids = false;
    for (const CallKey& key : set->keys) any_ids = any_ids || key.listId != 0;
    if (any_ids) set->lists.assign(set->keys.size(), CallLists{});
    CallKey* first = set->keys.data();
    sort_keep_first(
        &set->keys,
        [data](const CallKey& a, const CallKey& b) {
            if (a.prefix != b.prefix) return a.prefix < b.prefix;
            int order = compare_rest(data, a, b);
            return order != 0 ? order < 0 : a.offset < b.offset;
        },
        [data](const CallKey& a, const CallKey& b) { return a.prefix == b.prefix && compare_rest(data, a, b) == 0; },
        [&](CallKey& kept, const CallKey& dropped) {
            if (!any_ids) return;
            CallLists& lists = set->lists[size_t(&kept - first)];
            if (lists[0] == 0) add_id(&lists, kept.listId);
            add_id(&lists, dropped.listId);
        });
    if (any_ids) {
        set->lists.resize(set->keys.size());
        for (size_t i = 0; i < set->keys.size(); ++i)
            if (set->lists[i][0] == 0) add_id(&set->lists[i], set->keys[i].listId);
    }
    set->sorted = true;
}
