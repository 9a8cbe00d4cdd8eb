// Toolbar loading and selection strings.
//
// LoadToolbar reads a menu folder of 50 toolbar files holding 5,000
// toolbars and 100,000 buttons; the floor is reading the same files' lines
// with CStdioFile::ReadString into a list, measured in the same run. The
// selection string is built and restored over sets of growing size to show
// that the time per button stays flat. Ratios end the run.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "KavroStd/KavroStd.h"
#include "bench_times.h"

namespace {

constexpr int kFiles = 50;
constexpr int kBarsPerFile = 100;
constexpr int kButtonsPerBar = 20;

// Reaches the environment object's installation root.
class GlobeRoot : public CSTDGlobeInfo {
 public:
  static CString& Of(CSTDGlobeInfo* globe) { return globe->*(&GlobeRoot::m_strRootPath); }
};

struct MenuTree {
  std::string folder;
  CString root;
  std::vector<CString> files;

  MenuTree() {
    const char* base = getenv("TMPDIR");
    std::string pattern = std::string(base && *base ? base : "/tmp") + "/kavro-bench-XXXXXX";
    if (!mkdtemp(pattern.data())) abort();
    folder = pattern;
    std::filesystem::create_directories(folder + "/Support/Menu");
    Write(folder + "/Acad.rx", "Draw.arx,Edit.arx=1,x\r\nDims.arx=2,x\r\n");
    const char* modules[] = {"Draw.arx", "EDIT.ARX", "", "Gone.arx"};
    for (int f = 0; f < kFiles; ++f) {
      std::string text;
      for (int t = 0; t < kBarsPerFile; ++t) {
        const int bar = f * kBarsPerFile + t;
        text += "***Toolbar " + std::to_string(bar) + "|Group " + std::to_string(bar / 10) + "|" +
                modules[bar % 4] + "|Tip|" + std::to_string(bar) + "|\r\n";
        for (int b = 0; b < kButtonsPerBar; ++b) {
          const std::string n = std::to_string(bar * kButtonsPerBar + b);
          text += "Btn" + n + "|Command " + n + "|^C^C_cmd" + n + " |icon" + n + ".bmp|Help for button " +
                  n + "|" + std::to_string(b) + "\r\n";
        }
        text += "\r\n";
      }
      const std::string name = "menu" + std::to_string(f) + ".mns";
      Write(folder + "/Support/Menu/" + name, text);
    }
    root = CString(kavro::platform::KvWindowsPath(folder).c_str());
    if (root.Right(1) != L"\\") root += L"\\";
    CStringOpr::getFilesInFolder(root + L"Support\\Menu\\", filesArray, FALSE, L"*.mns");
    for (const CString& file : filesArray) files.push_back(file);
    if (files.size() != kFiles) abort();
  }
  ~MenuTree() {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
  }
  static void Write(const std::string& path, const std::string& text) {
    FILE* f = fopen(path.c_str(), "wb");
    if (!f || fwrite(text.data(), 1, text.size(), f) != text.size()) abort();
    fclose(f);
  }

  CStringArray filesArray;
};

MenuTree& Tree() {
  static MenuTree tree;
  return tree;
}

// Points the environment object at the bench tree while it lives.
class RootScope {
 public:
  RootScope() : saved_(GlobeRoot::Of(STDGlobeInfo())) { GlobeRoot::Of(STDGlobeInfo()) = Tree().root; }
  ~RootScope() { GlobeRoot::Of(STDGlobeInfo()) = saved_; }

 private:
  CString saved_;
};

// Both sides keep what they read until the iteration ends, and free it
// outside the timed region: the floor every line of every file, the loader
// its toolbars.
void BM_ReadLinesFloor(benchmark::State& state) {
  const std::vector<CString>& files = Tree().files;
  for (auto _ : state) {
    std::vector<CStringArray> lines(files.size());
    for (size_t i = 0; i < files.size(); ++i) {
      CStdioFile file;
      if (!file.Open(files[i], CFile::modeRead | CFile::typeText)) state.SkipWithError("open failed");
      CString line;
      while (file.ReadString(line)) lines[i].Add(line);
    }
    benchmark::DoNotOptimize(lines.data());
    state.PauseTiming();
    lines.clear();
    state.ResumeTiming();
  }
}
BENCHMARK(BM_ReadLinesFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_LoadToolbar(benchmark::State& state) {
  RootScope root;
  INT_PTR bars = 0;
  for (auto _ : state) {
    CJToolBarParam set;
    CJToolBarParam::LoadToolbar(set);
    bars = set.GetSize();
    benchmark::DoNotOptimize(set.GetData());
    state.PauseTiming();
    set.Reset();
    state.ResumeTiming();
  }
  // A quarter of the toolbars needs a module that is not installed.
  if (bars != kFiles * kBarsPerFile * 3 / 4) state.SkipWithError("unexpected toolbar count");
}
BENCHMARK(BM_LoadToolbar)->Unit(benchmark::kMillisecond)->UseRealTime();

// A set of size/20 toolbars of 20 buttons, every third button unselected.
CJToolBarParam SelectionSet(int buttons) {
  CJToolBarParam set;
  JButtonArray bar;
  for (int b = 0; b < kButtonsPerBar; ++b) {
    CJButtonParam button(L"b", L"", L"", L"", L"", L"", -1);
    bar.Add(button);
  }
  for (int t = 0; t < buttons / kButtonsPerBar; ++t) set.Add(bar);
  int k = 0;
  for (JButtonArray& each : set)
    for (CJButtonParam& button : each) button.m_bSelected = (k++ % 3) != 0;
  return set;
}

void BM_GetSelCString(benchmark::State& state) {
  CJToolBarParam set = SelectionSet(static_cast<int>(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(set.GetSelCString(0).GetLength());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_GetSelCString)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond);

void BM_SetSelByCString(benchmark::State& state) {
  CJToolBarParam set = SelectionSet(static_cast<int>(state.range(0)));
  const CString saved = set.GetSelCString(0);
  for (auto _ : state) set.SetSelByCString(saved);
  state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_SetSelByCString)->RangeMultiplier(10)->Range(10000, 1000000)->Unit(benchmark::kMillisecond);

// Keeps the real time per iteration of each run for the summary.
void PrintSummary(const kavro::bench::TimesReporter& times) {
  const kavro::bench::RunTimes floor = times.Times("BM_ReadLinesFloor/real_time");
  const kavro::bench::RunTimes load = times.Times("BM_LoadToolbar/real_time");
  if (floor.real > 0 && floor.cpu > 0 && load.real > 0)
    printf("LoadToolbar            %6.2fx reading the lines raw (real time), %6.2fx (CPU time); goal within 3x\n",
           load.real / floor.real, load.cpu / floor.cpu);
  for (const char* name : {"BM_GetSelCString", "BM_SetSelByCString"}) {
    const double small = times.Cpu(std::string(name) + "/10000");
    if (small <= 0) continue;
    for (const char* size : {"100000", "1000000"}) {
      const double big = times.Cpu(std::string(name) + "/" + size);
      if (big <= 0) continue;
      const double factor = std::stod(size) / 10000.0;
      printf("%-22s %7s buttons: %5.2fx the CPU time per button of 10000\n", name + 3, size,
             big / small / factor);
    }
  }
}

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  kavro::bench::TimesReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  PrintSummary(reporter);
  benchmark::Shutdown();
  return 0;
}
