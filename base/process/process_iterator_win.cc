#include "base/process/process_iterator.h"

#include <windows.h>
#include <tlhelp32.h>

#include "base/win/scoped_handle.h"

namespace corvane {

bool ForEachProcess(const std::function<bool(const ProcessEntry&)>& visit) {
  win::ScopedHandle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  if (!snapshot.IsValid()) return false;
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.Get(), &entry); more;
       more = Process32NextW(snapshot.Get(), &entry)) {
    const ProcessEntry process = {entry.th32ProcessID, entry.th32ParentProcessID, entry.szExeFile};
    if (!visit(process)) break;
  }
  return true;
}

}  // namespace corvane
