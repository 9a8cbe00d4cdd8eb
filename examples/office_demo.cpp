// kvoffice_demo: the Excel wrapper classes driving a dispatch object of
// this program's own, a toy "application" with a workbook collection, the
// way a product module drives a host's spreadsheet. Every Invoke the toy
// receives is printed with its DISPID, call kind and arguments.
//
//   build/bin/kvoffice_demo
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "KavroStd/office/Range.h"
#include "KavroStd/office/Workbooks.h"
#include "KavroStd/office/_Application.h"
#include "KavroStd/office/_Workbook.h"
#include "KavroStd/office/_Worksheet.h"
#include "KavroStd/platform/windows.h"

namespace {

std::string Narrow(const std::wstring& text) {
  std::string out;
  for (wchar_t c : text) out += c < 0x80 ? static_cast<char>(c) : '?';
  return out;
}

std::string Show(const VARIANT& v) {
  VARIANT text;
  VariantInit(&text);
  std::string out;
  if (v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND) return "(missing)";
  if (v.vt & VT_ARRAY) return "(array)";
  if (VariantChangeType(&text, &v, VARIANT_NOVALUEPROP, VT_BSTR) == S_OK)
    out = v.vt == VT_BSTR ? "\"" + Narrow(text.bstrVal) + "\"" : Narrow(text.bstrVal);
  else
    out = v.vt == VT_DISPATCH ? "(object)" : "(type " + std::to_string(v.vt) + ")";
  VariantClear(&text);
  return out;
}

const char* KindName(WORD flags) {
  if (flags & DISPATCH_PROPERTYPUTREF) return "putref";
  if (flags & DISPATCH_PROPERTYPUT) return "put";
  if (flags & DISPATCH_PROPERTYGET) return "get";
  return "method";
}

VARIANT Result(IDispatch* object) {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_DISPATCH;
  v.pdispVal = object;  // the reference goes to the caller
  return v;
}

// The toy's objects: a reference count, and Invoke printing each call and
// handing it to Answer with the arguments first to last.
class ToyObject : public IDispatch {
 public:
  explicit ToyObject(std::string name) : name_(std::move(name)) {}
  HRESULT QueryInterface(REFIID iid, void** object) override {
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *object = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *object = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    const ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    *info = nullptr;
    return E_NOTIMPL;
  }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  HRESULT Invoke(DISPID member, REFIID, LCID, WORD flags, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                 UINT*) override {
    std::vector<VARIANT> args;
    for (UINT i = params->cArgs; i-- > 0;) args.push_back(params->rgvarg[i]);
    std::printf("  %-10s Invoke DISPID 0x%X %-6s (", name_.c_str(), static_cast<unsigned>(member), KindName(flags));
    for (size_t i = 0; i < args.size(); ++i) std::printf("%s%s", i ? ", " : "", Show(args[i]).c_str());
    std::printf(")\n");
    VARIANT out;
    VariantInit(&out);
    HRESULT hr = Answer(member, flags, args, out);
    if (hr == DISP_E_EXCEPTION && excep) {
      excep->bstrSource = SysAllocString(L"Toy Application");
      excep->bstrDescription = SysAllocString(L"No such workbook.");
      excep->scode = DISP_E_BADINDEX;
    }
    if (result) *result = out;
    else VariantClear(&out);
    return hr;
  }

 protected:
  virtual ~ToyObject() = default;
  virtual HRESULT Answer(DISPID member, WORD flags, const std::vector<VARIANT>& args, VARIANT& out) = 0;

 private:
  std::string name_;
  ULONG refs_ = 1;
};

// A worksheet keeps its cells by address; a range holds a reference to
// its sheet and reads and writes one cell.
class ToySheet : public ToyObject {
 public:
  ToySheet() : ToyObject("Worksheet") {}
  VARIANT& Cell(const std::wstring& address) { return cells_[address]; }

 protected:
  ~ToySheet() override {
    for (auto& cell : cells_) VariantClear(&cell.second);
  }
  HRESULT Answer(DISPID member, WORD, const std::vector<VARIANT>& args, VARIANT& out) override;

 private:
  std::map<std::wstring, VARIANT> cells_;
};

class ToyRange : public ToyObject {
 public:
  ToyRange(ToySheet* sheet, std::wstring address) : ToyObject("Range"), sheet_(sheet), address_(std::move(address)) {
    sheet_->AddRef();
  }

