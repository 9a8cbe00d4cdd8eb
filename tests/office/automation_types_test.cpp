// The automation value types: VariantChangeType between the types the
// wrappers return, VariantClear/VariantCopy of arrays and references, BSTR
// length prefixes and SAFEARRAY bounds, elements and locking.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "recording_dispatch.h"

using kavro::test::RecordingDispatch;

namespace {

VARIANT Text(const wchar_t* text) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_BSTR;
  v.bstrVal = SysAllocString(text);
  return v;
}
VARIANT Number(VARTYPE vt, double value) {
  VARIANT v;
  VariantInit(&v);
  v.vt = vt;
  switch (vt) {
    case VT_I2: v.iVal = static_cast<SHORT>(value); break;
    case VT_I4: v.lVal = static_cast<LONG>(value); break;
    case VT_R4: v.fltVal = static_cast<float>(value); break;
    case VT_BOOL: v.boolVal = value != 0 ? VARIANT_TRUE : VARIANT_FALSE; break;
    case VT_DATE: v.date = value; break;
    default: v.dblVal = value; break;
  }
  return v;
}

std::wstring TextOf(const VARIANT& v) { return std::wstring(v.bstrVal, SysStringLen(v.bstrVal)); }

TEST(VariantChangeType, ConvertsBetweenTheWrapperTypes) {
  const struct {
    VARIANT from;
    VARTYPE to;
    HRESULT hr;
    double number;          // the result as a number (for number targets)
    const wchar_t* text;    // the result as text (for VT_BSTR)
  } cases[] = {
      {Text(L" 42 "), VT_I4, S_OK, 42, nullptr},
      {Text(L"2.5"), VT_I2, S_OK, 2, nullptr},          // half to even
      {Text(L"3.5"), VT_I4, S_OK, 4, nullptr},
      {Text(L"-1.5e3"), VT_R8, S_OK, -1500, nullptr},
      {Text(L"true"), VT_BOOL, S_OK, -1, nullptr},
      {Text(L"False"), VT_BOOL, S_OK, 0, nullptr},
      {Text(L"0"), VT_BOOL, S_OK, 0, nullptr},
      {Text(L"12x"), VT_I4, DISP_E_TYPEMISMATCH, 0, nullptr},
      {Text(L""), VT_R8, DISP_E_TYPEMISMATCH, 0, nullptr},
      {Text(L"2024-03-05"), VT_DATE, S_OK, 45356, nullptr},
      {Number(VT_R8, 32767.5), VT_I2, DISP_E_OVERFLOW, 0, nullptr},
      {Number(VT_R8, -32768.4), VT_I2, S_OK, -32768, nullptr},
      {Number(VT_R8, 3e9), VT_I4, DISP_E_OVERFLOW, 0, nullptr},
      {Number(VT_R8, 1e300), VT_R4, DISP_E_OVERFLOW, 0, nullptr},
      {Number(VT_R8, 1e7), VT_DATE, DISP_E_OVERFLOW, 0, nullptr},
      {Number(VT_I2, -5), VT_R4, S_OK, -5, nullptr},
      {Number(VT_BOOL, 1), VT_I4, S_OK, -1, nullptr},
      {Number(VT_I4, 0), VT_BOOL, S_OK, 0, nullptr},
      {Number(VT_R8, 0.1), VT_BSTR, S_OK, 0, L"0.1"},
      {Number(VT_R4, 0.1), VT_BSTR, S_OK, 0, L"0.1"},
      {Number(VT_I4, -12), VT_BSTR, S_OK, 0, L"-12"},
      {Number(VT_BOOL, 1), VT_BSTR, S_OK, 0, L"-1"},
      {Number(VT_DATE, 45356.5), VT_BSTR, S_OK, 0, L"3/5/2024 12:00:00 PM"},
      {Number(VT_EMPTY, 0), VT_BSTR, S_OK, 0, L""},
      {Number(VT_EMPTY, 0), VT_I4, S_OK, 0, nullptr},
  };
  for (auto c : cases) {
    SCOPED_TRACE(testing::Message() << "from " << c.from.vt << " to " << c.to);
    VARIANT out;
    VariantInit(&out);
    EXPECT_EQ(VariantChangeType(&out, &c.from, 0, c.to), c.hr);
    if (c.hr == S_OK) {
      EXPECT_EQ(out.vt, c.to);
      VARIANT asNumber;
      VariantInit(&asNumber);
      if (c.text) {
        EXPECT_EQ(TextOf(out), c.text);
      } else if (c.to == VT_BOOL) {
        EXPECT_EQ(out.boolVal, c.number);
      } else {
        ASSERT_EQ(VariantChangeType(&asNumber, &out, 0, VT_R8), S_OK);
        EXPECT_EQ(asNumber.dblVal, c.number);
      }
    } else {
      EXPECT_EQ(out.vt, VT_EMPTY);
    }
    // In place, the source is replaced only on success.
    VARIANT inPlace;
    VariantInit(&inPlace);
    VariantCopy(&inPlace, &c.from);
    EXPECT_EQ(VariantChangeType(&inPlace, &inPlace, 0, c.to), c.hr);
    EXPECT_EQ(inPlace.vt, c.hr == S_OK ? c.to : c.from.vt);
    VariantClear(&inPlace);
    VariantClear(&out);
    VariantClear(&c.from);
  }
}

