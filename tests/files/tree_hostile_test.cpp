// Every tree operation on every hostile tree, each in a child with a
// deadline: nothing outside the tree changes, nothing hangs, and what
// should be listed, packed or deleted is.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>

#include "files/zip/zip_peer_tools.h"
#include "support/hostile_tree.h"

namespace kavro::test {
namespace {

enum class Op {
  kListRecursive, kListStringForm, kListFlat, kListFiltered, kSubFolders,
  kDeleteDirectory, kDeleteEmptyDirectory, kPackToFile, kPackToMemory, kCopyListing,
};

const char* OpName(Op op) {
  switch (op) {
    case Op::kListRecursive: return "ListRecursive";
    case Op::kListStringForm: return "ListStringForm";
    case Op::kListFlat: return "ListFlat";
    case Op::kListFiltered: return "ListFiltered";
    case Op::kSubFolders: return "SubFolders";
    case Op::kDeleteDirectory: return "DeleteDirectory";
    case Op::kDeleteEmptyDirectory: return "DeleteEmptyDirectory";
    case Op::kPackToFile: return "PackToFile";
    case Op::kPackToMemory: return "PackToMemory";
    case Op::kCopyListing: return "CopyListing";
  }
  return "?";
}

// Wide text through the child's pipe: each unit as 8 hex digits, a line per path.
std::string Encode(const CStringArray& paths) {
  std::string out;
  char unit[9];
  for (INT_PTR i = 0; i < paths.GetSize(); ++i) {
    for (wchar_t c : paths[i].str()) {
      std::snprintf(unit, sizeof unit, "%08x", static_cast<unsigned>(c));
      out += unit;
    }
    out += '\n';
  }
  return out;
}

std::vector<std::wstring> Decode(const std::string& text) {
  std::vector<std::wstring> out;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    std::wstring path;
    for (size_t i = 0; i + 8 <= line.size(); i += 8)
      path.push_back(static_cast<wchar_t>(std::stoul(line.substr(i, 8), nullptr, 16)));
    out.push_back(path);
  }
  return out;
}

std::string Utf8Of(const std::wstring& text) {
  std::string out;
  for (wchar_t w : text) {
    const uint32_t c = static_cast<uint32_t>(w);
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | (c >> 6));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | (c >> 12));
      out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

bool EndsWithTxt(const std::wstring& name) {
  return name.size() >= 4 && CString(name.substr(name.size() - 4).c_str()).CompareNoCase(L".txt") == 0;
}

class HostileTreeTest : public ::testing::TestWithParam<std::tuple<HostileKind, Op>> {
 protected:
  HostileTreeTest() : box_(std::get<0>(GetParam())) {}

  void SetUp() override {
    outsideBefore_ = TakeSnapshot(box_.root(), {"tree"});
    treeBefore_ = TakeSnapshot(box_.tree());
    ASSERT_FALSE(treeBefore_.empty());
  }

  void TearDown() override {
    EXPECT_EQ(SnapshotDiff(outsideBefore_, TakeSnapshot(box_.root(), {"tree"})), "")
        << "something outside the tree changed";
  }

  // Where a link in the tree leads (stat), or 0 for an entry that is no link.
  mode_t TargetType(const std::string& relative) const {
    struct stat st;
    return stat((box_.tree() + "/" + relative).c_str(), &st) == 0 ? (st.st_mode & S_IFMT) : 0;
  }

  // The relative disk paths the recursive listing must give.
  std::set<std::string> ExpectedFiles(bool recurse) const {
    std::set<std::string> out;
    for (const auto& [path, e] : treeBefore_) {
      if (!recurse && path.find('/') != std::string::npos) continue;
      if (e.type == 'f' || (e.type == 'l' && TargetType(path) == S_IFREG)) out.insert(path);
    }
    return out;
  }

  void CheckListing(const std::vector<std::wstring>& listed, const std::set<std::string>& expected) {
    const std::wstring stem = box_.TreeWin().str() + L"\\";
    std::multiset<std::wstring> got, want;
    for (const std::wstring& p : listed) {
      EXPECT_EQ(p.compare(0, stem.size(), stem), 0);
      got.insert(p.substr(stem.size()));
    }
    for (const std::string& p : expected) want.insert(WindowsPathOf(p));
    EXPECT_TRUE(got == want) << "listed " << got.size() << ", expected " << want.size();
    // Each listed path leads back to its own entry, never another place.
    if (std::get<0>(GetParam()) == HostileKind::kDeep) return;
    for (const std::string& p : expected) {
      std::string mapped;
      ASSERT_TRUE(kavro::platform::KvMapPath((stem + WindowsPathOf(p)).c_str(), mapped));
      EXPECT_EQ(mapped, box_.tree() + "/" + p);
    }
  }

