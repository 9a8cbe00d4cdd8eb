// The generated Excel and Word wrapper classes: the telling members called
// on a recording dispatch object, and every generated method walked
// against its row of the type-library data.
#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "KavroStd/office.h"
#include "office_check.h"
#include "office_rows.h"
#include "recording_dispatch.h"

using kavro::test::RecordingDispatch;

namespace {

class WrapperTest : public ::testing::Test {
 protected:
  void SetUp() override { object_ = new RecordingDispatch; }
  void TearDown() override {
    VariantClear(&object_->result);  // a scripted object result holds a reference
    EXPECT_EQ(object_->Refs(), 1u);
    object_->Release();
  }
  LPDISPATCH Ref() {
    object_->AddRef();
    return object_;
  }
  const RecordingDispatch::Call& Only() {
    EXPECT_EQ(object_->calls.size(), 1u);
    return object_->calls.back();
  }
  RecordingDispatch* object_ = nullptr;
};

VARIANT MissingArg() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ERROR;
  v.scode = DISP_E_PARAMNOTFOUND;
  return v;
}

TEST_F(WrapperTest, WorkbooksOpenPassesTheNameAndTwelveVariantsUnchanged) {
  Workbooks books(Ref());
  VARIANT m = MissingArg();
  VARIANT readOnly;
  VariantInit(&readOnly);
  readOnly.vt = VT_BOOL;
  readOnly.boolVal = VARIANT_TRUE;
  object_->result.vt = VT_DISPATCH;
  object_->result.pdispVal = Ref();
  LPDISPATCH book = books.Open(L"C:\\data\\book.xls", m, readOnly, m, m, m, m, m, m, m, m, m, m);
  const auto& call = Only();
  EXPECT_EQ(call.dispid, 0x2AA);
  EXPECT_EQ(call.flags, DISPATCH_METHOD);
  EXPECT_TRUE(call.wantsResult);
  ASSERT_EQ(call.args.size(), 13u);
  EXPECT_EQ(call.args[0].text, L"C:\\data\\book.xls");
  EXPECT_EQ(call.args[2].vt, VT_BOOL);
  for (size_t i : {1, 3, 4, 12}) {
    EXPECT_EQ(call.args[i].vt, VT_ERROR);
    EXPECT_EQ(call.args[i].raw.scode, DISP_E_PARAMNOTFOUND);
  }
  EXPECT_EQ(book, object_);
  // The workbook is driven through its own wrapper, which owns the reference.
  _Workbook workbook(book);
  object_->calls.clear();
  workbook.Close(m, m, m);
  EXPECT_EQ(Only().args.size(), 3u);
}

TEST_F(WrapperTest, WorkbooksMembersCallTheirDispids) {
  Workbooks books(Ref());
  VARIANT index;
  VariantInit(&index);
  index.vt = VT_I4;
  index.lVal = 2;
  object_->result.vt = VT_I4;
  object_->result.lVal = 3;
  EXPECT_EQ(books.GetCount(), 3);
  EXPECT_EQ(Only().dispid, 0x76);
  EXPECT_EQ(Only().flags, DISPATCH_PROPERTYGET);
  object_->calls.clear();
  books.Close();
  EXPECT_EQ(Only().dispid, 0x115);
  EXPECT_EQ(Only().flags, DISPATCH_METHOD);
  object_->calls.clear();
  VariantClear(&object_->result);
  object_->result.vt = VT_DISPATCH;
  object_->result.pdispVal = Ref();
  LPDISPATCH item = books.GetItem(index);
  EXPECT_EQ(Only().dispid, 0xAA);
  EXPECT_EQ(Only().args.at(0).raw.lVal, 2);
  item->Release();
  object_->calls.clear();
  IUnknown* items = books.Get_NewEnum();
  EXPECT_EQ(Only().dispid, DISPID_NEWENUM);
  items->Release();
  object_->calls.clear();
  books.OpenText(L"a.txt", index, index, index, 4L, index, index, index, index, index, index, index, index, index);
  EXPECT_EQ(Only().dispid, 0x2AB);
  EXPECT_EQ(Only().args.at(4).vt, VT_I4);
  EXPECT_EQ(Only().args.at(4).raw.lVal, 4);
}

