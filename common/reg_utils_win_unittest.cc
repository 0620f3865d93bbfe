#include <windows.h>

#include <sddl.h>

#include <string>
#include <vector>

#include "base/logging.h"
#include "test/support/scoped_log_capture.h"
#include "common/reg_utils.h"
#include "common/registry_key.h"
#include "gtest/gtest.h"

// These tests run against the real registry of the test prefix. A 32-bit
// test binary in a 64-bit prefix sees separate 64-bit and 32-bit views of
// HKLM\Software. HKCU\Software is shared between the views, as on Windows;
// the fixture gives its test key a Wow6432Node child, below which 32-bit
// accesses are redirected, so that all four views hold distinct values.

namespace corvane {
namespace {

using test::ScopedLogCapture;

bool StartsWith(const std::string& text, const std::string& prefix) {
  return text.compare(0, prefix.size(), prefix) == 0;
}

HKEY RootOf(int view) {
  return view <= kRegistryViewLocalMachine32 ? HKEY_LOCAL_MACHINE : HKEY_CURRENT_USER;
}

REGSAM BitsOf(int view) { return (view % 2) ? KEY_WOW64_64KEY : KEY_WOW64_32KEY; }

class RegUtilsTest : public testing::Test {
 protected:
  void SetUp() override {
    static int counter = 0;
    const std::wstring name = L"T" + std::to_wstring(::GetCurrentProcessId()) + L"_" +
                              std::to_wstring(::GetTickCount64()) + L"_" +
                              std::to_wstring(++counter);
    root_ = L"Software\\CorvaneTest\\" + name;
    subkey_ = root_ + L"\\Product";
    product_ = L"CorvaneTest_" + name;
    uninstall_ = std::wstring(kUninstallKeyPath) + product_;

    RegistryKey redirect;
    ASSERT_EQ(ERROR_SUCCESS, redirect.Create(HKEY_CURRENT_USER, (root_ + L"\\Wow6432Node").c_str(),
                                             KEY_WRITE | KEY_WOW64_64KEY));
  }

  void TearDown() override {
    for (int view = 1; view <= 4; ++view) {
      for (const std::wstring& path : {root_, uninstall_}) {
        AllowWrites(view, path);
        HKEY parent = nullptr;
        const std::wstring parent_path = path.substr(0, path.rfind(L'\\'));
        const std::wstring leaf = path.substr(path.rfind(L'\\') + 1);
        if (::RegOpenKeyExW(RootOf(view), parent_path.c_str(), 0, KEY_ALL_ACCESS | BitsOf(view),
                            &parent) == ERROR_SUCCESS) {
          ::RegDeleteTreeW(parent, leaf.c_str());
          ::RegCloseKey(parent);
        }
      }
      // Fails while other runs hold keys below it, which is fine.
      ::RegDeleteKeyExW(RootOf(view), L"Software\\CorvaneTest", BitsOf(view), 0);
    }
  }

  // Stores a value in one view, creating the key.
  void Put(int view, const std::wstring& subkey, const wchar_t* name, DWORD type, const void* data,
           DWORD size) {
    HKEY key = nullptr;
    ASSERT_EQ(ERROR_SUCCESS,
              ::RegCreateKeyExW(RootOf(view), subkey.c_str(), 0, nullptr, 0,
                                KEY_ALL_ACCESS | BitsOf(view), nullptr, &key, nullptr));
    EXPECT_EQ(ERROR_SUCCESS,
              ::RegSetValueExW(key, name, 0, type, static_cast<const BYTE*>(data), size));
    ::RegCloseKey(key);
  }

  void PutString(int view, const std::wstring& subkey, const wchar_t* name,
                 const std::wstring& text, DWORD type = REG_SZ) {
    Put(view, subkey, name, type, text.c_str(),
        static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
  }

  // The REG_SZ value in one view, read without the code under test;
  // "<none>" when it is not there.
  std::wstring Peek(int view, const std::wstring& subkey, const wchar_t* name) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(RootOf(view), subkey.c_str(), 0, KEY_READ | BitsOf(view), &key) !=
        ERROR_SUCCESS) {
      return L"<none>";
    }
    wchar_t buffer[512] = {};
    DWORD size = sizeof(buffer) - sizeof(wchar_t);
    DWORD type = REG_NONE;
    const LONG result =
        ::RegQueryValueExW(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    ::RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ) return L"<none>";
    return buffer;
  }

