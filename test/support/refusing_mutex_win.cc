#include "test/support/refusing_mutex.h"

#include <windows.h>

namespace corvane {
namespace test {

void* CreateRefusingMutex(const std::wstring& name) {
  SECURITY_DESCRIPTOR descriptor;
  ACL empty;
  if (!InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) ||
      !InitializeAcl(&empty, sizeof(empty), ACL_REVISION) ||
      !SetSecurityDescriptorDacl(&descriptor, TRUE, &empty, FALSE)) {
    return nullptr;
  }
  SECURITY_ATTRIBUTES attributes = {sizeof(attributes), &descriptor, FALSE};
  return CreateMutexW(&attributes, FALSE, name.c_str());
}

}  // namespace test
}  // namespace corvane
