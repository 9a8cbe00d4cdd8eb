// Localisation: the language choice, the built-in files from "OWNER_DATA"
// resources, strings by key and dialog texts.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "env/globe_test_access.h"
#include "support/test_support.h"

using kavro::test::Exists;
using kavro::test::ReadBytes;
using kavro::test::ScopedGlobalRoot;
using kavro::test::TempDir;
using kavro::test::Utf8;
using kavro::test::WriteBytes;

namespace {

const std::string kEnglish =
    "[Setting]\r\nLanguage=English\r\n[String]\r\nHello=Hello\r\nIDD128_Title=Options\r\n";
// UTF-8 with its mark, so the byte-for-byte copy shows.
const std::string kChinese =
    "\xEF\xBB\xBF[Setting]\r\nLanguage=Chinese\r\n[String]\r\nHello=\xE4\xBD\xA0\xE5\xA5\xBD\r\n";

// A product module's view: its "OWNER_DATA" resources registered in the
// executable, which is made the current resource module.
class LanguageTest : public ::testing::Test {
 protected:
  LanguageTest() : savedResources_(AfxGetResourceHandle()) {
    HMODULE exe = GetModuleHandleW(nullptr);
    KvRegisterResource(exe, L"OWNER_DATA", MAKEINTRESOURCEW(6000), kEnglish.data(),
                       static_cast<DWORD>(kEnglish.size()));
    KvRegisterResource(exe, L"OWNER_DATA", MAKEINTRESOURCEW(6001), kChinese.data(),
                       static_cast<DWORD>(kChinese.size()));
    AfxSetResourceHandle(exe);
    mkdir(tmp.Sub("Support").c_str(), 0755);
    mkdir(tmp.Sub("Support/Language").c_str(), 0755);
    lang.SetLanguagePath(tmp.Win("Support\\Language\\KavroSTD\\"));
  }
  ~LanguageTest() override {
    AfxSetResourceHandle(savedResources_);
    KvUnregisterResources(GetModuleHandleW(nullptr));
  }

  std::string Dir(const std::string& name = "") { return tmp.Sub("Support/Language/KavroSTD/" + name); }
  void Language(const std::string& name, const std::string& bytes) {
    mkdir(Dir().c_str(), 0755);
    WriteBytes(Dir(name), bytes);
  }
  std::string Settings() { return ReadBytes(tmp.Sub("Support/Location/KavroStd.ini")); }
  void Choose(const char* language) {
    mkdir(tmp.Sub("Support/Location").c_str(), 0755);
    WriteBytes(tmp.Sub("Support/Location/KavroStd.ini"),
               std::string("[Setting]\r\nLanguage=") + language + "\r\n");
  }

  TempDir tmp;
  ScopedGlobalRoot root{tmp.Win()};
  CLanguage lang;

 private:
  HINSTANCE savedResources_;
};

TEST_F(LanguageTest, CurrentLanguageDefaultsToChinese) {
  EXPECT_EQ(lang.GetCurLanguage(), L"Chinese");
  EXPECT_EQ(lang.GetCurLanguagePath(), tmp.Win("Support\\Language\\KavroSTD\\Chinese.ini"));
  lang.SetCurLanguage(L"Deutsch");
  EXPECT_EQ(Settings(), "[Setting]\r\nLanguage=Deutsch\r\n");
  EXPECT_EQ(CLanguage().GetCurLanguage(), L"Deutsch");  // read anew by every object
  EXPECT_EQ(lang.GetCurLanguagePath(), tmp.Win("Support\\Language\\KavroSTD\\Deutsch.ini"));
}

TEST_F(LanguageTest, FreshInstallGetsTheBuiltInFiles) {
  lang.LoadLanguage(L"");
  EXPECT_EQ(ReadBytes(Dir("English.ini")), kEnglish);
  EXPECT_EQ(ReadBytes(Dir("Chinese.ini")), kChinese);
  EXPECT_EQ(Settings(), "[Setting]\r\nLanguage=Chinese\r\n");
  EXPECT_EQ(lang.LoadStringW(L"Hello"), L"\x4F60\x597D");
}

TEST_F(LanguageTest, ChoiceNeedsAFileDeclaringTheExactName) {
  Language("de.ini", "[Setting]\r\nLanguage=Deutsch\r\n[String]\r\nHello=Hallo\r\n");
  Language("English.ini", "[setting]\r\nlanguage=English\r\n");
  struct Row {
    const wchar_t* wanted;
    const char* stored;  // in the settings file before the call ("" for none)
    const wchar_t* chosen;
  } const rows[] = {
      {L"Deutsch", "", L"Deutsch"},
      {L"English", "", L"English"},          // section and key match without regard to case
      {L"english", "", L"Chinese"},          // the language name does not
      {L"Francais", "Deutsch", L"Chinese"},  // no file declares it
      {L"", "Deutsch", L"Deutsch"},          // empty: the stored choice
      {L"", "Klingon", L"Chinese"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.wanted) + " / " + row.stored);
    if (*row.stored) Choose(row.stored);
    lang.LoadLanguage(row.wanted);
    EXPECT_EQ(lang.GetCurLanguage(), row.chosen);
  }
  // The matching file's own name is not remembered: lookups go to Deutsch.ini.
  lang.LoadLanguage(L"Deutsch");
  EXPECT_EQ(lang.LoadStringW(L"Hello"), L"Not found");
}

