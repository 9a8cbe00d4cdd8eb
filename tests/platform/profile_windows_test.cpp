// The profile API against Windows' recorded results: each row is one Windows
// behaviour, named after it, with the file's bytes before, the call, and the
// result, buffer and file bytes Windows gives.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "KavroStd/platform/codepage.h"
#include "KavroStd/platform/profile.h"
#include "support/test_support.h"

namespace {

using kavro::test::Exists;
using kavro::test::ReadBytes;
using kavro::test::WriteBytes;
using namespace std::string_literals;

const wchar_t kList[] = L"<list>";  // key argument standing for a null key

enum class Call { kString, kSection, kSectionNames };

struct ReadRow {
  const char* behaviour;
  std::string file;  // bytes; empty: no file at all
  Call call;
  const wchar_t* app;  // null: the section list
  const wchar_t* key;  // kList: null (the key list)
  const wchar_t* def;
  DWORD size;
  DWORD result;
  std::wstring buffer;  // the units Windows writes; the rest stays untouched
};

const std::string kSample = "[section1]\r\nname1=val1\r\nname2=\"val2\"\r\nname3\r\nname4=a\r\n[section2]\r\n";

std::string CrOnly(std::string text) {
  std::string out;
  for (char c : text)
    if (c != '\n') out.push_back(c);
  return out;
}

const ReadRow kReadRows[] = {
    {"CrOnlyLineEndsSplitLines", CrOnly(kSample), Call::kString, L"section1", L"name1", L"d", 100, 4, L"val1"s + L'\0'},
    {"CrOnlyQuotesStripped", CrOnly(kSample), Call::kString, L"section1", L"name2", L"d", 100, 4, L"val2"s + L'\0'},
    {"CrOnlyLastKeyOfSection", CrOnly(kSample), Call::kString, L"section1", L"name4", L"d", 100, 1, L"a"s + L'\0'},
    {"CrOnlyKeyList", CrOnly(kSample), Call::kString, L"section1", kList, L"d", 100, 18,
     L"name1\0name2\0name4\0\0"s},
    {"CrOnlySectionList", CrOnly(kSample), Call::kString, nullptr, kList, L"d", 100, 18, L"section1\0section2\0\0"s},
    {"CrLfKeyList", kSample, Call::kString, L"section1", kList, L"d", 100, 18, L"name1\0name2\0name4\0\0"s},
    {"DefaultLosesTrailingSpaces", kSample, Call::kString, L"section1", L"none", L"one two  ", 100, 7,
     L"one two"s + L'\0'},
    {"DefaultKeepsLeadingSpaces", kSample, Call::kString, L"section1", L"none", L"  x", 100, 3, L"  x"s + L'\0'},
    {"DefaultKeepsTrailingTab", kSample, Call::kString, L"section1", L"none", L"x\t", 100, 2, L"x\t"s + L'\0'},
    {"KeyArgumentTrimmedOfBlanksAndTabs", kSample, Call::kString, L" section1\t", L"\t name1 ", L"d", 100, 4,
     L"val1"s + L'\0'},
    {"TabsAroundNamesAndValuesTrimmed", "[s]\r\n\tk \t=\t v \t\r\n", Call::kString, L"s", L"k", L"d", 100, 1,
     L"v"s + L'\0'},
    {"EmptySectionNameFindsEmptyBrackets", "\r\nkey=val_no_section\r\n[]\r\nkey=val_e_section\r\n[s]\r\n=val_no_key\r\n",
     Call::kString, L"", L"key", L"", 100, 13, L"val_e_section"s + L'\0'},
    {"EmptyKeyNameFindsNamelessKey", "[s]\r\n=val_no_key\r\n[t]\r\n", Call::kString, L"s", L"", L"", 100, 10,
     L"val_no_key"s + L'\0'},
    {"HeaderWithoutBracketNamesRestOfLine", "[sec tion \r\nk=1\r\n", Call::kString, L"sec tion", L"k", L"d", 100, 1,
     L"1"s + L'\0'},
    {"HeaderWithoutBracketListed", "[a]\r\n[b\r\n", Call::kString, nullptr, kList, L"d", 100, 4, L"a\0b\0\0"s},
    {"DuplicateSectionListedTwice", "[a]\r\n[b]\r\n[A]\r\n", Call::kString, nullptr, kList, L"d", 100, 6,
     L"a\0b\0A\0\0"s},
    {"DuplicateKeyListedTwice", "[a]\r\nk=1\r\nx=2\r\nK=3\r\n", Call::kString, L"a", kList, L"d", 100, 6,
     L"k\0x\0K\0\0"s},
    {"DuplicateKeyFirstValueWins", "[a]\r\nk=1\r\nK=3\r\n", Call::kString, L"a", L"k", L"d", 100, 1, L"1"s + L'\0'},
    {"SectionListRoomToSpare", "[ section1 ]\r\n[section2]\r\n[section3]\r\n", Call::kSectionNames, nullptr, kList,
     nullptr, 29, 27, L"section1\0section2\0section3\0\0"s},
    {"SectionListExactFitCountsAsCut", "[ section1 ]\r\n[section2]\r\n[section3]\r\n", Call::kSectionNames, nullptr,
     kList, nullptr, 28, 26, L"section1\0section2\0section3\0\0"s},
    {"SectionListOneShort", "[ section1 ]\r\n[section2]\r\n[section3]\r\n", Call::kSectionNames, nullptr, kList,
     nullptr, 27, 25, L"section1\0section2\0section\0\0"s},
    {"SectionListCutInAName", kSample, Call::kString, nullptr, kList, L"d", 16, 14, L"section1\0secti\0\0"s},
    {"KeyListCutInAName", kSample, Call::kString, L"section1", kList, L"d", 16, 14, L"name1\0name2\0na\0\0"s},
    {"SectionContentsCut", "[section1]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\n", Call::kSection, L"section1",
     kList, nullptr, 24, 22, L"name1=val1\0name2=\0name\0\0"s},
    {"SectionContentsWhole", "[section1]\r\nname1=val1\r\nname2=\r\nname3\r\nname4=val4\r\n", Call::kSection,
     L"section1", kList, nullptr, 100, 35, L"name1=val1\0name2=\0name3\0name4=val4\0\0"s},
    {"ValueExactSizeCut", kSample, Call::kString, L"section1", L"name1", L"d", 4, 3, L"val"s + L'\0'},
    {"ValueRoomForTerminator", kSample, Call::kString, L"section1", L"name1", L"d", 5, 4, L"val1"s + L'\0'},
    {"ValueOneUnitBufferEmpty", kSample, Call::kString, L"section1", L"name4", L"d", 1, 0, L"\0"s},
    {"MissingFileSectionListSingleZero", "", Call::kSectionNames, nullptr, kList, nullptr, 10, 0, L"\0"s},
    {"MissingFileKeyListSingleZero", "", Call::kString, L"s", kList, L"d", 10, 0, L"\0"s},
};

class ProfileWindowsTest : public testing::Test {
 protected:
  void SetUp() override {
    savedAcp_ = GetACP();
    KvSetACP(1252);
  }
  void TearDown() override { KvSetACP(savedAcp_); }

