// Throughput of the core's text and JSON utilities, each beside memcpy of the same bytes, so
// that the figures read as ratios on any machine: every row carries "of_memcpy", its throughput
// as a fraction of a memcpy of its input measured right after it. Run: build/native/core_bench
#include <webview/detail/json.hh>
#include <webview/detail/utf.hh>

#include <benchmark/benchmark.h>

#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

namespace {

using namespace webview::detail;

// Mixed text: ASCII, quotes and backslashes, control bytes, Arabic and an emoji.
std::string sample_text(std::size_t size) {
  static const std::string piece = "Zorvel \"office\" \\ path\t\n\xD8\xB2\xD9\x88\xD8\xB1 "
                                   "\xF0\x9F\x98\x80 report.docx ";
  std::string s;
  s.reserve(size + piece.size());
  while (s.size() < size) {
    s += piece;
  }
  while (s.size() > size) {
    s.pop_back();
  }
  // Keep the text valid UTF-8 at the cut.
  while (!s.empty() && utf8_to_utf16(s).empty()) {
    s.pop_back();
  }
  return s;
}

// Mostly ASCII, as prose and markup are: a line break every 80 or so bytes, a quote now and then
// and one two-byte character (e acute) per few hundred bytes.
std::string mostly_ascii_text(std::size_t size) {
  static const std::string piece = "The quarterly report lists every office, its budget and the "
                                   "\"caf\xC3\xA9\" notes.\nSales rose in most regions while costs "
                                   "stayed level; see the appendix for the figures by month.\n";
  std::string s;
  s.reserve(size + piece.size());
  while (s.size() < size) {
    s += piece;
  }
  s.resize(size);
  while (!s.empty() && static_cast<unsigned char>(s.back()) >= 0x80) {
    s.pop_back(); // never cut the two-byte character in half
  }
  return s;
}

// Seconds per memcpy of `bytes` bytes into a buffer that is already in use (median of 5).
double memcpy_seconds(const std::string &in) {
  static std::vector<char> out;
  out.resize(std::max(out.size(), in.size()));
  std::vector<double> runs;
  for (int run = 0; run < 5; ++run) {
    const int repeat = in.size() < (1u << 20) ? 1000 : 3;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repeat; ++i) {
      std::memcpy(out.data(), in.data(), in.size());
      benchmark::DoNotOptimize(out.data());
      benchmark::ClobberMemory();
    }
    runs.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
                   repeat);
  }
  std::sort(runs.begin(), runs.end());
  return runs[2];
}

// Runs `op` as the benchmark's body and reports its throughput beside memcpy of `in`.
template <typename Op> void measure(benchmark::State &state, const std::string &in, Op op) {
  op(); // so that the result's memory has been touched once
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    op();
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count() /
      static_cast<double>(state.iterations());
  state.counters["of_memcpy"] = memcpy_seconds(in) / seconds;
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
}

// A call message whose params carry one string of about `size` bytes, as a page would post it.
std::string call_message(std::size_t size) {
  std::string payload(size > 80 ? size - 80 : 1, 'x');
  for (std::size_t i = 0; i < payload.size(); i += 64) {
    payload[i] = ' ';
  }
  return "{\"id\":\"0123456789abcdef0123456789abcdef\",\"method\":\"__zoNotify\",\"params\":[\"" +
         payload + "\",\"b\"]}";
}

