#include <gtest/gtest.h>
#include <sys/stat.h>

#include "support/test_support.h"

using kavro::test::ReadBytes;
using kavro::test::TempDir;
using kavro::test::WriteBytes;

namespace {

class DataFileTest : public ::testing::Test {
 protected:
  std::string Path() const { return tmp.Sub("data.ini"); }
  CDataFile File() const { return CDataFile(tmp.Win("data.ini")); }
  TempDir tmp;
};

TEST_F(DataFileTest, NumbersAreStoredAsText) {
  CDataFile ini = File();
  EXPECT_TRUE(ini.SetData(L"S", L"Pi", 3.14159));
  EXPECT_TRUE(ini.SetData(L"S", L"Neg", -7));
  EXPECT_EQ(ReadBytes(Path()), "[S]\r\nPi=3.14\r\nNeg=-7\r\n");
  EXPECT_DOUBLE_EQ(ini.GetData(L"S", L"Pi", 99.0), 3.14);
  EXPECT_EQ(ini.GetData(L"S", L"Neg", 0), -7);
  // A missing double passes its default through "%.2f".
  EXPECT_DOUBLE_EQ(ini.GetData(L"S", L"Missing", 1.234), 1.23);
  double value = 0;
  EXPECT_EQ(ini.GetData(L"S", L"Missing", 1.234, value), 4u);
  EXPECT_DOUBLE_EQ(value, 1.23);
}

TEST_F(DataFileTest, IntegerTextsConvertLikeTheRuntime) {
  WriteBytes(Path(), "[S]\r\na=12abc\r\nb=abc\r\nc=  -5\r\nd=99999999999\r\n");
  CDataFile ini = File();
  struct Row {
    const wchar_t* key;
    int expected;
  } const rows[] = {{L"a", 12}, {L"b", 0}, {L"c", -5}, {L"d", 2147483647}, {L"none", 42}};
  for (const Row& row : rows) {
    SCOPED_TRACE(kavro::test::Utf8(row.key));
    EXPECT_EQ(ini.GetData(L"S", row.key, 42), row.expected);
  }
}

TEST_F(DataFileTest, NumbersIgnoreTheUsersLocale) {
  kavro::test::ScopedLocale german(LC_ALL, {"de_DE.UTF-8"});
  if (!german.ok()) GTEST_SKIP() << german.Missing();
  CDataFile ini = File();
  ini.SetData(L"S", L"V", 2.5);
  EXPECT_DOUBLE_EQ(ini.GetData(L"S", L"V", 0.0), 2.5);
  EXPECT_EQ(ReadBytes(Path()), "[S]\r\nV=2.50\r\n");
}

TEST_F(DataFileTest, StringsAreCutToTheReadBuffer) {
  CDataFile ini = File();
  CString longText(L'x', 5000);
  ini.SetData(L"S", L"Long", static_cast<const wchar_t*>(longText));
  CString value;
  EXPECT_EQ(ini.GetData(L"S", L"Long", CString(L"d"), value), 2047u);
  EXPECT_EQ(value.GetLength(), 2047);
  EXPECT_EQ(ini.GetData(L"S", L"Missing", CString(L"dflt")), L"dflt");
}

TEST_F(DataFileTest, ListsUseACountAndNumberedKeys) {
  CDataFile ini = File();
  CStringArray two;
  two.Add(CString(L"A"));
  two.Add(CString(L"B"));
  EXPECT_TRUE(ini.SetData(L"S", L"Layer", two));
  EXPECT_EQ(ReadBytes(Path()), "[S]\r\nLayerCount=2\r\nLayer1=A\r\nLayer2=B\r\n");

  CStringArray one;
  one.Add(CString(L"C"));
  ini.SetData(L"S", L"Layer", one);
  EXPECT_EQ(ReadBytes(Path()), "[S]\r\nLayerCount=1\r\nLayer1=C\r\nLayer2=B\r\n");
  CStringArray read;
  read.Add(CString(L"old"));
  EXPECT_TRUE(ini.GetData(L"S", L"Layer", read));
  ASSERT_EQ(read.GetSize(), 1);
  EXPECT_EQ(read[0], L"C");

  CStringArray none;
  ini.SetData(L"T", L"Empty", none);
  EXPECT_EQ(ini.GetData(L"T", L"EmptyCount", -1), 0);
  EXPECT_EQ(ini.GetData(L"T", L"Empty1", CString(L"absent")), L"absent");
}

TEST_F(DataFileTest, AListWithAMissingItemStillHasCountEntries) {
  WriteBytes(Path(), "[S]\r\nLCount=3\r\nL1=a\r\nL3=c\r\n[T]\r\nXCount=junk\r\n");
  CDataFile ini = File();
  CStringArray items;
  ini.GetData(L"S", L"L", items);
  ASSERT_EQ(items.GetSize(), 3);
  EXPECT_EQ(items[0], L"a");
  EXPECT_EQ(items[1], L"");
  EXPECT_EQ(items[2], L"c");
  ini.GetData(L"T", L"X", items);
  EXPECT_EQ(items.GetSize(), 0);
}

TEST_F(DataFileTest, ChangeStrToArrSplitsAndKeepsNoState) {
  struct Row {
    const wchar_t* text;
    const wchar_t* delimiters;
    std::vector<CString> expected;
  } const rows[] = {
      {L",a,,b,", L",", {L"a", L"b"}},
      {L"a; b;c", L"; ", {L"a", L"b", L"c"}},
      {L"", L",", {}},
      {L",,,", L",", {}},
      {L"whole", L"", {L"whole"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(kavro::test::Utf8(row.text));
    std::wstring buffer(row.text);
    CStringArray items;
    items.Add(CString(L"stale"));
    EXPECT_EQ(CDataFile::ChangeStrToArr(buffer.data(), row.delimiters, items), static_cast<int>(row.expected.size()));
    ASSERT_EQ(items.GetSize(), static_cast<INT_PTR>(row.expected.size()));
    for (size_t i = 0; i < row.expected.size(); ++i) EXPECT_EQ(items[i], row.expected[i]);
  }
  // A wcstok sequence of the caller's survives a split in between.
  wchar_t outer[] = L"x y z";
  EXPECT_STREQ(wcstok(outer, L" "), L"x");
  wchar_t inner[] = L"1,2";
  CStringArray items;
  CDataFile::ChangeStrToArr(inner, L",", items);
  EXPECT_STREQ(wcstok(nullptr, L" "), L"y");
}

TEST_F(DataFileTest, DeletingASectionRemovesEveryOccurrenceAndBlankLines) {
  WriteBytes(Path(),
             "\r\n[Keep]\r\na=1\r\n\r\n[Gone]\r\nb=2\r\n; note\r\n\r\n[gone]\r\nc=3\r\n[Gone]\r\nd=4\r\n[Last]\r\ne=5");
  EXPECT_TRUE(File().delAppParam(L"Gone"));
  EXPECT_EQ(ReadBytes(Path()), "\r\n[Keep]\r\na=1\r\n[gone]\r\nc=3\r\n[Last]\r\ne=5\r\n");
}

TEST_F(DataFileTest, DeletingAKeyComparesTheUntrimmedName) {
  WriteBytes(Path(), "[S]\r\nKey=1\r\nKey = 2\r\nkey=3\r\n\r\n[T]\r\nKey=4\r\n[S]\r\nKey=5\r\n");
  EXPECT_TRUE(File().delKeyParam(L"S", L"Key"));
  EXPECT_EQ(ReadBytes(Path()), "[S]\r\nKey = 2\r\nkey=3\r\n[T]\r\nKey=4\r\n[S]\r\n");
}

TEST_F(DataFileTest, DeletionKeepsTheFilesEncodingAndOddBytes) {
  // UTF-16LE with a Chinese value stays UTF-16LE.
  std::u16string text = u"[A]\r\n名=值\r\n[B]\r\nx=1\r\n";
  std::string bytes = "\xFF\xFE";
  for (char16_t c : text) {
    bytes.push_back(static_cast<char>(c & 0xFF));
    bytes.push_back(static_cast<char>(c >> 8));
  }
  WriteBytes(Path(), bytes);
  EXPECT_TRUE(File().delAppParam(L"B"));
  std::string expected = "\xFF\xFE";
  for (char16_t c : std::u16string(u"[A]\r\n名=值\r\n")) {
    expected.push_back(static_cast<char>(c & 0xFF));
    expected.push_back(static_cast<char>(c >> 8));
  }
  EXPECT_EQ(ReadBytes(Path()), expected);

  // Bytes that are no valid text and a NUL survive in the lines kept.
  WriteBytes(Path(), std::string("[A]\nv=\xFF\xFE\x81\n[B]\nn=a\0b\n", 20));
  EXPECT_TRUE(File().delKeyParam(L"A", L"missing"));
  EXPECT_EQ(ReadBytes(Path()), std::string("[A]\r\nv=\xFF\xFE\x81\r\n[B]\r\nn=a\0b\r\n", 24));
}

TEST_F(DataFileTest, DeletionChangesNothingWhenItCannotRewrite) {
  EXPECT_FALSE(File().delAppParam(L"S"));
  EXPECT_FALSE(kavro::test::Exists(Path()));

  WriteBytes(Path(), "[S]\r\na=1\r\n");
  chmod(Path().c_str(), 0444);
  EXPECT_FALSE(File().delAppParam(L"S"));
  EXPECT_FALSE(File().delKeyParam(L"S", L"a"));
  EXPECT_EQ(ReadBytes(Path()), "[S]\r\na=1\r\n");
}

}  // namespace