  bool KeyExists(int view, const std::wstring& subkey) {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(RootOf(view), subkey.c_str(), 0, KEY_READ | BitsOf(view), &key) !=
        ERROR_SUCCESS) {
      return false;
    }
    ::RegCloseKey(key);
    return true;
  }

  // Replaces the key's access list by |sddl|.
  bool SetKeyDacl(int view, const std::wstring& subkey, const wchar_t* sddl) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (!::ConvertStringSecurityDescriptorToSecurityDescriptorW(sddl, SDDL_REVISION_1, &descriptor,
                                                                nullptr)) {
      return false;
    }
    HKEY key = nullptr;
    LONG result = ::RegOpenKeyExW(RootOf(view), subkey.c_str(), 0, WRITE_DAC | BitsOf(view), &key);
    if (result == ERROR_SUCCESS) {
      result = ::RegSetKeySecurity(key, DACL_SECURITY_INFORMATION, descriptor);
      ::RegCloseKey(key);
    }
    ::LocalFree(descriptor);
    return result == ERROR_SUCCESS;
  }

  void AllowWrites(int view, const std::wstring& subkey) {
    for (const std::wstring& path : {subkey, subkey + L"\\Product"})
      SetKeyDacl(view, path, L"D:(A;OICI;KA;;;WD)");
  }

  std::wstring root_;
  std::wstring subkey_;
  std::wstring product_;
  std::wstring uninstall_;
};

TEST_F(RegUtilsTest, ReadSearchesViewsInOrder) {
  struct Case {
    std::vector<int> stored_in;  // Each view holds "v<view>".
    int preference;
    int expected_view;  // 0: not found.
    size_t per_view_errors;
  };
  const Case kCases[] = {
      {{4}, kRootMachineThenUser, 4, 3},
      {{1, 2, 3, 4}, kRootMachineThenUser, 1, 0},
      {{2, 3}, kRootMachineThenUser, 2, 1},
      {{3, 4}, kRootMachineThenUser, 3, 2},
      {{1, 2}, kRootUserOnly, 0, 2},
      {{1, 4}, kRootUserOnly, 4, 1},
      {{3, 4}, kRootMachineOnly, 0, 2},
      {{2, 3}, kRootMachineOnly, 2, 1},
      {{}, kRootMachineThenUser, 0, 4},
      {{1, 2, 3, 4}, 3, 0, 0},
      {{1, 2, 3, 4}, -1, 0, 0},
  };
  const char* kInfoPrefix[] = {"", "read reg lm64 key: ", "read reg lm32 key: ",
                               "read reg cu64 key: ", "read reg cu32 key: "};
  for (size_t i = 0; i < std::size(kCases); ++i) {
    const Case& c = kCases[i];
    SCOPED_TRACE(testing::Message() << "case " << i);
    TearDown();
    SetUp();
    for (int view : c.stored_in) PutString(view, subkey_, L"Flag", L"v" + std::to_wstring(view));

    std::wstring value = L"untouched";
    int view = -1;
    ScopedLogCapture log;
    const bool found = ReadRegValue(subkey_, L"Flag", &value, &view, c.preference);
    EXPECT_EQ(c.expected_view != 0, found);
    EXPECT_EQ(c.expected_view, view);
    const auto& lines = log.lines();
    ASSERT_EQ(c.per_view_errors + 1, lines.size());
    for (size_t k = 0; k < c.per_view_errors; ++k) {
      EXPECT_EQ(logging::LOGGING_ERROR, lines[k].severity);
      EXPECT_TRUE(StartsWith(lines[k].text, "open reg failed, path: ") ||
                  StartsWith(lines[k].text, "read reg failed, path: "))
          << lines[k].text;
    }
    if (found) {
      EXPECT_EQ(L"v" + std::to_wstring(c.expected_view), value);
      EXPECT_EQ(logging::LOGGING_INFO, lines.back().severity);
      EXPECT_EQ(std::string(kInfoPrefix[c.expected_view]) + "Flag value: v" +
                    std::to_string(c.expected_view),
                lines.back().text);
    } else {
      EXPECT_EQ(L"untouched", value);
      EXPECT_EQ(logging::LOGGING_ERROR, lines.back().severity);
      EXPECT_EQ("read reg key failed: Flag", lines.back().text);
    }
  }
}

