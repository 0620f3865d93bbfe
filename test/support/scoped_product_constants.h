#ifndef TEST_SUPPORT_SCOPED_PRODUCT_CONSTANTS_H_
#define TEST_SUPPORT_SCOPED_PRODUCT_CONSTANTS_H_

#include <map>
#include <string>
#include <utility>

#include "launcher/launcher_constants.h"

namespace corvane {
namespace test {

// The product constants of one scope, loaded from |entries| (string-table id
// -> text, a missing id reads as an empty entry); with none given, every
// constant at its default. Test binaries carry no string table of their own,
// so the defaults are what the scope puts back.
class ScopedProductConstants {
 public:
  ScopedProductConstants() { ResetProductConstantsForTesting(); }
  explicit ScopedProductConstants(std::map<int, std::wstring> entries) : ScopedProductConstants() {
    LoadProductConstantsWith([entries = std::move(entries)](int id) {
      auto it = entries.find(id);
      return it == entries.end() ? std::wstring() : it->second;
    });
  }
  ~ScopedProductConstants() { ResetProductConstantsForTesting(); }
  ScopedProductConstants(const ScopedProductConstants&) = delete;
  ScopedProductConstants& operator=(const ScopedProductConstants&) = delete;
};

}  // namespace test
}  // namespace corvane

#endif  // TEST_SUPPORT_SCOPED_PRODUCT_CONSTANTS_H_
