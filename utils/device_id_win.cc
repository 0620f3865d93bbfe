// Hardware queries for the device fingerprint: IP Helper, the NDIS
// permanent-address query, NetBIOS, the storage property query and WMI.

#include <winsock2.h>
#include <windows.h>
#include <iphlpapi.h>
#include <nb30.h>
#include <objbase.h>
#include <wbemidl.h>
#include <winioctl.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/win/scoped_handle.h"
#include "utils/device_id_hardware.h"

namespace corvane {

namespace {

constexpr DWORD kWmiQueryTimeoutMs = 3000;

constexpr ULONG kIncludeGateways = 0x0080;           // GAA_FLAG_INCLUDE_GATEWAYS
constexpr DWORD kNdisQueryGlobalStats = 0x00170002;  // IOCTL_NDIS_QUERY_GLOBAL_STATS
constexpr DWORD kPermanentAddressOid = 0x01010101;   // OID_802_3_PERMANENT_ADDRESS
constexpr DWORD kStorageQueryProperty = 0x002D1400;  // IOCTL_STORAGE_QUERY_PROPERTY
constexpr DWORD kDescriptorBufferSize = 2048;
constexpr WORD kAdapterStatusBufferSize = 600;

template <typename T>
class ScopedComPtr {
 public:
  ScopedComPtr() = default;
  ~ScopedComPtr() {
    if (ptr_) ptr_->Release();
  }
  ScopedComPtr(const ScopedComPtr&) = delete;
  ScopedComPtr& operator=(const ScopedComPtr&) = delete;

  T* Get() const { return ptr_; }
  T* operator->() const { return ptr_; }
  // For out-parameters; the pointer must be empty.
  T** Receive() { return &ptr_; }
  void** ReceiveVoid() { return reinterpret_cast<void**>(&ptr_); }

 private:
  T* ptr_ = nullptr;
};

class ScopedVariant {
 public:
  ScopedVariant() { VariantInit(&value_); }
  ~ScopedVariant() { VariantClear(&value_); }
  ScopedVariant(const ScopedVariant&) = delete;
  ScopedVariant& operator=(const ScopedVariant&) = delete;

  VARIANT* Receive() { return &value_; }
  const VARIANT& value() const { return value_; }

 private:
  VARIANT value_;
};

class ScopedBstr {
 public:
  explicit ScopedBstr(const wchar_t* text) : bstr_(SysAllocString(text)) {}
  ~ScopedBstr() { SysFreeString(bstr_); }
  ScopedBstr(const ScopedBstr&) = delete;
  ScopedBstr& operator=(const ScopedBstr&) = delete;

  BSTR Get() const { return bstr_; }

 private:
  BSTR bstr_;
};

// Balances a successful CoInitialize.
class ScopedComInitializer {
 public:
  ScopedComInitializer() {
    const HRESULT hr = CoInitialize(nullptr);
    initialized_ = hr == S_OK || hr == S_FALSE;
  }
  ~ScopedComInitializer() {
    if (initialized_) CoUninitialize();
  }
  ScopedComInitializer(const ScopedComInitializer&) = delete;
  ScopedComInitializer& operator=(const ScopedComInitializer&) = delete;

  bool initialized() const { return initialized_; }