TEST(VariantChangeType, ObjectsAndReferences) {
  auto* object = new RecordingDispatch;
  object->result = Number(VT_I4, 17);  // the default member's value
  VARIANT disp;
  VariantInit(&disp);
  disp.vt = VT_DISPATCH;
  disp.pdispVal = object;
  object->AddRef();
  VARIANT out;
  VariantInit(&out);
  ASSERT_EQ(VariantChangeType(&out, &disp, 0, VT_BSTR), S_OK);
  EXPECT_EQ(TextOf(out), L"17");
  ASSERT_EQ(object->calls.size(), 1u);
  EXPECT_EQ(object->calls[0].dispid, DISPID_VALUE);
  EXPECT_EQ(object->calls[0].flags, DISPATCH_PROPERTYGET);
  EXPECT_EQ(VariantChangeType(&out, &disp, VARIANT_NOVALUEPROP, VT_I4), DISP_E_TYPEMISMATCH);
  ASSERT_EQ(VariantChangeType(&out, &disp, 0, VT_UNKNOWN), S_OK);
  EXPECT_EQ(out.punkVal, static_cast<IUnknown*>(object));
  VariantClear(&out);
  EXPECT_EQ(object->Refs(), 2u);
  VARIANT empty;
  VariantInit(&empty);
  ASSERT_EQ(VariantChangeType(&out, &empty, 0, VT_DISPATCH), S_OK);
  EXPECT_EQ(out.pdispVal, nullptr);
  VariantClear(&disp);

  // A reference converts the value it points at and owns nothing.
  LONG value = 99;
  VARIANT ref;
  VariantInit(&ref);
  ref.vt = VT_I4 | VT_BYREF;
  ref.plVal = &value;
  ASSERT_EQ(VariantChangeType(&out, &ref, 0, VT_R8), S_OK);
  EXPECT_EQ(out.dblVal, 99);
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(VariantCopy(&copy, &ref), S_OK);
  EXPECT_EQ(copy.plVal, &value);
  ASSERT_EQ(VariantCopyInd(&copy, &ref), S_OK);
  EXPECT_EQ(copy.vt, VT_I4);
  EXPECT_EQ(copy.lVal, 99);
  EXPECT_EQ(VariantClear(&ref), S_OK);
  EXPECT_EQ(value, 99);
  object->Release();
}

TEST(Bstr, TheLengthPrefixCountsBytesOfTheWideUnits) {
  const wchar_t units[] = {L'a', 0, L'\x4E2D', L'b'};
  BSTR text = SysAllocStringLen(units, 4);
  EXPECT_EQ(SysStringLen(text), 4u);
  EXPECT_EQ(SysStringByteLen(text), 4 * sizeof(OLECHAR));
  UINT prefix = 0;
  std::memcpy(&prefix, reinterpret_cast<char*>(text) - sizeof(UINT), sizeof prefix);
  EXPECT_EQ(prefix, 4 * sizeof(OLECHAR));
  EXPECT_EQ(text[4], 0);  // terminated after the length too
  EXPECT_TRUE(SysReAllocString(&text, L"longer text"));
  EXPECT_EQ(SysStringLen(text), 11u);
  SysFreeString(text);
  EXPECT_EQ(SysStringLen(nullptr), 0u);
  SysFreeString(nullptr);
}

