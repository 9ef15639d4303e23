// Throughput of the core's text and JSON utilities, each beside memcpy of the same bytes, so
// that the figures read as ratios on any machine. Run: build/native/core_bench
#include <webview/detail/json.hh>
#include <webview/detail/utf.hh>

#include <benchmark/benchmark.h>

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
  for (auto _ : state) {
    benchmark::DoNotOptimize(escape_json(in));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
}

void BM_memcpy_message(benchmark::State &state) {
  memcpy_baseline(state, call_message(static_cast<std::size_t>(state.range(0))));
}

// What on_message does with every call: read id, method and params.
void BM_parse_call_message(benchmark::State &state) {
  const auto msg = call_message(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(parse_json_value(msg, "id", 0));
    benchmark::DoNotOptimize(parse_json_value(msg, "method", 0));
    benchmark::DoNotOptimize(parse_json_value(msg, "params", 0));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * msg.size()));
}

void BM_utf8_to_utf16(benchmark::State &state) {
  const auto in = sample_text(static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    benchmark::DoNotOptimize(utf8_to_utf16(in));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size()));
}

void BM_utf16_to_utf8(benchmark::State &state) {
  const auto in = utf8_to_utf16(sample_text(static_cast<std::size_t>(state.range(0))));
  for (auto _ : state) {
    benchmark::DoNotOptimize(utf16_to_utf8(in));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * in.size() * 2));
}

constexpr int64_t kSmall = 100;
constexpr int64_t kLarge = 64 << 20;

} // namespace

BENCHMARK(BM_memcpy_text)->RangeMultiplier(64)->Range(kSmall, kLarge);
BENCHMARK(BM_escape_json)->RangeMultiplier(64)->Range(kSmall, kLarge);
BENCHMARK(BM_memcpy_message)->RangeMultiplier(64)->Range(kSmall, kLarge);
BENCHMARK(BM_parse_call_message)->RangeMultiplier(64)->Range(kSmall, kLarge);
BENCHMARK(BM_utf8_to_utf16)->RangeMultiplier(64)->Range(kSmall, kLarge);
BENCHMARK(BM_utf16_to_utf8)->RangeMultiplier(64)->Range(kSmall, kLarge);

BENCHMARK_MAIN();
