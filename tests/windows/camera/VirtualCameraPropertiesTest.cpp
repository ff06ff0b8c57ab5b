// The virtual camera's private property set as the renderer and the application use it, on a filter
// bound from the video input category: what QuerySupported answers, every property's round trip,
// the exact payload sizes, each refusal (which changes nothing), frame records, renaming, and the
// module's class as devcon.exe installs it.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include <array>
#include <cstring>
#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "device/camera/formats/OutputOffer.h"
#include "device/camera/state/DeviceState.h"
#include "platform/com/ComInitialization.h"
#include "platform/dshow/MediaType.h"
#include "platform/dshow/VideoCapability.h"
#include "shared/device/DeviceNaming.h"
#include "shared/device/NimbCameraIds.h"
#include "tests/windows/camera/VirtualCameraSupport.h"

namespace orvane::testing {
namespace {

constexpr DWORD kGet = KSPROPERTY_SUPPORT_GET, kSet = KSPROPERTY_SUPPORT_SET;

class VirtualCameraProperties : public ::testing::Test {
 protected:
  void Install(int32_t count) {
    cameras_ = std::make_unique<InstalledCameras>(count);
    ASSERT_EQ(cameras_->result(), S_OK);
    filter_ = BindDevice(0);
    ASSERT_TRUE(filter_);
    properties_ = PropertiesOf(filter_.Get());
    ASSERT_TRUE(properties_);
  }
  void TearDown() override {
    properties_.Reset();
    filter_.Reset();
    cameras_.reset();
  }
  // The device's shared state as every process sees it, for what the property set cannot read back.
  static std::unique_ptr<state::DeviceState> OpenState(int32_t number) {
    std::unique_ptr<state::DeviceState> state;
    EXPECT_EQ(state::DeviceState::Open(number, state), S_OK);
    return state;
  }

