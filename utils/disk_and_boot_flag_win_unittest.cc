#include <windows.h>

#include <optional>

#include "base/command_line.h"
#include "gtest/gtest.h"
#include "utils/boot_flag.h"
#include "utils/disk.h"
#include "test/support/scoped_command_line.h"

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
  // Argument 0 (nullptr: no command line) and the key it names; without a
  // name in it, the executable's own.
  const std::pair<const wchar_t*, std::wstring> kCases[] = {
      {L"BootFlagTyped", L"BootFlagTyped"},
      {L"C:\\somewhere\\BootFlagShortcut.EXE", L"BootFlagShortcut.EXE"},
      {L"", module_name},
      {nullptr, module_name},
  };
  for (const auto& [argument0, owner_name] : kCases) {
    SCOPED_TRACE(owner_name);
    std::optional<test::ScopedCommandLine> command_line;
    if (argument0) {
      command_line.emplace(CommandLine(CommandLine::StringVector{argument0}));
    } else {
      command_line.emplace();
    }
    const std::wstring owner = L"Software\\" + owner_name;
    const std::wstring flag = owner + L"\\" + kName;
    RegDeleteKeyW(HKEY_CURRENT_USER, flag.c_str());
    EXPECT_FALSE(BootFlagExists(kName));
    CreateBootFlag(kName);
    EXPECT_TRUE(BootFlagExists(kName));
    EXPECT_EQ(ERROR_SUCCESS, RegDeleteKeyW(HKEY_CURRENT_USER, flag.c_str()));
    RegDeleteKeyW(HKEY_CURRENT_USER, owner.c_str());
  }
}

}  // namespace
}  // namespace corvane
