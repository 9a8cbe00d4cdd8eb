#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

using kavro::test::Utf8;

struct Case {
  const wchar_t* pattern;
  const wchar_t* text;
  const wchar_t* allowed;
  int expected;
};

void CheckRows(const std::vector<Case>& rows) {
  CStringOpr opr;
  for (const Case& row : rows) {
    SCOPED_TRACE("'" + Utf8(row.pattern) + "' ~ '" + Utf8(row.text) + "' allowed '" + Utf8(row.allowed) + "'");
    EXPECT_EQ(opr.WildMatch(row.pattern, row.text, row.allowed), row.expected);
  }
}

TEST(WildMatch, StarsQuestionMarksAndOptionalCharacters) {
  CheckRows({
      {L"a*c", L"abbc", L"", TRUE},
      {L"a?c", L"abc", L"", TRUE},
      {L"a?c", L"ac", L"", FALSE},
      {L"ab^cd", L"abd", L"", TRUE},
      {L"ab^cd", L"abcd", L"", TRUE},
      {L"ab^cd", L"abxd", L"", FALSE},
      {L"abc*", L"abc", L"", TRUE},
      {L"abc", L"abcd", L"", FALSE},
      {L"abc", L"ab", L"", FALSE},
      {L"A", L"a", L"", FALSE},
      {L"*", L"", L"", TRUE},
      {L"", L"", L"", TRUE},
      {L"", L"a", L"", FALSE},
      {L"?", L"", L"", FALSE},
      {L"^a", L"", L"", TRUE},
      {L"^a*^b", L"", L"", TRUE},
      {L"a^", L"a", L"", TRUE},
      {L"^*x", L"yyx", L"", TRUE},
      {L"x^?y", L"xy", L"", TRUE},
      {L"x^?y", L"xzy", L"", TRUE},
      {L"x^?y", L"xzzy", L"", FALSE},
      {L"\u4E2D*\u6587", L"\u4E2D\u56FD\u6587", L"", TRUE},
      {L"a*", L"a\xD800\xDFFF", L"", TRUE},
  });
}

// A star used to end at the first text character equal to the pattern
// character after it, so "*ab" missed "aab".
TEST(WildMatch, StarsGiveBackCharacters_UsedToStopAtTheFirstEqualCharacter) {
  CheckRows({
      {L"*ab", L"aab", L"", TRUE},
      {L"*a*b*", L"xxaxxbxx", L"", TRUE},
      {L"*a*b*", L"xxbxxaxx", L"", FALSE},
      {L"a*b*c", L"abcbc", L"", TRUE},
      {L"a*a", L"a", L"", FALSE},
      {L"a*a", L"aa", L"", TRUE},
      {L"*.txt", L"a.txt.txt", L"", TRUE},
      {L"*^xy", L"xxy", L"", TRUE},
      {L"*9", L"1999", L"0123456789", TRUE},
  });
}

TEST(WildMatch, AllowedSetLimitsWildcardsNotLiterals) {
  const wchar_t* digits = L"0123456789";
  CheckRows({
      {L"A*", L"A123", digits, TRUE},
      {L"A*", L"A1x3", digits, FALSE},
      {L"A?", L"A5", digits, TRUE},
      {L"A?", L"Ax", digits, FALSE},
      {L"A*B", L"A12B", digits, TRUE},
      {L"A*B", L"A1xB", digits, FALSE},
      {L"A^?B", L"AxB", digits, TRUE},  // an optional "?" takes any character
      {L"*", L"", digits, TRUE},
      {L"1*", L"1", digits, TRUE},
      {L"x*", L"x\u4E2D\u4E2D", L"\u4E2D", TRUE},
      {L"x*", L"x\u4E2Da", L"\u4E2D", FALSE},
  });
}

// Straight from the pattern's meaning, by memoised recursion over pattern
// and text positions.
class Reference {
 public:
  Reference(std::wstring p, std::wstring t, std::wstring allowed)
      : p_(std::move(p)), t_(std::move(t)), allowed_(std::move(allowed)),
        memo_((p_.size() + 1) * (t_.size() + 1), -1) {}
  bool Match() { return M(0, 0); }

 private:
  bool InSet(wchar_t c) const { return allowed_.empty() || allowed_.find(c) != std::wstring::npos; }
  bool M(size_t i, size_t j) {
    int& memo = memo_[i * (t_.size() + 1) + j];
    if (memo < 0) memo = Compute(i, j);
    return memo;
  }
  bool Compute(size_t i, size_t j) {
    if (i == p_.size()) return j == t_.size();
    const bool more = j < t_.size();
    if (p_[i] == L'^') {
      size_t k = i;
      while (k < p_.size() && p_[k] == L'^') ++k;
      if (k == p_.size()) return j == t_.size();
      if (p_[k] == L'*') return M(k, j);
      const bool one = more && (p_[k] == L'?' || t_[j] == p_[k]);
      return M(k + 1, j) || (one && M(k + 1, j + 1));
    }
    if (p_[i] == L'*') return M(i + 1, j) || (more && InSet(t_[j]) && M(i, j + 1));
    if (p_[i] == L'?') return more && InSet(t_[j]) && M(i + 1, j + 1);
    return more && t_[j] == p_[i] && M(i + 1, j + 1);
  }

  std::wstring p_, t_, allowed_;
  std::vector<int> memo_;
};

std::wstring RandomText(std::mt19937& random, const wchar_t* alphabet, size_t alphabetSize, size_t length) {
  std::wstring s;
  for (size_t i = 0; i < length; ++i) s.push_back(alphabet[random() % alphabetSize]);
  return s;
}