TEST(SafeArray, BoundsElementsCopiesAndLocks) {
  SAFEARRAYBOUND bounds[2] = {{3, -1}, {2, 10}};
  SAFEARRAY* array = SafeArrayCreate(VT_BSTR, 2, bounds);
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(SafeArrayGetDim(array), 2u);
  LONG low = 0, high = 0;
  EXPECT_EQ(SafeArrayGetLBound(array, 1, &low), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(array, 1, &high), S_OK);
  EXPECT_EQ(low, -1);
  EXPECT_EQ(high, 1);
  EXPECT_EQ(SafeArrayGetLBound(array, 2, &low), S_OK);
  EXPECT_EQ(low, 10);
  EXPECT_EQ(SafeArrayGetUBound(array, 3, &high), DISP_E_BADINDEX);
  VARTYPE type = 0;
  EXPECT_EQ(SafeArrayGetVartype(array, &type), S_OK);
  EXPECT_EQ(type, VT_BSTR);

  LONG at[2] = {1, 11};
  BSTR in = SysAllocString(L"cell");
  EXPECT_EQ(SafeArrayPutElement(array, at, in), S_OK);
  SysFreeString(in);  // the array keeps its own copy
  BSTR out = nullptr;
  EXPECT_EQ(SafeArrayGetElement(array, at, &out), S_OK);
  EXPECT_STREQ(out, L"cell");
  SysFreeString(out);
  LONG outside[2] = {2, 11};
  EXPECT_EQ(SafeArrayGetElement(array, outside, &out), DISP_E_BADINDEX);

  SAFEARRAY* copy = nullptr;
  EXPECT_EQ(SafeArrayCopy(array, &copy), S_OK);
  BSTR* cells = nullptr;
  EXPECT_EQ(SafeArrayAccessData(copy, reinterpret_cast<void**>(&cells)), S_OK);
  EXPECT_STREQ(cells[2 + 3 * 1], L"cell");  // (1 - -1) + 3 * (11 - 10)
  EXPECT_EQ(SafeArrayDestroy(copy), DISP_E_ARRAYISLOCKED);
  EXPECT_EQ(SafeArrayUnaccessData(copy), S_OK);
  EXPECT_EQ(SafeArrayUnaccessData(copy), E_UNEXPECTED);
  EXPECT_EQ(SafeArrayDestroy(copy), S_OK);
  EXPECT_EQ(SafeArrayDestroy(array), S_OK);

  // Types an array cannot hold, no dimensions, and more than 2^31 cells.
  SAFEARRAYBOUND huge[2] = {{0x10000, 0}, {0x10000, 0}};
  EXPECT_EQ(SafeArrayCreate(VT_RESERVED, 1, bounds), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_I4, 0, bounds), nullptr);
  EXPECT_EQ(SafeArrayCreate(VT_VARIANT, 2, huge), nullptr);
  SAFEARRAY* none = SafeArrayCreateVector(VT_VARIANT, 0, 0);
  ASSERT_NE(none, nullptr);
  EXPECT_EQ(SafeArrayGetUBound(none, 1, &high), S_OK);
  EXPECT_EQ(high, -1);
  EXPECT_EQ(SafeArrayDestroy(none), S_OK);
}

TEST(SafeArray, VariantArraysInVariantsAreCopiedAndReleasedDeeply) {
  auto* object = new RecordingDispatch;
  SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 0, 2);
  VARIANT item;
  VariantInit(&item);
  item.vt = VT_DISPATCH;
  item.pdispVal = object;
  LONG i = 0;
  EXPECT_EQ(SafeArrayPutElement(array, &i, &item), S_OK);
  EXPECT_EQ(object->Refs(), 2u);
  VARIANT text = Text(L"second");
  i = 1;
  EXPECT_EQ(SafeArrayPutElement(array, &i, &text), S_OK);
  VariantClear(&text);
  VARIANT holder;
  VariantInit(&holder);
  holder.vt = VT_ARRAY | VT_VARIANT;
  holder.parray = array;
  VARIANT copy;
  VariantInit(&copy);
  ASSERT_EQ(VariantCopy(&copy, &holder), S_OK);
  EXPECT_NE(copy.parray, array);
  EXPECT_EQ(object->Refs(), 3u);
  EXPECT_EQ(VariantChangeType(&copy, &copy, 0, VT_I4), DISP_E_TYPEMISMATCH);
  EXPECT_EQ(VariantClear(&copy), S_OK);
  EXPECT_EQ(VariantClear(&holder), S_OK);
  EXPECT_EQ(object->Refs(), 1u);
  object->Release();
}

}  // namespace
