// The COM support classes: _bstr_t texts, _variant_t conversions in any
// locale, and _com_error carrying the description of the failing call.
#include <gtest/gtest.h>

#include <string>

#include "support/test_support.h"

namespace kavro::test {
namespace {

std::wstring Text(const _bstr_t& text) { return text.length() ? static_cast<const wchar_t*>(text) : L""; }

TEST(ComSupport, BstrTexts) {
  _bstr_t empty;
  EXPECT_EQ(static_cast<const wchar_t*>(empty), nullptr);
  EXPECT_TRUE(!empty);
  EXPECT_EQ(empty.length(), 0u);
  _bstr_t joined = _bstr_t(L"Draw") + L"/" + _bstr_t(L"Line");
  EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(joined)), L"Draw/Line");
  EXPECT_TRUE(joined == _bstr_t(L"Draw/Line"));
  // Narrow texts go through the ANSI code page, both ways.
  ScopedAcp gbk(936);
  _bstr_t chinese("\xD6\xD0\xCE\xC4");
  EXPECT_EQ(std::wstring(static_cast<const wchar_t*>(chinese)), L"\u4E2D\u6587");
  EXPECT_STREQ(static_cast<const char*>(_bstr_t(L"\u6587")), "\xCE\xC4");
  BSTR owned = chinese.copy();
  EXPECT_EQ(SysStringLen(owned), 2u);
  SysFreeString(owned);
}

TEST(ComSupport, VariantConversionsIgnoreTheLocale) {
  ScopedLocale german(LC_ALL, {"de_DE.UTF-8", "de_DE.utf8"});
  if (!german.ok()) GTEST_SKIP() << german.Missing();
  struct Case {
    _variant_t value;
    const wchar_t* text;
  };
  const Case cases[] = {
      {_variant_t(0.5), L"0.5"},         {_variant_t(-3), L"-3"},       {_variant_t(true), L"-1"},
      {_variant_t(1e20), L"1e+20"},      {_variant_t(L"x"), L"x"},      {_variant_t(), L""},
      {_variant_t(2.0 / 3), L"0.666666666666667"},
  };
  for (const Case& c : cases) EXPECT_EQ(Text(_bstr_t(c.value)), c.text);
  EXPECT_DOUBLE_EQ(static_cast<double>(_variant_t(L" 2.25 ")), 2.25);
  EXPECT_EQ(static_cast<LONG>(_variant_t(L"2.5")), 2);  // half to even
  EXPECT_EQ(static_cast<LONG>(_variant_t(L"3.5")), 4);
  struct Bad {
    _variant_t value;
    HRESULT expected;
  };
  const Bad bad[] = {{_variant_t(L"2,5"), DISP_E_TYPEMISMATCH},
                     {_variant_t(L"abc"), DISP_E_TYPEMISMATCH},
                     {_variant_t(1e12), DISP_E_OVERFLOW}};
  for (const Bad& b : bad) {
    try {
      (void)static_cast<LONG>(b.value);
      ADD_FAILURE() << "converted";
    } catch (const _com_error& e) {
      EXPECT_EQ(e.Error(), b.expected);
    }
  }
}

TEST(ComSupport, ComErrorKeepsTheDescriptionThroughCopies) {
  IXMLDOMDocumentPtr doc;
  ASSERT_EQ(doc.CreateInstance(CLSID_DOMDocument30), S_OK);
  _com_error copy(S_OK);
  try {
    doc->createElement(L"1bad");
  } catch (const _com_error& e) {
    copy = e;
  }
  EXPECT_EQ(copy.Error(), E_FAIL);
  EXPECT_STREQ(copy.ErrorMessage(), L"Unspecified error");
  EXPECT_NE(Text(copy.Description()).find(L"1bad"), std::wstring::npos);
  // The information was handed over: the next failure without any has none.
  _com_error plain(E_POINTER);
  EXPECT_EQ(plain.Description().length(), 0u);
  EXPECT_STREQ(_com_error(static_cast<HRESULT>(0x80041234)).ErrorMessage(), L"IDispatch error #4148");
  EXPECT_STREQ(_com_error(static_cast<HRESULT>(0x8123ABCD)).ErrorMessage(), L"Unknown error 0x8123ABCD");
}

TEST(ComSupport, SmartPointersAsWindowsCodeWritesThem) {
  IXMLDOMDocumentPtr doc(__uuidof(DOMDocument30));
  ASSERT_TRUE(doc != NULL);
  ASSERT_EQ(doc->loadXML(L"<r><a/></r>"), VARIANT_TRUE);
  IXMLDOMNodePtr node = doc->selectSingleNode(L"//a");
  IXMLDOMElementPtr element = node;  // another interface of the same object
  EXPECT_TRUE(element != NULL);
  IXMLDOMDocumentPtr notDocument = node;
  EXPECT_TRUE(notDocument == NULL);
  node = NULL;
  element = 0;
  EXPECT_TRUE(node == 0);
  EXPECT_FALSE(element);
  EXPECT_THROW(IXMLDOMNodePtr(7), _com_error);
  MSXML2::IXMLDOMDocumentPtr other;
  EXPECT_EQ(other.CreateInstance(__uuidof(MSXML2::DOMDocument60)), S_OK);
}

}  // namespace
}  // namespace kavro::test