  std::string Path() const { return dir_.Sub("w.ini"); }
  CString Win() const { return dir_.Win("w.ini"); }

  kavro::test::TempDir dir_;
  UINT savedAcp_ = 0;
};

TEST_F(ProfileWindowsTest, ReadsGiveWindowsResults) {
  for (const ReadRow& r : kReadRows) {
    SCOPED_TRACE(r.behaviour);
    std::filesystem::remove(Path());
    if (!r.file.empty()) WriteBytes(Path(), r.file);
    std::wstring buffer(120, L'#');
    const wchar_t* key = r.key == kList ? nullptr : r.key;
    DWORD n = 0;
    switch (r.call) {
      case Call::kString:
        n = GetPrivateProfileStringW(r.app, key, r.def, buffer.data(), r.size, Win());
        break;
      case Call::kSection:
        n = GetPrivateProfileSectionW(r.app, buffer.data(), r.size, Win());
        break;
      case Call::kSectionNames:
        n = GetPrivateProfileSectionNamesW(buffer.data(), r.size, Win());
        break;
    }
    EXPECT_EQ(r.result, n);
    EXPECT_EQ(r.buffer, buffer.substr(0, r.buffer.size()));
    EXPECT_EQ(std::wstring(120 - r.buffer.size(), L'#'), buffer.substr(r.buffer.size())) << "written beyond";
  }
}

std::string Utf16Le(const std::u16string& text) {
  std::string out;
  for (char16_t u : text) {
    out.push_back(static_cast<char>(u & 0xFF));
    out.push_back(static_cast<char>(u >> 8));
  }
  return out;
}

struct WriteRow {
  const char* behaviour;
  const char* before;  // null: no file
  size_t beforeSize;   // bytes of `before` (it may hold NULs)
  const wchar_t* app;
  const wchar_t* key;
  const wchar_t* value;
  std::string after;
};

const WriteRow kWriteRows[] = {
    {"NewKeyGoesBeforeTrailingComments", "[S]\r\na=1\r\n; note\r\n\r\n[T]\r\n", 0, L"S", L"k", L"v",
     "[S]\r\na=1\r\nk=v\r\n; note\r\n\r\n[T]\r\n"},
    {"NewKeyUnderHeaderBeforeComments", "[S]\r\n; only a note\r\n[T]\r\n", 0, L"S", L"k", L"v",
     "[S]\r\nk=v\r\n; only a note\r\n[T]\r\n"},
    {"ReplacedLastLineGetsCrLf", "[S]\r\na=1", 0, L"S", L"a", L"2", "[S]\r\na=2\r\n"},
    {"ReplacedLineKeepsItsCrOnlyEnd", "[S]\ra=1\rb=2\r", 0, L"S", L"a", L"9", "[S]\ra=9\rb=2\r"},
    {"NewKeyInCrOnlyFile", "[S]\ra=1\r[T]\r", 0, L"S", L"b", L"2", "[S]\ra=1\rb=2\r\n[T]\r"},
    {"SectionDeleteKeepsComments", "[A]\r\nx=1\r\n[S]\r\na=1\r\n; why a is 1\r\nb\r\n\r\n[T]\r\nc=3\r\n", 0, L"S",
     nullptr, nullptr, "[A]\r\nx=1\r\n; why a is 1\r\n[T]\r\nc=3\r\n"},
    {"WholeFileBuiltUp", nullptr, 0, L"App1", L"key1", L"string1", "[App1]\r\nkey1=string1\r\n"},
    {"EmptyValueWritten", nullptr, 0, L"App", L"key", L"", "[App]\r\nkey=\r\n"},
    {"DeleteKeyOfMissingFileLeavesEmptyFile", nullptr, 0, L"App", L"key", nullptr, ""},
    {"DeleteSectionOfMissingFileLeavesEmptyFile", nullptr, 0, L"App", nullptr, nullptr, ""},
    {"DeleteLastKeyLeavesHeader", "[App3]\r\nkey5=string5\r\n", 0, L"App3", L"key5", nullptr, "[App3]\r\n"},
    {"NulsBeforeFirstSectionKept", "Data \0 before \0 first \0 section", 31, L"section1", L"key1", L"string1",
     "Data \0 before \0 first \0 section\r\n[section1]\r\nkey1=string1\r\n"s},
    {"Utf16MarkOnlyFileStaysUtf16", "\xFF\xFE", 2, L"S", L"k", L"v",
     "\xFF\xFE"s + Utf16Le(u"[S]\r\nk=v\r\n")},
};

TEST_F(ProfileWindowsTest, WritesGiveWindowsBytes) {
  for (const WriteRow& r : kWriteRows) {
    SCOPED_TRACE(r.behaviour);
    std::filesystem::remove(Path());
    if (r.before) WriteBytes(Path(), std::string(r.before, r.beforeSize ? r.beforeSize : strlen(r.before)));
    EXPECT_TRUE(WritePrivateProfileStringW(r.app, r.key, r.value, Win()));
    ASSERT_TRUE(Exists(Path()));
    EXPECT_EQ(r.after, ReadBytes(Path()));
  }
}

// Windows' own sequence: a file built up key by key, then keys and sections
// deleted again.
TEST_F(ProfileWindowsTest, BuildUpAndTearDownSequence) {
  EXPECT_TRUE(WritePrivateProfileStringW(L"App1", L"key1", L"string1", Win()));
  EXPECT_TRUE(WritePrivateProfileStringW(L"App1", L"key2", L"string2", Win()));
  EXPECT_TRUE(WritePrivateProfileStringW(L"App1", L"key3", L"string3", Win()));
  EXPECT_TRUE(WritePrivateProfileStringW(L"App2", L"key4", L"string4", Win()));
  EXPECT_TRUE(WritePrivateProfileStringW(L"App3", L"key5", L"string5", Win()));
  EXPECT_EQ("[App1]\r\nkey1=string1\r\nkey2=string2\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=string5\r\n",
            ReadBytes(Path()));
  EXPECT_TRUE(WritePrivateProfileStringW(L"App1", L"key2", nullptr, Win()));
  EXPECT_TRUE(WritePrivateProfileStringW(L"App1", L"key2", nullptr, Win()));
  EXPECT_EQ("[App1]\r\nkey1=string1\r\nkey3=string3\r\n[App2]\r\nkey4=string4\r\n[App3]\r\nkey5=string5\r\n",
            ReadBytes(Path()));
  EXPECT_TRUE(WritePrivateProfileStringW(L"App1", nullptr, L"string1", Win()));
  EXPECT_TRUE(WritePrivateProfileStringW(L"App2", nullptr, nullptr, Win()));
  EXPECT_EQ("[App3]\r\nkey5=string5\r\n", ReadBytes(Path()));
}

}  // namespace