  ComInitialization com_;
  std::unique_ptr<InstalledCameras> cameras_;
  ComPtr<IBaseFilter> filter_;
  ComPtr<IKsPropertySet> properties_;
};

std::vector<uint8_t> Record(FrameHeader header, uint8_t fill) {
  const CheckedFrame checked = CheckFrameGeometry(header);
  std::vector<uint8_t> record(checked.ok() ? checked.recordSize() : 16 + 64, fill);
  std::memcpy(record.data(), &header, sizeof header);
  return record;
}

TEST_F(VirtualCameraProperties, QuerySupportedAnswersEveryProperty) {
  Install(1);
  struct Case {
    DWORD id;
    HRESULT result;
    DWORD support;
  };
  const Case cases[] = {{0, S_OK, kSet},           {1, S_OK, kGet | kSet}, {2, E_PROP_ID_UNSUPPORTED, 0},
                        {3, S_OK, kSet},           {4, S_OK, kSet},        {5, S_OK, kGet | kSet},
                        {6, S_OK, kGet | kSet},    {7, S_OK, kGet | kSet}, {8, E_PROP_ID_UNSUPPORTED, 0},
                        {9, S_OK, kGet},           {10, S_OK, kSet},       {11, E_PROP_ID_UNSUPPORTED, 0},
                        {12, S_OK, kGet | kSet},   {13, E_PROP_ID_UNSUPPORTED, 0},
                        {0xFFFFFFFF, E_PROP_ID_UNSUPPORTED, 0}};
  for (const Case& c : cases) {
    DWORD support = 0xDEAD;
    EXPECT_EQ(properties_->QuerySupported(VirtualCameraPropertySet, c.id, &support), c.result) << "property " << c.id;
    if (c.result == S_OK) {
      EXPECT_EQ(support, c.support) << "property " << c.id;
    }
  }
  DWORD support = 0;
  EXPECT_EQ(properties_->QuerySupported(AMPROPSETID_Pin, 0, &support), E_PROP_SET_UNSUPPORTED);
  EXPECT_EQ(properties_->QuerySupported(VirtualCameraPropertySet, 0, nullptr), E_POINTER);
}

TEST_F(VirtualCameraProperties, EverySettingRoundTripsAcrossFilterInstances) {
  Install(1);
  const OutputFormat format{1920, 1080, 25, 1, 2};
  const DriverParameterPayload parameter{77, -12345};
  IdlePicturePayload idle;
  ASSERT_TRUE(MakeIdlePicturePayload(idle, L"C:\\Pictures\\away.png"));
  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyOutputFormat, format), S_OK);
  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyFillMode, int32_t{2}), S_OK);
  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyMirror, int32_t{1}), S_OK);
  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyFlip, int32_t{1}), S_OK);
  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyDriverValue64, DriverValue64Payload{-5000000000LL}), S_OK);
  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyDriverParameter, parameter), S_OK);
  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyIdlePicture, idle), S_OK);

  // Another instance of the same device (another application) reads the same values.
  const ComPtr<IKsPropertySet> other = PropertiesOf(BindDevice(0).Get());
  ASSERT_TRUE(other);
  OutputFormat readFormat{};
  EXPECT_EQ(GetProperty(other.Get(), kPropertyOutputFormat, readFormat), S_OK);
  EXPECT_EQ(readFormat, format);
  for (const auto& [id, expected] : {std::pair{kPropertyFillMode, 2}, {kPropertyMirror, 1}, {kPropertyFlip, 1}}) {
    int32_t value = -1;
    EXPECT_EQ(GetProperty(other.Get(), id, value), S_OK);
    EXPECT_EQ(value, expected) << "property " << id;
  }
  // Property 12: the key from the data buffer (as the renderer's Get sends it) or from instance data.
  DriverParameterPayload read{77, 0};
  DWORD returned = 0;
  ASSERT_EQ(other->Get(VirtualCameraPropertySet, kPropertyDriverParameter, nullptr, 0, &read, sizeof read, &returned),
            S_OK);
  EXPECT_EQ(read.value, -12345);
  int32_t key = 77;
  DriverParameterPayload viaInstance{};
  ASSERT_EQ(other->Get(VirtualCameraPropertySet, kPropertyDriverParameter, &key, sizeof key, &viaInstance,
                       sizeof viaInstance, &returned),
            S_OK);
  EXPECT_EQ(viaInstance.key, 77);
  EXPECT_EQ(viaInstance.value, -12345);
  DriverParameterPayload unknown{};
  ASSERT_EQ(GetProperty(other.Get(), kPropertyDriverParameter, unknown), S_OK);
  EXPECT_EQ(unknown.value, 0) << "key 0 was never set";

  // Properties 4 and 10 have no Get: the shared state shows them.
  const auto state = OpenState(0);
  ASSERT_TRUE(state);
  EXPECT_EQ(state->Settings().driverValue64, -5000000000LL);
  EXPECT_EQ(std::u16string(state->Settings().idlePicturePath), u"C:\\Pictures\\away.png");
  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyIdlePicture, IdlePicturePayload{}), S_OK);
  EXPECT_EQ(state->Settings().idlePicturePath[0], u'\0') << "an all-zero payload clears the picture";
}

