// COleDispatchDriver against a recording dispatch object: argument packing,
// property puts, by-reference write-back, result conversion, exceptions and
// reference counting.
#include <gtest/gtest.h>

#include "recording_dispatch.h"

using kavro::test::RecordingDispatch;

namespace {

class DriverTest : public ::testing::Test {
 protected:
  void SetUp() override {
    alive_ = RecordingDispatch::Alive();
    object_ = new RecordingDispatch;  // the test's own reference
  }
  void TearDown() override {
    EXPECT_EQ(object_->Refs(), 1u) << "the driver leaked or over-released a reference";
    EXPECT_EQ(object_->overReleased, 0);
    object_->Release();
    EXPECT_EQ(RecordingDispatch::Alive(), alive_);
  }
  // A driver with a reference of its own.
  COleDispatchDriver Driver() {
    object_->AddRef();
    return COleDispatchDriver(object_);
  }
  RecordingDispatch* object_ = nullptr;
  int alive_ = 0;
};

TEST_F(DriverTest, ArgumentsArePackedLastFirstWithTheirAutomationTypes) {
  COleDispatchDriver driver = Driver();
  VARIANT given;
  VariantInit(&given);
  given.vt = VT_R8;
  given.dblVal = 0.25;
  static const BYTE params[] = VTS_I2 VTS_I4 VTS_R4 VTS_R8 VTS_BSTR VTS_BOOL VTS_VARIANT VTS_DISPATCH VTS_UNKNOWN;
  driver.InvokeHelper(42, DISPATCH_METHOD, VT_EMPTY, nullptr, params, short(-2), long(123456), 1.5f, 2.25, L"name",
                      TRUE, &given, static_cast<IDispatch*>(object_), static_cast<IUnknown*>(nullptr));
  ASSERT_EQ(object_->calls.size(), 1u);
  const auto& call = object_->calls[0];
  EXPECT_EQ(call.dispid, 42);
  EXPECT_EQ(call.flags, DISPATCH_METHOD);
  EXPECT_TRUE(call.named.empty());
  EXPECT_FALSE(call.wantsResult);
  ASSERT_EQ(call.args.size(), 9u);
  const VARTYPE types[] = {VT_I2, VT_I4, VT_R4, VT_R8, VT_BSTR, VT_BOOL, VT_R8, VT_DISPATCH, VT_UNKNOWN};
  for (size_t i = 0; i < 9; ++i) EXPECT_EQ(call.args[i].vt, types[i]) << "argument " << i;
  EXPECT_EQ(call.args[0].raw.iVal, -2);
  EXPECT_EQ(call.args[1].raw.lVal, 123456);
  EXPECT_EQ(call.args[2].raw.fltVal, 1.5f);
  EXPECT_EQ(call.args[3].raw.dblVal, 2.25);
  EXPECT_EQ(call.args[4].text, L"name");
  EXPECT_EQ(call.args[5].raw.boolVal, VARIANT_TRUE);
  EXPECT_EQ(call.args[6].raw.dblVal, 0.25);
  EXPECT_EQ(call.args[7].raw.pdispVal, object_);
  EXPECT_EQ(call.args[8].raw.punkVal, nullptr);
}

TEST_F(DriverTest, PutsNameTheirValueAndGetsDoNot) {
  COleDispatchDriver driver = Driver();
  static const BYTE one[] = VTS_I4;
  static const BYTE dispatchValue[] = VTS_DISPATCH;
  const struct {
    WORD flags;
    const BYTE* params;
    size_t named;
  } cases[] = {
      {DISPATCH_PROPERTYPUT, one, 1},
      {DISPATCH_PROPERTYPUTREF, dispatchValue, 1},
      {DISPATCH_PROPERTYGET, one, 0},
      {DISPATCH_METHOD, one, 0},
      {DISPATCH_PROPERTYPUT, nullptr, 0},  // nothing to name
  };
  for (const auto& c : cases) {
    object_->calls.clear();
    if (c.params == dispatchValue) driver.InvokeHelper(7, c.flags, VT_EMPTY, nullptr, c.params, (IDispatch*)nullptr);
    else driver.InvokeHelper(7, c.flags, VT_EMPTY, nullptr, c.params, 5L);
    ASSERT_EQ(object_->calls.size(), 1u);
    const auto& named = object_->calls[0].named;
    ASSERT_EQ(named.size(), c.named) << "flags " << c.flags;
    if (c.named) {
      EXPECT_EQ(named[0], DISPID_PROPERTYPUT);
    }
  }
  // SetProperty puts an object by reference, a value by value.
  object_->calls.clear();
  driver.SetProperty(9, VT_DISPATCH, static_cast<IDispatch*>(nullptr));
  driver.SetProperty(9, VT_I4, 3L);
  ASSERT_EQ(object_->calls.size(), 2u);
  EXPECT_EQ(object_->calls[0].flags, DISPATCH_PROPERTYPUTREF);
  EXPECT_EQ(object_->calls[1].flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(object_->calls[1].args[0].raw.lVal, 3);
}

TEST_F(DriverTest, ByReferenceArgumentsAreWrittenBack) {
  COleDispatchDriver driver = Driver();
  object_->answer = [](DISPPARAMS* params, VARIANT*, EXCEPINFO*) {
    // rgvarg is last first: VARIANT*, BOOL*, long*.
    EXPECT_EQ(params->rgvarg[2].vt, VT_I4 | VT_BYREF);
    EXPECT_EQ(params->rgvarg[1].vt, VT_BOOL | VT_BYREF);
    EXPECT_EQ(params->rgvarg[0].vt, VT_VARIANT | VT_BYREF);
    EXPECT_EQ(*params->rgvarg[2].plVal, -7);
    EXPECT_EQ(*params->rgvarg[1].pboolVal, VARIANT_TRUE);
    *params->rgvarg[2].plVal = 2147483647;
    *params->rgvarg[1].pboolVal = VARIANT_FALSE;
    VARIANT* v = params->rgvarg[0].pvarVal;
    VariantClear(v);
    v->vt = VT_BSTR;
    v->bstrVal = SysAllocString(L"written");
    return S_OK;
  };
  long count = -7;
  BOOL flag = 5;  // any non-zero is true
  VARIANT text;
  VariantInit(&text);
  static const BYTE params[] = VTS_PI4 VTS_PBOOL VTS_PVARIANT;
  driver.InvokeHelper(1, DISPATCH_METHOD, VT_EMPTY, nullptr, params, &count, &flag, &text);
  EXPECT_EQ(count, 2147483647);
  EXPECT_EQ(flag, FALSE);
  ASSERT_EQ(text.vt, VT_BSTR);
  EXPECT_STREQ(text.bstrVal, L"written");
  VariantClear(&text);
}

TEST_F(DriverTest, MissingAndNullArgumentsArriveAsParamNotFound) {
  COleDispatchDriver driver = Driver();
  VARIANT missing;
  VariantInit(&missing);
  missing.vt = VT_ERROR;
  missing.scode = DISP_E_PARAMNOTFOUND;
  static const BYTE params[] = VTS_VARIANT VTS_VARIANT VTS_PVARIANT VTS_PI4 VTS_BSTR;
  driver.InvokeHelper(1, DISPATCH_METHOD, VT_EMPTY, nullptr, params, &missing, (const VARIANT*)nullptr,
                      (VARIANT*)nullptr, (long*)nullptr, (const wchar_t*)nullptr);
  const auto& args = object_->calls.at(0).args;
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(args[i].vt, VT_ERROR) << i;
    EXPECT_EQ(args[i].raw.scode, DISP_E_PARAMNOTFOUND) << i;
  }
  EXPECT_EQ(args[4].vt, VT_BSTR);  // a null text is a null BSTR
  EXPECT_EQ(args[4].raw.bstrVal, nullptr);
}

TEST_F(DriverTest, ResultsAreConvertedToTheAskedType) {
  COleDispatchDriver driver = Driver();
  auto answer = [&](VARTYPE vt, auto setter) {
    VariantClear(&object_->result);
    object_->result.vt = vt;
    setter(object_->result);
  };
  answer(VT_BSTR, [](VARIANT& v) { v.bstrVal = SysAllocString(L" 2.5 "); });
  long asLong = 0;
  double asDouble = 0;
  short asShort = 0;
  float asFloat = 0;
  BOOL asBool = FALSE;
  driver.InvokeHelper(1, DISPATCH_PROPERTYGET, VT_I4, &asLong, nullptr);  // rounds half to even
  driver.InvokeHelper(1, DISPATCH_PROPERTYGET, VT_R8, &asDouble, nullptr);
  driver.InvokeHelper(1, DISPATCH_PROPERTYGET, VT_I2, &asShort, nullptr);
  driver.InvokeHelper(1, DISPATCH_PROPERTYGET, VT_R4, &asFloat, nullptr);
  driver.InvokeHelper(1, DISPATCH_PROPERTYGET, VT_BOOL, &asBool, nullptr);
  EXPECT_EQ(asLong, 2);
  EXPECT_EQ(asDouble, 2.5);
  EXPECT_EQ(asShort, 2);
  EXPECT_EQ(asFloat, 2.5f);
  EXPECT_EQ(asBool, TRUE);

  answer(VT_R8, [](VARIANT& v) { v.dblVal = 0.1; });
  CString text;
  driver.InvokeHelper(1, DISPATCH_PROPERTYGET, VT_BSTR, &text, nullptr);
  EXPECT_EQ(text, L"0.1");

  // A text with embedded NULs reaches the caller whole.
  const wchar_t units[] = {L'a', 0, L'b', 0};
  answer(VT_BSTR, [&](VARIANT& v) { v.bstrVal = SysAllocStringLen(units, 4); });
  driver.InvokeHelper(1, DISPATCH_PROPERTYGET, VT_BSTR, &text, nullptr);
  ASSERT_EQ(text.GetLength(), 4);
  EXPECT_EQ(text[2], L'b');

  // A VARIANT result is handed over as the object gave it.
  answer(VT_I2, [](VARIANT& v) { v.iVal = 9; });
  VARIANT any;
  driver.InvokeHelper(1, DISPATCH_PROPERTYGET, VT_VARIANT, &any, nullptr);
  EXPECT_EQ(any.vt, VT_I2);
  EXPECT_EQ(any.iVal, 9);

  // An object asked for as IDispatch* is asked for that interface.
  answer(VT_UNKNOWN, [&](VARIANT& v) {
    v.punkVal = object_;
    object_->AddRef();
  });
  LPDISPATCH disp = nullptr;
  driver.InvokeHelper(1, DISPATCH_PROPERTYGET, VT_DISPATCH, &disp, nullptr);
  EXPECT_EQ(disp, object_);
  if (disp) disp->Release();
  VariantClear(&object_->result);
}

TEST_F(DriverTest, UnconvertibleResultsThrowOleExceptionWithTheConversionFailure) {
  COleDispatchDriver driver = Driver();
  const struct {
    VARTYPE given;
    const wchar_t* text;
    double number;
    VARTYPE asked;
    HRESULT expected;
  } cases[] = {
      {VT_BSTR, L"twelve", 0, VT_I4, DISP_E_TYPEMISMATCH},
      {VT_R8, nullptr, 1e10, VT_I4, DISP_E_OVERFLOW},
      {VT_R8, nullptr, 40000, VT_I2, DISP_E_OVERFLOW},
      {VT_R8, nullptr, 1, VT_DISPATCH, DISP_E_TYPEMISMATCH},
      {VT_BSTR, L"1", 0, VT_UNKNOWN, DISP_E_TYPEMISMATCH},
  };
  for (const auto& c : cases) {
    VariantClear(&object_->result);
    object_->result.vt = c.given;
    if (c.given == VT_BSTR) object_->result.bstrVal = SysAllocString(c.text);
    else object_->result.dblVal = c.number;
    alignas(8) unsigned char slot[16] = {};
    try {
      driver.InvokeHelper(1, DISPATCH_PROPERTYGET, c.asked, slot, nullptr);
      ADD_FAILURE() << "no exception for type " << c.asked;
    } catch (COleException* e) {
      EXPECT_EQ(e->m_sc, c.expected) << "type " << c.asked;
      e->Delete();
    }
  }
  VariantClear(&object_->result);
}

TEST_F(DriverTest, TheObjectsExceptionReachesTheCallerWithItsRecord) {
  COleDispatchDriver driver = Driver();
  object_->failure = DISP_E_EXCEPTION;
  object_->description = std::wstring(L"Cannot open\0file", 16);
  object_->source = L"Toy Application";
  object_->helpFile = L"toy.hlp";
  object_->helpContext = 77;
  object_->scode = E_ACCESSDENIED;
  object_->wCode = 0;
  try {
    driver.InvokeHelper(3, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
    FAIL() << "no exception";
  } catch (COleDispatchException* e) {
    EXPECT_EQ(e->m_strDescription.GetLength(), 16);
    EXPECT_EQ(CString(e->m_strDescription.Left(11)), L"Cannot open");
    EXPECT_EQ(e->m_strSource, L"Toy Application");
    EXPECT_EQ(e->m_strHelpFile, L"toy.hlp");
    EXPECT_EQ(e->m_dwHelpContext, 77u);
    EXPECT_EQ(e->m_scError, E_ACCESSDENIED);
    EXPECT_EQ(COleException::Process(e), E_ACCESSDENIED);
    wchar_t message[8];
    EXPECT_TRUE(e->GetErrorMessage(message, 8));
    EXPECT_STREQ(message, L"Cannot ");
    e->Delete();
  }
  // A record with only a code.
  object_->scode = 0;
  object_->wCode = 1004;
  try {
    driver.InvokeHelper(3, DISPATCH_METHOD, VT_EMPTY, nullptr, nullptr);
    FAIL() << "no exception";
  } catch (COleDispatchException* e) {
    EXPECT_EQ(e->m_wCode, 1004);
    EXPECT_EQ(e->m_scError, DISP_E_EXCEPTION);
    e->Delete();
  }
}

TEST_F(DriverTest, OtherFailuresThrowOleExceptionWithTheHresult) {
  COleDispatchDriver driver = Driver();
  for (HRESULT failure : {DISP_E_MEMBERNOTFOUND, DISP_E_BADPARAMCOUNT, E_FAIL}) {
    object_->failure = failure;
    try {
      long value = 0;
      driver.InvokeHelper(3, DISPATCH_PROPERTYGET, VT_I4, &value, nullptr);
      ADD_FAILURE() << "no exception";
    } catch (COleException* e) {
      EXPECT_EQ(e->m_sc, failure);
      e->Delete();
    }
  }
  // An unknown parameter byte is refused before the call.
  object_->failure = S_OK;
  object_->calls.clear();
  static const BYTE bad[] = "\x03\x7F";
  try {
    driver.InvokeHelper(3, DISPATCH_METHOD, VT_EMPTY, nullptr, bad, 1L, 2L);
    ADD_FAILURE() << "no exception";
  } catch (COleException* e) {
    EXPECT_EQ(e->m_sc, DISP_E_BADVARTYPE);
    e->Delete();
  }
  EXPECT_TRUE(object_->calls.empty());
}

TEST_F(DriverTest, ADriverWithoutAnInterfaceThrowsInsteadOfCalling) {
  COleDispatchDriver empty;
  long value = 5;
  try {
    empty.InvokeHelper(1, DISPATCH_PROPERTYGET, VT_I4, &value, nullptr);
    FAIL() << "no exception";
  } catch (COleException* e) {
    EXPECT_EQ(e->m_sc, E_POINTER);
    e->Delete();
  }
  EXPECT_EQ(value, 5);
  COleDispatchDriver fromNull(static_cast<LPDISPATCH>(nullptr));
  COleDispatchDriver copy(fromNull);
  copy = empty;
  copy.ReleaseDispatch();
  EXPECT_EQ(copy.DetachDispatch(), nullptr);
}

TEST_F(DriverTest, ReferencesFollowConstructionCopyAssignmentAndDestruction) {
  {
    object_->AddRef();
    COleDispatchDriver owner(object_);  // takes over that reference
    EXPECT_EQ(object_->Refs(), 2u);
    {
      COleDispatchDriver copy(owner);
      EXPECT_EQ(object_->Refs(), 3u);
      COleDispatchDriver assigned;
      assigned = owner;
      EXPECT_EQ(object_->Refs(), 4u);
      COleDispatchDriver& same = assigned;
      assigned = same;  // self-assignment changes nothing
      EXPECT_EQ(object_->Refs(), 4u);
      RecordingDispatch* other = new RecordingDispatch;
      COleDispatchDriver second(other);
      assigned = second;  // releases the old interface, shares the new one
      EXPECT_EQ(object_->Refs(), 3u);
      EXPECT_EQ(other->Refs(), 2u);
    }
    EXPECT_EQ(object_->Refs(), 2u);
    // A borrowed interface is not released.
    COleDispatchDriver borrowed;
    borrowed.AttachDispatch(object_, FALSE);
    borrowed.ReleaseDispatch();
    EXPECT_EQ(object_->Refs(), 2u);
    // Detaching hands the reference over.
    LPDISPATCH detached = owner.DetachDispatch();
    EXPECT_EQ(detached, object_);
    EXPECT_EQ(object_->Refs(), 2u);
    owner.AttachDispatch(detached);  // and attaching takes it back
  }
  // TearDown checks that the test's own reference is the last one.
}

TEST_F(DriverTest, ManyArgumentsAndLargeArraysPassThrough) {
  COleDispatchDriver driver = Driver();
  // 31 parameters, the most a wrapper has, and 40 beyond the stack buffer.
  std::string bytes(40, '\x03');
  driver.InvokeHelper(1, DISPATCH_METHOD, VT_EMPTY, nullptr, reinterpret_cast<const BYTE*>(bytes.c_str()), 1L, 2L,
                      3L, 4L, 5L, 6L, 7L, 8L, 9L, 10L, 11L, 12L, 13L, 14L, 15L, 16L, 17L, 18L, 19L, 20L, 21L, 22L,
                      23L, 24L, 25L, 26L, 27L, 28L, 29L, 30L, 31L, 32L, 33L, 34L, 35L, 36L, 37L, 38L, 39L, 40L);
  const auto& args = object_->calls.at(0).args;
  ASSERT_EQ(args.size(), 40u);
  for (LONG i = 0; i < 40; ++i) EXPECT_EQ(args[i].raw.lVal, i + 1);

  // A range's value of 1,000,000 cells and of none come back whole.
  for (ULONG cells : {0u, 1000000u}) {
    SAFEARRAY* array = SafeArrayCreateVector(VT_VARIANT, 1, cells);
    ASSERT_NE(array, nullptr);
    VARIANT* data = nullptr;
    ASSERT_EQ(SafeArrayAccessData(array, reinterpret_cast<void**>(&data)), S_OK);
    for (ULONG i = 0; i < cells; ++i) {
      data[i].vt = VT_I4;
      data[i].lVal = static_cast<LONG>(i);
    }
    SafeArrayUnaccessData(array);
    VariantClear(&object_->result);
    object_->result.vt = VT_ARRAY | VT_VARIANT;
    object_->result.parray = array;
    VARIANT value;
    driver.InvokeHelper(6, DISPATCH_PROPERTYGET, VT_VARIANT, &value, nullptr);
    ASSERT_EQ(value.vt, VT_ARRAY | VT_VARIANT);
    ASSERT_NE(value.parray, array);  // a copy of the object's array
    LONG upper = 0;
    EXPECT_EQ(SafeArrayGetUBound(value.parray, 1, &upper), S_OK);
    EXPECT_EQ(upper, static_cast<LONG>(cells));
    if (cells) {
      LONG index = 999999 + 1;
      VARIANT last;
      EXPECT_EQ(SafeArrayGetElement(value.parray, &index, &last), S_OK);
      EXPECT_EQ(last.lVal, 999999);
    }
    EXPECT_EQ(VariantClear(&value), S_OK);
  }
  VariantClear(&object_->result);
}

}  // namespace