TEST_F(RegUtilsTest, PerViewErrorLinesNameTheFailure) {
  // The key exists in the machine 64-bit view without the value; the other
  // views lack the key.
  PutString(1, subkey_, L"Other", L"x");
  PutString(4, subkey_, L"Flag", L"v4");
  std::wstring value;
  int view = 0;
  ScopedLogCapture log;
  ASSERT_TRUE(ReadRegValue(subkey_, L"Flag", &value, &view, kRootMachineThenUser));
  const std::string path = std::string(subkey_.begin(), subkey_.end());
  ASSERT_EQ(4u, log.lines().size());
  EXPECT_EQ("read reg failed, path: " + path + ", key: Flag", log.lines()[0].text);
  EXPECT_EQ("open reg failed, path: " + path, log.lines()[1].text);
}

TEST_F(RegUtilsTest, ReadStringTypesAndLimits) {
  const DWORD dword = 7;
  const BYTE binary[10] = {1, 2, 3};
  Put(1, subkey_, L"Dword", REG_DWORD, &dword, sizeof(dword));
  Put(1, subkey_, L"Binary", REG_BINARY, binary, sizeof(binary));
  PutString(1, subkey_, L"Expand", L"%SystemRoot%\\x", REG_EXPAND_SZ);
  PutString(1, subkey_, L"Longest", std::wstring(1023, L'a'));
  PutString(1, subkey_, L"TooLong", std::wstring(1024, L'a'));
  PutString(1, subkey_, L"Empty", L"");
  // 20 references of 100 characters each expand to 2000 characters.
  ASSERT_TRUE(::SetEnvironmentVariableW(L"CORVANE_TEST_LONG", std::wstring(100, L'z').c_str()));
  std::wstring big_expansion;
  for (int i = 0; i < 20; ++i) big_expansion += L"%CORVANE_TEST_LONG%";
  PutString(1, subkey_, L"ExpandTooLong", big_expansion, REG_EXPAND_SZ);
  const wchar_t embedded[] = {L'a', L'b', 0, L'c', L'd'};  // No terminator.
  Put(1, subkey_, L"Embedded", REG_SZ, embedded, sizeof(embedded));
  const wchar_t unterminated[] = {L'x', L'y'};
  Put(1, subkey_, L"Unterminated", REG_SZ, unterminated, sizeof(unterminated));

  wchar_t system_root[MAX_PATH] = {};
  ASSERT_NE(0u, ::GetEnvironmentVariableW(L"SystemRoot", system_root, MAX_PATH));
  struct Case {
    const wchar_t* name;
    LONG expected_result;
    std::wstring expected_text;
  };
  const Case kCases[] = {
      {L"Dword", ERROR_CANTREAD, L""},
      {L"Binary", ERROR_CANTREAD, L""},
      {L"Expand", ERROR_SUCCESS, std::wstring(system_root) + L"\\x"},
      {L"Longest", ERROR_SUCCESS, std::wstring(1023, L'a')},
      {L"TooLong", ERROR_MORE_DATA, L""},
      {L"Empty", ERROR_SUCCESS, L""},
      {L"ExpandTooLong", ERROR_MORE_DATA, L""},
      {L"Embedded", ERROR_SUCCESS, L"ab"},
      {L"Unterminated", ERROR_SUCCESS, L"xy"},
      {L"Missing", ERROR_FILE_NOT_FOUND, L""},
  };
  RegistryKey key;
  ASSERT_EQ(ERROR_SUCCESS, key.Open(HKEY_LOCAL_MACHINE, subkey_.c_str(), kRegRead64));
  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << std::string(c.name, c.name + wcslen(c.name)));
    std::wstring text = L"before";
    EXPECT_EQ(c.expected_result, key.ReadString(c.name, &text));
    if (c.expected_result == ERROR_SUCCESS)
      EXPECT_EQ(c.expected_text, text);
    else
      EXPECT_EQ(L"before", text);
  }

  // Through the utility the type error is a failed read in that view.
  std::wstring value = L"before";
  int view = 0;
  ScopedLogCapture log;
  EXPECT_FALSE(ReadRegValue(subkey_, L"Dword", &value, &view, kRootMachineOnly));
  EXPECT_EQ(L"before", value);
  ASSERT_FALSE(log.lines().empty());
  EXPECT_TRUE(StartsWith(log.lines()[0].text, "read reg failed, path: "));
}