 private:
  bool initialized_ = false;
};

// UTF-16 to the thread's ANSI code page, as the disk strings are compared
// and hashed in that form.
std::string WideToThreadAnsi(const wchar_t* text, int length) {
  if (length <= 0) return std::string();
  const int size =
      WideCharToMultiByte(CP_THREAD_ACP, 0, text, length, nullptr, 0, nullptr, nullptr);
  if (size <= 0) return std::string();
  std::string result(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_THREAD_ACP, 0, text, length, &result[0], size, nullptr, nullptr);
  return result;
}

std::optional<std::string> ReadStringProperty(IWbemClassObject* object, const wchar_t* name) {
  ScopedVariant value;
  if (FAILED(object->Get(name, 0, value.Receive(), nullptr, nullptr))) return std::nullopt;
  if (value.value().vt != VT_BSTR || !value.value().bstrVal) return std::nullopt;
  const BSTR text = value.value().bstrVal;
  return WideToThreadAnsi(text, static_cast<int>(SysStringLen(text)));
}

// The zero-terminated string at |offset| of a descriptor of |size| bytes.
std::string DescriptorString(const char* descriptor, size_t size, DWORD offset) {
  if (offset >= size) return std::string();
  const char* text = descriptor + offset;
  return std::string(text, strnlen(text, size - offset));
}

class WinHardwareQueries : public HardwareQueries {
 public:
  bool GetAdapters(std::vector<NetworkAdapterRecord>* adapters) override {
    ULONG size = 0;
    GetAdaptersAddresses(AF_UNSPEC, kIncludeGateways, nullptr, nullptr, &size);
    if (size == 0) return false;
    // 8-byte units keep the adapter records aligned.
    std::vector<uint64_t> buffer((size + sizeof(uint64_t) - 1) / sizeof(uint64_t), 0);
    auto* first = reinterpret_cast<IP_ADAPTER_ADDRESSES*>(buffer.data());
    if (GetAdaptersAddresses(AF_UNSPEC, kIncludeGateways, nullptr, first, &size) != ERROR_SUCCESS) {
      return false;
    }
    for (const IP_ADAPTER_ADDRESSES* adapter = first; adapter; adapter = adapter->Next) {
      NetworkAdapterRecord record;
      if (adapter->AdapterName) record.name = adapter->AdapterName;
      record.has_gateway = adapter->FirstGatewayAddress != nullptr;
      const ULONG length = adapter->PhysicalAddressLength <= MAX_ADAPTER_ADDRESS_LENGTH
                               ? adapter->PhysicalAddressLength
                               : MAX_ADAPTER_ADDRESS_LENGTH;
      record.address.assign(adapter->PhysicalAddress, adapter->PhysicalAddress + length);
      adapters->push_back(std::move(record));
    }
    return true;
  }

  bool QueryPermanentAddress(const std::string& adapter_name,
                             std::vector<uint8_t>* address) override {
    const std::string device = "\\\\.\\" + adapter_name;
    win::ScopedHandle handle(CreateFileA(device.c_str(), GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                                         0, nullptr));
    if (!handle.IsValid()) return false;
    DWORD oid = kPermanentAddressOid;
    uint8_t output[8] = {};
    DWORD returned = 0;
    if (!DeviceIoControl(handle.Get(), kNdisQueryGlobalStats, &oid, sizeof(oid), output,
                         sizeof(output), &returned, nullptr)) {
      return false;
    }
    if (returned > sizeof(output)) returned = sizeof(output);
    address->assign(output, output + returned);
    return true;
  }

  bool EnumerateNetbiosAdapters(std::vector<uint8_t>* lanas) override {
    LANA_ENUM list = {};
    NCB ncb = {};
    ncb.ncb_command = NCBENUM;
    ncb.ncb_buffer = reinterpret_cast<PUCHAR>(&list);
    ncb.ncb_length = sizeof(list);
    if (Netbios(&ncb) != NRC_GOODRET) return false;
    const size_t count = list.length <= MAX_LANA + 1 ? list.length : MAX_LANA + 1;
    lanas->assign(list.lana, list.lana + count);
    return true;
  }

  bool ResetNetbiosAdapter(uint8_t lana) override {
    NCB ncb = {};
    ncb.ncb_command = NCBRESET;
    ncb.ncb_lana_num = lana;
    return Netbios(&ncb) == NRC_GOODRET;
  }

  bool QueryNetbiosAddress(uint8_t lana, std::vector<uint8_t>* address) override {
    std::vector<uint8_t> status(kAdapterStatusBufferSize, 0);
    NCB ncb = {};
    ncb.ncb_command = NCBASTAT;
    ncb.ncb_lana_num = lana;
    ncb.ncb_callname[0] = '*';
    ncb.ncb_callname[1] = ' ';
    ncb.ncb_buffer = status.data();
    ncb.ncb_length = kAdapterStatusBufferSize;
    if (Netbios(&ncb) != NRC_GOODRET) return false;
    address->assign(status.begin(), status.begin() + 6);
    return true;
  }