TEST_F(WrapperTest, RangeValueIsAGetAndAPutOfDispidSix) {
  Range range(Ref());
  VARIANT value;
  VariantInit(&value);
  value.vt = VT_BSTR;
  const wchar_t units[] = {L'x', 0, L'y'};
  value.bstrVal = SysAllocStringLen(units, 3);
  range.SetValue(value);
  const auto& put = Only();
  EXPECT_EQ(put.dispid, 6);
  EXPECT_EQ(put.flags, DISPATCH_PROPERTYPUT);
  ASSERT_EQ(put.named.size(), 1u);
  EXPECT_EQ(put.named[0], DISPID_PROPERTYPUT);
  EXPECT_EQ(put.args.at(0).text, std::wstring(units, 3));  // NULs included
  VariantClear(&value);

  // A range of two rows and three columns answers with a 2-D array.
  SAFEARRAYBOUND bounds[2] = {{2, 1}, {3, 1}};
  SAFEARRAY* cells = SafeArrayCreate(VT_VARIANT, 2, bounds);
  for (LONG r = 1; r <= 2; ++r) {
    for (LONG c = 1; c <= 3; ++c) {
      LONG at[2] = {r, c};
      VARIANT cell;
      VariantInit(&cell);
      cell.vt = VT_R8;
      cell.dblVal = r * 10 + c;
      ASSERT_EQ(SafeArrayPutElement(cells, at, &cell), S_OK);
    }
  }
  object_->result.vt = VT_ARRAY | VT_VARIANT;
  object_->result.parray = cells;
  object_->calls.clear();
  VARIANT got = range.GetValue();
  EXPECT_EQ(Only().flags, DISPATCH_PROPERTYGET);
  EXPECT_TRUE(Only().named.empty());
  ASSERT_EQ(got.vt, VT_ARRAY | VT_VARIANT);
  EXPECT_EQ(SafeArrayGetDim(got.parray), 2u);
  LONG rows = 0, columns = 0;
  SafeArrayGetUBound(got.parray, 1, &rows);
  SafeArrayGetUBound(got.parray, 2, &columns);
  EXPECT_EQ(rows, 2);
  EXPECT_EQ(columns, 3);
  LONG at[2] = {2, 3};
  VARIANT cell;
  ASSERT_EQ(SafeArrayGetElement(got.parray, at, &cell), S_OK);
  EXPECT_EQ(cell.dblVal, 23);
  // The first dimension varies fastest in the data, as on Windows.
  VARIANT* data = nullptr;
  SafeArrayAccessData(got.parray, reinterpret_cast<void**>(&data));
  EXPECT_EQ(data[1].dblVal, 21);
  EXPECT_EQ(data[2].dblVal, 12);
  EXPECT_EQ(VariantClear(&got), DISP_E_ARRAYISLOCKED);
  SafeArrayUnaccessData(got.parray);
  EXPECT_EQ(VariantClear(&got), S_OK);
}

TEST_F(WrapperTest, PutByReferenceAndPutOfAProperty) {
  // _Application's ActivePrinter is a text put; a chart's SetRef puts an object.
  _Application app(Ref());
  app.SetActivePrinter(L"Printer");
  EXPECT_EQ(Only().flags, DISPATCH_PROPERTYPUT);
  EXPECT_EQ(Only().args.at(0).text, L"Printer");
  object_->calls.clear();
  bool found = false;
  for (const auto* table : kavro::office_check::kTables) {
    for (size_t i = 0; i < table->count && !found; ++i) {
      const auto& row = table->rows[i];
      if (row.kind != DISPATCH_PROPERTYPUTREF) continue;
      found = true;
      kavro::office_check::Returned r;
      row.call(object_, r);
      EXPECT_EQ(Only().flags, DISPATCH_PROPERTYPUTREF) << row.cls << "::" << row.method;
      EXPECT_EQ(Only().named.at(0), DISPID_PROPERTYPUT);
    }
  }
  EXPECT_TRUE(found);
}

TEST_F(WrapperTest, WordDocumentsPassesVariantAddressesAndItemIsAMethod) {
  WordDocuments documents(Ref());
  VARIANT v[10];
  for (VARIANT& each : v) each = MissingArg();
  v[0].vt = VT_BSTR;
  v[0].bstrVal = SysAllocString(L"letter.doc");
  object_->result.vt = VT_DISPATCH;
  object_->result.pdispVal = Ref();
  LPDISPATCH doc = documents.Open(&v[0], &v[1], &v[2], &v[3], &v[4], &v[5], &v[6], &v[7], &v[8], &v[9]);
  const auto& call = Only();
  EXPECT_EQ(call.dispid, 0x0C);
  EXPECT_EQ(call.flags, DISPATCH_METHOD);
  ASSERT_EQ(call.args.size(), 10u);
  for (size_t i = 0; i < 10; ++i) {
    EXPECT_EQ(call.args[i].vt, VT_VARIANT | VT_BYREF);
    EXPECT_EQ(call.args[i].raw.pvarVal, &v[i]);
  }
  _WordDocument document(doc);
  object_->calls.clear();
  VARIANT index;
  VariantInit(&index);
  index.vt = VT_I4;
  index.lVal = 1;
  LPDISPATCH item = documents.Item(&index);
  EXPECT_EQ(Only().dispid, 0);
  EXPECT_EQ(Only().flags, DISPATCH_METHOD);
  item->Release();
  object_->calls.clear();
  documents.Save(&v[1], &v[2]);
  EXPECT_EQ(Only().dispid, 0x0D);
  documents.Close(&v[1], &v[2], &v[3]);
  EXPECT_EQ(object_->calls.back().dispid, 0x451);
  VariantClear(&v[0]);
}

