// Hand-over of the largest launch file (62,914,559 bytes): from reading the argument to the
// UTF-16 reply script that would be given to the browser. Prints the time of each step and the
// process's peak heap, then the whole beside two references measured in the same run: memcpy of
// the file's bytes into a buffer already in use, and into a freshly allocated one (on virtual
// machines the first touch of new pages can cost more than the copy). Run under Wine:
// scripts/wine-run.sh build/windows build/windows/launch_file_bench.exe [RUNS]
#include "../app/launch_args.hh"
#include "../app/native_bindings.hh"
#include "../tests/support/test_engine.hh"

#include <webview/detail/utf.hh>

#include <windows.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <vector>

// Heap bytes in use and their peak, counted here because Wine's process counters do not keep a
// peak. Each block carries its size in front of it.
namespace {
std::atomic<std::size_t> heap_now{0}, heap_peak{0}, heap_total{0};
}

void *operator new(std::size_t size) {
  auto *block = static_cast<std::size_t *>(std::malloc(size + 16));
  if (block == nullptr) {
    throw std::bad_alloc();
  }
  *block = size;
  heap_total += size;
  const std::size_t now = heap_now += size;
  for (std::size_t peak = heap_peak; now > peak && !heap_peak.compare_exchange_weak(peak, now);) {
  }
  return reinterpret_cast<char *>(block) + 16;
}

// GCC, inlining this into code that calls the counting operator new, takes the free of the
// malloc'd block for a mismatched pair.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
#endif
void operator delete(void *p) noexcept {
  if (p != nullptr) {
    auto *block = reinterpret_cast<std::size_t *>(static_cast<char *>(p) - 16);
    heap_now -= *block;
    std::free(block);
  }
}

void operator delete(void *p, std::size_t) noexcept {
  operator delete(p);
}

void *operator new[](std::size_t size) {
  return operator new(size);
}

void operator delete[](void *p) noexcept {
  operator delete(p);
}

void operator delete[](void *p, std::size_t) noexcept {
  operator delete(p);
}

namespace {

// The reply script goes to the browser as UTF-16, as the Windows backend hands it over.
class utf16_engine : public test_support::test_engine {
public:
  std::size_t script_units = 0;

protected:
  bool evaluates_utf16() const override { return true; }

  webview::detail::op_status eval_utf16_impl(const std::wstring &js) override {
    script_units = js.size();
    return {};
  }
};

double mib(SIZE_T bytes) {
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

void report(const char *step, std::chrono::steady_clock::time_point &since) {
  const auto now = std::chrono::steady_clock::now();
  std::printf("%-34s %8.1f ms   heap peak %7.1f MiB   heap now %7.1f MiB\n", step,
              std::chrono::duration<double, std::milli>(now - since).count(), mib(heap_peak),
              mib(heap_now));
  since = now;
}

double since_ms(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
      .count();
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v[v.size() / 2];
}

// Milliseconds per memcpy of `bytes`, median of five: into a buffer in use, or a fresh one.
double memcpy_ms(const std::string &bytes, bool fresh) {
  std::vector<double> runs;
  std::unique_ptr<char[]> warm(new char[bytes.size()]);
  std::memcpy(warm.get(), bytes.data(), bytes.size());
  for (int run = 0; run < 5; ++run) {
    const auto start = std::chrono::steady_clock::now();
    if (fresh) {
      std::unique_ptr<char[]> out(new char[bytes.size()]);
      std::memcpy(out.get(), bytes.data(), bytes.size());
      runs.push_back(since_ms(start));
      volatile char sink = out[bytes.size() / 2];
      (void)sink;
    } else {
      std::memcpy(warm.get(), bytes.data(), bytes.size());
      runs.push_back(since_ms(start));
      volatile char sink = warm[bytes.size() / 2];
      (void)sink;
    }
  }
  return median(runs);
}

std::wstring write_launch_file(std::string &bytes) {
  wchar_t dir[MAX_PATH];
  GetTempPathW(MAX_PATH, dir);
  const std::wstring path = std::wstring(dir) + L"launch_file_bench.bin";
  bytes.resize(zorvel::launch_file_limit);
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bytes[i] = static_cast<char>((i & 0xFFFFF) * 131);
  }
  HANDLE h = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  for (std::size_t at = 0; at < bytes.size();) {
    const std::size_t left = bytes.size() - at;
    const DWORD n = static_cast<DWORD>(left < (1u << 20) ? left : (1u << 20));
    DWORD written = 0;
    WriteFile(h, bytes.data() + at, n, &written, nullptr);
    at += n;
  }
  CloseHandle(h);
  return path;
}

// One hand-over; returns its milliseconds and the reply script's length in UTF-16 units.
double hand_over(const std::wstring &path, std::size_t &units, bool print_steps) {
  auto total = std::chrono::steady_clock::now();
  auto t = total;
  heap_peak = heap_now.load();
  zorvel::launch_state launch = zorvel::classify_argument(path.c_str());
  if (print_steps) {
    report("read and base64-encode", t);
  }
  {
    utf16_engine engine;
    engine.pump();
    engine.bind("__zoArgFile",
                [&launch](std::string) { return zorvel::launch_file_handler(launch); });
    engine.receive(
        R"({"id":"0123456789abcdef0123456789abcdef","method":"__zoArgFile","params":[]})");
    engine.pump();
    units = engine.script_units;
  }
  const double ms = since_ms(total);
  if (print_steps) {
    report("reply script built and converted", t);
  }
  return ms;
}

} // namespace

