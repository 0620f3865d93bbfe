// A window shaped like the box the system shows when a program cannot load
// its image or a library. Wine never shows one titled as a Chinese-language
// system does, so tests that need one to be up make it themselves.

#ifndef TEST_SUPPORT_FAKE_LOADER_ERROR_BOX_H_
#define TEST_SUPPORT_FAKE_LOADER_ERROR_BOX_H_

#include <string>

namespace corvane {
namespace test {

// A dialog-class top-level window titled |title| holding an icon Static, a
// Static with |text| and a button, as the system's box does. It belongs to
// the creating thread, which must pump messages while another process reads
// its texts. Destroyed with the object.
class FakeLoaderErrorBox {
 public:
  FakeLoaderErrorBox(const std::wstring& title, const std::wstring& text);
  ~FakeLoaderErrorBox();
  FakeLoaderErrorBox(const FakeLoaderErrorBox&) = delete;
  FakeLoaderErrorBox& operator=(const FakeLoaderErrorBox&) = delete;

  bool valid() const { return window_ != nullptr; }

 private:
  void* window_ = nullptr;
};

}  // namespace test
}  // namespace corvane

#endif  // TEST_SUPPORT_FAKE_LOADER_ERROR_BOX_H_