TEST_F(RegUtilsTest, KeyObjectViewsAndOwnership) {
  RegistryKey key;
  EXPECT_FALSE(key.Valid());
  ASSERT_EQ(ERROR_SUCCESS, key.Create(HKEY_CURRENT_USER, root_.c_str(), KEY_ALL_ACCESS));
  EXPECT_EQ(0u, key.view());
  // Another view than the held key's is refused without touching the registry.
  EXPECT_EQ(ERROR_INVALID_PARAMETER, key.CreateSubKey(L"Sub", KEY_WRITE | KEY_WOW64_32KEY));
  EXPECT_TRUE(key.Valid());
  EXPECT_FALSE(KeyExists(4, root_ + L"\\Sub"));
  EXPECT_FALSE(KeyExists(3, root_ + L"\\Sub"));
  ASSERT_EQ(ERROR_SUCCESS, key.CreateSubKey(L"Sub", KEY_ALL_ACCESS));
  EXPECT_EQ(ERROR_SUCCESS, key.WriteString(L"Name", L"text"));
  EXPECT_TRUE(key.HasValue(L"Name"));
  EXPECT_FALSE(key.HasValue(L"Nothing"));
  // Without view bits a program works in the view of its own bitness.
  const bool is_32_bit = sizeof(void*) == 4;
  EXPECT_EQ(L"text", Peek(is_32_bit ? 4 : 3, root_ + L"\\Sub", L"Name"));
  EXPECT_EQ(L"<none>", Peek(is_32_bit ? 3 : 4, root_ + L"\\Sub", L"Name"));

  RegistryKey moved(std::move(key));
  EXPECT_FALSE(key.Valid());
  EXPECT_TRUE(moved.Valid());
  moved.Close();
  EXPECT_FALSE(moved.Valid());

  // A 32-bit key only takes 32-bit subkeys.
  RegistryKey key32;
  ASSERT_EQ(ERROR_SUCCESS,
            key32.Create(HKEY_CURRENT_USER, subkey_.c_str(), KEY_ALL_ACCESS | KEY_WOW64_32KEY));
  EXPECT_EQ(static_cast<REGSAM>(KEY_WOW64_32KEY), key32.view());
  EXPECT_EQ(ERROR_INVALID_PARAMETER, key32.CreateSubKey(L"Sub", KEY_WRITE));
  EXPECT_EQ(ERROR_SUCCESS, key32.CreateSubKey(L"Sub", KEY_WRITE | KEY_WOW64_32KEY));
  EXPECT_TRUE(KeyExists(4, subkey_ + L"\\Sub"));
  EXPECT_FALSE(KeyExists(3, subkey_ + L"\\Sub"));

  // A failed open keeps the key held before.
  EXPECT_NE(ERROR_SUCCESS, key32.Open(HKEY_CURRENT_USER, (root_ + L"\\Missing").c_str(), KEY_READ));
  EXPECT_TRUE(key32.Valid());
}

TEST_F(RegUtilsTest, UpdateWritesIntoTheViewWhereTheValueIs) {
  PutString(2, subkey_, L"DisplayVersion", L"1.0");
  ScopedLogCapture log;
  EXPECT_TRUE(UpdateRegValue(subkey_, L"DisplayVersion", L"2.0", 0, kRootMachineThenUser));
  EXPECT_EQ(L"2.0", Peek(2, subkey_, L"DisplayVersion"));
  EXPECT_EQ(L"<none>", Peek(1, subkey_, L"DisplayVersion"));
  EXPECT_EQ(L"<none>", Peek(3, subkey_, L"DisplayVersion"));

  // An explicit hint writes there without searching (the key must exist).
  PutString(3, subkey_, L"Other", L"x");
  EXPECT_TRUE(UpdateRegValue(subkey_, L"DisplayVersion", L"3.0", 3, kRootMachineOnly));
  EXPECT_EQ(L"3.0", Peek(3, subkey_, L"DisplayVersion"));
  EXPECT_EQ(L"<none>", Peek(4, subkey_, L"DisplayVersion"));
  EXPECT_EQ(L"2.0", Peek(2, subkey_, L"DisplayVersion"));
}

