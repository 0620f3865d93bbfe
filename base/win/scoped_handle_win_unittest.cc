#include "base/win/scoped_handle.h"

#include <gtest/gtest.h>

#include <utility>

namespace corvane {
namespace win {
namespace {

bool IsOpen(HANDLE handle) {
  DWORD flags = 0;
  return ::GetHandleInformation(handle, &flags) != 0;
}

TEST(ScopedHandleTest, OwnsClosesAndMoves) {
  HANDLE raw = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ASSERT_NE(raw, nullptr);
  {
    ScopedHandle first(raw);
    EXPECT_TRUE(first.IsValid());
    ScopedHandle second(std::move(first));
    EXPECT_FALSE(first.IsValid());
    EXPECT_EQ(second.Get(), raw);
    EXPECT_TRUE(IsOpen(raw));
  }
  EXPECT_FALSE(IsOpen(raw));

  HANDLE kept = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ScopedHandle owner(kept);
  EXPECT_EQ(owner.Take(), kept);
  EXPECT_FALSE(owner.IsValid());
  owner.Close();
  EXPECT_TRUE(IsOpen(kept));
  ::CloseHandle(kept);
}

TEST(ScopedHandleTest, InvalidValueAndLastError) {
  // Wrapping a failed open keeps its error readable.
  ScopedHandle file(::CreateFileW(L"Z:\\no\\such\\dir\\file", GENERIC_READ, 0, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
  DWORD error = ::GetLastError();
  EXPECT_FALSE(file.IsValid());
  EXPECT_EQ(file.Get(), nullptr);
  EXPECT_EQ(error, static_cast<DWORD>(ERROR_PATH_NOT_FOUND));

  HANDLE first = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  HANDLE second = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
  ScopedHandle handle(first);
  ::SetLastError(1234);
  handle.Set(second);
  EXPECT_EQ(::GetLastError(), 1234u);
  EXPECT_FALSE(IsOpen(first));
  EXPECT_TRUE(IsOpen(second));
  handle = ScopedHandle();
  EXPECT_FALSE(IsOpen(second));
}

}  // namespace
}  // namespace win
}  // namespace corvane
