// The EUC-JP conversion against glibc's iconv (EUC-JP to CP932) on the same
// HTML, about 40 % of its bytes outside ASCII, and the plain walk it must
// agree with. Sizes of 5 and 10 MiB show how the time grows with the input.
#include <benchmark/benchmark.h>
#include <iconv.h>
#include <time.h>

#include <algorithm>
#include <string>
#include <vector>

#include "bench/bench_inputs.h"
#include "scrape/euc_jp.h"

namespace kanadeya {
namespace {

constexpr uint32_t kSeed = 20240401;
constexpr int64_t kMiB = 1 << 20;

// glibc's converter, opened once per benchmark.
class Iconv {
 public:
  Iconv() : cd_(iconv_open("CP932", "EUC-JP")) {}
  ~Iconv() {
    if (ok()) iconv_close(cd_);
  }
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;
  bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

  // The text converted; empty when iconv stops at an invalid sequence.
  std::string operator()(const std::string& euc) const {
    std::string out(euc.size() + 16, '\0');
    char* in_ptr = const_cast<char*>(euc.data());
    char* out_ptr = out.data();
    size_t in_left = euc.size();
    size_t out_left = out.size();
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd_, &in_ptr, &in_left, &out_ptr, &out_left) == static_cast<size_t>(-1)) return {};
    out.resize(out.size() - out_left);
    return out;
  }

 private:
  iconv_t cd_;
};

// The generated HTML; skips the benchmark unless iconv and EucToShiftJis
// give the same bytes for it (or the race would not be fair).
const std::string* Html(benchmark::State& state, const Iconv& iconv) {
  const std::string& euc = bench::EucJpHtml(static_cast<size_t>(state.range(0)), kSeed);
  if (!iconv.ok()) {
    state.SkipWithError("iconv has no EUC-JP to CP932");
    return nullptr;
  }
  static std::vector<const std::string*> checked;
  if (std::find(checked.begin(), checked.end(), &euc) == checked.end()) {
    if (iconv(euc) != EucToShiftJis(euc)) {
      state.SkipWithError("iconv and EucToShiftJis disagree on the input");
      return nullptr;
    }
    checked.push_back(&euc);
  }
  return &euc;
}

template <typename Convert>
void Conversion(benchmark::State& state, Convert convert) {
  const Iconv iconv;
  const std::string* euc = Html(state, iconv);
  if (euc == nullptr) return;
  for (auto _ : state) {
    std::string sjis = convert(iconv, *euc);
    benchmark::DoNotOptimize(sjis.data());
  }
  const auto outside = std::count_if(euc->begin(), euc->end(),
                                     [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(euc->size()));
  state.counters["non_ascii_%"] =
      100.0 * static_cast<double>(outside) / static_cast<double>(euc->size());
}

void BM_EucToShiftJis_Html(benchmark::State& state) {
  Conversion(state, [](const Iconv&, const std::string& euc) { return EucToShiftJis(euc); });
}
BENCHMARK(BM_EucToShiftJis_Html)->Arg(5 * kMiB)->Arg(10 * kMiB)->Unit(benchmark::kMillisecond);

void BM_EucToShiftJisReference_Html(benchmark::State& state) {
  Conversion(state,
             [](const Iconv&, const std::string& euc) { return EucToShiftJisReference(euc); });
}
BENCHMARK(BM_EucToShiftJisReference_Html)
    ->Arg(5 * kMiB)
    ->Arg(10 * kMiB)
    ->Unit(benchmark::kMillisecond);

void BM_Iconv_Html(benchmark::State& state) {
  Conversion(state, [](const Iconv& iconv, const std::string& euc) { return iconv(euc); });
}
BENCHMARK(BM_Iconv_Html)->Arg(5 * kMiB)->Arg(10 * kMiB)->Unit(benchmark::kMillisecond);

double ThreadSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Both conversions in turn on the same text, each timed in this thread's
// CPU time, so that a busy machine slows both alike: the counter is the
// median, over the iterations, of iconv's time over EucToShiftJis's time.
void BM_EucToShiftJis_VersusIconv(benchmark::State& state) {
  const Iconv iconv;
  const std::string* euc = Html(state, iconv);
  if (euc == nullptr) return;
  std::vector<double> ratios;
  for (auto _ : state) {
    const double start = ThreadSeconds();
    std::string fast = EucToShiftJis(*euc);
    const double middle = ThreadSeconds();
    std::string slow = iconv(*euc);
    const double end = ThreadSeconds();
    benchmark::DoNotOptimize(fast.data());
    benchmark::DoNotOptimize(slow.data());
    if (middle > start) ratios.push_back((end - middle) / (middle - start));
  }
  if (!ratios.empty()) {
    std::nth_element(ratios.begin(),
                     ratios.begin() + static_cast<std::ptrdiff_t>(ratios.size() / 2), ratios.end());
    state.counters["iconv_over_fast"] = ratios[ratios.size() / 2];
  }
  state.SetBytesProcessed(state.iterations() * static_cast<int64_t>(2 * euc->size()));
}
BENCHMARK(BM_EucToShiftJis_VersusIconv)->Arg(10 * kMiB)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace kanadeya