TEST_F(RegUtilsTest, UpdateFailures) {
  const std::string path(subkey_.begin(), subkey_.end());
  {
    ScopedLogCapture log;
    EXPECT_FALSE(UpdateRegValue(L"", L"Name", L"x", 0, 0));
    EXPECT_FALSE(UpdateRegValue(subkey_, L"", L"x", 0, 0));
    ASSERT_EQ(2u, log.lines().size());
    EXPECT_EQ("reg_full_path or key is empty", log.lines()[0].text);
  }
  {
    ScopedLogCapture log;
    EXPECT_FALSE(UpdateRegValue(subkey_, L"Missing", L"x", 0, kRootMachineThenUser));
    ASSERT_FALSE(log.lines().empty());
    EXPECT_EQ("update reg failed, reg key not found, path: " + path + ", key:Missing, pos: 0",
              log.lines().back().text);
    EXPECT_FALSE(KeyExists(1, subkey_));
    EXPECT_FALSE(KeyExists(4, subkey_));
  }
  {
    // A hint to a view without the key: nothing is created.
    ScopedLogCapture log;
    EXPECT_FALSE(UpdateRegValue(subkey_, L"Name", L"x", 2, 0));
    ASSERT_EQ(1u, log.lines().size());
    EXPECT_EQ("open reg failed, path: " + path + ", key: Name", log.lines()[0].text);
    EXPECT_FALSE(KeyExists(2, subkey_));
  }
  {
    // Hints outside 0..4 name no view.
    PutString(1, subkey_, L"Name", L"old");
    ScopedLogCapture log;
    EXPECT_FALSE(UpdateRegValue(subkey_, L"Name", L"x", 5, 0));
    EXPECT_FALSE(UpdateRegValue(subkey_, L"Name", L"x", -1, 0));
    EXPECT_EQ(L"old", Peek(1, subkey_, L"Name"));
    ASSERT_EQ(2u, log.lines().size());
    EXPECT_EQ("update reg failed, reg key not found, path: " + path + ", key:Name, pos: 5",
              log.lines()[0].text);
  }
}

TEST_F(RegUtilsTest, UpdateWithoutWriteAccessFailsAtOpen) {
  // Every process is an administrator under Wine, so the missing write
  // access is made real with an access list that denies setting values.
  PutString(2, subkey_, L"DisplayVersion", L"1.0");
  ASSERT_TRUE(SetKeyDacl(2, subkey_, L"D:(D;;0x6;;;WD)(A;;KA;;;WD)"));
  const std::string path(subkey_.begin(), subkey_.end());
  ScopedLogCapture log;
  EXPECT_FALSE(UpdateRegValue(subkey_, L"DisplayVersion", L"2.0", 0, kRootMachineThenUser));
  ASSERT_FALSE(log.lines().empty());
  EXPECT_EQ("open reg failed, path: " + path + ", key: DisplayVersion", log.lines().back().text);
  EXPECT_EQ(L"1.0", Peek(2, subkey_, L"DisplayVersion"));
}

TEST_F(RegUtilsTest, UninstallValues) {
  PutString(2, uninstall_, L"DisplayVersion", L"4.1.0");
  std::wstring value;
  int view = 0;
  EXPECT_TRUE(ReadUninstallValue(product_, L"DisplayVersion", &value, &view, kRootMachineThenUser));
  EXPECT_EQ(L"4.1.0", value);
  EXPECT_EQ(kRegistryViewLocalMachine32, view);

  EXPECT_TRUE(UpdateUninstallValue(product_, L"DisplayVersion", L"4.2.0", 0, kRootMachineThenUser));
  EXPECT_EQ(L"4.2.0", Peek(2, uninstall_, L"DisplayVersion"));

  // The user root alone does not see the machine's value.
  EXPECT_FALSE(UpdateUninstallValue(product_, L"DisplayVersion", L"5", 0, kRootUserOnly));
  EXPECT_EQ(L"4.2.0", Peek(2, uninstall_, L"DisplayVersion"));

  ScopedLogCapture log;
  EXPECT_FALSE(UpdateUninstallValue(L"", L"DisplayVersion", L"5", 0, 0));
  EXPECT_FALSE(UpdateUninstallValue(product_, L"", L"5", 0, 0));
  EXPECT_TRUE(log.lines().empty());
}

}  // namespace
}  // namespace corvane