void memcpy_baseline(benchmark::State &state, const std::string &in) {
  std::vector<char> out(in.size());
  for (auto _ : state) {
    std::memcpy(out.data(), in.data(), in.size());
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
}

void BM_memcpy_text(benchmark::State &state) {
  memcpy_baseline(state, sample_text(static_cast<std::size_t>(state.range(0))));
}

void BM_escape_json(benchmark::State &state) {
  const auto in = sample_text(static_cast<std::size_t>(state.range(0)));
  measure(state, in, [&] { benchmark::DoNotOptimize(escape_json(in)); });
}

void BM_escape_json_mostly_ascii(benchmark::State &state) {
  const auto in = mostly_ascii_text(static_cast<std::size_t>(state.range(0)));
  measure(state, in, [&] { benchmark::DoNotOptimize(escape_json(in)); });
}

void BM_memcpy_message(benchmark::State &state) {
  memcpy_baseline(state, call_message(static_cast<std::size_t>(state.range(0))));
}

// What on_message does with every call: read id, method and params.
void BM_parse_call_message(benchmark::State &state) {
  const auto msg = call_message(static_cast<std::size_t>(state.range(0)));
  measure(state, msg, [&] {
    benchmark::DoNotOptimize(parse_json_value(msg, "id", 0));
    benchmark::DoNotOptimize(parse_json_value(msg, "method", 0));
    benchmark::DoNotOptimize(parse_json_value(msg, "params", 0));
  });
}

void BM_utf8_to_utf16(benchmark::State &state) {
  const auto in = sample_text(static_cast<std::size_t>(state.range(0)));
  measure(state, in, [&] { benchmark::DoNotOptimize(utf8_to_utf16(in)); });
}

void BM_utf8_to_utf16_mostly_ascii(benchmark::State &state) {
  const auto in = mostly_ascii_text(static_cast<std::size_t>(state.range(0)));
  measure(state, in, [&] { benchmark::DoNotOptimize(utf8_to_utf16(in)); });
}

// Throughput in bytes of UTF-16 input; memcpy copies the same number of bytes.
void utf16_to_utf8_of(benchmark::State &state, const std::string &text) {
  const auto in = utf8_to_utf16(text);
  const std::string same_bytes(in.size() * 2, 'x');
  measure(state, same_bytes, [&] { benchmark::DoNotOptimize(utf16_to_utf8(in)); });
}

void BM_utf16_to_utf8(benchmark::State &state) {
  utf16_to_utf8_of(state, sample_text(static_cast<std::size_t>(state.range(0))));
}

void BM_utf16_to_utf8_mostly_ascii(benchmark::State &state) {
  utf16_to_utf8_of(state, mostly_ascii_text(static_cast<std::size_t>(state.range(0))));
}

constexpr int64_t kSmall = 100;
constexpr int64_t kLarge = 64 << 20;

} // namespace

BENCHMARK(BM_memcpy_text)->RangeMultiplier(64)->Range(kSmall, kLarge);
BENCHMARK(BM_escape_json)->RangeMultiplier(64)->Range(kSmall, kLarge);
BENCHMARK(BM_escape_json_mostly_ascii)->RangeMultiplier(64)->Range(kSmall, kLarge);
BENCHMARK(BM_memcpy_message)->RangeMultiplier(64)->Range(kSmall, kLarge);
BENCHMARK(BM_parse_call_message)->RangeMultiplier(64)->Range(kSmall, kLarge);
BENCHMARK(BM_utf8_to_utf16)->RangeMultiplier(64)->Range(kSmall, kLarge);
BENCHMARK(BM_utf8_to_utf16_mostly_ascii)->RangeMultiplier(64)->Range(kSmall, kLarge);
BENCHMARK(BM_utf16_to_utf8)->RangeMultiplier(64)->Range(kSmall, kLarge);
BENCHMARK(BM_utf16_to_utf8_mostly_ascii)->RangeMultiplier(64)->Range(kSmall, kLarge);

// On virtual machines the first touch of a fresh page can cost microseconds (about 11 us a
// page on the development VM, 180 ms per 64 MiB), which would swamp every function that returns
// a new 64 MiB string. Freed memory is kept in the process so that each iteration measures the
// function's own work, as the warm memcpy beside it does.
int main(int argc, char **argv) {
  mallopt(M_MMAP_THRESHOLD, 1 << 30);
  mallopt(M_TRIM_THRESHOLD, 1 << 30);
  benchmark::Initialize(&argc, argv);
  if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
    return 1;
  }
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