  void RunListing(Op op) {
    const CString tree = box_.TreeWin();
    ChildOutcome child = RunWithDeadline([&] {
      CStringArray files, filters;
      if (op == Op::kListRecursive) CStringOpr::getFilesInFolder(tree, files, filters, TRUE);
      if (op == Op::kListStringForm) CStringOpr::getFilesInFolder(tree + L"\\", files, TRUE, CString());
      if (op == Op::kListFlat) CStringOpr::getFilesInFolder(tree, files, FALSE, CString());
      if (op == Op::kListFiltered) CStringOpr::getFilesInFolder(tree, files, TRUE, L"*.txt");
      if (op == Op::kSubFolders) CStringOpr::getSubFolderInFolder(tree, files);
      return Encode(files);
    });
    ASSERT_TRUE(child.finished) << child.status;
    std::set<std::string> expected = ExpectedFiles(op != Op::kListFlat);
    if (op == Op::kListFiltered) {
      std::set<std::string> txt;
      for (const std::string& p : expected)
        if (EndsWithTxt(WindowsPathOf(p))) txt.insert(p);
      expected = txt;
    }
    if (op == Op::kSubFolders) {
      expected.clear();
      for (const auto& [path, e] : treeBefore_)
        if (path.find('/') == std::string::npos && (e.type == 'd' || (e.type == 'l' && TargetType(path) == S_IFDIR)))
          expected.insert(path);
    }
    CheckListing(Decode(child.text), expected);
    EXPECT_EQ(SnapshotDiff(treeBefore_, TakeSnapshot(box_.tree())), "") << "listing changed the tree";
  }

  void RunDelete(Op op) {
    const CString tree = box_.TreeWin();
    ChildOutcome child = RunWithDeadline([&] {
      if (op == Op::kDeleteDirectory) CStringOpr::DeleteDirectory(tree);
      else CStringOpr::DeleteEmptyDirectory(tree);
      return std::string();
    });
    ASSERT_TRUE(child.finished) << child.status;
    if (op == Op::kDeleteDirectory) {
      EXPECT_FALSE(Exists(box_.tree()));
      return;
    }
    // Folders holding nothing but folders go; everything else stays.
    Snapshot expected = treeBefore_;
    for (const auto& [path, e] : treeBefore_) {
      if (e.type != 'd') continue;
      const std::string prefix = path + "/";
      bool holdsMore = false;
      for (auto it = treeBefore_.lower_bound(prefix); it != treeBefore_.end() && it->first.rfind(prefix, 0) == 0; ++it)
        holdsMore = holdsMore || it->second.type != 'd';
      if (!holdsMore) expected.erase(path);
    }
    EXPECT_EQ(SnapshotDiff(expected, TakeSnapshot(box_.tree()), false), "");
  }

  // The stored names AddFolderContent must give, each with its content
  // (empty for folders), and whether every entry could be packed.
  std::map<std::string, std::string> ExpectedEntries(bool& complete) const {
    std::map<std::string, std::string> out;
    std::set<std::string> dropped;  // folders not packed: nothing below them is
    char real[PATH_MAX], rootReal[PATH_MAX];
    EXPECT_NE(realpath(box_.tree().c_str(), rootReal), nullptr);
    complete = true;
    for (const auto& [path, e] : treeBefore_) {
      const size_t slash = path.rfind('/');
      if (slash != std::string::npos && dropped.count(path.substr(0, slash))) {
        dropped.insert(path);
        continue;
      }
      std::wstring wide = WindowsPathOf(path);
      for (wchar_t& c : wide)
        if (c == L'\\') c = L'/';
      const mode_t target = e.type == 'l' ? TargetType(path) : 0;
      const bool folder = e.type == 'd' || target == S_IFDIR;
      std::string name = Utf8Of(wide) + (folder ? "/" : "");
      bool storable = name.size() <= 259;
      for (wchar_t c : wide) storable = storable && !(c >= 0xDC00 && c <= 0xDFFF);
      bool packed = storable && (folder || e.type == 'f');
      if (storable && target == S_IFREG) {
        const std::string full = box_.tree() + "/" + path;
        packed = realpath(full.c_str(), real) != nullptr &&
                 std::string(real).rfind(std::string(rootReal) + "/", 0) == 0;
      }
      if (!packed) {
        complete = false;
        dropped.insert(path);
        continue;
      }
      out[name] = folder ? std::string() : ReadBytes(box_.tree() + "/" + path);
    }
    return out;
  }