TEST_F(WrapperTest, CopiesAndAssignmentsOfWrappersCountReferences) {
  {
    Range a(Ref());
    Range b(a);
    Range c;
    c = b;
    EXPECT_EQ(object_->Refs(), 4u);
    ExcelFont font(Ref());
    font = ExcelFont();
    EXPECT_EQ(object_->Refs(), 4u);
  }
  EXPECT_EQ(object_->Refs(), 1u);
}

TEST_F(WrapperTest, TheObjectsExceptionPropagatesThroughAWrapper) {
  WordRange range(Ref());
  object_->failure = DISP_E_EXCEPTION;
  object_->description = L"The range cannot be deleted.";
  object_->source = L"Word";
  try {
    range.GetText();
    FAIL();
  } catch (COleDispatchException* e) {
    EXPECT_EQ(e->m_strDescription, L"The range cannot be deleted.");
    EXPECT_EQ(e->m_strSource, L"Word");
    e->Delete();
  }
}

// ---- Every generated method against the data ----

std::vector<std::string> Split(const std::string& line, char sep) {
  std::vector<std::string> out;
  std::stringstream in(line);
  std::string field;
  while (std::getline(in, field, sep)) out.push_back(field);
  if (!line.empty() && line.back() == sep) out.push_back("");
  return out;
}

WORD KindOf(const std::string& kind) {
  if (kind == "method") return DISPATCH_METHOD;
  if (kind == "get") return DISPATCH_PROPERTYGET;
  if (kind == "put") return DISPATCH_PROPERTYPUT;
  return DISPATCH_PROPERTYPUTREF;
}

VARTYPE VtOf(const std::string& name) {
  static const std::map<std::string, VARTYPE> names = {
      {"VT_EMPTY", VT_EMPTY}, {"VT_I2", VT_I2},       {"VT_I4", VT_I4},         {"VT_R4", VT_R4},
      {"VT_R8", VT_R8},       {"VT_DATE", VT_DATE},   {"VT_BSTR", VT_BSTR},     {"VT_DISPATCH", VT_DISPATCH},
      {"VT_BOOL", VT_BOOL},   {"VT_VARIANT", VT_VARIANT}, {"VT_UNKNOWN", VT_UNKNOWN}};
  return names.at(name);
}

using RowKey = std::tuple<std::string, std::string, DISPID, WORD, VARTYPE, std::string>;

// The rows of the data files, as (class, method, DISPID, kind, return, bytes).
std::multiset<RowKey> DataRows() {
  std::multiset<RowKey> rows;
  for (const char* file : {"excel97.tsv", "word97.tsv"}) {
    std::ifstream in(std::string(KAVRO_SOURCE_DIR) + "/office/typelib/" + file);
    EXPECT_TRUE(in) << file;
    std::string line;
    std::getline(in, line);
    while (std::getline(in, line)) {
      const auto f = Split(line, '\t');
      std::string bytes;
      for (const auto& b : Split(f.at(10), ' '))
        if (!b.empty()) bytes.push_back(static_cast<char>(std::stoi(b, nullptr, 16)));
      rows.insert({f.at(1), f.at(3), static_cast<DISPID>(std::stol(f.at(4))), KindOf(f.at(6)), VtOf(f.at(7)), bytes});
    }
  }
  return rows;
}

// The argument type InvokeHelper makes of a parameter byte, with the check
// calls' argument values.
void ExpectArgument(BYTE type, const RecordingDispatch::Arg& arg) {
  namespace oc = kavro::office_check;
  switch (type) {
    case 0x02: EXPECT_EQ(arg.vt, VT_I2); EXPECT_EQ(arg.raw.iVal, oc::kShort); break;
    case 0x03: EXPECT_EQ(arg.vt, VT_I4); EXPECT_EQ(arg.raw.lVal, oc::kLong); break;
    case 0x04: EXPECT_EQ(arg.vt, VT_R4); EXPECT_EQ(arg.raw.fltVal, oc::kFloat); break;
    case 0x05: EXPECT_EQ(arg.vt, VT_R8); EXPECT_EQ(arg.raw.dblVal, oc::kDouble); break;
    case 0x08: EXPECT_EQ(arg.vt, VT_BSTR); EXPECT_EQ(arg.text, oc::kText); break;
    case 0x09: EXPECT_EQ(arg.vt, VT_DISPATCH); break;
    case 0x0B: EXPECT_EQ(arg.vt, VT_BOOL); EXPECT_EQ(arg.raw.boolVal, VARIANT_TRUE); break;
    case 0x0C: EXPECT_EQ(arg.vt, VT_ERROR); EXPECT_EQ(arg.raw.scode, DISP_E_PARAMNOTFOUND); break;
    case 0x0D: EXPECT_EQ(arg.vt, VT_UNKNOWN); break;
    case 0x43: EXPECT_EQ(arg.vt, VT_I4 | VT_BYREF); break;  // its temporary is gone after the call
    case 0x49: EXPECT_EQ(arg.vt, VT_DISPATCH | VT_BYREF); EXPECT_EQ(arg.raw.ppdispVal, oc::ByRefDispatch()); break;
    case 0x4B: EXPECT_EQ(arg.vt, VT_BOOL | VT_BYREF); break;
    case 0x4C: EXPECT_EQ(arg.vt, VT_VARIANT | VT_BYREF); EXPECT_EQ(arg.raw.pvarVal, oc::ByRefVariant()); break;
    default: ADD_FAILURE() << "unexpected parameter byte " << int(type);
  }
}