// A Get writes exactly its payload and says so; a buffer of another size is refused untouched.
TEST_F(VirtualCameraProperties, GetsFillExactlyThePayload) {
  Install(1);
  for (const auto& [id, size] : {std::pair<DWORD, DWORD>{kPropertyOutputFormat, 20}, {kPropertyFillMode, 4},
                                 {kPropertyMirror, 4}, {kPropertyFlip, 4}, {kPropertyClientCount, 4},
                                 {kPropertyDriverParameter, 8}}) {
    SCOPED_TRACE(::testing::Message() << "property " << id);
    std::array<uint8_t, 64> buffer;
    buffer.fill(0xCD);
    DWORD returned = 0;
    ASSERT_EQ(properties_->Get(VirtualCameraPropertySet, id, nullptr, 0, buffer.data(), size, &returned), S_OK);
    EXPECT_EQ(returned, size);
    for (size_t i = size; i < buffer.size(); ++i) ASSERT_EQ(buffer[i], 0xCD) << "byte " << i << " written";

    returned = 0;
    EXPECT_EQ(properties_->Get(VirtualCameraPropertySet, id, nullptr, 0, nullptr, 0, &returned), S_OK) << "size query";
    EXPECT_EQ(returned, size);
    buffer.fill(0xCD);
    returned = 0;
    EXPECT_EQ(properties_->Get(VirtualCameraPropertySet, id, nullptr, 0, buffer.data(), size - 1, &returned),
              HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER));
    EXPECT_EQ(returned, size) << "the needed size";
    EXPECT_EQ(properties_->Get(VirtualCameraPropertySet, id, nullptr, 0, buffer.data(), size + 1, &returned),
              E_INVALIDARG);
    EXPECT_EQ(buffer[0], 0xCD) << "a refused Get writes nothing";
    EXPECT_EQ(properties_->Get(VirtualCameraPropertySet, id, nullptr, 0, nullptr, 0, nullptr), E_POINTER);
  }
  int32_t count = -1;
  EXPECT_EQ(GetProperty(properties_.Get(), kPropertyClientCount, count), S_OK);
  EXPECT_EQ(count, 0) << "a bound filter that does not run is no client";
}

TEST_F(VirtualCameraProperties, RefusalsChangeNothing) {
  Install(1);
  const OutputFormat format{640, 480, 30, 0, 1};
  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyOutputFormat, format), S_OK);
  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyFillMode, int32_t{1}), S_OK);
  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyMirror, int32_t{1}), S_OK);
  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyFlip, int32_t{0}), S_OK);

  const std::array<uint8_t, 600> zeros{};
  std::array<uint8_t, 600> bytes{};
  const auto set = [&](DWORD id, const void* data, DWORD length) {
    std::memcpy(bytes.data(), data, length);
    return properties_->Set(VirtualCameraPropertySet, id, nullptr, 0, bytes.data(), length);
  };
  const auto setValue = [&](DWORD id, int32_t value) { return set(id, &value, sizeof value); };
  const auto setFormat = [&](OutputFormat bad) { return set(kPropertyOutputFormat, &bad, sizeof bad); };
  IdlePicturePayload unterminated;
  for (char16_t& unit : unterminated.path) unit = u'a';
  struct Case {
    const char* what;
    HRESULT result;
    HRESULT expected;
  };
  int64_t value64 = 1;
  const Case cases[] = {
      {"fill mode 3", setValue(kPropertyFillMode, 3), E_INVALIDARG},
      {"fill mode -1", setValue(kPropertyFillMode, -1), E_INVALIDARG},
      {"mirror 2", setValue(kPropertyMirror, 2), E_INVALIDARG},
      {"flip -1", setValue(kPropertyFlip, -1), E_INVALIDARG},
      {"fill mode in 3 bytes", set(kPropertyFillMode, &value64, 3), E_INVALIDARG},
      {"mirror in 8 bytes", set(kPropertyMirror, &value64, 8), E_INVALIDARG},
      {"value64 in 4 bytes", set(kPropertyDriverValue64, &value64, 4), E_INVALIDARG},
      {"parameter in 12 bytes", set(kPropertyDriverParameter, zeros.data(), 12), E_INVALIDARG},
      {"output format in 16 bytes", set(kPropertyOutputFormat, &format, 16), E_INVALIDARG},
      {"output format in 24 bytes", set(kPropertyOutputFormat, zeros.data(), 24), E_INVALIDARG},
      {"width 0", setFormat({0, 480, 30, 0, 0}), E_INVALIDARG},
      {"width 4097", setFormat({4097, 480, 30, 0, 0}), E_INVALIDARG},
      {"negative height", setFormat({640, -480, 30, 0, 0}), E_INVALIDARG},
      {"0 fps", setFormat({640, 480, 0, 0, 0}), E_INVALIDARG},
      {"1024 fps", setFormat({640, 480, 1024, 0, 0}), E_INVALIDARG},
      {"format code 5", setFormat({640, 480, 30, 0, 5}), E_INVALIDARG},
      {"idle path without its NUL", set(kPropertyIdlePicture, &unterminated, sizeof unterminated), E_INVALIDARG},
      {"idle path in 511 bytes", set(kPropertyIdlePicture, zeros.data(), 511), E_INVALIDARG},
      {"client count is read-only", setValue(kPropertyClientCount, 3), E_PROP_ID_UNSUPPORTED},
      {"property 2", setValue(2, 0), E_PROP_ID_UNSUPPORTED},
      {"another set", properties_->Set(AMPROPSETID_Pin, 0, nullptr, 0, bytes.data(), 4), E_PROP_SET_UNSUPPORTED},
      {"no data", properties_->Set(VirtualCameraPropertySet, kPropertyFillMode, nullptr, 0, nullptr, 4), E_POINTER},
  };
  for (const Case& c : cases) EXPECT_EQ(c.result, c.expected) << c.what;
  // Set-only properties have no Get.
  for (DWORD id : {kPropertyFrame, kPropertyFriendlyName, kPropertyIdlePicture, kPropertyDriverValue64}) {
    DWORD returned = 0;
    EXPECT_EQ(properties_->Get(VirtualCameraPropertySet, id, nullptr, 0, bytes.data(), 512, &returned),
              E_PROP_ID_UNSUPPORTED)
        << "property " << id;
  }

  OutputFormat readFormat{};
  EXPECT_EQ(GetProperty(properties_.Get(), kPropertyOutputFormat, readFormat), S_OK);
  EXPECT_EQ(readFormat, format);
  int32_t fill = -1, mirror = -1, flip = -1;
  GetProperty(properties_.Get(), kPropertyFillMode, fill);
  GetProperty(properties_.Get(), kPropertyMirror, mirror);
  GetProperty(properties_.Get(), kPropertyFlip, flip);
  EXPECT_EQ(fill, 1);
  EXPECT_EQ(mirror, 1);
  EXPECT_EQ(flip, 0);
  const auto state = OpenState(0);
  ASSERT_TRUE(state);
  EXPECT_EQ(state->Settings().driverValue64, 0) << "a refused 64-bit value leaves the old one";
  EXPECT_EQ(state->Settings().idlePicturePath[0], u'\0');
}

