#include "strings/name_watch.h"

#include <algorithm>
#include <numeric>

#include "strings/strings.h"

namespace kanadeya {

NameWatch::NameWatch(const std::vector<std::string>& names) {
  // The trie is built from the names in byte order: each name shares its
  // nodes with the one before it up to their common prefix, so no child
  // needs looking up, and every node's children come in the order of their
  // bytes.
  std::vector<uint32_t> order(names.size());
  std::iota(order.begin(), order.end(), 0u);
  std::sort(order.begin(), order.end(),
            [&names](uint32_t a, uint32_t b) { return names[a] < names[b]; });
  std::vector<uint32_t> parent{0};
  byte_.push_back(0);
  flags_.push_back(0);
  node_of_name_.assign(names.size(), 0);
  std::vector<uint32_t> path{0};  // the nodes of the previous name's prefixes
  std::string_view previous;
  for (const uint32_t i : order) {
    const std::string_view name = names[i];
    size_t common = 0;
    while (common < previous.size() && common < name.size() && previous[common] == name[common])
      ++common;
    path.resize(common + 1);
    for (size_t d = common; d < name.size(); ++d) {
      const uint32_t up = path[d];
      const auto b = static_cast<unsigned char>(name[d]);
      const bool pending = (flags_[up] & kPending) == 0 && IsLeadByte(b);
      path.push_back(static_cast<uint32_t>(byte_.size()));
      parent.push_back(up);
      byte_.push_back(b);
      flags_.push_back(pending ? kPending : 0);
    }
    if (!name.empty()) flags_[path[name.size()]] |= kTerminal;
    node_of_name_[i] = path[name.size()];
    previous = name;
  }

  const size_t count = byte_.size();
  first_child_.assign(count + 1, 0);
  for (size_t v = 1; v < count; ++v) ++first_child_[parent[v] + 1];
  for (size_t u = 0; u < count; ++u) first_child_[u + 1] += first_child_[u];
  children_.resize(count - 1);
  {
    std::vector<uint32_t> next(first_child_.begin(), first_child_.end() - 1);
    for (size_t v = 1; v < count; ++v) children_[next[parent[v]]++] = static_cast<uint32_t>(v);
  }
  std::vector<uint32_t>().swap(parent);

  // Failure links, shallow nodes first: the suffix of a node's text that
  // starts on its last character boundary and is itself a node.
  fail_.assign(count, 0);
  output_.assign(count, kNone);
  std::vector<uint32_t> queue{0};
  queue.reserve(count);
  for (size_t q = 0; q < queue.size(); ++q) {
    const uint32_t u = queue[q];
    const bool second = (flags_[u] & kPending) != 0;
    for (uint32_t k = first_child_[u]; k < first_child_[u + 1]; ++k) {
      const uint32_t v = children_[k];
      queue.push_back(v);
      const uint32_t f = u == 0 ? 0 : Next(fail_[u], byte_[v], second);
      fail_[v] = f;
      output_[v] = (flags_[f] & kTerminal) != 0 ? f : output_[f];
    }
  }
}

void NameWatch::Restart() {
  for (uint8_t& f : flags_) f = static_cast<uint8_t>(f & ~kSeen);
  state_ = 0;
  pending_ = false;
}

void NameWatch::Append(std::string_view more) {
  for (const char c : more) {
    const auto b = static_cast<unsigned char>(c);
    const bool second = pending_;
    state_ = Next(state_, b, second);
    pending_ = !second && IsLeadByte(b);
    // Names seen once stay seen, and so do all names that end inside them:
    // the walk stops at the first one already marked.
    uint32_t x = (flags_[state_] & kTerminal) != 0 ? state_ : output_[state_];
    for (; x != kNone && (flags_[x] & kSeen) == 0; x = output_[x]) flags_[x] |= kSeen;
  }
}

uint32_t NameWatch::Child(uint32_t node, unsigned char byte) const {
  const auto begin = children_.begin() + first_child_[node];
  const auto end = children_.begin() + first_child_[node + 1];
  const auto at = std::lower_bound(
      begin, end, byte, [this](uint32_t child, unsigned char b) { return byte_[child] < b; });
  return at != end && byte_[*at] == byte ? *at : kNone;
}

uint32_t NameWatch::Next(uint32_t node, unsigned char byte, bool second) const {
  // Away from the root a node's text ends as the text does, so only the root
  // must refuse a second byte: no name starts there.
  for (;;) {
    if (node != 0 || !second) {
      if (const uint32_t child = Child(node, byte); child != kNone) return child;
    }
    if (node == 0) return 0;
    node = fail_[node];
  }
}

}  // namespace kanadeya
