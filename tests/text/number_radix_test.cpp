#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace {

using kavro::test::Utf8;

typedef CString (*Conversion)(CString);

struct Row {
  const wchar_t* input;
  std::wstring expected;
};

void CheckRows(const char* name, Conversion convert, const std::vector<Row>& rows) {
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(name) + "('" + Utf8(row.input) + "')");
    EXPECT_EQ(convert(row.input).str(), row.expected);
  }
}

const std::wstring kOnes32(32, L'1');
const std::wstring kTopBit = L"1" + std::wstring(31, L'0');

TEST(Radix, BinToDecIn32Bits) {
  CheckRows("BinToDec", CStringOpr::BinToDec,
            {{L"1011", L"11"},
             {L"1x1", L"7"},
             {L"", L"0"},
             {L"0000", L"0"},
             {kOnes32.c_str(), L"-1"},
             {kTopBit.c_str(), L"-2147483648"},
             {(L"1" + kOnes32).c_str(), L"-1"},                     // bit 32 falls off
             {(L"1" + std::wstring(32, L'0')).c_str(), L"0"},
             {std::wstring(100000, L'1').c_str(), L"-1"}});
}

TEST(Radix, DecToBinPadsToNibbles) {
  CheckRows("DecToBin", CStringOpr::DecToBin,
            {{L"5", L"0101"},
             {L"0", L"0000"},
             {L"255", L"11111111"},
             {L"16", L"00010000"},
             {L"abc", L"0000"},
             // Negative numbers give their two's complement, as DecToHex does.
             {L"-1", kOnes32},
             {L"-2", std::wstring(31, L'1') + L"0"},
             {L"-2147483648", kTopBit},
             {L"99999999999", L"0" + std::wstring(31, L'1')},     // read as the largest long
             {L"-99999999999", kTopBit}});
}

TEST(Radix, HexadecimalTexts) {
  CheckRows("BinToHex", CStringOpr::BinToHex,
            {{L"11111111", L"FF"}, {kOnes32.c_str(), L"FFFFFFFF"}, {L"", L"0"}, {L"1010", L"A"}});
  CheckRows("DecToHex", CStringOpr::DecToHex,
            {{L"255", L"FF"},
             {L"-1", L"FFFFFFFF"},
             {L"0", L"0"},
             {L"-2147483648", L"80000000"},
             {L"4294967296", L"7FFFFFFF"},
             {std::wstring(100000, L'9').c_str(), L"7FFFFFFF"},
             {(L"-" + std::wstring(100000, L'9')).c_str(), L"80000000"},
             {L" 26x", L"1A"}});
  CheckRows("HexToDec", CStringOpr::HexToDec,
            {{L"ff", L"255"},
             {L"0x10", L"16"},
             {L"0X1f", L"31"},
             {L"zz", L"0"},
             {L"", L"0"},
             {L"0x", L"0"},
             {L"12g4", L"18"},
             {L" \t1A", L"26"},
             {L"80000000", L"-2147483648"},
             {L"7FFFFFFF", L"2147483647"},
             {L"FFFFFFFF", L"-1"},
             {L"100000000", L"-1"},  // beyond 32 bits: the largest unsigned long
             {L"-1", L"-1"},
             {L"-0x10", L"-16"},
             {L"+a", L"10"},
             {std::wstring(100000, L'F').c_str(), L"-1"},
             {(std::wstring(100000, L'0') + L"1f").c_str(), L"31"}});
  CheckRows("HexToBin", CStringOpr::HexToBin,
            {{L"A", L"1010"}, {L"0", L"0000"}, {L"FFFFFFFF", kOnes32}, {L"1F", L"00011111"}});
}

TEST(Radix, ColumnLetters) {
  CheckRows("DecToA2Z", CStringOpr::DecToA2Z,
            {{L"1", L"A"},
             {L"26", L"Z"},
             {L"27", L"AA"},
             {L"28", L"AB"},
             {L"52", L"AZ"},
             {L"53", L"BA"},
             {L"702", L"ZZ"},
             {L"703", L"AAA"},
             {L"0", L"B"},
             {L"-1", L"C"},
             {L"x", L"B"},
             {L"2147483647", L"FXSHRXW"},
             {L"-2147483647", L"FXSHRXY"},
             {L"-2147483648", L"FXSHRXZ"}});
  CheckRows("A2ZToDec", CStringOpr::A2ZToDec,
            {{L"A", L"1"},
             {L"Z", L"26"},
             {L"AA", L"27"},
             {L"aa", L"27"},
             {L"AB", L"28"},
             {L"ZZ", L"702"},
             {L"", L"0"},
             {L"@", L"0"},
             {L"1", L"-15"},
             {L"FXSHRXW", L"2147483647"},
             {std::wstring(1000, L'A').c_str(), L"-1826211241"}});  // wraps as a 32-bit int
}

TEST(Radix, ColumnLettersRoundTrip) {
  for (int n = 1; n <= 20000; ++n) {
    CString number;
    number.Format(L"%d", n);
    CString letters = CStringOpr::DecToA2Z(number);
    ASSERT_EQ(CStringOpr::A2ZToDec(letters), number) << n;
  }
}

}  // namespace