// Scripts a result of another type than the method returns, so that the
// conversion to its return type shows in the returned value.
void Script(RecordingDispatch& object, VARTYPE ret) {
  VARIANT& r = object.result;
  VariantClear(&r);
  if (ret == VT_BSTR || ret == VT_VARIANT || ret == VT_EMPTY) {
    r.vt = VT_I4;
    r.lVal = 12;
  } else if (ret == VT_DISPATCH || ret == VT_UNKNOWN) {
    r.vt = ret == VT_DISPATCH ? VT_UNKNOWN : VT_DISPATCH;
    r.pdispVal = &object;
    object.AddRef();
  } else {
    r.vt = VT_BSTR;
    r.bstrVal = SysAllocString(L"1");
  }
}

void ExpectReturned(const kavro::office_check::Returned& got, VARTYPE ret, IDispatch* object) {
  EXPECT_EQ(got.type, ret == VT_DATE ? static_cast<VARTYPE>(VT_R8) : ret);
  const VARIANT& v = got.value;
  switch (ret) {
    case VT_I2: EXPECT_EQ(v.iVal, 1); break;
    case VT_I4: EXPECT_EQ(v.lVal, 1); break;
    case VT_R4: EXPECT_EQ(v.fltVal, 1.0f); break;
    case VT_R8:
    case VT_DATE: EXPECT_EQ(v.dblVal, 1.0); break;
    case VT_BOOL: EXPECT_EQ(v.boolVal, TRUE); break;
    case VT_BSTR: EXPECT_STREQ(v.bstrVal, L"12"); break;
    case VT_VARIANT: EXPECT_EQ(v.vt, VT_I4); EXPECT_EQ(v.lVal, 12); break;
    case VT_DISPATCH:
    case VT_UNKNOWN: EXPECT_EQ(v.punkVal, static_cast<IUnknown*>(object)); break;
    default: break;
  }
}

TEST_F(WrapperTest, EveryGeneratedMethodCallsItsMemberAsItsDataRowSays) {
  std::multiset<RowKey> data = DataRows();
  std::multiset<RowKey> generated;
  for (const auto* table : kavro::office_check::kTables) {
    for (size_t i = 0; i < table->count; ++i) {
      const auto& row = table->rows[i];
      const std::string bytes(row.bytes, row.count);
      generated.insert({row.cls, row.method, row.dispid, row.kind, row.ret, bytes});
      SCOPED_TRACE(std::string(row.cls) + "::" + row.method);
      object_->calls.clear();
      Script(*object_, row.ret);
      {
        kavro::office_check::Returned got;
        row.call(object_, got);
        ASSERT_EQ(object_->calls.size(), 1u);
        const auto& call = object_->calls[0];
        EXPECT_EQ(call.dispid, row.dispid);
        EXPECT_EQ(call.flags, row.kind);
        EXPECT_EQ(call.wantsResult, row.ret != VT_EMPTY);
        ASSERT_EQ(call.args.size(), row.count);
        for (size_t k = 0; k < row.count; ++k) ExpectArgument(static_cast<BYTE>(bytes[k]), call.args[k]);
        const bool put = row.kind == DISPATCH_PROPERTYPUT || row.kind == DISPATCH_PROPERTYPUTREF;
        EXPECT_EQ(call.named.size(), put && row.count ? 1u : 0u);
        ExpectReturned(got, row.ret, object_);
      }
      VariantClear(&object_->result);
      ASSERT_EQ(object_->Refs(), 1u) << "a reference leaked or was released twice";
    }
  }
  // The generated tables hold exactly the rows of the data.
  EXPECT_TRUE(generated == data) << generated.size() << " generated rows, " << data.size() << " data rows";
}

}  // namespace
