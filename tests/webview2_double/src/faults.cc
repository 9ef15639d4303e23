#include "faults.hh"

#include <functional>
#include <map>
#include <mutex>
#include <set>

namespace wv2d {
namespace {

struct Fault {
  HRESULT result;
  int remaining; // < 0: unlimited
};

struct FaultTable {
  std::mutex mutex;
  std::map<std::string, Fault, std::less<>> faults;
  std::map<std::string, DWORD, std::less<>> delays;
  std::set<std::wstring> completed_addresses;
};

// Never destroyed: calls may still arrive while static objects are torn down.
FaultTable &fault_table() {
  static FaultTable *table = new FaultTable;
  return *table;
}

} // namespace

void set_fault(std::string name, HRESULT result, int times) {
  FaultTable &table = fault_table();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (times == 0) {
    table.faults.erase(name);
  } else {
    table.faults[std::move(name)] = Fault{result, times};
  }
}

std::optional<HRESULT> take_fault(std::string_view name) {
  FaultTable &table = fault_table();
  std::lock_guard<std::mutex> lock(table.mutex);
  const auto found = table.faults.find(name);
  if (found == table.faults.end()) {
    return std::nullopt;
  }
  const HRESULT result = found->second.result;
  if (found->second.remaining > 0 && --found->second.remaining == 0) {
    table.faults.erase(found);
  }
  return result;
}

void clear_faults() {
  FaultTable &table = fault_table();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.faults.clear();
  table.delays.clear();
  table.completed_addresses.clear();
}

void complete_navigations_to(std::wstring address) {
  FaultTable &table = fault_table();
  std::lock_guard<std::mutex> lock(table.mutex);
  table.completed_addresses.insert(std::move(address));
}

bool completes_navigation_to(const std::wstring &address) {
  FaultTable &table = fault_table();
  std::lock_guard<std::mutex> lock(table.mutex);
  return table.completed_addresses.count(address) > 0;
}

void set_delay(std::string name, DWORD ms) {
  FaultTable &table = fault_table();
  std::lock_guard<std::mutex> lock(table.mutex);
  if (ms == 0) {
    table.delays.erase(name);
  } else {
    table.delays[std::move(name)] = ms;
  }
}

DWORD completion_delay(std::string_view name) {
  FaultTable &table = fault_table();
  std::lock_guard<std::mutex> lock(table.mutex);
  const auto found = table.delays.find(name);
  return found == table.delays.end() ? 0 : found->second;
}

} // namespace wv2d
