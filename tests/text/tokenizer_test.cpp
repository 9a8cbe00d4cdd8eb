#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <limits>
#include <vector>

#include "support/test_support.h"

namespace {

using kavro::test::Utf8;

std::vector<CString> AllTokens(CTokenizer& t) {
  std::vector<CString> tokens;
  while (t.HasMoreTokens()) tokens.push_back(t.Next());
  return tokens;
}

TEST(CTokenizer, RawTokens) {
  struct Row {
    const wchar_t* text;
    const wchar_t* delimiters;
    std::vector<CString> tokens;
  } const rows[] = {
      {L"a,,b,", L",", {L"a", L"", L"b"}},
      {L"x;y z", L"; ", {L"x", L"y", L"z"}},
      {L",a", L",", {L"", L"a"}},
      {L"a,,", L",", {L"a", L""}},
      {L"a b,c", L"", {L"a b,c"}},       // no delimiters: the whole rest
      {L"a\tb", L"\t", {L"a", L"b"}},
      {L"", L",", {}},
      {L"\x4E2D,\x1F600", L",", {L"\x4E2D", L"\x1F600"}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.text));
    CTokenizer t(row.text, row.delimiters);
    EXPECT_EQ(AllTokens(t), row.tokens);
    EXPECT_FALSE(t.HasMoreTokens());
    EXPECT_EQ(t.Next(), L"");
  }
  CTokenizer empty;
  EXPECT_FALSE(empty.HasMoreTokens());
  EXPECT_EQ(empty.Next(), L"");
}

TEST(CTokenizer, QuotedAndDefaultStrings) {
  CTokenizer t(L"\"a,b\",c", L",");
  EXPECT_EQ(t.NextString(TRUE, L"none"), L"a,b");
  EXPECT_EQ(t.Next(), L"c");
  EXPECT_EQ(t.NextString(FALSE, L"none"), L"none");
  EXPECT_EQ(t.NextString(TRUE, L"none"), L"none");

  struct Row {
    const wchar_t* text;
    std::vector<CString> tokens;  // NextString(TRUE) until the text is used up
  } const rows[] = {
      {L"x \"a b\" junk;next;\"c\"", {L"a b", L"c"}},  // text before a quote is skipped
      {L"\"a\"x;\"b\"", {L"a", L"b"}},                 // text after a closing quote is dropped
      {L"\"open;end", {L"open;end"}},                  // no closing quote
      {L"no quotes;here", {L""}},                      // no quote at all: empty, text used up
      {L"\"\";\"\"", {L"", L""}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.text));
    CTokenizer q(row.text, L";");
    std::vector<CString> tokens;
    while (q.HasMoreTokens()) tokens.push_back(q.NextString(TRUE, L"default"));
    EXPECT_EQ(tokens, row.tokens);
  }
}

