#include "utils/device_id.h"

#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "gtest/gtest.h"
#include "test/support/fake_hardware_queries.h"
#include "utils/device_id_hardware.h"

// Wine cannot present a chosen adapter list, a randomised MAC, NetBIOS
// adapters or disk descriptors, so the fingerprint and its fallbacks are
// checked with injected hardware answers (SetHardwareQueriesForTesting). The
// real queries run once at the end, accepting whatever Wine answers.

namespace corvane {
namespace {

using Adapter = test::FakeHardwareQueries::Adapter;
using NetbiosAdapter = test::FakeHardwareQueries::NetbiosAdapter;

const std::vector<uint8_t> kGlobalMac = {0x00, 0x1A, 0x2B, 0x3C, 0x4D, 0x5E};
const std::vector<uint8_t> kRandomMac = {0x02, 0x11, 0x22, 0x33, 0x44, 0x55};
const std::vector<uint8_t> kPermanentMac = {0x00, 0x11, 0x22, 0x33, 0x44, 0x55};
const std::vector<uint8_t> kNetbiosMac = {0xAA, 0xBB, 0xCC, 0xDD, 0xEE, 0xFF};

Adapter MakeAdapter(const std::string& name, bool gateway, std::vector<uint8_t> address) {
  Adapter adapter;
  adapter.record.name = name;
  adapter.record.has_gateway = gateway;
  adapter.record.address = std::move(address);
  return adapter;
}

NetbiosAdapter MakeNetbios(uint8_t lana, std::vector<uint8_t> address, bool reset_ok = true,
                           bool status_ok = true) {
  NetbiosAdapter adapter;
  adapter.lana = lana;
  adapter.reset_ok = reset_ok;
  adapter.status_ok = status_ok;
  adapter.status_address = std::move(address);
  return adapter;
}

std::string Md5Hex(const std::string& text) {
  MD5Digest digest{};
  EXPECT_TRUE(MD5Sum(text, &digest));
  return MD5DigestToHex(digest);
}

class DeviceIdTest : public testing::Test {
 protected:
  void SetUp() override { SetHardwareQueriesForTesting(&info_); }
  void TearDown() override { SetHardwareQueriesForTesting(nullptr); }

  int CountCalls(const std::string& name) const {
    int count = 0;
    for (const auto& call : info_.calls) count += call == name;
    return count;
  }

