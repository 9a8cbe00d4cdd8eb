// Wildcard matching with "*", "?", optional characters ("^") and a set of
// characters the wildcards may stand for.
//
// The pattern becomes a chain of items (a literal, "?" or "*", each literal
// and "?" possibly optional) read as a nondeterministic automaton: state s
// means "items before s are matched". The text is read once, carrying the
// set of live states, so the time is the text's length times a factor that
// depends on the pattern only. Up to 63 items the set is one 64-bit word and
// a step is a few word operations (cached per set for long texts); longer
// patterns walk the states one by one.
#include <algorithm>
#include <cstdint>
#include <cwchar>
#include <unordered_map>
#include <utility>
#include <vector>

#include "KavroStd/text.h"

namespace {

struct Item {
  enum Kind { kLiteral, kAny, kStar } kind;
  wchar_t ch;
  bool optional;
};

std::vector<Item> ParsePattern(const CString& pattern) {
  std::vector<Item> items;
  bool optional = false;
  for (int i = 0; i < pattern.GetLength(); ++i) {
    const wchar_t c = pattern[i];
    if (c == L'^') {
      optional = true;
      continue;
    }
    if (c == L'*') {
      // A star may match nothing already; two in a row are one.
      if (items.empty() || items.back().kind != Item::kStar) items.push_back({Item::kStar, 0, false});
    } else {
      items.push_back({c == L'?' ? Item::kAny : Item::kLiteral, c, optional});
    }
    optional = false;
  }
  return items;
}

// The characters "*" and "?" may stand for; every character when empty.
class AllowedSet {
 public:
  explicit AllowedSet(const CString& allowed) : any_(allowed.IsEmpty()) {
    for (int i = 0; i < allowed.GetLength(); ++i) {
      const wchar_t c = allowed[i];
      if (static_cast<uint32_t>(c) < 128)
        ascii_[c >> 6] |= uint64_t{1} << (c & 63);
      else
        other_.push_back(c);
    }
    std::sort(other_.begin(), other_.end());
  }
  bool IsAny() const { return any_; }
  bool Contains(wchar_t c) const {
    if (any_) return true;
    if (static_cast<uint32_t>(c) < 128) return (ascii_[c >> 6] >> (c & 63)) & 1;
    return std::binary_search(other_.begin(), other_.end(), c);
  }

 private:
  bool any_;
  uint64_t ascii_[2] = {0, 0};
  std::vector<wchar_t> other_;
};

bool Consumes(const Item& item, wchar_t c, const AllowedSet& allowed) {
  switch (item.kind) {
    case Item::kLiteral:
      return item.ch == c;
    case Item::kAny:
      return item.optional || allowed.Contains(c);  // an optional "?" takes any character
    case Item::kStar:
      return false;
  }
  return false;
}

bool Skippable(const Item& item) { return item.kind == Item::kStar || item.optional; }

// Up to 63 items: bit s of a word is state s.
class WordAutomaton {
 public:
  WordAutomaton(const std::vector<Item>& items, const AllowedSet& allowed)
      : allowed_(allowed), final_(uint64_t{1} << items.size()) {
    for (size_t s = 0; s < items.size(); ++s) {
      const uint64_t bit = uint64_t{1} << s;
      const Item& item = items[s];
      if (item.kind == Item::kStar) stars_ |= bit;
      if (item.kind == Item::kAny) (item.optional ? anyOptional_ : any_) |= bit;
      if (item.kind == Item::kLiteral) {
        literals_.emplace_back(item.ch, bit);
        if (static_cast<uint32_t>(item.ch) < kAscii) asciiLiteral_[item.ch] |= bit;
      }
      // Runs of skippable items: runStart_ marks each run's first state,
      // runEnd_ the state just past it, skipTargets_ the states a skip reaches.
      if (Skippable(item)) {
        if (s == 0 || !Skippable(items[s - 1])) runStart_ |= bit;
        if (s + 1 == items.size() || !Skippable(items[s + 1])) runEnd_ |= bit << 1;
        skipTargets_ |= bit << 1;
      }
    }
    std::sort(literals_.begin(), literals_.end());
    for (uint32_t c = 0; c < kAscii; ++c) asciiAllowed_[c] = allowed.Contains(static_cast<wchar_t>(c));
  }

