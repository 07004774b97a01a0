#include "nodes/node_set.h"

#include "base/log.h"
#include "base/report.h"

namespace {

// Callsigns order as unsigned bytes; std::string::compare does exactly that.
int compare_callsigns(const std::string& a, const std::string& b)
{
    return a.compare(b);
}

const char* text_or_empty(const std::optional<std::string>& text)
{
    return text ? text->c_str() : "";
}

NodeSet skew(NodeSet t)
{
    if (t->left && t->left->level == t->level) {
        NodeSet l = std::move(t->left);
        t->left = std::move(l->right);
        l->right = std::move(t);
        return l;
    }
    return t;
}

NodeSet split(NodeSet t)
{
    if (t->right && t->right->right && t->right->right->level == t->level) {
        NodeSet r = std::move(t->right);
        t->right = std::move(r->left);
        r->left = std::move(t);
        r->level += 1;
        return r;
    }
    return t;
}

void report_duplicate(Window* owner, const std::string& callsign, const std::optional<std::string>& link,
                      const std::string& address, const std::optional<std::string>& extra)
{
    std::string text =
        extra ? format_bounded(kMessageSize, "Duplicate node callsign: %s>%s:%s|%s", callsign.c_str(),
                               text_or_empty(link), address.c_str(), extra->c_str())
              : format_bounded(kMessageSize, "Duplicate node callsign: %s>%s:%s", callsign.c_str(),
                               text_or_empty(link), address.c_str());
    report_message(owner, text.c_str(), "Duplicate node", kMbIconError);
}

}  // namespace

NodeSet insertNode(Window* owner, NodeSet set, const std::string& callsign, const std::optional<std::string>& link,
                   const std::string& address, const std::optional<std::string>& extra, uint32_t ordinal)
{
    if (!set) {
        auto entry = std::make_unique<NodeEntry>();
        entry->callsign = callsign;
        entry->link = link;
        entry->address = address;
        entry->extra = extra;
        entry->ordinal = ordinal;
        entry->pending = 1;
        return entry;
    }
    int order = compare_callsigns(callsign, set->callsign);
    if (order < 0) {
        set->left = insertNode(owner, std::move(set->left), callsign, link, address, extra, ordinal);
    } else if (order > 0) {
        set->right = insertNode(owner, std::move(set->right), callsign, link, address, extra, ordinal);
    } else {
        report_duplicate(owner, callsign, link, address, extra);
        return set;
    }
    return split(skew(std::move(set)));
}

NodeEntry* findNode(NodeEntry* set, const std::string& callsign)
{
    return const_cast<NodeEntry*>(findNode(static_cast<const NodeEntry*>(set), callsign));
}

const NodeEntry* findNode(const NodeEntry* set, const std::string& callsign)
{
    while (set) {
        int order = compare_callsigns(callsign, set->callsign);
        if (order == 0) return set;
        set = order < 0 ? set->left.get() : set->right.get();
    }
    return nullptr;
}

NodeEntry* findFavourite(NodeEntry* set)
{
    if (!set) return nullptr;
    if (set->ordinal == 0) return set;
    if (NodeEntry* found = findFavourite(set->left.get())) return found;
    return findFavourite(set->right.get());
}