TEST_F(VirtualCameraProperties, FrameRecordsAreCheckedBeforeTheyAreShown) {
  Install(1);
  const auto state = OpenState(0);
  ASSERT_TRUE(state);
  const std::vector<uint8_t> good = Record({FramePixelType::NV12, 64, 48, 0}, 0x5A);
  ASSERT_EQ(properties_->Set(VirtualCameraPropertySet, kPropertyFrame, nullptr, 0, const_cast<uint8_t*>(good.data()),
                             static_cast<DWORD>(good.size())),
            S_OK);
  ASSERT_EQ(state->FrameCounter(), 1u);

  std::vector<uint8_t> longer = good;
  longer.push_back(0);
  // Larger than a slot: 4096 x 2305 RGB32 is one row beyond the device's frame capacity.
  const std::vector<uint8_t> huge = Record({FramePixelType::RGB32, 4096, 2305, 0}, 1);
  struct Case {
    const char* what;
    std::vector<uint8_t> record;
    HRESULT expected;
  };
  const Case cases[] = {
      {"shorter than a header", std::vector<uint8_t>(good.begin(), good.begin() + 12), E_INVALIDARG},
      {"one byte short", std::vector<uint8_t>(good.begin(), good.end() - 1), E_INVALIDARG},
      {"one byte long", longer, E_INVALIDARG},
      {"unknown pixel type", Record({static_cast<FramePixelType>(7), 64, 48, 0}, 1), E_INVALIDARG},
      {"width 0", Record({FramePixelType::YUY2, 0, 48, 0}, 1), E_INVALIDARG},
      {"height 0", Record({FramePixelType::YUY2, 64, 0, 0}, 1), E_INVALIDARG},
      {"stride shorter than a row", Record({FramePixelType::RGB24, 64, 48, 100}, 1), E_INVALIDARG},
      {"size beyond 32 bits", Record({FramePixelType::RGB32, 65536, 65536, 0}, 1), E_INVALIDARG},
      {"larger than the device's slots", huge, HRESULT_FROM_WIN32(ERROR_INSUFFICIENT_BUFFER)},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> record = c.record;
    EXPECT_EQ(properties_->Set(VirtualCameraPropertySet, kPropertyFrame, nullptr, 0, record.data(),
                               static_cast<DWORD>(record.size())),
              c.expected)
        << c.what;
  }
  EXPECT_EQ(state->FrameCounter(), 1u) << "no refused record was published";
  std::vector<uint8_t> latest;
  state::FrameInfo info;
  ASSERT_EQ(state->CopyLatestFrame(latest, info), state::StateError::None);
  EXPECT_EQ(latest, good);
}