// A text that one reading of the pattern fits, sometimes spoilt by one
// character, so that matches and near misses both come up often.
std::wstring TextNearPattern(std::mt19937& random, const std::wstring& pattern, const std::wstring& allowed,
                             int starRun = 3) {
  const std::wstring any = allowed.empty() ? L"abc" : allowed;
  std::wstring text;
  for (size_t i = 0; i < pattern.size(); ++i) {
    bool optional = false;
    while (i < pattern.size() && pattern[i] == L'^') {
      optional = true;
      ++i;
    }
    if (i == pattern.size()) break;
    const wchar_t c = pattern[i];
    if (c == L'*') {
      for (int n = random() % starRun; n > 0; --n) text.push_back(any[random() % any.size()]);
    } else if (!optional || random() % 2) {
      text.push_back(c == L'?' ? any[random() % any.size()] : c);
    }
  }
  if (!text.empty() && random() % 3 == 0) text[random() % text.size()] = L"abc"[random() % 3];
  return text;
}

void CompareWithReference(size_t maxPattern, size_t maxText, int rounds, unsigned seed) {
  std::mt19937 random(seed);
  CStringOpr opr;
  const wchar_t* allowedSets[] = {L"", L"a", L"bc"};
  int matches = 0;
  for (int round = 0; round < rounds; ++round) {
    std::wstring pattern = RandomText(random, L"ab*?^c", 6, random() % (maxPattern + 1));
    std::wstring allowed = allowedSets[random() % 3];
    std::wstring text = round % 2 ? TextNearPattern(random, pattern, allowed)
                                  : RandomText(random, L"abc", 3, random() % (maxText + 1));
    SCOPED_TRACE("'" + Utf8(CString(pattern)) + "' ~ '" + Utf8(CString(text)) + "' allowed '" +
                 Utf8(CString(allowed)) + "'");
    const bool expected = Reference(pattern, text, allowed).Match();
    matches += expected;
    ASSERT_EQ(opr.WildMatch(pattern.c_str(), text.c_str(), allowed.c_str()), expected ? TRUE : FALSE);
  }
  // Both outcomes are well represented.
  EXPECT_GT(matches, rounds / 5);
  EXPECT_LT(matches, rounds - rounds / 5);
}

TEST(WildMatch, AgreesWithTheReferenceOnShortPatterns) { CompareWithReference(10, 12, 20000, 7); }

TEST(WildMatch, AgreesWithTheReferenceOnPatternsOfManyItems) {
  // More than 63 items: the matcher that walks the states one by one.
  CompareWithReference(160, 120, 3000, 11);
}

TEST(WildMatch, AgreesWithTheReferenceOnLongTexts) {
  // Texts of some hundred characters, where the steps are cached per set of
  // states.
  std::mt19937 random(5);
  CStringOpr opr;
  const wchar_t* allowedSets[] = {L"", L"a", L"bc"};
  int matches = 0;
  const int rounds = 600;
  for (int round = 0; round < rounds; ++round) {
    std::wstring pattern = RandomText(random, L"ab*?^c", 6, 4 + random() % 20);
    pattern.insert(random() % pattern.size(), L"*");
    std::wstring allowed = allowedSets[random() % 3];
    std::wstring text = TextNearPattern(random, pattern, allowed, 200);
    while (text.size() < 256) text.insert(random() % (text.size() + 1), 1, L"abc"[random() % 3]);
    SCOPED_TRACE("'" + Utf8(CString(pattern)) + "' ~ '" + Utf8(CString(text)) + "' allowed '" +
                 Utf8(CString(allowed)) + "'");
    const bool expected = Reference(pattern, text, allowed).Match();
    matches += expected;
    ASSERT_EQ(opr.WildMatch(pattern.c_str(), text.c_str(), allowed.c_str()), expected ? TRUE : FALSE);
  }
  EXPECT_GT(matches, rounds / 10);
  EXPECT_LT(matches, rounds - rounds / 10);
}

TEST(WildMatch, PatternsWithManyStateSets) {
  // "*a" and a run of "?" keep a set of states per recent window of the
  // text: more sets than are cached, so the rest of the text is stepped
  // directly.
  std::mt19937 random(3);
  CStringOpr opr;
  for (const wchar_t* pattern : {L"*a??????????b", L"*a?????????^?b*", L"*a??????????"}) {
    for (int round = 0; round < 40; ++round) {
      std::wstring text = RandomText(random, L"ab", 2, 2000 + random() % 500);
      if (round % 2) text += L"aaaaaaaaaaab";
      SCOPED_TRACE(Utf8(pattern) + " round " + std::to_string(round));
      ASSERT_EQ(opr.WildMatch(pattern, text.c_str(), L""), Reference(pattern, text, L"").Match() ? TRUE : FALSE);
    }
  }
}

TEST(WildMatch, LongPatternsAndTexts) {
  CStringOpr opr;
  std::wstring pattern;
  for (int i = 0; i < 100; ++i) pattern += L"a*";
  std::wstring text;
  for (int i = 0; i < 100; ++i) text += L"ab";
  EXPECT_TRUE(opr.WildMatch(pattern.c_str(), text.c_str(), L""));
  EXPECT_FALSE(opr.WildMatch(pattern.c_str(), text.substr(2).c_str(), L""));

  std::wstring longText(300000, L'x');
  EXPECT_TRUE(opr.WildMatch(L"*x*x*x*x*x*x*x*x*x*x", longText.c_str(), L""));
  EXPECT_FALSE(opr.WildMatch(L"*x*x*x*x*x*x*x*x*x*y", longText.c_str(), L""));
}

}  // namespace
