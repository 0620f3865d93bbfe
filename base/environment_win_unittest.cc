#include <windows.h>

#include <gtest/gtest.h>

#include "base/environment.h"

namespace corvane {
namespace {

TEST(EnvironmentTest, AlternateName) {
  const std::pair<const char*, const char*> kCases[] = {
      {"path", "PATH"}, {"Path", "path"}, {"pATH", "PATH"}, {"_x", ""}, {"1a", ""}, {"", ""},
  };
  for (const auto& c : kCases) EXPECT_EQ(AlternateEnvVarName(c.first), c.second) << c.first;
}

TEST(EnvironmentTest, SetGetUnset) {
  const char kName[] = "CORVANE_BASE_TEST_VAR";
  std::wstring value;
  ASSERT_TRUE(SetEnvVar(kName, L"v\u00E9"));
  ASSERT_TRUE(GetEnvVar(kName, &value));
  EXPECT_EQ(value, L"v\u00E9");
  // Found under the other case as well (the retry; the system also ignores
  // case on its own).
  ASSERT_TRUE(GetEnvVar("corvane_base_test_var", &value));
  EXPECT_EQ(value, L"v\u00E9");
  // Longer than the first read buffer.
  std::wstring long_value(5000, L'x');
  ASSERT_TRUE(SetEnvVar(kName, long_value));
  ASSERT_TRUE(GetEnvVar(kName, &value));
  EXPECT_EQ(value, long_value);
  ASSERT_TRUE(UnSetEnvVar(kName));
  EXPECT_FALSE(GetEnvVar(kName, &value));
  EXPECT_FALSE(HasEnvVar("corvane_base_test_var"));
}

}  // namespace
}  // namespace corvane