TEST_F(VirtualCameraProperties, RenamingChangesOnlyTheNamedDevice) {
  Install(2);
  const std::wstring second = device::DevicePath(cameras_->devices()[1].number);
  const std::wstring first = device::DevicePath(cameras_->devices()[0].number);
  ASSERT_EQ(ListedVideoInputs()[second], L"Orvane #2");

  FriendlyNamePayload payload;
  const std::wstring longest(kMaxFriendlyNameLength, L'n');
  ASSERT_TRUE(MakeFriendlyNamePayload(payload, longest.c_str(), cameras_->devices()[1].number));
  // Renaming goes through any device's filter: here the first device's renames the second.
  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyFriendlyName, payload), S_OK);
  EXPECT_EQ(ListedVideoInputs()[second], longest);
  ASSERT_TRUE(MakeFriendlyNamePayload(payload, L"Studio Camera", cameras_->devices()[1].number));
  ASSERT_EQ(properties_->Set(VirtualCameraPropertySet, kPropertyFriendlyName, &payload, sizeof payload, &payload,
                             sizeof payload),
            S_OK)
      << "the payload passed as instance data too, as the application does";
  EXPECT_EQ(ListedVideoInputs()[second], L"Studio Camera");
  EXPECT_EQ(ListedVideoInputs()[first], L"Orvane #1");

  FriendlyNamePayload bad;
  std::memset(&bad, 0, sizeof bad);
  bad.deviceNumber = cameras_->devices()[1].number;
  EXPECT_EQ(SetProperty(properties_.Get(), kPropertyFriendlyName, bad), E_INVALIDARG) << "empty name";
  for (char16_t& unit : bad.name) unit = u'x';
  EXPECT_EQ(SetProperty(properties_.Get(), kPropertyFriendlyName, bad), E_INVALIDARG) << "no NUL";
  bad.name[kMaxFriendlyNameLength + 1] = 0;
  EXPECT_EQ(SetProperty(properties_.Get(), kPropertyFriendlyName, bad), E_INVALIDARG) << "200 characters";
  ASSERT_TRUE(MakeFriendlyNamePayload(payload, L"Nobody", 9998));
  EXPECT_EQ(SetProperty(properties_.Get(), kPropertyFriendlyName, payload), HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND));
  ASSERT_TRUE(MakeFriendlyNamePayload(payload, L"Nobody", -1));
  EXPECT_EQ(SetProperty(properties_.Get(), kPropertyFriendlyName, payload), E_INVALIDARG);
  EXPECT_EQ(ListedVideoInputs()[second], L"Studio Camera");
}