int main(int argc, char **argv) {
  const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;
  std::string bytes;
  const std::wstring path = write_launch_file(bytes);
  std::printf("launch file of %llu bytes, %d runs\n", zorvel::launch_file_limit, runs);
  std::size_t units = 0;
  std::vector<double> times, peaks;
  std::vector<double> copies, fresh_copies, allocated;
  for (int run = 0; run < runs; ++run) {
    copies.push_back(memcpy_ms(bytes, false));
    fresh_copies.push_back(memcpy_ms(bytes, true));
    std::string().swap(bytes); // the file's bytes are not the program's to hold
    const std::size_t before = heap_now, allocated_before = heap_total;
    times.push_back(hand_over(path, units, run == 0));
    peaks.push_back(static_cast<double>(heap_peak - before));
    allocated.push_back(static_cast<double>(heap_total - allocated_before));
    bytes.resize(zorvel::launch_file_limit);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      bytes[i] = static_cast<char>((i & 0xFFFFF) * 131);
    }
  }
  const double file = static_cast<double>(zorvel::launch_file_limit);
  const double time = median(times), copy = median(copies), fresh = median(fresh_copies);
  std::printf("reply script: %zu UTF-16 units\n", units);
  std::printf("hand-over            %8.1f ms (median of %d)\n", time, runs);
  std::printf("memcpy, buffer in use %7.1f ms   hand-over = %5.1f x (goal <= 20 x)\n", copy,
              time / copy);
  std::printf("memcpy, fresh buffer %8.1f ms   hand-over = %5.1f x\n", fresh, time / fresh);
  std::printf("peak heap            %8.1f MiB = %4.2f x the file (goal <= 3 x)\n",
              median(peaks) / (1024.0 * 1024.0), median(peaks) / file);
  // Every block the hand-over allocates is written once at least; at the rate a copy into fresh
  // memory runs here, that alone takes this long.
  const double fresh_floor = fresh * median(allocated) / file;
  std::printf("memory allocated     %8.1f MiB; writing that much fresh memory takes %.1f ms here "
              "(%.0f %% of the hand-over)\n",
              median(allocated) / (1024.0 * 1024.0), fresh_floor, 100.0 * fresh_floor / time);
  DeleteFileW(path.c_str());
  return units > zorvel::launch_file_limit ? 0 : 1;
}
