#include "elevation_service/elevation_service_client.h"

#include <string>

#include "elevation_service/elevation_service_const.h"
#include "gtest/gtest.h"
#include "test/support/scoped_log_capture.h"

namespace corvane {
namespace {

TEST(ElevationServiceInfoTest, DescriptionFallsBackToTheDefault) {
  const struct {
    std::wstring entry;
    std::string expected;
    const char* log;
  } kCases[] = {
      {L"", kDefaultElevationServiceInfo, "rc string len is 0, id is:500"},
      {std::wstring(1, wchar_t(0xD800)) + L"{}", kDefaultElevationServiceInfo,
       "convert pe info wstr to utf8 failed."},
      {L"{\"cls_id\":\"\u00e9\"}", "{\"cls_id\":\"\xC3\xA9\"}", "load rc id: 500, value: "},
  };
  for (const auto& c : kCases) {
    test::ScopedLogCapture log;
    EXPECT_EQ(c.expected, ChooseElevationServiceDescription(c.entry));
    EXPECT_EQ(1, log.Count(c.log)) << c.log;
  }
}

TEST(ElevationServiceInfoTest, ReadsEveryKeyAndNamesTheMissingOnes) {
  {
    ElevationServiceInfo info;
    ASSERT_TRUE(ParseElevationServiceInfo(kDefaultElevationServiceInfo, &info));
    EXPECT_EQ(L"{63C34537-A073-440B-A889-8BFDCCE724F3}", info.cls_id);
    EXPECT_EQ(L"{9610CC02-0135-4554-BBA1-BA39A5673F4D}", info.iid);
    EXPECT_EQ(L"CorvaneElevationService", info.service_name);
    EXPECT_EQ(L"Corvane Elevation Service", info.display_name);
    EXPECT_FALSE(info.oversea);
    EXPECT_EQ(2u, info.signatures.size());
  }
  {
    // Wrong types count as missing; non-string signatures are skipped.
    test::ScopedLogCapture log;
    ElevationServiceInfo info;
    ASSERT_TRUE(ParseElevationServiceInfo(
        R"({"cls_id":"{1}","iid":7,"oversea":"yes","signatures":["a",1,"b"]})", &info));
    EXPECT_EQ(L"{1}", info.cls_id);
    EXPECT_TRUE(info.iid.empty());
    EXPECT_EQ((std::vector<std::string>{"a", "b"}), info.signatures);
    for (const char* key : {"iid", "service_name", "display_name", "oversea"})
      EXPECT_TRUE(log.Has(logging::LOGGING_ERROR, std::string("[elevator] cant find key=") + key));
    EXPECT_EQ(0, log.Count("cant find list key="));
  }
  {
    test::ScopedLogCapture log;
    ElevationServiceInfo info;
    ASSERT_TRUE(ParseElevationServiceInfo(R"({"cls_id":"{1}"})", &info));
    EXPECT_TRUE(log.Has(logging::LOGGING_ERROR, "[elevator] cant find list key=signatures"));
  }
  for (const char* broken : {"{\"cls_id\":\"{1}\",}", "[1]", "not json"}) {
    test::ScopedLogCapture log;
    ElevationServiceInfo info;
    EXPECT_FALSE(ParseElevationServiceInfo(broken, &info)) << broken;
    EXPECT_TRUE(info.cls_id.empty());
    EXPECT_TRUE(log.Has(logging::LOGGING_ERROR, std::string("[elevator] error pe info") + broken));
  }
}

}  // namespace
}  // namespace corvane