TEST_F(VirtualCameraProperties, DevicesKeepSettingsApart) {
  Install(2);
  const ComPtr<IKsPropertySet> second = PropertiesOf(BindDevice(cameras_->devices()[1].number).Get());
  ASSERT_TRUE(second);
  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyFillMode, int32_t{2}), S_OK);
  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyOutputFormat, OutputFormat{640, 480, 15, 1, 0}), S_OK);
  ASSERT_EQ(SetProperty(second.Get(), kPropertyMirror, int32_t{1}), S_OK);
  int32_t fill = -1, mirror = -1;
  OutputFormat format{};
  EXPECT_EQ(GetProperty(second.Get(), kPropertyFillMode, fill), S_OK);
  EXPECT_EQ(GetProperty(second.Get(), kPropertyOutputFormat, format), S_OK);
  EXPECT_EQ(GetProperty(properties_.Get(), kPropertyMirror, mirror), S_OK);
  EXPECT_EQ(fill, 0);
  EXPECT_EQ(format, (OutputFormat{1280, 720, 30, 0, 0})) << "the default";
  EXPECT_EQ(mirror, 0);
}

// The capture pin offers what property 1 says, as call apps read it through IAMStreamConfig; a filter
// that is not connected follows a new output format.
TEST_F(VirtualCameraProperties, CapabilitiesFollowTheOutputFormat) {
  Install(1);
  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyOutputFormat, OutputFormat{800, 450, 25, 1, camera::kFormatNV12}),
            S_OK);
  ComPtr<ICaptureGraphBuilder2> builder;
  ASSERT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&builder)), S_OK);
  ComPtr<IAMStreamConfig> config;
  ASSERT_EQ(builder->FindInterface(&PIN_CATEGORY_CAPTURE, &MEDIATYPE_Video, filter_.Get(), IID_IAMStreamConfig,
                                   reinterpret_cast<void**>(config.GetAddressOf())),
            S_OK);
  const auto capabilities = [&] {
    std::vector<std::tuple<GUID, LONG, LONG, REFERENCE_TIME, REFERENCE_TIME, REFERENCE_TIME>> list;
    int count = 0, size = 0;
    EXPECT_EQ(config->GetNumberOfCapabilities(&count, &size), S_OK);
    for (int index = 0; index < count; ++index) {
      VIDEO_STREAM_CONFIG_CAPS caps{};
      AM_MEDIA_TYPE* raw = nullptr;
      EXPECT_EQ(config->GetStreamCaps(index, &raw, reinterpret_cast<BYTE*>(&caps)), S_OK);
      const UniqueMediaTypePtr type(raw);
      const BITMAPINFOHEADER* header = BitmapHeaderOf(*type);
      list.emplace_back(type->subtype, header->biWidth, header->biHeight, FrameIntervalOf(*type), caps.MinFrameInterval,
                        caps.MaxFrameInterval);
    }
    return list;
  };
  // One size only, NV12 preferred, 25 fps and any slower rate down to one frame per second.
  const auto oneSize = capabilities();
  ASSERT_EQ(oneSize.size(), 4u);
  EXPECT_EQ(oneSize[0], std::make_tuple(MEDIASUBTYPE_NV12, 800L, 450L, REFERENCE_TIME{400000}, REFERENCE_TIME{400000},
                                        REFERENCE_TIME{10000000}));
  EXPECT_EQ(std::get<0>(oneSize[1]), MEDIASUBTYPE_YUY2);
  EXPECT_EQ(std::get<0>(oneSize[2]), MEDIASUBTYPE_RGB32);
  EXPECT_EQ(std::make_tuple(std::get<0>(oneSize[3]), std::get<2>(oneSize[3])), std::make_tuple(MEDIASUBTYPE_RGB24, 450L))
      << "RGB bottom-up";
  AM_MEDIA_TYPE* raw = nullptr;
  ASSERT_EQ(config->GetFormat(&raw), S_OK);
  UniqueMediaTypePtr current(raw);
  EXPECT_EQ(current->subtype, MEDIASUBTYPE_NV12) << "the preferred layout is the default";
  // Faster than the producer's rate is not on offer.
  reinterpret_cast<VIDEOINFOHEADER*>(current->pbFormat)->AvgTimePerFrame = 333333;
  EXPECT_EQ(config->SetFormat(current.get()), VFW_E_INVALIDMEDIATYPE);

  ASSERT_EQ(SetProperty(properties_.Get(), kPropertyOutputFormat, OutputFormat{1280, 720, 30, 0, 0}), S_OK);
  const auto common = capabilities();
  ASSERT_EQ(common.size(), 40u) << "ten common sizes in four layouts";
  EXPECT_EQ(common[0], std::make_tuple(MEDIASUBTYPE_YUY2, 1280L, 720L, REFERENCE_TIME{333333}, REFERENCE_TIME{333333},
                                       REFERENCE_TIME{10000000}));
}

