// Fuzz target for the tree walks: each input builds a random tree in a
// sandbox folder (names from a small alphabet holding '\', dots and the
// characters Windows forbids; folders, files, links inside and out, FIFOs,
// deep chains, read-only parts), then lists it, packs it to memory, copies
// it over its listing and deletes it. Anything that changes outside the
// tree and its copy, a packed name that climbs out, packed content read
// from outside, or a tree left behind aborts.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"

namespace {

constexpr char kSecret[] = "OUTSIDE-SECRET";

struct Entry {
  char type;
  mode_t mode;
  std::string detail;  // content or link target
  bool operator==(const Entry& o) const { return type == o.type && mode == o.mode && detail == o.detail; }
};
using Snapshot = std::map<std::string, Entry>;

void Snap(int fd, const std::string& prefix, Snapshot& out) {
  std::vector<std::string> names;
  if (DIR* dir = fdopendir(dup(fd))) {
    while (dirent* e = readdir(dir))
      if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
    closedir(dir);
  }
  for (const std::string& n : names) {
    struct stat st;
    if (fstatat(fd, n.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) continue;
    Entry e{S_ISDIR(st.st_mode) ? 'd' : S_ISREG(st.st_mode) ? 'f' : S_ISLNK(st.st_mode) ? 'l' : 'o',
            st.st_mode & 07777, std::string()};
    char buffer[4096];
    if (e.type == 'l') {
      const ssize_t len = readlinkat(fd, n.c_str(), buffer, sizeof buffer);
      if (len > 0) e.detail.assign(buffer, static_cast<size_t>(len));
    }
    const int sub = openat(fd, n.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC | (e.type == 'd' ? O_DIRECTORY : 0));
    if (sub >= 0 && e.type == 'f') {
      ssize_t got;
      while ((got = read(sub, buffer, sizeof buffer)) > 0) e.detail.append(buffer, static_cast<size_t>(got));
    }
    out[prefix + n] = e;
    if (sub >= 0 && e.type == 'd') Snap(sub, prefix + n + "/", out);
    if (sub >= 0) close(sub);
  }
}

Snapshot TakeSnapshot(const std::string& folder) {
  Snapshot out;
  const int fd = open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd >= 0) {
    Snap(fd, "", out);
    close(fd);
  }
  return out;
}

void RemoveAt(int parent, const std::string& name) {
  struct stat st;
  if (fstatat(parent, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return;
  if (S_ISDIR(st.st_mode)) {
    fchmodat(parent, name.c_str(), 0700, AT_SYMLINK_NOFOLLOW);
    const int fd = openat(parent, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd >= 0) {
      std::vector<std::string> names;
      if (DIR* dir = fdopendir(dup(fd))) {
        while (dirent* e = readdir(dir))
          if (strcmp(e->d_name, ".") != 0 && strcmp(e->d_name, "..") != 0) names.push_back(e->d_name);
        closedir(dir);
      }
      for (const std::string& n : names) RemoveAt(fd, n);
      close(fd);
    }
  }
  unlinkat(parent, name.c_str(), S_ISDIR(st.st_mode) ? AT_REMOVEDIR : 0);
}

void Fail(const char* what, const std::string& detail = std::string()) {
  std::fprintf(stderr, "tree_ops_fuzz: %s %s\n", what, detail.c_str());
  std::abort();
}

// The fixed surroundings: base/outside (link targets, a secret) and
// base/sandbox/victim; each run's tree is base/sandbox/tree.
struct Place {
  std::string base, outside, sandbox, tree, copy, victim;
  Snapshot outsideBefore, victimBefore;
};

void RemoveBase(const std::string& base) {
  const int root = open("/", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  RemoveAt(root, base.substr(1));
  close(root);
}

Place* ThePlace() {
  static Place* place = [] {
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/kavro-tree-fuzz-XXXXXX";
    if (!mkdtemp(pattern.data())) Fail("mkdtemp");
    Place* p = new Place;
    p->base = pattern;
    p->outside = p->base + "/outside";
    p->sandbox = p->base + "/sandbox";
    p->tree = p->sandbox + "/tree";
    p->copy = p->sandbox + "/copy";
    p->victim = p->sandbox + "/victim";
    mkdir(p->outside.c_str(), 0755);
    mkdir((p->outside + "/dir").c_str(), 0755);
    FILE* f = std::fopen((p->outside + "/secret").c_str(), "w");
    if (f != nullptr) {
      std::fputs(kSecret, f);
      std::fclose(f);
    }
    p->outsideBefore = TakeSnapshot(p->base);
    std::atexit([] { RemoveBase(ThePlace()->base); });
    return p;
  }();
  return place;
}

// Reads the input as a program that builds the tree.
class Builder {
 public:
  Builder(const uint8_t* data, size_t size, const Place& place) : data_(data), size_(size), place_(place) {}

  void Build(int treeFd) {
    std::vector<int> stack{dup(treeFd)};
    size_t made = 0;
    while (pos_ < size_ && made++ < 400) Step(stack);
    for (int fd : stack) close(fd);
  }

 private:
  uint8_t Next() { return pos_ < size_ ? data_[pos_++] : 0; }

  std::string Name() {
    static const char alphabet[] = {'a', 'B', 'b', '\\', '.', ':', '*', '?', '"', '<', '>', '|', ' ', '\x01', '\xff', 'A'};
    std::string name;
    const size_t length = 1 + Next() % 6;
    for (size_t i = 0; i < length; ++i) name += alphabet[Next() % sizeof alphabet];
    return name;
  }

  std::string LinkTarget() {
    switch (Next() % 8) {
      case 0: return "..";
      case 1: return "../..";
      case 2: return place_.outside + "/secret";
      case 3: return place_.outside + "/dir";
      case 4: return "../victim";
      case 5: return "nowhere";
      case 6: return "/";
      default: return Name();
    }
  }

  void Step(std::vector<int>& stack) {
    const int here = stack.back();
    const std::string name = Name();
    switch (Next() % 9) {
      case 0:
      case 1:
        if (stack.size() < 40 && mkdirat(here, name.c_str(), 0755) == 0) {
          const int fd = openat(here, name.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
          if (fd >= 0) stack.push_back(fd);
        }
        break;
      case 2:
        if (stack.size() > 1) {
          close(stack.back());
          stack.pop_back();
        }
        break;
      case 3: WriteFile(here, name, (Next() & 1) ? 0444 : 0644); break;
      case 4: symlinkat(LinkTarget().c_str(), here, name.c_str()); break;
      case 5: mkfifoat(here, name.c_str(), 0644); break;
      case 6:
        if (chains_++ < 2) DeepChain(here, 1 + Next() % 4 * 70);
        break;
      case 7: WriteFile(here, name, 0644); break;
      default:
        if (Next() % 4 == 0) fchmod(here, 0555);
        break;
    }
  }

  void WriteFile(int folder, const std::string& name, mode_t mode) {
    const int fd = openat(folder, name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, mode);
    if (fd < 0) return;
    const std::string content = "content of " + name;
    if (write(fd, content.data(), content.size()) < 0) Fail("write");
    close(fd);
  }

  // A chain of 20-character folders (past PATH_MAX from about 200 levels)
  // with a file at its bottom.
  void DeepChain(int folder, size_t levels) {
    int fd = dup(folder);
    for (size_t i = 0; i < levels && fd >= 0; ++i) {
      char name[48];
      std::snprintf(name, sizeof name, "chain-%03zu-abcdefghij", i);
      mkdirat(fd, name, 0755);
      const int next = openat(fd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      close(fd);
      fd = next;
    }
    if (fd >= 0) {
      WriteFile(fd, "bottom", 0644);
      close(fd);
    }
  }

  const uint8_t* data_;
  size_t size_;
  size_t pos_ = 0;
  int chains_ = 0;
  const Place& place_;
};

CString Win(const std::string& posix) { return CString(kavro::platform::KvWindowsPath(posix).c_str()); }

void CheckListing(const CStringArray& files, const CString& treeWin, const std::string& tree) {
  const CString stem = treeWin + L"\\";
  for (INT_PTR i = 0; i < files.GetSize(); ++i) {
    if (files[i].Left(stem.GetLength()) != stem) Fail("listed outside", CStringA(files[i]).GetString());
    std::string mapped;
    if (kavro::platform::KvMapPath(files[i], mapped) && mapped.compare(0, tree.size() + 1, tree + "/") != 0)
      Fail("listed path maps outside", mapped);
  }
}

void CheckArchive(HZIPFILE writer) {
  void* base = nullptr;
  unsigned length = 0;
  if (ZipGetMemory(writer, &base, &length) != ZRES_SUCCESS) return;
  HZIPFILE zip = OpenZipU(base, length, ZIPKIND_MEMORY);
  ZIPITEMW all;
  if (zip == nullptr || GetZipItemW(zip, -1, &all) != ZRES_SUCCESS) {
    if (zip) CloseZipU(zip);
    return;
  }
  std::vector<char> content(1 << 16);
  for (int i = 0; i < all.index; ++i) {
    ZIPITEMW item;
    if (GetZipItemW(zip, i, &item) != ZRES_SUCCESS) continue;
    const std::wstring name = L"/" + std::wstring(item.name) + L"/";
    if (item.name[0] == L'/' || name.find(L"/../") != std::wstring::npos || name.find(L"\\") != std::wstring::npos)
      Fail("packed name leaves the tree");
    std::memset(content.data(), 0, content.size());
    UnzipItem(zip, i, content.data(), static_cast<unsigned>(content.size() - 1), ZIPKIND_MEMORY);
    if (std::strstr(content.data(), kSecret) != nullptr) Fail("packed a file from outside");
  }
  CloseZipU(zip);
}

void RunOperations(const Place& place) {
  const CString tree = Win(place.tree), copy = Win(place.copy);
  CStringArray files, folders;
  CStringOpr::getFilesInFolder(tree, files, TRUE, CString());
  CheckListing(files, tree, place.tree);
  CStringArray flat;
  CStringOpr::getFilesInFolder(tree + L"\\", flat, FALSE, L"*.a|.b");
  CheckListing(flat, tree, place.tree);
  CStringOpr::getSubFolderInFolder(tree, folders);
  CheckListing(folders, tree, place.tree);
  HZIPFILE zip = CreateZipZ(nullptr, 1 << 22, ZIPKIND_MEMORY);
  if (zip != nullptr) {
    AddFolderContent(zip, tree, nullptr);
    CheckArchive(zip);
    CloseZipZ(zip);
  }
  CStringOpr::CopyFilesAndDirs(files, tree + L"\\", copy + L"\\");
  CStringOpr::DeleteEmptyDirectory(tree);
  CStringOpr::DeleteDirectory(tree);
  CStringOpr::DeleteDirectory(copy);
  struct stat st;
  if (lstat(place.tree.c_str(), &st) == 0) Fail("DeleteDirectory left the tree");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Place& place = *ThePlace();
  mkdir(place.sandbox.c_str(), 0755);
  mkdir(place.victim.c_str(), 0755);
  mkdir((place.victim + "/kept").c_str(), 0755);
  mkdir(place.tree.c_str(), 0755);
  const Snapshot victimBefore = TakeSnapshot(place.victim);
  const int treeFd = open(place.tree.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (treeFd < 0) Fail("open tree");
  Builder(data, size, place).Build(treeFd);
  close(treeFd);
  RunOperations(place);
  Snapshot outside = TakeSnapshot(place.base);
  for (auto it = outside.begin(); it != outside.end();) {
    if (it->first.rfind("sandbox", 0) == 0) it = outside.erase(it);
    else ++it;
  }
  Snapshot expectedOutside = place.outsideBefore;
  if (outside != expectedOutside) Fail("something outside the sandbox changed");
  if (TakeSnapshot(place.victim) != victimBefore) Fail("the tree's sibling changed");
  for (const auto& [path, entry] : TakeSnapshot(place.sandbox)) {
    const std::string top = path.substr(0, path.find('/'));
    if (top != "victim" && top != "copy") Fail("new entry beside the tree", path);
  }
  const int base = open(place.base.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  RemoveAt(base, "sandbox");
  close(base);
  return 0;
}