  static constexpr uint32_t kAscii = 128;

  uint64_t Start() const { return Close(1); }
  bool Accepts(uint64_t states) const { return (states & final_) != 0; }

  // Without an allowed set every character the pattern does not name steps
  // alike: StepOther is that step.
  bool AllAllowed() const { return allowed_.IsAny(); }
  uint64_t StepOther(uint64_t states) const {
    return Close(((states & (any_ | anyOptional_)) << 1) | (states & stars_));
  }
  const std::vector<std::pair<wchar_t, uint64_t>>& Literals() const { return literals_; }

  uint64_t Step(uint64_t states, wchar_t c) const {
    uint64_t consume;
    bool allowed;
    if (static_cast<uint32_t>(c) < kAscii) {
      consume = asciiLiteral_[c];
      allowed = asciiAllowed_[c];
    } else {
      consume = LiteralBits(c);
      allowed = allowed_.Contains(c);
    }
    if (allowed) consume |= any_;
    consume |= anyOptional_;
    return Close(((states & consume) << 1) | (allowed ? states & stars_ : 0));
  }

 private:
  // Adds every state reachable by skipping stars and optional items. Within
  // a run, the lowest live state p reaches p+1 .. the run's end: subtracting
  // the run's first bit flips exactly the bits from there up to p.
  uint64_t Close(uint64_t states) const {
    const uint64_t withEnds = states | runEnd_;
    return states | (skipTargets_ & ~(withEnds ^ (withEnds - runStart_)));
  }

  uint64_t LiteralBits(wchar_t c) const {
    auto it = std::lower_bound(literals_.begin(), literals_.end(), std::make_pair(c, uint64_t{0}));
    uint64_t bits = 0;
    for (; it != literals_.end() && it->first == c; ++it) bits |= it->second;
    return bits;
  }

  const AllowedSet& allowed_;
  const uint64_t final_;
  uint64_t stars_ = 0, any_ = 0, anyOptional_ = 0;
  uint64_t runStart_ = 0, runEnd_ = 0, skipTargets_ = 0;
  uint64_t asciiLiteral_[kAscii] = {};
  bool asciiAllowed_[kAscii] = {};
  std::vector<std::pair<wchar_t, uint64_t>> literals_;
};

bool MatchWords(const WordAutomaton& automaton, const wchar_t* text, size_t length) {
  uint64_t states = automaton.Start();
  for (size_t j = 0; j < length && states; ++j) states = automaton.Step(states, text[j]);
  return automaton.Accepts(states);
}

// For long texts the automaton's steps on ASCII characters are remembered
// per set of states (a deterministic automaton built as the text needs it),
// so a character costs one table look-up. A set that no character changes
// ends the reading; one that only one character changes jumps to that
// character's next occurrence (wmemchr). The number of sets kept is
// bounded; past it the rest of the text is stepped directly.
class CachedWordMatcher {
 public:
  explicit CachedWordMatcher(const WordAutomaton& automaton) : automaton_(automaton) {}

  bool Match(const wchar_t* text, size_t length) {
    int32_t s = Intern(automaton_.Start());
    size_t j = 0;
    while (j < length) {
      if (sets_[s] == 0) return false;
      const Skip skip = skips_[s];
      if (skip.kind == Skip::kToEnd) break;
      if (skip.kind == Skip::kToChar) {
        const wchar_t* hit = wmemchr(text + j, skip.ch, length - j);
        if (!hit) break;
        j = static_cast<size_t>(hit - text);
      }
      // A block of characters without tests between the steps, so that the
      // loop does not stall on branches that depend on the text.
      for (const size_t end = std::min(length, j + kBlock); j < end; ++j) {
        const int32_t next = Step(s, text[j]);
        if (next < 0) return MatchWordsFrom(automaton_.Step(sets_[s], text[j]), text + j + 1, length - j - 1);
        s = next;
      }
    }
    return automaton_.Accepts(sets_[s]);
  }