// devcon.exe registers the class with the program folder's module; the module serves it and its own
// registration writes the same key.
TEST_F(VirtualCameraProperties, TheModuleServesTheClassDevconInstalls) {
  Install(1);
  // No filter of the module may stay alive for its unload check.
  properties_.Reset();
  filter_.Reset();
  const std::wstring classKey = std::wstring(L"CLSID\\") + kNimbCameraClsidText;
  const auto read = [&](const std::wstring& key, const wchar_t* value) {
    wchar_t buffer[MAX_PATH] = {};
    DWORD size = sizeof buffer - sizeof(wchar_t);
    RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), value, RRF_RT_REG_SZ, nullptr, buffer, &size);
    return std::wstring(buffer);
  };
  const std::wstring module = ProgramFolder() + kNimbCameraModuleName;
  EXPECT_EQ(_wcsicmp(read(classKey + L"\\InprocServer32", nullptr).c_str(), module.c_str()), 0);

  ComPtr<IBaseFilter> created;
  ASSERT_EQ(CoCreateInstance(CLSID_NimbCamera, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&created)), S_OK);
  CLSID clsid{};
  EXPECT_EQ(created->GetClassID(&clsid), S_OK);
  EXPECT_EQ(clsid, CLSID_NimbCamera);
  DWORD support = 0;
  EXPECT_EQ(PropertiesOf(created.Get())->QuerySupported(VirtualCameraPropertySet, kPropertyFrame, &support), S_OK);
  created.Reset();

  const UniqueModule loaded(LoadLibraryW(module.c_str()));
  ASSERT_TRUE(loaded);
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  using Export = HRESULT(STDAPICALLTYPE*)();
  const auto getClassObject =
      reinterpret_cast<GetClassObject>(reinterpret_cast<void*>(GetProcAddress(loaded.get(), "DllGetClassObject")));
  const auto registerServer =
      reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(loaded.get(), "DllRegisterServer")));
  const auto canUnload = reinterpret_cast<Export>(reinterpret_cast<void*>(GetProcAddress(loaded.get(), "DllCanUnloadNow")));
  ASSERT_TRUE(getClassObject && registerServer && canUnload);
  ComPtr<IClassFactory> factory;
  ASSERT_EQ(getClassObject(CLSID_NimbCamera, IID_IClassFactory, reinterpret_cast<void**>(factory.GetAddressOf())), S_OK);
  ComPtr<IBaseFilter> filter;
  EXPECT_EQ(factory->CreateInstance(nullptr, IID_PPV_ARGS(&filter)), S_OK);
  ComPtr<IClassFactory> none;
  EXPECT_EQ(getClassObject(CLSID_FilterGraph, IID_IClassFactory, reinterpret_cast<void**>(none.GetAddressOf())),
            CLASS_E_CLASSNOTAVAILABLE);
  EXPECT_EQ(canUnload(), S_FALSE) << "a filter is alive";
  filter.Reset();
  factory.Reset();
  EXPECT_EQ(canUnload(), S_OK);

  const std::wstring name = read(classKey, nullptr);
  ASSERT_EQ(registerServer(), S_OK);
  EXPECT_EQ(read(classKey, nullptr), name);
  EXPECT_EQ(name, kNimbCameraClassName);
  EXPECT_EQ(_wcsicmp(read(classKey + L"\\InprocServer32", nullptr).c_str(), module.c_str()), 0);
  EXPECT_EQ(read(classKey + L"\\InprocServer32", L"ThreadingModel"), L"Both");
}

}  // namespace
}  // namespace orvane::testing
