// A named mutex as a marker that some process runs: the launcher's instance
// lock and the installer's mutex.

#ifndef BASE_WIN_NAMED_MUTEX_H_
#define BASE_WIN_NAMED_MUTEX_H_

#include <string>

#include "base/win/scoped_handle.h"

namespace corvane {
namespace win {

enum class NamedMutexState {
  // This call made it: nobody else holds the name. |handle| owns it.
  kCreated,
  // Somebody holds it: it already existed, or it exists and refuses this
  // process (access denied: made elevated or by another user), or the name
  // belongs to another kind of object.
  kExists,
  // No such object can exist (out of resources, a name the system refuses):
  // there is nothing to hold or to find.
  kUnavailable,
};

// CreateMutexW of |name|, not owned, default security. Only for kCreated is
// |handle| set; every other handle is closed.
NamedMutexState CreateNamedMutex(const std::wstring& name, ScopedHandle* handle);

}  // namespace win
}  // namespace corvane

#endif  // BASE_WIN_NAMED_MUTEX_H_
