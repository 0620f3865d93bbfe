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

TEST(SignatureGateTest, OnlyTheProductsValidSignatureIsAdmittedAndHeldUntilReleased) {
  test::ScopedTempDir dir;
  ASSERT_TRUE(dir.IsValid());
  const FilePath product = dir.path().Append(L"product.exe");
  const FilePath damaged = dir.path().Append(L"damaged.exe");
  const FilePath other = dir.path().Append(L"other.exe");
  const FilePath unsigned_copy = dir.path().Append(L"unsigned.exe");
  ASSERT_TRUE(CopyFile(Signed(L"test_child_product.exe"), product));
  ASSERT_TRUE(CopyFile(Signed(L"test_child_other.exe"), other));
  ASSERT_TRUE(CopyFile(test::TestChildPath(), unsigned_copy));
  std::string bytes;
  ASSERT_TRUE(ReadFileToString(product, &bytes));
  bytes[bytes.size() / 2] = static_cast<char>(bytes[bytes.size() / 2] ^ 0x5A);
  ASSERT_TRUE(WriteFile(damaged, bytes));

  const std::vector<std::string> signers = {"Someone Else Ltd.", CORVANE_PRODUCT_SIGNER};
  const struct {
    const char* name;
    FilePath program;
    bool admitted;
    std::string reason;
    DWORD error;
  } kCases[] = {
      {"product's signature", product, true, "", 0},
      {"unsigned", unsigned_copy, false, "unsigned", static_cast<DWORD>(TRUST_E_NOSIGNATURE)},
      {"one byte changed", damaged, false, "damaged", static_cast<DWORD>(TRUST_E_BAD_DIGEST)},
      {"other company", other, false, "signed by Ostrel Software Co., Ltd.",
       static_cast<DWORD>(TRUST_E_EXPLICIT_DISTRUST)},
      {"missing", dir.path().Append(L"absent.exe"), false, "cannot be opened: 2",
       ERROR_FILE_NOT_FOUND},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.name);
    FileHold hold;
    std::string reason;
    SetLastError(0);
    EXPECT_EQ(c.admitted, CheckSignedProgram(c.program, signers, &hold, &reason));
    EXPECT_EQ(c.reason, reason);
    EXPECT_EQ(c.admitted, hold.IsHeld());
    if (!c.admitted) {
      EXPECT_EQ(c.error, GetLastError()) << std::hex << GetLastError();
      continue;
    }
    // While held the file checked is the file that starts: it cannot be
    // written, replaced or deleted.
    const FilePath planted = dir.path().Append(L"planted.exe");
    ASSERT_TRUE(CopyFile(unsigned_copy, planted));
    EXPECT_EQ(INVALID_HANDLE_VALUE, CreateFileW(c.program.value().c_str(), GENERIC_WRITE, 0,
                                                nullptr, OPEN_EXISTING, 0, nullptr));
    EXPECT_FALSE(
        MoveFileExW(planted.value().c_str(), c.program.value().c_str(), MOVEFILE_REPLACE_EXISTING));
    EXPECT_FALSE(DeleteFileW(c.program.value().c_str()));
    hold.Release();
    EXPECT_TRUE(
        MoveFileExW(planted.value().c_str(), c.program.value().c_str(), MOVEFILE_REPLACE_EXISTING));
  }
}

}  // namespace
}  // namespace corvane
