#include <windows.h>

#include "gtest/gtest.h"
#include "utils/boot_flag.h"
#include "utils/disk.h"

namespace corvane {
namespace {

TEST(DiskTest, VolumeForms) {
  const struct {
    const wchar_t* volume;
    const wchar_t* device;
  } kCases[] = {
      {L"C:", L"\\\\.\\C:"},
      {L"C:\\", L"\\\\.\\C:"},
      {L"C:\\\\", L"\\\\.\\C:"},
      {L"\\\\.\\D:", L"\\\\.\\D:"},
      {L"", L""},
      {L"\\", L""},
  };
  for (const auto& c : kCases) EXPECT_EQ(c.device, VolumeDevicePath(c.volume)) << c.volume;
  // Both forms ask the same device; an empty one asks nothing.
  EXPECT_EQ(IsDiskSsd(L"C:"), IsDiskSsd(L"C:\\"));
  EXPECT_FALSE(IsDiskSsd(L""));
  EXPECT_FALSE(IsDiskSsd(L"Q:\\no such volume"));
}

TEST(BootFlagTest, AbsentUntilCreated) {
  const wchar_t kName[] = L"BootFlagTestFlag";
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  const std::wstring owner = std::wstring(L"Software\\") + (wcsrchr(exe, L'\\') + 1);
  RegDeleteKeyW(HKEY_CURRENT_USER, (owner + L"\\" + kName).c_str());
  EXPECT_FALSE(BootFlagExists(kName));
  CreateBootFlag(kName);
  EXPECT_TRUE(BootFlagExists(kName));
  RegDeleteKeyW(HKEY_CURRENT_USER, (owner + L"\\" + kName).c_str());
  RegDeleteKeyW(HKEY_CURRENT_USER, owner.c_str());
}

}  // namespace
}  // namespace corvane
