// Which of a fixed set of names occur in a Shift_JIS text that grows at its
// end, each byte appended at amortised constant cost.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kanadeya {

// Which of a fixed set of names occur in a text that grows at its end. An
// occurrence counts only where it starts on a character boundary of the
// text, exactly as CharFind finds it, so a name occurs when CharFind(text,
// name) != 0 would say so. Each byte appended costs amortised constant time
// however many names there are (a trie of the names with failure links), so
// a page with a million authors is placed in linear time, where searching
// the whole text again for every name would take its square.
//
// The character boundary is kept by a flag per trie node: whether the node's
// text ends on a lead byte, so that the next byte is its second byte. A match
// can start anywhere but at such a second byte.
class NameWatch {
 public:
  // The watch keeps no reference to `names`.
  explicit NameWatch(const std::vector<std::string>& names);

  // The text is empty again.
  void Restart();
  // The text grows by `more`.
  void Append(std::string_view more);
  // True when names[i] occurs in the text; an empty name never does.
  bool Occurs(size_t i) const { return (flags_[node_of_name_[i]] & kSeen) != 0; }

 private:
  static constexpr uint32_t kNone = UINT32_MAX;
  static constexpr uint8_t kPending = 1;   // the node's text ends on a lead byte
  static constexpr uint8_t kTerminal = 2;  // a name ends at the node
  static constexpr uint8_t kSeen = 4;      // that name occurs in the text

  uint32_t Child(uint32_t node, unsigned char byte) const;
  // The node reached from `node` by `byte` (`second` when the byte is the
  // second byte of a character), following failure links as far as needed.
  uint32_t Next(uint32_t node, unsigned char byte, bool second) const;

  // Node 0 is the root; the arrays are indexed by node.
  std::vector<unsigned char> byte_;  // the byte on the edge into the node
  std::vector<uint8_t> flags_;
  std::vector<uint32_t> first_child_;  // children_[first_child_[n], first_child_[n + 1])
  std::vector<uint32_t> children_;     // ordered by byte
  std::vector<uint32_t> fail_;         // the longest proper suffix that is a node
  std::vector<uint32_t> output_;       // the next node along fail_ where a name ends
  std::vector<uint32_t> node_of_name_;
  uint32_t state_ = 0;
  bool pending_ = false;  // the text ends on a lead byte
};

}  // namespace kanadeya
