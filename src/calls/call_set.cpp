#include "calls/call_set.h"

#include <cstring>
#include <string_view>

#include "app/log.h"

namespace {

// A left child on the entry's level is a horizontal left link: turn it to the right.
CallEntry* skew(CallEntry* node)
{
    CallEntry* left = node->left;
    if (!left || left->level != node->level) return node;
    node->left = left->right;
    left->right = node;
    return left;
}

// Two horizontal right links in a row: lift the middle entry one level.
CallEntry* split(CallEntry* node)
{
    CallEntry* right = node->right;
    if (!right || !right->right || right->right->level != node->level) return node;
    node->right = right->left;
    right->left = node;
    ++right->level;
    return right;
}

void add_list_id(CallEntry* entry, char listId)
{
    size_t used = std::strlen(entry->lists);
    if (std::memchr(entry->lists, listId, used)) return;
    if (used >= kMaxListIds) return;
    entry->lists[used] = listId;
    entry->lists[used + 1] = '\0';
    debug_printf("DEBUG:\t%s is now %s\n", entry->callsign.c_str(), entry->lists);
}

CallEntry* insert(CallSet* set, CallEntry* node, std::string_view callsign, char listId)
{
    if (!node) {
        CallEntry& entry = set->entries.emplace_back();
        entry.callsign.assign(callsign);
        entry.lists[0] = listId;
        return &entry;
    }
    int order = callsign.compare(node->callsign);
    if (order < 0) {
        node->left = insert(set, node->left, callsign, listId);
    } else if (order > 0) {
        node->right = insert(set, node->right, callsign, listId);
    } else {
        if (listId != 0) add_list_id(node, listId);
        return node;
    }
    return split(skew(node));
}

}  // namespace

CallEntry* addCall(CallSet* set, const char* callsign, char listId)
{
    set->root = insert(set, set->root, std::string_view(callsign), listId);
    return set->root;
}
