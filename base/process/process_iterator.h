// The processes of the system, one snapshot walked in order.

#ifndef BASE_PROCESS_PROCESS_ITERATOR_H_
#define BASE_PROCESS_PROCESS_ITERATOR_H_

#include <cstdint>
#include <functional>
#include <string>

namespace corvane {

struct ProcessEntry {
  uint32_t pid = 0;
  uint32_t parent_pid = 0;
  std::wstring exe_file;  // the executable's file name, without a directory
};

// Calls |visit| for each process of a Toolhelp snapshot until it returns
// false. False when no snapshot could be taken.
bool ForEachProcess(const std::function<bool(const ProcessEntry&)>& visit);

}  // namespace corvane

#endif  // BASE_PROCESS_PROCESS_ITERATOR_H_
