// Archives whose entry names try to leave the folder they are extracted
// into: climbing with "..", absolute and drive names, UNC and "\\?\"
// prefixes, private-use dots, names cut by a NUL or by the 259-character
// limit, next to names that are odd but safe. Absolute names point into a
// folder the test chooses (its own temporary folder), so that a write that
// escapes lands where the test can see it.
#pragma once

#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "unzip_test_archive.h"

namespace kavro::test::unzip {

struct HostileEntry {
  std::string name;           // the stored bytes
  bool utf8 = false;          // general-purpose bit 11
  bool folder = false;        // a directory entry
  ZIPRESULT expected;         // UnzipItem with the entry's own name as target
  std::string lands;          // a safe entry's place below the extraction folder
};

// The entries of the hostile archive; absolute names point into `base`, an
// absolute POSIX folder without a trailing '/'. The drive letter C is meant
// to map to base + "/cdrive" (KAVRO_DRIVE_C).
inline std::vector<HostileEntry> HostileEntries(const std::string& base) {
  std::string winBase = base;  // "\tmp\x": the same folder with backslashes
  for (char& c : winBase) {
    if (c == '/') c = '\\';
  }
  const std::string dot2 = "\xEF\x80\xAE\xEF\x80\xAE";  // U+F02E U+F02E, read as ".." on disk
  // As many "../" as fit in 259 characters in front of base/deep/x: climbs
  // to the root and comes down into base.
  const std::string deep = base.substr(1) + "/deep/x";
  std::string chain;
  while (chain.size() + 3 + deep.size() <= 259) chain += "../";
  std::string overlong;
  for (int i = 0; i < 100; ++i) overlong += "../";
  const ZIPRESULT refused = ZRES_ARGS;
  return {
      {"../x", false, false, refused, ""},
      {"..\\x", false, false, refused, ""},
      {"a/../../x", false, false, refused, ""},
      {"x\\..\\..\\x", false, false, refused, ""},
      {"a/./../../x", false, false, refused, ""},
      {".\\..\\x", false, false, refused, ""},
      {"a\\..\\..\\x", false, false, refused, ""},
      {"a/..\\../x", false, false, refused, ""},
      {base + "/abs/x", false, false, refused, ""},
      {winBase + "\\abs\\x", false, false, refused, ""},
      {"Z:" + winBase + "\\drive\\x", false, false, refused, ""},
      {"\\\\?\\Z:" + winBase + "\\long\\x", false, false, refused, ""},
      {"\\\\.\\Z:" + winBase + "\\device\\x", false, false, refused, ""},
      {"C:x", false, false, refused, ""},
      {"C:..\\x", false, false, refused, ""},
      {"\\\\server\\share\\x", false, false, refused, ""},
      {"//x", false, false, refused, ""},
      {"..", false, false, refused, ""},
      {"a/..", false, false, refused, ""},
      {chain + deep, false, false, refused, ""},
      {overlong + "x", false, false, refused, ""},  // cut to 259 characters
      {dot2 + "/x", true, false, refused, ""},
      {".\xEF\x80\xAE/x", true, false, refused, ""},
      {"\xC3\xA4/../../x", true, false, refused, ""},  // "ä": '?' in ASCII
      {"", false, false, ZRES_NO_FILE, ""},
      {std::string("cut\0/../../x", 12), false, false, ZRES_SUCCESS, "cut"},
      {".. /x", false, false, ZRES_SUCCESS, ".. /x"},
      {".../x", false, false, ZRES_SUCCESS, ".../x"},
      {"trail./x.", false, false, ZRES_SUCCESS, "trail./x."},
      {"./dot.txt", false, false, ZRES_SUCCESS, "dot.txt"},
      {"safe/inside.txt", false, false, ZRES_SUCCESS, "safe/inside.txt"},
      {"b\\c\\d.txt", false, false, ZRES_SUCCESS, "b/c/d.txt"},
      {"../updir/", false, true, refused, ""},
      {"..\\bsdir\\", false, true, refused, ""},
      {"a/../../climbdir/", false, true, refused, ""},
      {base + "/absdir/", false, true, refused, ""},
      {"Z:" + winBase + "\\zdir\\", false, true, refused, ""},
      {"\\\\?\\Z:" + winBase + "\\qdir\\", false, true, refused, ""},
      {"C:cdir/", false, true, refused, ""},
      {dot2 + "/pudir/", true, true, refused, ""},
      {"//server/share/", false, true, refused, ""},
      {"../", false, true, refused, ""},
      {"okdir/sub/", false, true, ZRES_SUCCESS, "okdir/sub"},
  };
}

// The content stored for entry `index`: different for each, so that a
// write anywhere shows which entry made it.
inline std::string HostileContent(size_t index) {
  return "hostile entry " + std::to_string(index) + "\n";
}

inline std::string HostileArchive(const std::vector<HostileEntry>& entries) {
  std::vector<Entry> built;
  for (size_t i = 0; i < entries.size(); ++i) {
    const HostileEntry& h = entries[i];
    Entry e(h.name, h.folder ? "" : HostileContent(i), h.folder ? 0 : 8);
    if (h.utf8) e.flags = 0x0800;
    if (h.folder) e.externalAttr = 0x41ED0010;  // folder, mode 755
    built.push_back(e);
  }
  return Build(built);
}

}  // namespace kavro::test::unzip
