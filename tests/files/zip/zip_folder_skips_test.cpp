// AddFolderContent skips what it must not or cannot pack and packs the rest:
// special files, links leaving the tree, dangling links; entries are read
// through descriptors with the attributes the named-file form gives.
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <map>

#include "files/zip/zip_peer_tools.h"
#include "support/hostile_tree.h"

namespace kavro::test {
namespace {

struct Packed {
  std::string result;  // "TRUE" or "FALSE: <last result's message>"
  std::map<std::string, PeerEntry> entries;
};

// Packs root (folder relative) into out/packed.zip in a child with a
// deadline, so a wait on a pipe fails the test instead of hanging it.
Packed PackInChild(const TempDir& out, const CString& root, const wchar_t* folder) {
  const CString archive = out.Win("packed.zip");
  ChildOutcome child = RunWithDeadline([&] {
    HZIPFILE zip = CreateZipZ((void*)archive.GetString(), 0, ZIPKIND_FILENAME);
    const BOOL ok = AddFolderContent(zip, root, folder);
    char text[100] = "";
    FormatZipMessageZ(ZRES_RECENT, text, sizeof text);
    const bool closed = CloseZipZ(zip) == ZRES_SUCCESS;
    return std::string(ok ? "TRUE" : std::string("FALSE: ") + text) + (closed ? "" : " (close failed)");
  });
  Packed packed;
  EXPECT_TRUE(child.finished) << child.status;
  packed.result = child.text;
  std::vector<PeerEntry> entries;
  std::string error;
  EXPECT_TRUE(PythonList(out.Sub("packed.zip"), entries, error)) << error;
  for (const PeerEntry& e : entries) packed.entries[e.name] = e;
  return packed;
}

TEST(ZipFolderSkips, FifoInTreeIsSkippedNeverOpened) {
  TempDir tree, out;
  WriteBytes(tree.Sub("a.txt"), "a");
  ASSERT_EQ(mkfifo(tree.Sub("pipe").c_str(), 0644), 0);
  ASSERT_EQ(symlink("pipe", tree.Sub("pipe-link").c_str()), 0);
  WriteBytes(tree.Sub("z.txt"), "z");
  Packed packed = PackInChild(out, tree.Win(), nullptr);
  EXPECT_EQ(packed.result, "FALSE: Couldn't create/open file");
  EXPECT_EQ(packed.entries.size(), 2u);
  EXPECT_EQ(packed.entries["a.txt"].content, "a");
  EXPECT_EQ(packed.entries["z.txt"].content, "z");
}

TEST(ZipFolderSkips, LinkToAFileOutsideTheRootIsNotRead) {
  TempDir sandbox, out;
  ASSERT_EQ(mkdir(sandbox.Sub("project").c_str(), 0755), 0);
  ASSERT_EQ(mkdir(sandbox.Sub("project/tree").c_str(), 0755), 0);
  WriteBytes(sandbox.Sub("id_rsa"), "PRIVATE KEY");
  WriteBytes(sandbox.Sub("project/shared.txt"), "shared");
  WriteBytes(sandbox.Sub("project/tree/own.txt"), "own");
  ASSERT_EQ(symlink(sandbox.Sub("id_rsa").c_str(), sandbox.Sub("project/tree/key").c_str()), 0);
  ASSERT_EQ(symlink("../shared.txt", sandbox.Sub("project/tree/shared-link").c_str()), 0);
  ASSERT_EQ(symlink("own.txt", sandbox.Sub("project/tree/own-link").c_str()), 0);

  // Packing "tree" below the root "project": a link inside the root is read.
  Packed packed = PackInChild(out, sandbox.Win("project"), L"tree");
  EXPECT_EQ(packed.result, "FALSE: Couldn't create/open file");
  EXPECT_EQ(packed.entries.count("tree/key"), 0u);
  EXPECT_EQ(packed.entries["tree/shared-link"].content, "shared");
  EXPECT_EQ(packed.entries["tree/own-link"].content, "own");
  for (const auto& [name, e] : packed.entries) EXPECT_EQ(e.content.find("PRIVATE"), std::string::npos) << name;

  // With the tree itself as the root, the link to its parent's file leaves it.
  Packed alone = PackInChild(out, sandbox.Win("project\\tree"), nullptr);
  EXPECT_EQ(alone.entries.count("shared-link"), 0u);
  EXPECT_EQ(alone.entries["own-link"].content, "own");
}

TEST(ZipFolderSkips, OneBadEntryDoesNotCutTheArchive) {
  TempDir tree, out;
  struct Case {
    const char* name;
    std::function<void(const std::string&)> make;
    const char* message;
  };
  const std::vector<Case> cases = {
      {"dangling link", [](const std::string& p) { ASSERT_EQ(symlink("nowhere", p.c_str()), 0); },
       "FALSE: Couldn't create/open file"},
      {"looping link", [](const std::string& p) { ASSERT_EQ(symlink(p.c_str(), p.c_str()), 0); },
       "FALSE: Couldn't create/open file"},
      {"name too long",
       [](const std::string& p) { WriteBytes(p + std::string(200, 'n') + "/" + std::string(60, 'm'), "long"); },
       "FALSE: Caller: faulty arguments"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    for (int i = 0; i < 20; ++i) WriteBytes(dir.Sub("f" + std::to_string(i)), std::to_string(i));
    c.make(dir.Sub("bad"));
    Packed packed = PackInChild(out, dir.Win(), nullptr);
    EXPECT_EQ(packed.result, c.message);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(packed.entries["f" + std::to_string(i)].content, std::to_string(i));
  }
}

TEST(ZipFolderSkips, NameTheCodePageCannotShowIsSkippedAlone) {
  TempDir tree, out;
  WriteBytes(tree.Sub("ok.txt"), "ok");
  WriteBytes(tree.Sub("caf\xc3\xa9-\xe4\xb8\xad.txt"), "cannot show");
  ASSERT_EQ(mkdir(tree.Sub("back\\slash").c_str(), 0755), 0);
  WriteBytes(tree.Sub("back\\slash/in.txt"), "in");
  ScopedAcp western(1252);
  Packed packed = PackInChild(out, tree.Win(), nullptr);
  EXPECT_EQ(packed.result, "FALSE: Caller: faulty arguments");
  EXPECT_EQ(packed.entries.size(), 1u);
  EXPECT_EQ(packed.entries["ok.txt"].content, "ok");
}

// The entry of a file packed by the walk has the attributes and times the
// named-file form of ZipAdd gives the same file.
TEST(ZipFolderSkips, WalkedEntriesMatchTheNamedFileForm) {
  TempDir tree, out;
  WriteBytes(tree.Sub("plain.txt"), "plain");
  WriteBytes(tree.Sub(".hidden"), "hidden");
  WriteBytes(tree.Sub("ro.txt"), "ro");
  chmod(tree.Sub("ro.txt").c_str(), 0444);
  WriteBytes(tree.Sub("run.sh"), "#!/bin/sh\n");
  chmod(tree.Sub("run.sh").c_str(), 0755);
  ASSERT_EQ(symlink(".hidden", tree.Sub("visible-link").c_str()), 0);
  Packed walked = PackInChild(out, tree.Win(), nullptr);
  EXPECT_EQ(walked.result, "TRUE");

  TempDir named;
  const CString archive = named.Win("named.zip");
  HZIPFILE zip = CreateZipZ((void*)archive.GetString(), 0, ZIPKIND_FILENAME);
  for (const char* name : {"plain.txt", ".hidden", "ro.txt", "run.sh", "visible-link"}) {
    const CString source = tree.Win(name);
    ASSERT_EQ(ZipAdd(zip, CString(name), (void*)source.GetString(), 0, ZIPKIND_FILENAME), ZRES_SUCCESS) << name;
  }
  ASSERT_EQ(CloseZipZ(zip), ZRES_SUCCESS);
  std::vector<PeerEntry> entries;
  std::string error;
  ASSERT_TRUE(PythonList(named.Sub("named.zip"), entries, error)) << error;
  ASSERT_EQ(entries.size(), walked.entries.size());
  for (const PeerEntry& e : entries) {
    SCOPED_TRACE(e.name);
    const PeerEntry& w = walked.entries[e.name];
    EXPECT_EQ(w.external, e.external);
    EXPECT_EQ(w.dateTime, e.dateTime);
    EXPECT_EQ(w.extraHex, e.extraHex);
    EXPECT_EQ(w.content, e.content);
  }
}

TEST(ZipFolderSkips, KvzipCreateOnATreeWithAFifoFinishes) {
  std::string library = KAVRO_LIBRARY_FILE;
  const std::string tool = library.substr(0, library.rfind("/Sys/")) + "/bin/kvzip";
  if (!Exists(tool)) GTEST_SKIP() << "kvzip not built";
  TempDir dir;
  WriteBytes(dir.Sub("tree/a.txt"), "a");
  ASSERT_EQ(mkfifo(dir.Sub("tree/pipe").c_str(), 0644), 0);
  ChildOutcome child = RunWithDeadline([&] {
    ProcessResult r = kavro::test::Run({tool, "create", dir.Sub("out.zip"), dir.Sub("tree")});
    return std::to_string(r.exitCode);
  });
  ASSERT_TRUE(child.finished) << child.status;
  EXPECT_EQ(child.text, "1");  // reported, the rest packed
  std::vector<PeerEntry> entries;
  std::string error;
  ASSERT_TRUE(PythonList(dir.Sub("out.zip"), entries, error)) << error;
  EXPECT_EQ(entries.size(), 2u);
}

}  // namespace
}  // namespace kavro::test