 protected:
  ~ToyRange() override { sheet_->Release(); }
  HRESULT Answer(DISPID member, WORD flags, const std::vector<VARIANT>& args, VARIANT& out) override {
    if (member == 6 && (flags & DISPATCH_PROPERTYPUT)) return VariantCopy(&sheet_->Cell(address_), &args.at(0));
    if (member == 6) return VariantCopy(&out, &sheet_->Cell(address_));  // Value
    if (member == 0xEC) {  // Address
      out.vt = VT_BSTR;
      out.bstrVal = SysAllocString((L"$" + address_).c_str());
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  ToySheet* sheet_;
  std::wstring address_;
};

HRESULT ToySheet::Answer(DISPID member, WORD, const std::vector<VARIANT>& args, VARIANT& out) {
  if (member == 0xC5 && !args.empty() && args[0].vt == VT_BSTR) {  // Range
    out = Result(new ToyRange(this, args[0].bstrVal));
    return S_OK;
  }
  if (member == 0x6E) {  // Name
    out.vt = VT_BSTR;
    out.bstrVal = SysAllocString(L"Sheet1");
    return S_OK;
  }
  return DISP_E_MEMBERNOTFOUND;
}

class ToyWorkbook : public ToyObject {
 public:
  explicit ToyWorkbook(std::wstring name) : ToyObject("Workbook"), name_(std::move(name)) {}
  ~ToyWorkbook() override { sheet_->Release(); }

 protected:
  HRESULT Answer(DISPID member, WORD, const std::vector<VARIANT>&, VARIANT& out) override {
    switch (member) {
      case 0x6E:  // Name
        out.vt = VT_BSTR;
        out.bstrVal = SysAllocString(name_.c_str());
        return S_OK;
      case 0x133:  // ActiveSheet
        sheet_->AddRef();
        out = Result(sheet_);
        return S_OK;
      case 0x115:  // Close
        return S_OK;
      default: return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  std::wstring name_;
  ToySheet* sheet_ = new ToySheet;
};

class ToyWorkbooks : public ToyObject {
 public:
  ToyWorkbooks() : ToyObject("Workbooks") {}
  ~ToyWorkbooks() override {
    for (IDispatch* book : books_) book->Release();
  }

 protected:
  HRESULT Answer(DISPID member, WORD, const std::vector<VARIANT>& args, VARIANT& out) override {
    switch (member) {
      case 0xB5:  // Add
        return Add(L"Book" + std::to_wstring(books_.size() + 1), out);
      case 0x2AA:  // Open
        return Add(args.at(0).bstrVal, out);
      case 0x76:  // Count
        out.vt = VT_I4;
        out.lVal = static_cast<LONG>(books_.size());
        return S_OK;
      case 0xAA:  // Item
      case 0: {
        VARIANT index;
        VariantInit(&index);
        if (FAILED(VariantChangeType(&index, &args.at(0), 0, VT_I4))) return DISP_E_TYPEMISMATCH;
        if (index.lVal < 1 || index.lVal > static_cast<LONG>(books_.size())) return DISP_E_EXCEPTION;
        books_[index.lVal - 1]->AddRef();
        out = Result(books_[index.lVal - 1]);
        return S_OK;
      }
      default: return DISP_E_MEMBERNOTFOUND;
    }
  }

 private:
  HRESULT Add(const std::wstring& name, VARIANT& out) {
    IDispatch* book = new ToyWorkbook(name);
    books_.push_back(book);
    book->AddRef();
    out = Result(book);
    return S_OK;
  }
  std::vector<IDispatch*> books_;
};

class ToyApplication : public ToyObject {
 public:
  ToyApplication() : ToyObject("App") {}
  ~ToyApplication() override { books_->Release(); }

 protected:
  HRESULT Answer(DISPID member, WORD, const std::vector<VARIANT>&, VARIANT& out) override {
    if (member != 0x23C) return DISP_E_MEMBERNOTFOUND;  // Workbooks
    books_->AddRef();
    out = Result(books_);
    return S_OK;
  }

 private:
  IDispatch* books_ = new ToyWorkbooks;
};

VARIANT Missing() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ERROR;
  v.scode = DISP_E_PARAMNOTFOUND;
  return v;
}

}  // namespace

int main() {
  CoInitialize(nullptr);
  {
    _Application app(new ToyApplication);  // the wrapper owns the toy's first reference
    VARIANT m = Missing();

    std::printf("Workbooks books = app.GetWorkbooks();\n");
    Workbooks books(app.GetWorkbooks());
    std::printf("books.Add(missing);\n");
    _Workbook first(books.Add(m));
    std::printf("books.Open(L\"C:\\\\Data\\\\Budget.xls\", missing x 12);\n");
    _Workbook budget(books.Open(L"C:\\Data\\Budget.xls", m, m, m, m, m, m, m, m, m, m, m, m));
    std::printf("books.GetCount() -> %ld\n", books.GetCount());
    std::printf("budget.GetName() -> %s\n", Narrow(budget.GetName().GetString()).c_str());

    _Worksheet sheet(budget.GetActiveSheet());
    VARIANT cell;
    VariantInit(&cell);
    cell.vt = VT_BSTR;
    cell.bstrVal = SysAllocString(L"B2");
    Range range(sheet.GetRange(cell, m));
    VARIANT value;
    VariantInit(&value);
    value.vt = VT_R8;
    value.dblVal = 1234.5;
    std::printf("range.SetValue(1234.5);\n");
    range.SetValue(value);
    VARIANT back = range.GetValue();
    std::printf("range.GetValue() -> %s\n", Show(back).c_str());
    VariantClear(&back);
    std::printf("range.GetAddress(...) -> %s\n", Narrow(range.GetAddress(m, m, 1, m, m).GetString()).c_str());

    VARIANT index;
    VariantInit(&index);
    index.vt = VT_I4;
    index.lVal = 7;
    std::printf("books.GetItem(7);\n");
    try {
      _Workbook missingBook(books.GetItem(index));
    } catch (COleDispatchException* e) {
      std::printf("  caught COleDispatchException: %s (source %s)\n",
                  Narrow(e->m_strDescription.GetString()).c_str(), Narrow(e->m_strSource.GetString()).c_str());
      e->Delete();
    }
    std::printf("budget.Close(missing x 3);\n");
    budget.Close(m, m, m);
    VariantClear(&cell);
  }
  CoUninitialize();
  return 0;
}