 private:
  static constexpr size_t kMaxSets = 512;
  static constexpr size_t kBlock = 64;
  static constexpr uint32_t kAscii = WordAutomaton::kAscii;

  struct Skip {
    enum Kind { kNone, kToChar, kToEnd } kind;
    wchar_t ch;
  };

  int32_t Step(int32_t s, wchar_t c) {
    if (static_cast<uint32_t>(c) >= kAscii) return Intern(automaton_.Step(sets_[s], c));
    const size_t slot = static_cast<size_t>(s) * kAscii + c;
    int32_t next = steps_[slot];
    if (next < 0) {
      next = Intern(automaton_.Step(sets_[s], c));
      if (next >= 0) steps_[slot] = next;
    }
    return next;
  }

  // How far the text may be skipped in a set: to the end when no character
  // changes it, to the next occurrence of the one character that does.
  Skip SkipFor(uint64_t states) const {
    if (!automaton_.AllAllowed() || automaton_.StepOther(states) != states) return {Skip::kNone, 0};
    Skip skip = {Skip::kToEnd, 0};
    for (const auto& literal : automaton_.Literals()) {
      if (literal.first == skip.ch || automaton_.Step(states, literal.first) == states) continue;
      if (skip.kind == Skip::kToChar) return {Skip::kNone, 0};
      skip = {Skip::kToChar, literal.first};
    }
    return skip;
  }

  // The number of a set of states, -1 when the table is full.
  int32_t Intern(uint64_t states) {
    auto found = numbers_.find(states);
    if (found != numbers_.end()) return found->second;
    if (sets_.size() >= kMaxSets) return -1;
    const int32_t number = static_cast<int32_t>(sets_.size());
    sets_.push_back(states);
    skips_.push_back(SkipFor(states));
    steps_.resize(steps_.size() + kAscii, -1);
    numbers_.emplace(states, number);
    return number;
  }

  bool MatchWordsFrom(uint64_t states, const wchar_t* text, size_t length) const {
    for (size_t j = 0; j < length && states; ++j) states = automaton_.Step(states, text[j]);
    return automaton_.Accepts(states);
  }

  const WordAutomaton& automaton_;
  std::vector<uint64_t> sets_;
  std::vector<Skip> skips_;
  std::vector<int32_t> steps_;  // [set number * 128 + character] -> set number, -1 unknown
  std::unordered_map<uint64_t, int32_t> numbers_;
};

// Any number of items: one flag per state.
bool MatchStateByState(const std::vector<Item>& items, const AllowedSet& allowed, const CString& text) {
  const size_t k = items.size();
  std::vector<char> states(k + 1, 0), next(k + 1, 0);
  auto close = [&](std::vector<char>& live) {
    for (size_t s = 0; s < k; ++s)
      if (live[s] && Skippable(items[s])) live[s + 1] = 1;
  };
  states[0] = 1;
  close(states);
  for (int j = 0; j < text.GetLength(); ++j) {
    const wchar_t c = text.GetString()[j];
    const bool inSet = allowed.Contains(c);
    std::fill(next.begin(), next.end(), 0);
    bool any = false;
    for (size_t s = 0; s < k; ++s) {
      if (!states[s]) continue;
      if (Consumes(items[s], c, allowed)) {
        next[s + 1] = 1;
        any = true;
      }
      if (items[s].kind == Item::kStar && inSet) {
        next[s] = 1;
        any = true;
      }
    }
    if (!any) return false;
    close(next);
    states.swap(next);
  }
  return states[k] != 0;
}

}  // namespace

int CStringOpr::WildMatch(CString pattern, CString text, CString allowed) const {
  const std::vector<Item> items = ParsePattern(pattern);
  const AllowedSet set(allowed);
  if (items.size() >= 64) return MatchStateByState(items, set, text) ? TRUE : FALSE;
  const WordAutomaton automaton(items, set);
  // Below this length building the cache costs more than it saves.
  constexpr int kCachedFrom = 256;
  const size_t length = text.GetLength();
  if (length < kCachedFrom) return MatchWords(automaton, text.GetString(), length) ? TRUE : FALSE;
  return CachedWordMatcher(automaton).Match(text.GetString(), length) ? TRUE : FALSE;
}
