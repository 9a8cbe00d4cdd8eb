// The key tree: case-insensitive lookups over names kept as written, subkeys
// sorted by folded name, values in the order they were first set.
#include <algorithm>

#include "KavroStd/platform/cstring.h"
#include "platform/registry/registry_internal.h"

namespace kavro::platform::reg {
namespace {
// Keys with fewer values find them by a scan.
constexpr size_t kIndexFrom = 16;

bool FoldedLess(const std::unique_ptr<Key>& a, const std::u16string& b) { return a->folded() < b; }
}  // namespace

std::u16string Fold(const std::u16string& name) {
  std::u16string out(name);
  for (char16_t& c : out) {
    if (c < 0x80) {
      if (c >= u'a' && c <= u'z') c = static_cast<char16_t>(c - 32);
    } else if (c < 0xD800 || c > 0xDFFF) {
      wchar_t up = ToUpper(static_cast<wchar_t>(c));
      if (up <= 0xFFFF) c = static_cast<char16_t>(up);
    }
  }
  return out;
}

std::u16string ToU16(const wchar_t* text, size_t length) {
  std::u16string out;
  out.reserve(length);
  for (size_t i = 0; i < length; ++i) {
    uint32_t c = static_cast<uint32_t>(text[i]);
    if (c > 0x10FFFF) c = 0xFFFD;
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<char16_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
    } else {
      out.push_back(static_cast<char16_t>(c));
    }
  }
  return out;
}

std::wstring FromU16(const std::u16string& text) {
  std::wstring out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    char16_t c = text[i];
    if (c >= 0xD800 && c < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      out.push_back(static_cast<wchar_t>(0x10000 + ((c - 0xD800) << 10) + (text[i + 1] - 0xDC00)));
      ++i;
    } else {
      out.push_back(static_cast<wchar_t>(c));
    }
  }
  return out;
}

Key::Key(std::u16string keyName) : name_(std::move(keyName)), folded_(Fold(name_)) {}

Key* Key::FindSubkey(const std::u16string& folded) const {
  auto it = std::lower_bound(subkeys_.begin(), subkeys_.end(), folded, FoldedLess);
  return it != subkeys_.end() && (*it)->folded() == folded ? it->get() : nullptr;
}

Key* Key::AddSubkey(const std::u16string& keyName, bool* created) {
  std::u16string folded = Fold(keyName);
  auto it = std::lower_bound(subkeys_.begin(), subkeys_.end(), folded, FoldedLess);
  if (it != subkeys_.end() && (*it)->folded() == folded) {
    if (created) *created = false;
    return it->get();
  }
  if (created) *created = true;
  return subkeys_.insert(it, std::make_unique<Key>(keyName))->get();
}

bool Key::RemoveSubkey(const std::u16string& folded) {
  auto it = std::lower_bound(subkeys_.begin(), subkeys_.end(), folded, FoldedLess);
  if (it == subkeys_.end() || (*it)->folded() != folded) return false;
  subkeys_.erase(it);
  return true;
}

size_t Key::ValueIndex(const std::u16string& folded) const {
  if (!valueIndex_.empty()) {
    auto it = valueIndex_.find(folded);
    return it == valueIndex_.end() ? values_.size() : it->second;
  }
  for (size_t i = 0; i < values_.size(); ++i)
    if (values_[i].name.size() == folded.size() && Fold(values_[i].name) == folded) return i;
  return values_.size();
}

void Key::RebuildIndex() {
  valueIndex_.clear();
  if (values_.size() < kIndexFrom) return;
  for (size_t i = 0; i < values_.size(); ++i) valueIndex_.emplace(Fold(values_[i].name), i);
}

const Value* Key::FindValue(const std::u16string& valueName) const {
  size_t i = ValueIndex(Fold(valueName));
  return i < values_.size() ? &values_[i] : nullptr;
}

void Key::SetValue(const std::u16string& valueName, DWORD type, std::string data) {
  std::u16string folded = Fold(valueName);
  size_t i = ValueIndex(folded);
  if (i < values_.size()) {
    values_[i].type = type;
    values_[i].data = std::move(data);
    values_[i].line.clear();
    return;
  }
  values_.push_back(Value{valueName, type, std::move(data), {}});
  if (!valueIndex_.empty())
    valueIndex_.emplace(std::move(folded), values_.size() - 1);
  else if (values_.size() >= kIndexFrom)
    RebuildIndex();
}

bool Key::RemoveValue(const std::u16string& valueName) {
  size_t i = ValueIndex(Fold(valueName));
  if (i >= values_.size()) return false;
  values_.erase(values_.begin() + static_cast<std::ptrdiff_t>(i));
  RebuildIndex();
  return true;
}

std::unique_ptr<Key> Key::Clone() const {
  auto copy = std::make_unique<Key>(name_);
  copy->values_ = values_;
  copy->valueIndex_ = valueIndex_;
  copy->subkeys_.reserve(subkeys_.size());
  for (const auto& sub : subkeys_) copy->subkeys_.push_back(sub->Clone());
  return copy;
}

Key* FindPath(const Key& root, const std::vector<std::u16string>& path) {
  const Key* key = &root;
  for (const std::u16string& part : path) {
    key = key->FindSubkey(Fold(part));
    if (!key) return nullptr;
  }
  return const_cast<Key*>(key);
}

}  // namespace kavro::platform::reg