TEST(CTokenizer, Numbers) {
  CTokenizer d(L"1.5;2,5;x", L";");
  EXPECT_DOUBLE_EQ(d.NextDouble(0), 1.5);
  EXPECT_DOUBLE_EQ(d.NextDouble(0), 2.5);
  EXPECT_DOUBLE_EQ(d.NextDouble(0), 0);

  struct Row {
    const wchar_t* token;
    int asInt;
    LONG asLong;
    double asDouble;
  } const rows[] = {
      {L" 42", 42, 42, 42},
      {L"12abc", 12, 12, 12},
      {L"3,5", 3, 3, 3.5},
      {L"-7", -7, -7, -7},
      {L"+8", 8, 8, 8},
      {L"\t\n 9", 9, 9, 9},
      {L".5", -1, -1, 0.5},
      {L"1e3", 1, 1, 1000},
      {L"2.5e-1x", 2, 2, 0.25},
      {L"1e", 1, 1, 1},
      {L"0x1A", 0, 0, 0},
      {L"abc", -1, -1, -1},
      {L"", -1, -1, -1},
      {L"-", -1, -1, -1},
      {L"inf", -1, -1, -1},
      {L"nan", -1, -1, -1},
      {L"99999999999", 2147483647, 2147483647, 99999999999.0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(Utf8(row.token));
    CTokenizer t(row.token, L";");
    EXPECT_EQ(t.NextInt(-1), row.asInt);
    t.SetString(row.token);
    EXPECT_EQ(t.NextLong(-1), row.asLong);
    t.SetString(row.token);
    EXPECT_DOUBLE_EQ(t.NextDouble(-1), row.asDouble);
    t.SetString(row.token);
    EXPECT_FLOAT_EQ(t.NextFloat(-1), static_cast<float>(row.asDouble));
  }
  CTokenizer big(L"1e300;-1e300", L";");
  EXPECT_EQ(big.NextFloat(0), std::numeric_limits<float>::infinity());
  EXPECT_EQ(big.NextFloat(0), -std::numeric_limits<float>::infinity());
}

TEST(CTokenizer, NumbersIgnoreTheHostLocale) {
  kavro::test::ScopedLocale decimalComma(LC_NUMERIC, {"de_DE.UTF-8", "fr_FR.UTF-8"});
  if (!decimalComma.ok()) GTEST_SKIP() << decimalComma.Missing();
  CTokenizer t(L"1.25;2,75", L";");
  EXPECT_DOUBLE_EQ(t.NextDouble(0), 1.25);
  EXPECT_DOUBLE_EQ(t.NextDouble(0), 2.75);
}

TEST(CTokenizer, TruthValues) {
  CTokenizer t(L"TRUE,0,7,maybe,false,FaLsE,-1,true1,00", L",");
  const int expected[] = {TRUE, FALSE, TRUE, FALSE, FALSE, FALSE, TRUE, FALSE, FALSE};
  for (int value : expected) EXPECT_EQ(t.NextBool(FALSE), value);
  EXPECT_EQ(t.NextBool(7), 7);  // used up: the default
  CTokenizer maybe(L"maybe", L",");
  EXPECT_EQ(maybe.NextBool(TRUE), TRUE);
}

TEST(CTokenizer, PositionStringAndDelimiters) {
  CTokenizer t(L"a,b;c,d", L",");
  EXPECT_EQ(t.Next(), L"a");
  t.SetDelimiter(L";");  // the rest is split the new way
  EXPECT_EQ(t.Next(), L"b");
  EXPECT_EQ(t.Next(), L"c,d");
  t.SetString(L"x,y");  // back to the start; the delimiters stay
  EXPECT_EQ(t.Next(), L"x,y");

  CTokenizer original(L"1,2,3", L",");
  original.Next();
  CTokenizer copy(original);  // the position is copied too
  EXPECT_EQ(copy.Next(), L"2");
  CTokenizer assigned;
  assigned = original;
  EXPECT_EQ(assigned.Next(), L"2");
  EXPECT_EQ(original.Next(), L"2");
}

// A derived tokenizer sees its overrides called through the base.
class UpperTokenizer : public CTokenizer {
 public:
  using CTokenizer::CTokenizer;
  CString Next() override {
    CString token = CTokenizer::Next();
    token.MakeUpper();
    return token;
  }
};

TEST(CTokenizer, OperationsAreVirtual) {
  UpperTokenizer upper(L"ab,true", L",");
  CTokenizer& base = upper;
  EXPECT_EQ(base.Next(), L"AB");
  EXPECT_EQ(base.NextString(FALSE, L""), L"TRUE");
}

TEST(CTokenizer, LongText) {
  CString text;
  for (int i = 0; i < 100000; ++i) text += L"12;";
  CTokenizer t(text, L";");
  long long sum = 0;
  int count = 0;
  while (t.HasMoreTokens()) {
    sum += t.NextInt(0);
    ++count;
  }
  EXPECT_EQ(count, 100000);
  EXPECT_EQ(sum, 1200000);
}

}  // namespace
