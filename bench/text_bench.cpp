// Speed of the text routines over large texts, each set against a plain
// wcslen pass over the same text in the same run; and the sorts of the
// numeric arrays over growing sizes, fitted to n log n.
//
// After the usual table a summary prints every routine's time per character
// (one character is one byte of the ASCII texts used here) and its multiple
// of the wcslen pass. The goal is 20x at most.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <cwchar>
#include <random>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "KavroStd/KavroStd.h"

namespace {

constexpr size_t kMiB = 1 << 20;
constexpr size_t k100KiB = 100 << 10;

// Random lowercase words of 1 to 12 letters, separated by ",", with a
// needle at the very end: the shape of a large delimited record.
const std::wstring& CommaText() {
  static const std::wstring text = [] {
    std::mt19937 random(2024);
    const std::wstring needle = L",needle,in,haystack";
    std::wstring s;
    s.reserve(kMiB);
    while (s.size() + 13 + needle.size() < kMiB) {
      for (int n = 1 + random() % 12; n > 0; --n) s.push_back(static_cast<wchar_t>(L'a' + random() % 26));
      s.push_back(L',');
    }
    while (s.size() + needle.size() < kMiB) s.push_back(L'x');
    s += needle;
    return s;
  }();
  return text;
}

// The worst case for a search that backs up: 'a' runs and a pattern of
// 'a's ending in 'b', found only at the end.
const std::wstring& RepetitiveText() {
  static const std::wstring text = std::wstring(kMiB - 64, L'a') + std::wstring(63, L'a') + L"b";
  return text;
}

// Letters 'a' to 'i' only: a pattern of stars over 'a' to 'j' nearly fits
// everywhere and fails only for the missing 'j'.
const std::wstring& AlmostMatchingText() {
  static const std::wstring text = [] {
    std::mt19937 random(7);
    std::wstring s;
    for (size_t i = 0; i < k100KiB; ++i) s.push_back(static_cast<wchar_t>(L'a' + random() % 9));
    return s;
  }();
  return text;
}

void CountCharacters(benchmark::State& state, size_t characters) {
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * characters));
  state.counters["chars"] = static_cast<double>(characters);
}

void BM_Wcslen(benchmark::State& state, const std::wstring* text) {
  for (auto _ : state) {
    const wchar_t* p = text->c_str();
    benchmark::DoNotOptimize(p);
    benchmark::DoNotOptimize(wcslen(p));
  }
  CountCharacters(state, text->size());
}

void BM_Memchr(benchmark::State& state, const std::wstring* text) {
  const size_t bytes = text->size() * sizeof(wchar_t);
  for (auto _ : state) {
    const void* p = text->data();
    benchmark::DoNotOptimize(p);
    benchmark::DoNotOptimize(memchr(p, 0xFF, bytes));
  }
  CountCharacters(state, text->size());
}

void BM_SpliteStrToAry(benchmark::State& state) {
  const CString text(CommaText());
  for (auto _ : state) {
    CStringArray items;
    CStringOpr::SpliteStrToAry(text, L",", items);
    benchmark::DoNotOptimize(items.GetData());
  }
  CountCharacters(state, CommaText().size());
}

// Reference for the split: the same pieces as std::wstring in a reserved
// std::vector, i.e. what one heap string per piece costs by itself.
void BM_SplitFloor_vector_wstring(benchmark::State& state) {
  const std::wstring& text = CommaText();
  for (auto _ : state) {
    std::vector<std::wstring> pieces;
    pieces.reserve(text.size() / 4);
    for (size_t start = 0;;) {
      const size_t hit = text.find(L',', start);
      pieces.emplace_back(text, start, hit == std::wstring::npos ? std::wstring::npos : hit - start);
      if (hit == std::wstring::npos) break;
      start = hit + 1;
    }
    benchmark::DoNotOptimize(pieces.data());
  }
  CountCharacters(state, text.size());
}

// Reference for every routine that takes its text by value: copying the
// 1 MiB CString once, which such a call pays before it reads anything.
void BM_ArgumentCopyFloor(benchmark::State& state) {
  const CString text(CommaText());
  for (auto _ : state) {
    CString copy(text);
    benchmark::DoNotOptimize(copy.GetString());
  }
  CountCharacters(state, CommaText().size());
}

void BM_MergeAryToStr(benchmark::State& state) {
  CStringArray items;
  CStringOpr::SpliteStrToAry(CString(CommaText()), L",", items);
  for (auto _ : state) benchmark::DoNotOptimize(CStringOpr::MergeAryToStr(items, L",", FALSE));
  CountCharacters(state, CommaText().size());
}

