// The list of file operations waiting for the next start, kept where Windows
// keeps it: HKLM\SYSTEM\CurrentControlSet\Control\Session Manager, value
// PendingFileRenameOperations (REG_MULTI_SZ, pairs of "\??\source" and
// "\??\target", "!\??\target" when the target may be replaced, an empty
// target for a deletion). On Linux "the next start" is the next time the
// library loads: the list is taken out of the store in one locked edit and
// carried out before any product module can run.
#include <vector>

#include "KavroStd/platform/fileapi.h"
#include "platform/fs/delayed_move_internal.h"
#include "platform/registry/registry_internal.h"

namespace kavro::platform::reg {
namespace {

const std::vector<std::u16string>& SessionManagerPath() {
  static const std::vector<std::u16string> path = {u"SYSTEM", u"CurrentControlSet", u"Control", u"Session Manager"};
  return path;
}
constexpr char16_t kPendingValue[] = u"PendingFileRenameOperations";
constexpr char16_t kNtPrefix[] = u"\\??\\";

void AppendUtf16(std::string& data, const std::u16string& text) {
  for (char16_t u : text) {
    data.push_back(static_cast<char>(u & 0xFF));
    data.push_back(static_cast<char>(u >> 8));
  }
  data.append(2, '\0');
}

// The strings of REG_MULTI_SZ data, empty ones included, up to the final
// terminator; a last string without its zero still counts.
std::vector<std::u16string> SplitMultiString(const std::string& data) {
  std::vector<std::u16string> strings;
  std::u16string current;
  for (size_t i = 0; i + 1 < data.size(); i += 2) {
    char16_t u = static_cast<char16_t>(static_cast<unsigned char>(data[i]) |
                                       static_cast<unsigned char>(data[i + 1]) << 8);
    if (u == 0) {
      strings.push_back(current);
      current.clear();
    } else {
      current.push_back(u);
    }
  }
  if (!current.empty()) strings.push_back(current);
  // The list's own terminator reads as one empty string at the end.
  if (strings.size() % 2 == 1 && strings.back().empty()) strings.pop_back();
  return strings;
}

DWORD RecordPendingMove(const std::wstring& from, const std::wstring& to, bool replace) {
  std::u16string source = kNtPrefix + ToU16(from.c_str(), from.size());
  std::u16string target;
  if (!to.empty()) target = (replace ? u"!" : u"") + std::u16string(kNtPrefix) + ToU16(to.c_str(), to.size());
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  return EditRoot(Root::kMachine, [&](Key& tree) {
    Key* key = &tree;
    for (const std::u16string& name : SessionManagerPath()) key = key->AddSubkey(name);
    std::string data;
    if (const Value* old = key->FindValue(kPendingValue); old && old->type == REG_MULTI_SZ) {
      for (const std::u16string& s : SplitMultiString(old->data)) AppendUtf16(data, s);
    }
    AppendUtf16(data, source);
    AppendUtf16(data, target);
    data.append(2, '\0');
    key->SetValue(kPendingValue, REG_MULTI_SZ, std::move(data));
    return static_cast<DWORD>(ERROR_SUCCESS);
  });
}

// Takes the pending list out of the store; empty when there is none.
std::vector<std::u16string> TakePendingList() {
  std::vector<std::u16string> strings;
  bool present = false;
  ReadRoot(Root::kMachine, [&](const Key& tree) {
    const Key* key = FindPath(tree, SessionManagerPath());
    present = key && key->FindValue(kPendingValue);
    return static_cast<DWORD>(ERROR_SUCCESS);
  });
  if (!present) return strings;  // the common case: no locked edit at all
  std::lock_guard<std::recursive_mutex> guard(StoreMutex());
  EditRoot(Root::kMachine, [&](Key& tree) {
    Key* key = FindPath(tree, SessionManagerPath());
    const Value* value = key ? key->FindValue(kPendingValue) : nullptr;
    if (!value) return kNoChange;
    if (value->type == REG_MULTI_SZ) strings = SplitMultiString(value->data);
    key->RemoveValue(kPendingValue);
    return static_cast<DWORD>(ERROR_SUCCESS);
  });
  return strings;
}

std::wstring WithoutNtPrefix(std::u16string text) {
  if (text.compare(0, 4, kNtPrefix) == 0) text.erase(0, 4);
  return FromU16(text);
}

// Carries out the list in order. An operation that fails is dropped, as the
// system drops it at start-up; the rest still run.
void RunPendingMoves() {
  std::vector<std::u16string> list = TakePendingList();
  for (size_t i = 0; i + 1 < list.size(); i += 2) {
    if (list[i].empty()) continue;
    std::wstring from = WithoutNtPrefix(list[i]);
    std::u16string target = list[i + 1];
    if (target.empty()) {
      if (!DeleteFileW(from.c_str())) RemoveDirectoryW(from.c_str());
      continue;
    }
    bool replace = target[0] == u'!';
    if (replace) target.erase(0, 1);
    std::wstring to = WithoutNtPrefix(target);
    MoveFileExW(from.c_str(), to.c_str(), replace ? MOVEFILE_REPLACE_EXISTING : 0);
  }
}

// Installs the recorder and runs what an earlier process left, once per load.
struct PendingMovesAtLoad {
  PendingMovesAtLoad() {
    SetDelayedMoveRecorder(&RecordPendingMove);
    RunPendingMoves();
  }
} pendingMovesAtLoad;

}  // namespace
}  // namespace kavro::platform::reg
