// A named mutex as an elevated process or another user leaves it: its empty
// DACL refuses every other opener, whose CreateMutexW then fails with
// ERROR_ACCESS_DENIED.

#ifndef TEST_SUPPORT_REFUSING_MUTEX_H_
#define TEST_SUPPORT_REFUSING_MUTEX_H_

#include <string>

namespace corvane {
namespace test {

// The mutex's handle (HANDLE, the caller closes it), or null.
void* CreateRefusingMutex(const std::wstring& name);

}  // namespace test
}  // namespace corvane

#endif  // TEST_SUPPORT_REFUSING_MUTEX_H_
