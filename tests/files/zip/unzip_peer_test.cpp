// Archives written by other programs (Info-ZIP zip, Python's zipfile) read
// back: names, sizes, attributes, times and contents, from a file name, a
// handle and memory, to memory in small pieces and to files.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "support/test_support.h"

namespace {

using kavro::test::ReadBytes;
using kavro::test::Run;
using kavro::test::WriteBytes;

const char kZip[] = "/usr/bin/zip";
const char kPython[] = "/usr/bin/python3";
const long long kMtime = 1622541605;  // 2021-06-01 10:00:05 UTC

bool HavePeer(const char* path) { return access(path, X_OK) == 0; }

void Shell(const std::string& command) {
  kavro::test::ProcessResult r = Run({"/bin/sh", "-c", command});
  ASSERT_EQ(0, r.exitCode) << command << "\n" << r.output;
}

long long UnixOf(const FILETIME& t) {
  const unsigned long long ticks = (static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime;
  return static_cast<long long>(ticks / 10000000ULL) - 11644473600LL;
}

// Text that compresses, but not to nothing.
std::string SampleText(size_t size) {
  std::string out;
  unsigned seed = 7;
  while (out.size() < size) {
    seed = seed * 1103515245u + 12345u;
    out += "line " + std::to_string(seed % 1000) + " of the sample\n";
  }
  out.resize(size);
  return out;
}

struct Listed {
  ZIPITEMW item;
  std::string content;  // read to memory in pieces of 1,000 bytes
};

// Every entry of an open archive by its wide name.
std::map<std::wstring, Listed> ListAll(HZIPFILE zip) {
  std::map<std::wstring, Listed> out;
  ZIPITEMW all;
  EXPECT_EQ(ZRES_SUCCESS, GetZipItemW(zip, -1, &all));
  std::vector<char> buffer(1000);
  for (int i = 0; i < all.index; ++i) {
    Listed l;
    EXPECT_EQ(ZRES_SUCCESS, GetZipItemW(zip, i, &l.item)) << i;
    ZIPRESULT r;
    while ((r = UnzipItem(zip, i, buffer.data(), 1000, ZIPKIND_MEMORY)) == ZRES_MORE) {
      const size_t left = static_cast<size_t>(l.item.unc_size) - l.content.size();
      l.content.append(buffer.data(), left < 1000 ? left : 1000);
    }
    EXPECT_EQ(ZRES_SUCCESS, r) << i;
    out[l.item.name] = l;
  }
  return out;
}

// The current folder for the scope of a test (extraction creates folders
// under the current folder of the open).
class ScopedCwd {
 public:
  explicit ScopedCwd(const std::string& path) : old_(getcwd(nullptr, 0)) {
    EXPECT_EQ(0, chdir(path.c_str()));
  }
  ~ScopedCwd() {
    EXPECT_EQ(0, chdir(old_));
    free(old_);
  }

 private:
  char* old_;
};

class UnzipPeerTest : public testing::Test {
 protected:
  void SetUp() override {
    if (!HavePeer(kZip) || !HavePeer(kPython)) GTEST_SKIP() << "zip or python3 missing";
    small_ = "hello, world\n";
    big_ = SampleText(300000);
    std::string tree = dir_.Sub("tree");
    ASSERT_EQ(0, mkdir(tree.c_str(), 0755));
    ASSERT_EQ(0, mkdir((tree + "/peer").c_str(), 0755));
    ASSERT_EQ(0, mkdir((tree + "/peer/sub").c_str(), 0755));
    WriteBytes(tree + "/peer/a.txt", small_);
    WriteBytes(tree + "/peer/sub/big.txt", big_);
    WriteBytes(tree + "/peer/empty", "");
    WriteBytes(tree + "/peer/ro.txt", "read only\n");
    for (const char* f : {"/peer/a.txt", "/peer/sub/big.txt", "/peer/empty", "/peer/ro.txt"}) {
      struct timeval times[2] = {{kMtime + 100, 0}, {kMtime, 0}};
      ASSERT_EQ(0, utimes((tree + f).c_str(), times));
    }
    ASSERT_EQ(0, chmod((tree + "/peer/ro.txt").c_str(), 0444));
  }

  // Checks the listing of an Info-ZIP archive of the tree.
  void ExpectTree(const std::map<std::wstring, Listed>& entries) {
    ASSERT_EQ(6u, entries.size());
    const std::map<std::wstring, std::string> files = {
        {L"peer/a.txt", small_}, {L"peer/sub/big.txt", big_}, {L"peer/empty", ""},
        {L"peer/ro.txt", "read only\n"}};
    for (const auto& [name, content] : files) {
      SCOPED_TRACE(kavro::test::Utf8(CString(name.c_str())));
      ASSERT_EQ(1u, entries.count(name));
      const Listed& l = entries.at(name);
      EXPECT_EQ(content, l.content);
      EXPECT_EQ(static_cast<LONG>(content.size()), l.item.unc_size);
      EXPECT_EQ(kMtime, UnixOf(l.item.mtime));  // from the "UT" block
      // The access time is when zip read the file; the creation time was
      // not recorded and stays the DOS time (in UTC).
      EXPECT_GE(UnixOf(l.item.atime), kMtime);
      EXPECT_NEAR(kMtime, UnixOf(l.item.ctime), 1);  // 2-second steps
      const bool readOnly = name == L"peer/ro.txt";
      EXPECT_EQ(readOnly, (l.item.attr & FILE_ATTRIBUTE_READONLY) != 0);
      EXPECT_EQ(0u, l.item.attr & FILE_ATTRIBUTE_DIRECTORY);
    }
    for (const wchar_t* folder : {L"peer/", L"peer/sub/"}) {
      ASSERT_EQ(1u, entries.count(folder));
      EXPECT_NE(0u, entries.at(folder).item.attr & FILE_ATTRIBUTE_DIRECTORY);
    }
  }

  std::string small_, big_;
  kavro::test::TempDir dir_;
};

TEST_F(UnzipPeerTest, InfoZipStoredAndDeflatedArchives) {
  for (const char* option : {"-0", "-6"}) {
    SCOPED_TRACE(option);
    const std::string zip = dir_.Sub(std::string("tree") + option + ".zip");
    Shell("cd " + dir_.Sub("tree") + " && " + kZip + " -q -r " + option + " " + zip + " peer");
    HZIPFILE h = OpenZipU(const_cast<wchar_t*>(static_cast<LPCWSTR>(dir_.Win(zip.substr(dir_.path().size() + 1)))),
                          0, ZIPKIND_FILENAME);
    ASSERT_NE(nullptr, h);
    auto entries = ListAll(h);
    ExpectTree(entries);
    const LONG big = entries.at(L"peer/sub/big.txt").item.comp_size;
    if (option[1] == '0') EXPECT_EQ(300000, big);
    else EXPECT_LT(big, 150000);
    EXPECT_EQ(ZRES_SUCCESS, CloseZipU(h));
  }
}

TEST_F(UnzipPeerTest, ExtractsToFilesWithFoldersTimesAndAttributes) {
  const std::string zip = dir_.Sub("t.zip");
  Shell("cd " + dir_.Sub("tree") + " && " + kZip + " -q -r " + zip + " peer");
  ASSERT_EQ(0, mkdir(dir_.Sub("out").c_str(), 0755));
  ScopedCwd cwd(dir_.Sub("out"));
  HZIPFILE h = OpenZipU(const_cast<wchar_t*>(static_cast<LPCWSTR>(dir_.Win("t.zip"))), 0, ZIPKIND_FILENAME);
  ASSERT_NE(nullptr, h);
  ZIPITEMW all;
  GetZipItemW(h, -1, &all);
  for (int i = 0; i < all.index; ++i) {
    ZIPITEMW item;
    ASSERT_EQ(ZRES_SUCCESS, GetZipItemW(h, i, &item));
    // The stored (relative) name as the target: its folders are made first.
    EXPECT_EQ(ZRES_SUCCESS, UnzipItem(h, i, item.name, 0, ZIPKIND_FILENAME)) << i;
  }
  CloseZipU(h);
  EXPECT_EQ(big_, ReadBytes(dir_.Sub("out/peer/sub/big.txt")));
  EXPECT_EQ(small_, ReadBytes(dir_.Sub("out/peer/a.txt")));
  EXPECT_TRUE(kavro::test::IsDirectory(dir_.Sub("out/peer/sub")));
  struct stat st;
  ASSERT_EQ(0, stat(dir_.Sub("out/peer/sub/big.txt").c_str(), &st));
  EXPECT_EQ(kMtime, st.st_mtim.tv_sec);
  ASSERT_EQ(0, stat(dir_.Sub("out/peer/ro.txt").c_str(), &st));
  EXPECT_EQ(0u, st.st_mode & 0222);
}

TEST_F(UnzipPeerTest, StreamedThroughAPipeWithDataDescriptors) {
  // -fz- keeps zip from writing zip64 records for input of unknown size.
  Shell("cat " + dir_.Sub("tree/peer/sub/big.txt") + " | " + kZip + " -q -fz- - - | cat > " +
        dir_.Sub("s.zip"));
  const std::string bytes = ReadBytes(dir_.Sub("s.zip"));
  ASSERT_EQ(0x08, bytes[6] & 0x08);  // sizes follow the data
  HZIPFILE h = OpenZipU(const_cast<char*>(bytes.data()), static_cast<unsigned int>(bytes.size()),
                        ZIPKIND_MEMORY);
  ASSERT_NE(nullptr, h);
  auto entries = ListAll(h);
  ASSERT_EQ(1u, entries.count(L"-"));
  EXPECT_EQ(big_, entries.at(L"-").content);
  CloseZipU(h);

  // By default a streamed entry gets a zip64 block in its local header and
  // a descriptor with 8-byte sizes: read all the same.
  Shell("cat " + dir_.Sub("tree/peer/a.txt") + " | " + kZip + " -q - - | cat > " + dir_.Sub("z64.zip"));
  HZIPFILE z64 = OpenZipU(const_cast<wchar_t*>(static_cast<LPCWSTR>(dir_.Win("z64.zip"))), 0,
                          ZIPKIND_FILENAME);
  ASSERT_NE(nullptr, z64);
  auto streamed = ListAll(z64);
  ASSERT_EQ(1u, streamed.count(L"-"));
  EXPECT_EQ(ReadBytes(dir_.Sub("tree/peer/a.txt")), streamed.at(L"-").content);
  CloseZipU(z64);
}

TEST_F(UnzipPeerTest, PythonArchiveWithUtf8NamesAndLocalDosTimes) {
  const char* old = getenv("TZ");
  const std::string saved = old ? old : "";
  setenv("TZ", "XST-5:30", 1);
  tzset();
  const std::string script =
      "import sys, zipfile\n"
      "with zipfile.ZipFile(sys.argv[1], 'w') as z:\n"
      "    i = zipfile.ZipInfo('gr\\u00fc\\u00dfe/\\u20ac.txt', (2020, 2, 29, 23, 59, 58))\n"
      "    z.writestr(i, 'euro ' * 1000, compress_type=zipfile.ZIP_DEFLATED)\n"
      "    z.writestr(zipfile.ZipInfo('plain.bin', (1999, 12, 31, 0, 0, 0)), bytes(range(256)))\n";
  WriteBytes(dir_.Sub("make.py"), script);
  Shell(std::string(kPython) + " " + dir_.Sub("make.py") + " " + dir_.Sub("py.zip"));
  HZIPFILE h = OpenZipU(const_cast<wchar_t*>(static_cast<LPCWSTR>(dir_.Win("py.zip"))), 0, ZIPKIND_FILENAME);
  ASSERT_NE(nullptr, h);
  auto entries = ListAll(h);
  ASSERT_EQ(1u, entries.count(L"grüße/€.txt"));
  ASSERT_EQ(1u, entries.count(L"plain.bin"));
  std::string euro;
  for (int i = 0; i < 1000; ++i) euro += "euro ";
  EXPECT_EQ(euro, entries.at(L"grüße/€.txt").content);
  std::string bytes;
  for (int i = 0; i < 256; ++i) bytes += static_cast<char>(i);
  EXPECT_EQ(bytes, entries.at(L"plain.bin").content);
  // 2020-02-29 23:59:58 at UTC+5:30 is 18:29:58 UTC.
  EXPECT_EQ(1583000998LL, UnixOf(entries.at(L"grüße/€.txt").item.mtime));
  EXPECT_EQ(946578600LL, UnixOf(entries.at(L"plain.bin").item.ctime));
  {
    kavro::test::ScopedAcp acp(1252);
    ZIPITEMA a;
    ASSERT_EQ(ZRES_SUCCESS, GetZipItemA(h, 0, &a));
    EXPECT_STREQ("gr\xFC\xDF" "e/\x80.txt", a.name);
  }
  CloseZipU(h);
  if (old) setenv("TZ", saved.c_str(), 1);
  else unsetenv("TZ");
  tzset();
}

TEST_F(UnzipPeerTest, BytesInFrontAndHandleSources) {
  const std::string zip = dir_.Sub("t.zip");
  Shell("cd " + dir_.Sub("tree") + " && " + kZip + " -q -r " + zip + " peer");
  const std::string stub(1000, 'M');
  WriteBytes(dir_.Sub("stub.zip"), stub + ReadBytes(zip));
  // The whole file, stub included, by name; and from a handle standing
  // after the stub, closed by the caller once the archive is open.
  HZIPFILE byName = OpenZipU(const_cast<wchar_t*>(static_cast<LPCWSTR>(dir_.Win("stub.zip"))), 0,
                             ZIPKIND_FILENAME);
  ASSERT_NE(nullptr, byName);
  ExpectTree(ListAll(byName));
  CloseZipU(byName);
  HANDLE file = CreateFileW(dir_.Win("stub.zip"), GENERIC_READ, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file);
  ASSERT_EQ(1000u, SetFilePointer(file, 1000, nullptr, FILE_BEGIN));
  HZIPFILE byHandle = OpenZipU(file, 0, ZIPKIND_HANDLE);
  ASSERT_NE(nullptr, byHandle);
  CloseHandle(file);
  auto entries = ListAll(byHandle);
  ExpectTree(entries);

  // Extraction to a handle writes at its position and leaves it open.
  HANDLE out = CreateFileW(dir_.Win("out.bin"), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  DWORD n = 0;
  ASSERT_TRUE(WriteFile(out, "HEAD", 4, &n, nullptr));
  int index = entries.at(L"peer/a.txt").item.index;
  EXPECT_EQ(ZRES_SUCCESS, UnzipItem(byHandle, index, out, 0, ZIPKIND_HANDLE));
  ASSERT_TRUE(WriteFile(out, "TAIL", 4, &n, nullptr));
  CloseHandle(out);
  EXPECT_EQ("HEAD" + small_ + "TAIL", ReadBytes(dir_.Sub("out.bin")));
  CloseZipU(byHandle);

  HANDLE r = nullptr, w = nullptr;
  ASSERT_TRUE(CreatePipe(&r, &w, nullptr, 0));
  EXPECT_EQ(nullptr, OpenZipU(r, 0, ZIPKIND_HANDLE));
  char message[64];
  FormatZipMessageU(ZRES_RECENT, message, sizeof message);
  EXPECT_STREQ("Zip-bug: trying to seek the unseekable", message);
  CloseHandle(r);
  CloseHandle(w);
}

}  // namespace