  bool QueryPhysicalDrive(int number, DiskData* disk) override {
    const std::wstring path = L"\\\\.\\PhysicalDrive" + std::to_wstring(number);
    win::ScopedHandle handle(CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                         nullptr, OPEN_EXISTING, 0, nullptr));
    if (!handle.IsValid()) return false;
    STORAGE_PROPERTY_QUERY query = {};
    query.PropertyId = StorageDeviceProperty;
    query.QueryType = PropertyStandardQuery;
    std::vector<uint64_t> buffer(kDescriptorBufferSize / sizeof(uint64_t), 0);
    DWORD returned = 0;
    if (!DeviceIoControl(handle.Get(), kStorageQueryProperty, &query, sizeof(query), buffer.data(),
                         kDescriptorBufferSize, &returned, nullptr)) {
      return false;
    }
    const auto* descriptor = reinterpret_cast<const STORAGE_DEVICE_DESCRIPTOR*>(buffer.data());
    if (!descriptor->SerialNumberOffset || !descriptor->ProductIdOffset ||
        !descriptor->ProductRevisionOffset) {
      return false;
    }
    // Offsets come from the driver; strings are read only inside the buffer.
    const char* bytes = reinterpret_cast<const char*>(buffer.data());
    disk->serial_number =
        DescriptorString(bytes, kDescriptorBufferSize, descriptor->SerialNumberOffset);
    disk->model = DescriptorString(bytes, kDescriptorBufferSize, descriptor->ProductIdOffset);
    disk->firmware_revision =
        DescriptorString(bytes, kDescriptorBufferSize, descriptor->ProductRevisionOffset);
    return true;
  }

  void VisitWmiDiskDrives(const std::function<bool(const WmiDiskDriveRecord&)>& visit) override {
    ScopedComInitializer com;
    if (!com.initialized()) return;
    // Every COM object below is released before the initializer ends.
    ScopedComPtr<IWbemLocator> locator;
    if (FAILED(CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                locator.ReceiveVoid()))) {
      return;
    }
    ScopedBstr name_space(L"ROOT\\CIMV2");
    ScopedComPtr<IWbemServices> services;
    // A hung WMI service must not hold the launch: the connection waits no
    // longer than the service allows with this flag, the enumeration no
    // longer than kWmiQueryTimeoutMs in all.
    const DWORD deadline = GetTickCount() + kWmiQueryTimeoutMs;
    if (FAILED(locator->ConnectServer(name_space.Get(), nullptr, nullptr, nullptr,
                                      WBEM_FLAG_CONNECT_USE_MAX_WAIT, nullptr, nullptr,
                                      services.Receive()))) {
      return;
    }
    if (FAILED(CoSetProxyBlanket(services.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                                 RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr,
                                 EOAC_NONE))) {
      return;
    }
    ScopedBstr language(L"WQL");
    ScopedBstr query(L"SELECT * FROM Win32_DiskDrive");
    ScopedComPtr<IEnumWbemClassObject> results;
    if (FAILED(services->ExecQuery(language.Get(), query.Get(),
                                   WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
                                   results.Receive()))) {
      return;
    }
    for (;;) {
      ScopedComPtr<IWbemClassObject> object;
      ULONG returned = 0;
      const DWORD now = GetTickCount();
      const LONG left = static_cast<LONG>(deadline - now);
      if (left <= 0) return;
      results->Next(left, 1, object.Receive(), &returned);
      if (returned == 0 || !object.Get()) return;
      WmiDiskDriveRecord record;
      record.name = ReadStringProperty(object.Get(), L"Name");
      if (record.name) {
        record.serial_number = ReadStringProperty(object.Get(), L"SerialNumber");
        record.model = ReadStringProperty(object.Get(), L"Model");
        record.firmware_revision = ReadStringProperty(object.Get(), L"FirmwareRevision");
      }
      if (!visit(record)) return;
    }
  }
};

}  // namespace

HardwareQueries& SystemHardwareQueries() {
  static WinHardwareQueries queries;
  return queries;
}

}  // namespace corvane