  test::FakeHardwareQueries info_;
};

TEST(DeviceIdFormatTest, MacTextAndLocallyAdministered) {
  EXPECT_EQ("001A2B3C4D5E", FormatMacText(kGlobalMac));
  EXPECT_EQ("", FormatMacText({}));
  EXPECT_EQ("0AFF", FormatMacText({0x0A, 0xFF}));

  const struct {
    const char* text;
    bool local;
  } kCases[] = {
      {"021122334455", true},
      {"061122334455", true},
      {"0A1122334455", true},
      {"0E1122334455", true},
      {"F21122334455", true},
      {"001122334455", false},
      {"011122334455", false},
      {"031122334455", false},
      {"0B1122334455", false},
      {"0F1122334455", false},
      {"0", false},
      {"", false},
  };
  for (const auto& c : kCases) EXPECT_EQ(c.local, IsLocallyAdministeredMacText(c.text)) << c.text;
}

TEST(DeviceIdFormatTest, FingerprintKeepsDiskStringsAsReported) {
  DiskData disk{"  SER-1 ", "Model X", "FW1"};
  EXPECT_EQ("001A2B3C4D5E   SER-1  Model X FW1", BuildFingerprint("001A2B3C4D5E", &disk));
  EXPECT_EQ("001A2B3C4D5E", BuildFingerprint("001A2B3C4D5E", nullptr));
  DiskData empty;
  EXPECT_EQ("001A2B3C4D5E   ", BuildFingerprint("001A2B3C4D5E", &empty));
}

TEST_F(DeviceIdTest, MacAddressSources) {
  struct Case {
    const char* name;
    std::vector<Adapter> adapters;
    bool adapters_ok;
    std::vector<NetbiosAdapter> netbios;
    bool netbios_enum_ok;
    const char* mac;
    std::vector<std::string> calls;
  };
  Adapter random_ok = MakeAdapter("{RANDOM}", true, kRandomMac);
  random_ok.permanent_query_ok = true;
  random_ok.permanent_address = kPermanentMac;
  Adapter random_failing = MakeAdapter("{RANDOM}", true, kRandomMac);
  const std::vector<NetbiosAdapter> two_lanas = {MakeNetbios(0, {1, 2, 3, 4, 5, 6}),
                                                 MakeNetbios(3, kNetbiosMac)};
  const Case kCases[] = {
      {"first adapter with a gateway wins",
       {MakeAdapter("{A}", false, {9, 9, 9, 9, 9, 9}), MakeAdapter("{B}", true, kGlobalMac),
        MakeAdapter("{C}", true, kNetbiosMac)},
       true,
       two_lanas,
       true,
       "001A2B3C4D5E",
       {"adapters"}},
      {"randomised address replaced by the permanent one",
       {random_ok},
       true,
       two_lanas,
       true,
       "001122334455",
       {"adapters", "permanent:{RANDOM}"}},
      {"permanent address query fails: NetBIOS, last adapter first",
       {random_failing},
       true,
       two_lanas,
       true,
       "AABBCCDDEEFF",
       {"adapters", "permanent:{RANDOM}", "netbios_enum", "netbios_reset:3", "netbios_status:3"}},
      {"no adapter with a gateway: NetBIOS",
       {MakeAdapter("{A}", false, kGlobalMac)},
       true,
       two_lanas,
       true,
       "AABBCCDDEEFF",
       {"adapters", "netbios_enum", "netbios_reset:3", "netbios_status:3"}},
      {"gateway adapter without a physical address: NetBIOS",
       {MakeAdapter("{A}", true, {}), MakeAdapter("{B}", true, kGlobalMac)},
       true,
       two_lanas,
       true,
       "AABBCCDDEEFF",
       {"adapters", "netbios_enum", "netbios_reset:3", "netbios_status:3"}},
      {"adapter list unreadable: NetBIOS",
       {},
       false,
       two_lanas,
       true,
       "AABBCCDDEEFF",
       {"adapters", "netbios_enum", "netbios_reset:3", "netbios_status:3"}},
      {"failed reset skips the adapter",
       {},
       true,
       {MakeNetbios(1, {1, 2, 3, 4, 5, 6}), MakeNetbios(2, kNetbiosMac, /*reset_ok=*/false)},
       true,
       "010203040506",
       {"adapters", "netbios_enum", "netbios_reset:2", "netbios_reset:1", "netbios_status:1"}},
      {"failed status tries the previous adapter",
       {},
       true,
       {MakeNetbios(1, {1, 2, 3, 4, 5, 6}),
        MakeNetbios(2, kNetbiosMac, /*reset_ok=*/true, /*status_ok=*/false)},
       true,
       "010203040506",
       {"adapters", "netbios_enum", "netbios_reset:2", "netbios_status:2", "netbios_reset:1",
        "netbios_status:1"}},
      {"NetBIOS enumeration fails", {}, true, two_lanas, false, "", {"adapters", "netbios_enum"}},
      {"nothing answers",
       {},
       true,
       {MakeNetbios(0, kNetbiosMac, /*reset_ok=*/false)},
       true,
       "",
       {"adapters", "netbios_enum", "netbios_reset:0"}},
  };
  for (const auto& c : kCases) {
    info_ = test::FakeHardwareQueries();
    info_.adapters = c.adapters;
    info_.adapters_ok = c.adapters_ok;
    info_.netbios = c.netbios;
    info_.netbios_enum_ok = c.netbios_enum_ok;
    EXPECT_EQ(c.mac, GetMacAddress()) << c.name;
    EXPECT_EQ(c.calls, info_.calls) << c.name;
  }
}

TEST_F(DeviceIdTest, DiskInfoSources) {
  // The first drive that answers wins; WMI is not asked.
  info_.drives.resize(16);
  info_.drives[2] = DiskData{"SER-2", "Model 2", "FW2"};
  info_.drives[5] = DiskData{"SER-5", "Model 5", "FW5"};
  DiskData disk;
  ASSERT_TRUE(GetDiskInfo(&disk));
  EXPECT_EQ("SER-2", disk.serial_number);
  EXPECT_EQ("Model 2", disk.model);
  EXPECT_EQ("FW2", disk.firmware_revision);
  EXPECT_EQ((std::vector<std::string>{"drive:0", "drive:1", "drive:2"}), info_.calls);

  // No drive answers: all sixteen are probed in order, then WMI, which
  // skips other drives and takes \\.\PHYSICALDRIVE0 ignoring case.
  info_ = test::FakeHardwareQueries();
  WmiDiskDriveRecord other;
  other.name = "\\\\.\\PHYSICALDRIVE1";
  other.serial_number = "WRONG";
  WmiDiskDriveRecord first;
  first.name = "\\\\.\\PhysicalDrive0";
  first.serial_number = " WMI-SER";
  first.model = "WMI Model";
  first.firmware_revision = "WFW";
  info_.wmi_drives = {other, first, other};
  disk = DiskData();
  ASSERT_TRUE(GetDiskInfo(&disk));
  EXPECT_EQ(" WMI-SER", disk.serial_number);
  EXPECT_EQ("WMI Model", disk.model);
  EXPECT_EQ("WFW", disk.firmware_revision);
  std::vector<std::string> expected;
  for (int i = 0; i < 16; ++i) expected.push_back("drive:" + std::to_string(i));
  expected.insert(expected.end(), {"wmi", "wmi_object:0", "wmi_object:1"});
  EXPECT_EQ(expected, info_.calls);

  // Null members of the matching object come out empty; still a result.
  info_ = test::FakeHardwareQueries();
  WmiDiskDriveRecord bare;
  bare.name = "\\\\.\\physicaldrive0";
  info_.wmi_drives = {bare};
  disk = DiskData{"x", "y", "z"};
  ASSERT_TRUE(GetDiskInfo(&disk));
  EXPECT_EQ("", disk.serial_number);
  EXPECT_EQ("", disk.model);
  EXPECT_EQ("", disk.firmware_revision);

  // An object without a name string ends the walk without a result.
  info_ = test::FakeHardwareQueries();
  info_.wmi_drives = {WmiDiskDriveRecord(), first};
  EXPECT_FALSE(GetDiskInfo(&disk));
  EXPECT_EQ(0, CountCalls("wmi_object:1"));

  info_ = test::FakeHardwareQueries();
  info_.wmi_ok = false;
  EXPECT_FALSE(GetDiskInfo(&disk));
  info_ = test::FakeHardwareQueries();
  info_.wmi_drives = {other};
  EXPECT_FALSE(GetDiskInfo(&disk));
}

TEST_F(DeviceIdTest, DeviceIdFromFingerprint) {
  const struct {
    const char* name;
    bool with_disk;
    const char* id;  // MD5 of the fingerprint text
  } kCases[] = {
      // MD5("001A2B3C4D5E SER-1 Model X FW1")
      {"MAC and disk", true, "f9706e4b0f290a96ea97c79d11e4e596"},
      // MD5("001A2B3C4D5E"): the 12 MAC characters alone.
      {"MAC without disk data", false, "7598b725a578ee13656d280b6520f326"},
  };
  for (const auto& c : kCases) {
    info_ = test::FakeHardwareQueries();
    info_.adapters = {MakeAdapter("{A}", true, kGlobalMac)};
    if (c.with_disk) info_.drives = {DiskData{"SER-1", "Model X", "FW1"}};
    SetHardwareQueriesForTesting(&info_);  // forget the previous case's digest
    char buffer[33];
    std::memset(buffer, 'x', sizeof(buffer));
    ASSERT_TRUE(GetDeviceId(buffer, 32)) << c.name;
    EXPECT_EQ('\0', buffer[32]) << c.name;
    EXPECT_EQ(c.id, std::string(buffer)) << c.name;

    MD5Digest digest;
    ASSERT_TRUE(ComputeDeviceDigest(&digest));
    EXPECT_EQ(c.id, MD5DigestToHex(digest)) << c.name;
  }
}

TEST_F(DeviceIdTest, RandomisedMacFallsBackToNetbiosForTheId) {
  info_.adapters = {MakeAdapter("{RANDOM}", true, kRandomMac)};
  info_.netbios = {MakeNetbios(0, kNetbiosMac)};
  char buffer[33] = {};
  ASSERT_TRUE(GetDeviceId(buffer, 32));
  EXPECT_EQ(Md5Hex("AABBCCDDEEFF"), buffer);
  EXPECT_EQ("7d6d7ec9459bdd10988abaf6bfa5232f", std::string(buffer));
}

TEST_F(DeviceIdTest, BufferContract) {
  info_.adapters = {MakeAdapter("{A}", true, kGlobalMac)};
  char buffer[48];
  std::memset(buffer, 'x', sizeof(buffer));
  EXPECT_FALSE(GetDeviceId(nullptr, 32));
  EXPECT_FALSE(GetDeviceId(buffer, 31));
  EXPECT_FALSE(GetDeviceId(buffer, 0));
  EXPECT_EQ(std::string(48, 'x'), std::string(buffer, sizeof(buffer)));
  EXPECT_TRUE(info_.calls.empty());

  // A longer length zero-fills up to it and leaves the rest alone.
  ASSERT_TRUE(GetDeviceId(buffer, 40));
  EXPECT_EQ("7598b725a578ee13656d280b6520f326", std::string(buffer));
  EXPECT_EQ(std::string(8, '\0'), std::string(buffer + 32, 8));
  EXPECT_EQ(std::string(8, 'x'), std::string(buffer + 40, 8));
}

TEST_F(DeviceIdTest, NoMacGivesNoIdAndIsRetried) {
  info_.drives = {DiskData{"SER-1", "Model X", "FW1"}};
  info_.netbios_enum_ok = false;
  char buffer[33];
  std::memset(buffer, 'x', sizeof(buffer));
  EXPECT_FALSE(GetDeviceId(buffer, 32));
  EXPECT_EQ(std::string(33, 'x'), std::string(buffer, sizeof(buffer)));
  MD5Digest digest;
  EXPECT_FALSE(ComputeDeviceDigest(&digest));
  // The disk is not read without a MAC.
  EXPECT_EQ(0, CountCalls("drive:0"));

  // A failure is not cached: the next call queries again and succeeds.
  info_.calls.clear();
  info_.netbios = {MakeNetbios(0, kNetbiosMac)};
  info_.netbios_enum_ok = true;
  ASSERT_TRUE(GetDeviceId(buffer, 32));
  EXPECT_EQ(1, CountCalls("adapters"));
  EXPECT_EQ(Md5Hex("AABBCCDDEEFF SER-1 Model X FW1"), std::string(buffer));
}

TEST_F(DeviceIdTest, ComputedOncePerProcess) {
  info_.adapters = {MakeAdapter("{A}", true, kGlobalMac)};
  char first[33] = {};
  ASSERT_TRUE(GetDeviceId(first, 32));
  // Later hardware changes are not seen: the digest is cached.
  info_.adapters = {MakeAdapter("{A}", true, kNetbiosMac)};
  char second[33] = {};
  ASSERT_TRUE(GetDeviceId(second, 32));
  EXPECT_STREQ(first, second);
  EXPECT_EQ(1, CountCalls("adapters"));

  std::string from_threads[4];
  std::vector<std::thread> threads;
  for (auto& text : from_threads) {
    threads.emplace_back([&text] {
      char buffer[33] = {};
      if (GetDeviceId(buffer, 32)) text = buffer;
    });
  }
  for (auto& thread : threads) thread.join();
  for (const auto& text : from_threads) EXPECT_EQ(first, text);
  EXPECT_EQ(1, CountCalls("adapters"));
}

// The real queries, with whatever Wine answers: either no id at all, or the
// MD5 of the fingerprint the same queries give, as 32 lowercase hex digits.
TEST(DeviceIdSystemTest, RealHardware) {
  SetHardwareQueriesForTesting(nullptr);
  const std::string mac = GetMacAddress();
  DiskData disk;
  const bool have_disk = GetDiskInfo(&disk);
  std::cout << "MAC text: \"" << mac << "\", disk: "
            << (have_disk ? "\"" + disk.serial_number + "\" \"" + disk.model + "\" \"" +
                                disk.firmware_revision + "\""
                          : std::string("none"))
            << std::endl;
  EXPECT_EQ(0u, mac.size() % 2);
  for (char c : mac) EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F')) << mac;

  char buffer[33];
  std::memset(buffer, 'x', sizeof(buffer));
  const bool ok = GetDeviceId(buffer, 32);
  EXPECT_EQ(!mac.empty(), ok);
  if (!ok) {
    EXPECT_EQ(std::string(33, 'x'), std::string(buffer, sizeof(buffer)));
    return;
  }
  const std::string id(buffer);
  ASSERT_EQ(32u, id.size());
  for (char c : id) EXPECT_TRUE((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')) << id;
  EXPECT_EQ(Md5Hex(BuildFingerprint(mac, have_disk ? &disk : nullptr)), id);
  std::cout << "device id: " << id << std::endl;
}

}  // namespace
}  // namespace corvane