// An edited English.ini or Chinese.ini (a translator's work) survives a
// choice that no file declares; only the missing built-in file is written.
TEST_F(LanguageTest, BuiltInFilesNeverReplaceExistingOnes) {
  const std::string edited = "[Setting]\r\nLanguage=Chinese (edited)\r\n[String]\r\nHello=mine\r\n";
  Language("chinese.ini", edited);  // other case: the same name for Windows
  lang.LoadLanguage(L"English");
  EXPECT_EQ(ReadBytes(Dir("chinese.ini")), edited);
  EXPECT_FALSE(Exists(Dir("Chinese.ini")));
  EXPECT_EQ(ReadBytes(Dir("English.ini")), kEnglish);
  EXPECT_EQ(lang.GetCurLanguage(), L"Chinese");
  EXPECT_EQ(lang.LoadStringW(L"Hello"), L"mine");

  const std::string translated = "[Setting]\r\nLanguage=Englisch\r\n";
  WriteBytes(Dir("English.ini"), translated);
  lang.LoadLanguage(L"Deutsch");
  EXPECT_EQ(ReadBytes(Dir("English.ini")), translated);
  EXPECT_EQ(ReadBytes(Dir("chinese.ini")), edited);
}

TEST_F(LanguageTest, MissingResourcesWriteNothingAndStillChooseChinese) {
  AfxSetResourceHandle(STDGlobeInfo()->GetInstanceHandle());  // the library has none
  EXPECT_FALSE(lang.MakeResource(6000, tmp.Win("out.ini")));
  EXPECT_FALSE(Exists(tmp.Sub("out.ini")));
  lang.LoadLanguage(L"English");
  EXPECT_TRUE(kavro::test::IsDirectory(Dir()));
  EXPECT_FALSE(Exists(Dir("English.ini")));
  EXPECT_FALSE(Exists(Dir("Chinese.ini")));
  EXPECT_EQ(lang.GetCurLanguage(), L"Chinese");
}

TEST_F(LanguageTest, MakeResourceReplacesTheFileByteForByte) {
  const std::string binary("\xFF\xFE\0\0[\0S\0]\0\r\n", 11);
  KvRegisterResource(GetModuleHandleW(nullptr), L"owner_data", L"#7", binary.data(),
                     static_cast<DWORD>(binary.size()));
  WriteBytes(tmp.Sub("out.ini"), "a much longer old content that must go");
  EXPECT_TRUE(lang.MakeResource(7, tmp.Win("out.ini")));
  EXPECT_EQ(ReadBytes(tmp.Sub("out.ini")), binary);
  EXPECT_TRUE(lang.MakeResource(6000, tmp.Win("out.ini")));
  EXPECT_EQ(ReadBytes(tmp.Sub("out.ini")), kEnglish);
  // A file that cannot be made is reported, not claimed as written.
  EXPECT_FALSE(lang.MakeResource(6000, tmp.Win("no such folder\\out.ini")));
}

TEST_F(LanguageTest, LoadAllLanguageListsDeclaredNames) {
  Language("a.ini", "[Setting]\r\nLanguage=Alpha\r\n");
  Language("b.INI", "[Setting]\r\nLanguage=Beta\r\n");
  Language("none.ini", "[String]\r\nHello=x\r\n");
  Language("empty.ini", "[Setting]\r\nLanguage=\r\n");
  Language("c.txt", "[Setting]\r\nLanguage=Gamma\r\n");
  mkdir(Dir("folder.ini").c_str(), 0755);
  Choose("Beta");
  CStringArray names;
  names.Add(CString(L"stale"));
  CString current;
  lang.LoadAllLanguage(names, current);
  std::vector<std::string> listed;
  for (INT_PTR i = 0; i < names.GetSize(); ++i) listed.push_back(Utf8(names[i]));
  std::sort(listed.begin(), listed.end());
  EXPECT_EQ(listed, (std::vector<std::string>{"Alpha", "Beta"}));
  EXPECT_EQ(current, L"Beta");
}