  void RunPack(Op op) {
    TempDir out;
    const CString tree = box_.TreeWin();
    const std::string archive = out.Sub("packed.zip");
    ChildOutcome child = RunWithDeadline([&] {
      ScopedAcp utf8(65001);
      const bool toFile = op == Op::kPackToFile;
      const CString target = out.Win("packed.zip");
      HZIPFILE zip = toFile ? CreateZipZ((void*)target.GetString(), 0, ZIPKIND_FILENAME)
                            : CreateZipZ(nullptr, 1 << 20, ZIPKIND_MEMORY);
      if (zip == nullptr) return std::string("no archive");
      const BOOL result = AddFolderContent(zip, tree, nullptr);
      if (!toFile) {
        void* base = nullptr;
        unsigned length = 0;
        if (ZipGetMemory(zip, &base, &length) == ZRES_SUCCESS)
          WriteBytes(archive, std::string(static_cast<const char*>(base), length));
      }
      const ZIPRESULT closed = CloseZipZ(zip);
      return std::string(result ? "TRUE" : "FALSE") + (closed == ZRES_SUCCESS ? "" : " close failed");
    });
    ASSERT_TRUE(child.finished) << child.status;
    bool complete = false;
    const std::map<std::string, std::string> expected = ExpectedEntries(complete);
    EXPECT_EQ(child.text, complete ? "TRUE" : "FALSE");
    std::vector<PeerEntry> entries;
    std::string error;
    ASSERT_TRUE(PythonList(archive, entries, error)) << error;
    std::map<std::string, std::string> got;
    for (const PeerEntry& e : entries) EXPECT_TRUE(got.emplace(e.name, e.content).second) << e.name;
    EXPECT_TRUE(got == expected) << "packed " << got.size() << " entries, expected " << expected.size();
    for (const auto& [name, content] : expected) {
      auto it = got.find(name);
      if (it == got.end()) ADD_FAILURE() << "missing " << name;
      else EXPECT_EQ(it->second, content) << name;
    }
    for (const auto& [name, content] : got)
      if (!expected.count(name)) ADD_FAILURE() << "packed unexpectedly " << name;
    EXPECT_EQ(SnapshotDiff(treeBefore_, TakeSnapshot(box_.tree())), "") << "packing changed the tree";
  }

  // The recursive listing copied elsewhere: every file of the tree arrives
  // with its content under its own name (case twins and deep ones too);
  // links and special files are not copied.
  void RunCopy() {
    TempDir out;
    const CString tree = box_.TreeWin();
    ChildOutcome child = RunWithDeadline([&] {
      CStringArray files;
      CStringOpr::getFilesInFolder(tree, files, TRUE, CString());
      CStringOpr::CopyFilesAndDirs(files, tree + L"\\", out.Win("copy\\"));
      return std::string();
    });
    ASSERT_TRUE(child.finished) << child.status;
    Snapshot expected;
    for (const auto& [path, e] : treeBefore_)
      if (e.type == 'f') expected[path] = e;
    Snapshot copied;
    for (const auto& [path, e] : TakeSnapshot(out.Sub("copy")))
      if (e.type != 'd') copied[path] = e;
    EXPECT_EQ(SnapshotDiff(expected, copied, false), "");
    EXPECT_EQ(SnapshotDiff(treeBefore_, TakeSnapshot(box_.tree())), "") << "copying changed the tree";
  }

  HostileSandbox box_;
  Snapshot outsideBefore_;
  Snapshot treeBefore_;
};

TEST_P(HostileTreeTest, StaysInsideFinishesAndCoversTheTree) {
  const Op op = std::get<1>(GetParam());
  switch (op) {
    case Op::kDeleteDirectory:
    case Op::kDeleteEmptyDirectory: RunDelete(op); break;
    case Op::kPackToFile:
    case Op::kPackToMemory: RunPack(op); break;
    case Op::kCopyListing: RunCopy(); break;
    default: RunListing(op); break;
  }
}

INSTANTIATE_TEST_SUITE_P(
    AllTrees, HostileTreeTest,
    ::testing::Combine(::testing::ValuesIn(AllHostileKinds()),
                       ::testing::Values(Op::kListRecursive, Op::kListStringForm, Op::kListFlat, Op::kListFiltered,
                                         Op::kSubFolders, Op::kDeleteDirectory, Op::kDeleteEmptyDirectory,
                                         Op::kPackToFile, Op::kPackToMemory, Op::kCopyListing)),
    [](const ::testing::TestParamInfo<std::tuple<HostileKind, Op>>& info) {
      return std::string(HostileKindName(std::get<0>(info.param))) + "_" + OpName(std::get<1>(info.param));
    });

// The test folders' own clean-up: a tree past PATH_MAX with read-only
// levels, special files and links goes whole, and the links' targets stay.
TEST(HostileSandboxCleanUp, RemovesDeepAndReadOnlyTrees) {
  TempDir keep;
  WriteBytes(keep.Sub("target.txt"), "t");
  std::string root;
  for (HostileKind kind : AllHostileKinds()) {
    SCOPED_TRACE(HostileKindName(kind));
    {
      HostileSandbox box(kind);
      root = box.root();
      ASSERT_EQ(symlink(keep.Sub("target.txt").c_str(), (box.tree() + "/to-keep").c_str()), 0);
      chmod(box.tree().c_str(), 0555);
    }
    EXPECT_FALSE(Exists(root));
    EXPECT_EQ(ReadBytes(keep.Sub("target.txt")), "t");
  }
}

}  // namespace
}  // namespace kavro::test
