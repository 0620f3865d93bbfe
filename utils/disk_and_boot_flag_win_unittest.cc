#include <windows.h>

#include "base/command_line.h"
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

TEST(BootFlagTest, KeyNamedByArgumentZeroAsWritten) {
  const wchar_t kName[] = L"BootFlagTestFlag";
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  const std::wstring module_name = wcsrchr(exe, L'\\') + 1;
  const struct {
    const wchar_t* argument0;  // nullptr: no command line
    std::wstring owner;
  } kCases[] = {
      {L"BootFlagTyped", L"BootFlagTyped"},
      {L"C:\\somewhere\\BootFlagShortcut.EXE", L"BootFlagShortcut.EXE"},
      // No name to take: the executable's own.
      {L"", module_name},
      {nullptr, module_name},
  };
  for (const auto& c : kCases) {
    SCOPED_TRACE(c.owner);
    CommandLine::ResetForTesting();
    if (c.argument0) {
      CommandLine::Init(0, nullptr);
      *CommandLine::ForCurrentProcess() = CommandLine(CommandLine::StringVector{c.argument0});
    }
    const std::wstring owner = L"Software\\" + c.owner;
    RegDeleteKeyW(HKEY_CURRENT_USER, (owner + L"\\" + kName).c_str());
    EXPECT_FALSE(BootFlagExists(kName));
    CreateBootFlag(kName);
    EXPECT_TRUE(BootFlagExists(kName));
    HKEY key = nullptr;
    EXPECT_EQ(ERROR_SUCCESS, RegOpenKeyExW(HKEY_CURRENT_USER, (owner + L"\\" + kName).c_str(), 0,
                                           KEY_READ, &key));
    if (key) RegCloseKey(key);
    RegDeleteKeyW(HKEY_CURRENT_USER, (owner + L"\\" + kName).c_str());
    RegDeleteKeyW(HKEY_CURRENT_USER, owner.c_str());
  }
  CommandLine::ResetForTesting();
}

}  // namespace
}  // namespace corvane