void BM_Find_Sub_Str(benchmark::State& state, const std::wstring* text, const wchar_t* pattern) {
  for (auto _ : state) benchmark::DoNotOptimize(CStringOpr::Find_Sub_Str(pattern, text->c_str()));
  CountCharacters(state, text->size());
}

void BM_WildMatch(benchmark::State& state, const std::wstring* text, const wchar_t* pattern) {
  const CString subject(*text);
  CStringOpr opr;
  for (auto _ : state) benchmark::DoNotOptimize(opr.WildMatch(pattern, subject, CString()));
  CountCharacters(state, text->size());
}

void BM_CTokenizer(benchmark::State& state) {
  const CString text(CommaText());
  for (auto _ : state) {
    CTokenizer tokenizer(text, L",");
    int tokens = 0;
    while (tokenizer.HasMoreTokens()) {
      benchmark::DoNotOptimize(tokenizer.Next());
      ++tokens;
    }
    benchmark::DoNotOptimize(tokens);
  }
  CountCharacters(state, CommaText().size());
}

// What a C++ developer writes instead of the routines above, over the same
// text: a std::wstring_view scan into std::vector<std::wstring> (split), the
// same scan yielding one std::wstring at a time (tokenizer), and joining
// with std::wstring::append after a reserve (merge).
void BM_CppSplit(benchmark::State& state) {
  const std::wstring& text = CommaText();
  for (auto _ : state) {
    std::wstring_view view(text);
    std::vector<std::wstring> pieces;
    for (size_t start = 0;;) {
      const size_t hit = view.find(L',', start);
      pieces.emplace_back(view.substr(start, hit == std::wstring_view::npos ? std::wstring_view::npos : hit - start));
      if (hit == std::wstring_view::npos) break;
      start = hit + 1;
    }
    benchmark::DoNotOptimize(pieces.data());
  }
  CountCharacters(state, text.size());
}

void BM_CppTokenLoop(benchmark::State& state) {
  const std::wstring& text = CommaText();
  for (auto _ : state) {
    std::wstring_view view(text);
    int tokens = 0;
    for (size_t start = 0;;) {
      const size_t hit = view.find(L',', start);
      std::wstring token(view.substr(start, hit == std::wstring_view::npos ? std::wstring_view::npos : hit - start));
      benchmark::DoNotOptimize(token.data());
      ++tokens;
      if (hit == std::wstring_view::npos) break;
      start = hit + 1;
    }
    benchmark::DoNotOptimize(tokens);
  }
  CountCharacters(state, text.size());
}

void BM_CppJoin(benchmark::State& state) {
  std::vector<std::wstring> pieces;
  std::wstring_view view(CommaText());
  for (size_t start = 0;;) {
    const size_t hit = view.find(L',', start);
    pieces.emplace_back(view.substr(start, hit == std::wstring_view::npos ? std::wstring_view::npos : hit - start));
    if (hit == std::wstring_view::npos) break;
    start = hit + 1;
  }
  for (auto _ : state) {
    size_t total = 0;
    for (const std::wstring& piece : pieces) total += piece.size() + 1;
    std::wstring out;
    out.reserve(total);
    for (size_t i = 0; i < pieces.size(); ++i) {
      if (i) out.append(L",");
      out.append(pieces[i]);
    }
    benchmark::DoNotOptimize(out.data());
  }
  CountCharacters(state, CommaText().size());
}

template <class Array, class Value>
void BM_Sort(benchmark::State& state) {
  std::mt19937 random(99);
  Array unsorted;
  for (int64_t i = 0; i < state.range(0); ++i) unsorted.Add(static_cast<Value>(random() % 1000000));
  for (auto _ : state) {
    state.PauseTiming();
    Array a(unsorted);
    state.ResumeTiming();
    a.Sort(TRUE);
    benchmark::DoNotOptimize(a.GetData());
  }
  state.SetComplexityN(state.range(0));
}

const std::wstring* const kComma = &CommaText();
const std::wstring* const kRepetitive = &RepetitiveText();
const std::wstring* const kAlmost = &AlmostMatchingText();

BENCHMARK_CAPTURE(BM_Wcslen, comma_1MiB, kComma);
BENCHMARK_CAPTURE(BM_Memchr, comma_1MiB, kComma);
BENCHMARK(BM_SpliteStrToAry)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SplitFloor_vector_wstring)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ArgumentCopyFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_MergeAryToStr)->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_Find_Sub_Str, comma_1MiB, kComma, L"needle,in,haystack")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WildMatch, comma_1MiB, kComma, L"*,needle,*stack")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_WildMatch, comma_1MiB_optional, kComma, L"?*,^n^e*,in,h?ys*^k")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CTokenizer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CppSplit)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CppTokenLoop)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CppJoin)->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(BM_Wcslen, repetitive_1MiB, kRepetitive);
BENCHMARK_CAPTURE(BM_Find_Sub_Str, repetitive_1MiB, kRepetitive,
                  L"aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab")
    ->Unit(benchmark::kMillisecond);

