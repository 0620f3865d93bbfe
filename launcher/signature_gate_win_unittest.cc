// The signature check over real signed files: copies of the test child
// signed at build time (osslsigncode, self-signed test certificates). Wine
// accepts a self-signed chain that Windows would refuse, so an untrusted
// root cannot be shown to be refused here.

#include "launcher/signature_gate.h"

#include <windows.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "base/files/file_hold.h"
#include "base/files/file_util.h"
#include "base/win/scoped_handle.h"
#include "test/support/scoped_temp_dir.h"
#include "test/support/test_child.h"

namespace corvane {
namespace {

// A file of the build's signed/ folder (a host path) as a Windows path.
FilePath Signed(const wchar_t* name) {
  std::wstring path = L"Z:" + std::wstring(CORVANE_SIGNED_DIR L"") + L"\\" + name;
  for (wchar_t& c : path) {
    if (c == L'/') c = L'\\';
  }
  return FilePath(path);
}

// The refusals (unsigned, damaged, another company) are the signed-launcher
// scenario's rows; here the hold.
TEST(SignatureGateTest, TheAdmittedFileIsHeldUntilReleased) {
  test::ScopedTempDir dir;
  ASSERT_TRUE(dir.IsValid());
  const FilePath product = dir.path().Append(L"product.exe");
  const FilePath planted = dir.path().Append(L"planted.exe");
  ASSERT_TRUE(CopyFile(Signed(L"test_child_product.exe"), product));
  ASSERT_TRUE(CopyFile(test::TestChildPath(), planted));
  const std::vector<std::string> signers = {"Someone Else Ltd.", CORVANE_PRODUCT_SIGNER};
  FileHold hold;
  std::string reason;
  {
    // Open for writing elsewhere: it cannot be held, so it is not admitted.
    win::ScopedHandle writer(CreateFileW(product.value().c_str(), GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         0, nullptr));
    ASSERT_TRUE(writer.IsValid());
    EXPECT_FALSE(CheckSignedProgram(product, signers, &hold, &reason));
    EXPECT_EQ("cannot be opened: 32", reason);
    EXPECT_FALSE(hold.IsHeld());
  }
  ASSERT_TRUE(CheckSignedProgram(product, signers, &hold, &reason)) << reason;
  // While held the file checked is the file that starts.
  EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileW(product.value().c_str(), GENERIC_WRITE, 0, nullptr,
                                              OPEN_EXISTING, 0, nullptr));
  EXPECT_FALSE(
      MoveFileExW(planted.value().c_str(), product.value().c_str(), MOVEFILE_REPLACE_EXISTING));
  EXPECT_FALSE(DeleteFileW(product.value().c_str()));
  hold.Release();
  EXPECT_TRUE(
      MoveFileExW(planted.value().c_str(), product.value().c_str(), MOVEFILE_REPLACE_EXISTING));
}

}  // namespace
}  // namespace corvane