TEST_F(LanguageTest, LoadStringInBothForms) {
  Choose("English");
  Language("English.ini", "[String]\r\nTwo=first\\nsecond\\n\r\nEmpty=\r\n");
  struct Row {
    const wchar_t* key;
    const wchar_t* callerText;
    const wchar_t* byReference;
    const wchar_t* byValue;
  } const rows[] = {
      {L"Two", L"x", L"first\nsecond\n", L"first\nsecond\n"},
      {L"two", L"x", L"first\nsecond\n", L"first\nsecond\n"},
      {L"Empty", L"x", L"", L""},
      {L"Missing", L"keep\\nthis", L"keep\nthis", L"Not found"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.key));
    CString text(row.callerText);
    EXPECT_TRUE(lang.LoadStringW(row.key, text));
    EXPECT_EQ(text, row.byReference);
    EXPECT_EQ(lang.LoadStringW(row.key), row.byValue);
  }
  Choose("Nowhere");  // no such file: the defaults
  CString text(L"mine");
  EXPECT_TRUE(lang.LoadStringW(L"Two", text));
  EXPECT_EQ(text, L"mine");
}

TEST_F(LanguageTest, SetDialogStringsOnARealDialog) {
  Choose("English");
  Language("English.ini",
           "[String]\r\nIDD128_Title=Options\r\nIDD128_1001=Name:\\nfull\r\nIDD128_1002=\r\n"
           "IDD129_1003=other dialog\r\nIDD128_-1=static\r\n");
  CDialog dialog;
  ASSERT_TRUE(dialog.Create(128, nullptr));
  dialog.SetWindowText(L"untitled");
  const RECT rect{0, 0, 10, 10};
  CWnd name, empty, missing, unnumbered;
  ASSERT_TRUE(name.Create(L"STATIC", L"n", WS_VISIBLE, rect, &dialog, 1001));
  ASSERT_TRUE(empty.Create(L"EDIT", L"e", WS_VISIBLE, rect, &dialog, 1002));
  ASSERT_TRUE(missing.Create(L"BUTTON", L"m", WS_VISIBLE, rect, &dialog, 1003));
  ASSERT_TRUE(unnumbered.Create(L"STATIC", L"u", WS_VISIBLE, rect, &dialog, static_cast<UINT>(-1)));

  lang.SetDialogStrings(&dialog, 128);
  CString text;
  dialog.GetWindowText(text);
  EXPECT_EQ(text, L"Options");
  name.GetWindowText(text);
  EXPECT_EQ(text, L"Name:\\nfull");  // set as stored
  empty.GetWindowText(text);
  EXPECT_EQ(text, L"e");
  missing.GetWindowText(text);
  EXPECT_EQ(text, L"m");
  unnumbered.GetWindowText(text);
  EXPECT_EQ(text, L"static");

  lang.SetDialogStrings(&dialog, 130);  // nothing for this dialog: texts stay
  dialog.GetWindowText(text);
  EXPECT_EQ(text, L"Options");
  lang.SetDialogStrings(nullptr, 128);
  CDialog noWindow;
  lang.SetDialogStrings(&noWindow, 128);
}

// Texts are read through a 1000-character buffer: longer values come back
// cut to their first 999 characters, and nothing overruns.
TEST_F(LanguageTest, ValuesOver999CharactersAreCut) {
  std::string longValue;
  for (int i = 0; i < 1500; ++i) longValue.push_back(static_cast<char>('a' + i % 26));
  Choose("English");
  Language("English.ini", "[Setting]\r\nLanguage=English\r\n[String]\r\nLong=" + longValue +
                              "\r\nIDD5_Title=" + longValue + "\r\n");
  const CString expected(CString(longValue.c_str()).Left(999));
  EXPECT_EQ(lang.LoadStringW(L"Long"), expected);
  CString text(L"x");
  lang.LoadStringW(L"Long", text);
  EXPECT_EQ(text.GetLength(), 999);
  CDialog dialog;
  ASSERT_TRUE(dialog.Create(5, nullptr));
  lang.SetDialogStrings(&dialog, 5);
  dialog.GetWindowText(text);
  EXPECT_EQ(text, expected);

  // A caller's default over 999 characters is cut the same way.
  CString longDefault(L'z', 1200);
  lang.LoadStringW(L"Missing", longDefault);
  EXPECT_EQ(longDefault, CString(L'z', 999));

  // A language name over 999 characters cannot match its cut reading.
  const std::string longName(1200, 'L');
  Language("long.ini", "[Setting]\r\nLanguage=" + longName + "\r\n");
  lang.LoadLanguage(CString(longName.c_str()));
  EXPECT_EQ(lang.GetCurLanguage(), L"Chinese");
  Choose(longName.c_str());
  EXPECT_EQ(lang.GetCurLanguage(), CString(longName.c_str()).Left(999));
}

}  // namespace