BENCHMARK_CAPTURE(BM_Wcslen, almost_100KiB, kAlmost);
BENCHMARK_CAPTURE(BM_WildMatch, almost_100KiB_ten_stars, kAlmost, L"*a*b*c*d*e*f*g*h*i*j")
    ->Unit(benchmark::kMillisecond);

BENCHMARK_TEMPLATE(BM_Sort, CIntArray, LONG)->RangeMultiplier(2)->Range(12500, 100000)->Complexity(benchmark::oNLogN)->Unit(benchmark::kMillisecond);
BENCHMARK_TEMPLATE(BM_Sort, CDoubleArray, double)->RangeMultiplier(2)->Range(12500, 100000)->Complexity(benchmark::oNLogN)->Unit(benchmark::kMillisecond);

// Keeps the per-character time of every text benchmark for the summary.
class SummaryReporter : public benchmark::ConsoleReporter {
 public:
  void ReportRuns(const std::vector<Run>& runs) override {
    ConsoleReporter::ReportRuns(runs);
    for (const Run& run : runs) {
      if (run.error_occurred || run.run_type != Run::RT_Iteration) continue;
      // CPU time: steadier than wall time on a busy machine.
      const double seconds = run.cpu_accumulated_time / static_cast<double>(run.iterations);
      auto chars = run.counters.find("chars");
      if (chars != run.counters.end()) {
        rows_.push_back({run.benchmark_name(), seconds * 1e9 / chars->second});
        byName_[run.benchmark_name()] = seconds;
      }
      if (run.complexity_n > 0) {
        const double n = static_cast<double>(run.complexity_n);
        sorts_.push_back({run.benchmark_name(), seconds * 1e9 / (n * std::log2(n))});
      }
    }
  }

  void PrintSummary() const {
    PrintAgainstCpp();
    if (!sorts_.empty()) {
      std::printf("\nSorts: time per n log2 n, steady for an n log n sort, growing with n for a quadratic one\n");
      for (const Row& row : sorts_) std::printf("%-52s %12.4f ns\n", row.name.c_str(), row.nsPerChar);
    }
    if (rows_.empty()) return;
    std::printf("\nTime per character, against the wcslen pass over the same text (goal: 20x at most)\n");
    std::printf("%-52s %12s %10s\n", "benchmark", "ns/char", "x wcslen");
    double baseline = 0;
    for (const Row& row : rows_) {
      if (row.name.rfind("BM_Wcslen", 0) == 0) baseline = row.nsPerChar;
      std::printf("%-52s %12.4f %10.1f\n", row.name.c_str(), row.nsPerChar,
                  baseline > 0 ? row.nsPerChar / baseline : 0.0);
    }
  }

 private:
  // Each routine against the plain C++ loop a user would write instead
  // (goal: 1.2x at most; our figure includes the argument copy that the
  // CString-by-value signatures cost).
  void PrintAgainstCpp() const {
    const struct {
      const char* ours;
      const char* cpp;
    } pairs[] = {{"BM_SpliteStrToAry", "BM_CppSplit"},
                 {"BM_CTokenizer", "BM_CppTokenLoop"},
                 {"BM_MergeAryToStr", "BM_CppJoin"}};
    bool header = false;
    for (const auto& p : pairs) {
      auto ours = byName_.find(p.ours);
      auto cpp = byName_.find(p.cpp);
      if (ours == byName_.end() || cpp == byName_.end()) continue;
      if (!header) {
        std::printf("\nAgainst the plain C++ loop over the same text (goal: 1.2x at most)\n");
        std::printf("%-24s %12s %-18s %12s %8s\n", "routine", "ms", "C++ loop", "ms", "ratio");
        header = true;
      }
      std::printf("%-24s %12.2f %-18s %12.2f %8.2f\n", p.ours, ours->second * 1e3, p.cpp, cpp->second * 1e3,
                  ours->second / cpp->second);
    }
  }

  struct Row {
    std::string name;
    double nsPerChar;
  };
  std::map<std::string, double> byName_;  // seconds per iteration (CPU)
  std::vector<Row> rows_;
  std::vector<Row> sorts_;  // nsPerChar holds ns per n log2 n
};

}  // namespace

int main(int argc, char** argv) {
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
  SummaryReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  reporter.PrintSummary();
  benchmark::Shutdown();
  return 0;
}
