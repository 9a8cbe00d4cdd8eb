// COleDispatchDriver::InvokeHelper against a direct virtual call of
// IDispatch::Invoke with the same arguments prepared once.
//
// The object is in-process and answers at once (a VT_I4 result), so the
// figures show what the driver adds: packing the arguments from the
// parameter bytes (a BSTR allocated for a text), the named argument, and
// converting and storing the result. With 0, 3 (long, text, variant) and
// 13 (text and twelve variants, as Workbooks.Open) arguments. The object
// does no work, so the direct call is the bare virtual call; "ByHand" is
// the same call with its arguments packed on each round as a caller without
// the driver writes it. Ratios are printed after the table; the goal is 2x.
#include <benchmark/benchmark.h>

#include <cstdio>

#include "KavroStd/platform/windows.h"
#include "bench_times.h"

namespace {

class Answering : public IDispatch {
 public:
  HRESULT QueryInterface(REFIID, void** object) override {
    *object = this;
    return S_OK;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override { return --refs_; }  // lives for the whole run
  HRESULT GetTypeInfoCount(UINT* count) override {
    *count = 0;
    return S_OK;
  }
  HRESULT GetTypeInfo(UINT, LCID, ITypeInfo**) override { return E_NOTIMPL; }
  HRESULT GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override { return DISP_E_UNKNOWNNAME; }
  HRESULT Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS* params, VARIANT* result, EXCEPINFO*, UINT*) override {
    if (result) {
      result->vt = VT_I4;
      result->lVal = static_cast<LONG>(params->cArgs);
    }
    return S_OK;
  }

 private:
  ULONG refs_ = 1;
};

Answering& Object() {
  static Answering object;
  return object;
}

VARIANT Missing() {
  VARIANT v;
  VariantInit(&v);
  v.vt = VT_ERROR;
  v.scode = DISP_E_PARAMNOTFOUND;
  return v;
}

void Direct(benchmark::State& state) {
  const UINT count = static_cast<UINT>(state.range(0));
  IDispatch* object = &Object();
  benchmark::DoNotOptimize(object);
  VARIANT args[13];
  BSTR text = SysAllocString(L"C:\\Data\\Budget.xls");
  for (UINT i = 0; i < count; ++i) args[i] = Missing();
  if (count == 3) {
    args[2].vt = VT_I4;
    args[2].lVal = 5;
    args[1].vt = VT_BSTR;
    args[1].bstrVal = text;
  } else if (count == 13) {
    args[12].vt = VT_BSTR;
    args[12].bstrVal = text;
  }
  DISPPARAMS params = {count ? args : nullptr, nullptr, count, 0};
  for (auto _ : state) {
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO info;
    UINT argError = 0;
    HRESULT hr = object->Invoke(0x2AA, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &info,
                                &argError);
    benchmark::DoNotOptimize(hr);
    benchmark::DoNotOptimize(result.lVal);
  }
  SysFreeString(text);
}
BENCHMARK(Direct)->Arg(0)->Arg(3)->Arg(13);

// The same call packed by hand on each round, as a caller without the
// driver writes it: the arguments set up, the text made a BSTR and freed.
void ByHand(benchmark::State& state) {
  const UINT count = static_cast<UINT>(state.range(0));
  IDispatch* object = &Object();
  benchmark::DoNotOptimize(object);
  const VARIANT m = Missing();
  for (auto _ : state) {
    VARIANT args[13];
    for (UINT i = 0; i < count; ++i) args[i] = m;
    BSTR text = nullptr;
    if (count) {
      text = SysAllocString(L"C:\\Data\\Budget.xls");
      VARIANT& name = args[count == 3 ? 1 : 12];
      name.vt = VT_BSTR;
      name.bstrVal = text;
    }
    if (count == 3) {
      args[2].vt = VT_I4;
      args[2].lVal = 5;
    }
    DISPPARAMS params = {count ? args : nullptr, nullptr, count, 0};
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO info;
    UINT argError = 0;
    HRESULT hr = object->Invoke(0x2AA, IID_NULL, LOCALE_USER_DEFAULT, DISPATCH_METHOD, &params, &result, &info,
                                &argError);
    SysFreeString(text);
    benchmark::DoNotOptimize(hr);
    benchmark::DoNotOptimize(result.lVal);
  }
}
BENCHMARK(ByHand)->Arg(0)->Arg(3)->Arg(13);

void Helper(benchmark::State& state) {
  const int count = static_cast<int>(state.range(0));
  Object().AddRef();
  COleDispatchDriver driver(&Object());
  const VARIANT m = Missing();
  static const BYTE three[] = VTS_I4 VTS_BSTR VTS_VARIANT;
  static const BYTE thirteen[] = VTS_BSTR VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT
      VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT VTS_VARIANT;
  const wchar_t* name = L"C:\\Data\\Budget.xls";
  for (auto _ : state) {
    long result = 0;
    if (count == 0) {
      driver.InvokeHelper(0x2AA, DISPATCH_METHOD, VT_I4, &result, nullptr);
    } else if (count == 3) {
      driver.InvokeHelper(0x2AA, DISPATCH_METHOD, VT_I4, &result, three, 5L, name, &m);
    } else {
      driver.InvokeHelper(0x2AA, DISPATCH_METHOD, VT_I4, &result, thirteen, name, &m, &m, &m, &m, &m, &m, &m, &m,
                          &m, &m, &m, &m);
    }
    benchmark::DoNotOptimize(result);
  }
}
BENCHMARK(Helper)->Arg(0)->Arg(3)->Arg(13);

void PrintRatios(const kavro::bench::TimesReporter& times) {
  for (const char* n : {"0", "3", "13"}) {
    const kavro::bench::RunTimes direct = times.Times(std::string("Direct/") + n);
    const kavro::bench::RunTimes helper = times.Times(std::string("Helper/") + n);
    const kavro::bench::RunTimes byHand = times.Times(std::string("ByHand/") + n);
    if (direct.cpu > 0 && direct.real > 0)
      std::printf("InvokeHelper with %2s arguments: %6.2fx the direct Invoke (real time), %6.2fx (CPU time); goal 2x\n",
                  n, helper.real / direct.real, helper.cpu / direct.cpu);
    if (byHand.cpu > 0 && byHand.real > 0)
      std::printf("                                 %6.2fx the call packed by hand (real time), %6.2fx (CPU time)\n",
                  helper.real / byHand.real, helper.cpu / byHand.cpu);
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  kavro::bench::TimesReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintRatios(reporter);
  benchmark::Shutdown();
  return 0;
}
