// INimbRenderer against a real virtual camera device: the driver settings as the device stores them,
// the renderer's own settings with their range checks, direct pushes of every kind with the frame
// records the device receives, byte arrays of any number of dimensions, strings that must fit the
// payloads, driver parameters, the snapshot hand-off, and the results without any virtual camera.
#include <gtest/gtest.h>

#include <windows.h>
#include <oleauto.h>

#include <climits>
#include <cstring>
#include <iterator>
#include <string>
#include <vector>

#include "platform/com/Variant.h"
#include "renderer/filter/NimbRenderer.h"
#include "shared/device/DeviceNaming.h"
#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tests/windows/renderer/support/RendererTestSupport.h"
#include "tests/windows/snapshot/SnapshotTestSupport.h"
#include "tests/windows/testcam/CameraTestSupport.h"

namespace orvane::testing {
namespace {

std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

// A byte array of `bytes` elements in a VARIANT, holding `fill`.
void MakeByteArray(Variant& variant, ULONG bytes, BYTE fill) {
  SAFEARRAY* array = ::SafeArrayCreateVector(VT_UI1, 0, bytes);
  ASSERT_NE(array, nullptr);
  void* data = nullptr;
  ASSERT_EQ(::SafeArrayAccessData(array, &data), S_OK);
  std::memset(data, fill, bytes);
  ::SafeArrayUnaccessData(array);
  VARIANT& value = *variant.put();
  value.vt = VT_ARRAY | VT_UI1;
  value.parray = array;
}

class NimbRendererControl : public RendererTest {
 protected:
  void SetUp() override {
    RendererTest::SetUp();
    ASSERT_EQ(devices_.result(), S_OK);
    ASSERT_EQ(module_.CreateRenderer(renderer_), S_OK);
    control_ = ControlOf(renderer_.Get());
    ASSERT_TRUE(control_);
    device_ = std::make_unique<DeviceWatch>(0);
  }
  void TearDown() override {
    control_.Reset();
    renderer_.Reset();
    RendererTest::TearDown();
  }

  // The header of the frame a call delivered, or a failure when it delivered none.
  FrameHeader Delivered(HRESULT result, uint64_t before, std::vector<uint8_t>* pixels = nullptr) {
    EXPECT_EQ(result, S_OK);
    EXPECT_EQ(device_->frames(), before + 1) << "no frame reached the device";
    FrameHeader header{};
    std::vector<uint8_t> received;
    EXPECT_TRUE(device_->Latest(header, received));
    if (pixels != nullptr) *pixels = std::move(received);
    return header;
  }

  InstalledCameras devices_{1};
  ComPtr<IBaseFilter> renderer_;
  ComPtr<INimbRenderer> control_;
  std::unique_ptr<DeviceWatch> device_;
};

// Output format, fill mode, mirror, flip and the 64-bit value as the device stores them, read back
// through the interface; a value the device refuses comes back with the device's own error.
TEST_F(NimbRendererControl, DriverSettingsReachTheDeviceAndReadBack) {
  EXPECT_EQ(control_->SetOutputFormat(1920, 1080, 30, 2, 1), S_OK);
  EXPECT_EQ(device_->settings().outputFormat, (OutputFormat{1920, 1080, 30, 1, 2})) << "format before one-size flag";
  int width = -1, height = -1, fps = -1, format = -1, oneSize = -1;
  EXPECT_EQ(control_->GetOutputFormat(&width, &height, &fps, &format, &oneSize), S_OK);
  EXPECT_EQ((std::vector<int>{width, height, fps, format, oneSize}), (std::vector<int>{1920, 1080, 30, 2, 1}));
  EXPECT_EQ(control_->GetOutputFormat(nullptr, nullptr, nullptr, nullptr, nullptr), S_OK);
  EXPECT_EQ(control_->SetOutputFormat(1920, 1080, 30, 99, 0), E_INVALIDARG) << "the device's refusal, unchanged";
  EXPECT_EQ(device_->settings().outputFormat.format, 2);

  EXPECT_EQ(control_->SetFillMode(2), S_OK);
  EXPECT_EQ(device_->settings().fillMode, 2);
  EXPECT_EQ(control_->SetFillMode(3), E_FAIL);
  EXPECT_EQ(control_->SetFillMode(UINT_MAX), E_FAIL);
  EXPECT_EQ(device_->settings().fillMode, 2) << "a refused fill mode never reaches the device";
  int mode = -1;
  EXPECT_EQ(control_->GetFillMode(&mode), S_OK);
  EXPECT_EQ(mode, 2);

  EXPECT_EQ(control_->SetMirror(TRUE), S_OK);
  EXPECT_EQ(control_->SetFlip(TRUE), S_OK);
  EXPECT_EQ(device_->settings().mirror, 1);
  EXPECT_EQ(device_->settings().flip, 1);
  int mirror = -1, flip = -1;
  EXPECT_EQ(control_->GetMirror(&mirror), S_OK);
  EXPECT_EQ(control_->GetFlip(&flip), S_OK);
  EXPECT_EQ(mirror, 1);
  EXPECT_EQ(flip, 1);
  EXPECT_EQ(control_->SetMirror(2), E_INVALIDARG) << "the boolean is passed unchanged";
  EXPECT_EQ(control_->SetFlip(FALSE), S_OK);
  EXPECT_EQ(device_->settings().flip, 0);

  EXPECT_EQ(control_->SetDriverValue64(0x123456789ABCLL), S_OK);
  EXPECT_EQ(device_->settings().driverValue64, 0x123456789ABCLL);
}

TEST_F(NimbRendererControl, ZoomAndRotationAreCheckedAndKept) {
  struct Case {
    int zoom, panX, panY;
    HRESULT expected;
  };
  const Case cases[] = {
      {40, -40, 40, S_OK},         {0, 0, 0, S_OK},          {10, 10, -10, S_OK},
      {41, 0, 0, E_INVALIDARG},    {10, 11, 0, E_INVALIDARG}, {10, 0, -11, E_INVALIDARG},
      {-1, 0, 0, E_INVALIDARG},    {INT_MIN, 0, 0, E_INVALIDARG}, {0, INT_MIN, 0, E_INVALIDARG},
      {5, INT_MAX, INT_MIN, E_INVALIDARG},
  };
  int kept[3] = {0, 0, 0};
  for (const Case& c : cases) {
    EXPECT_EQ(control_->SetZoom(c.zoom, c.panX, c.panY), c.expected) << c.zoom << " " << c.panX << " " << c.panY;
    if (c.expected == S_OK) {
      kept[0] = c.zoom;
      kept[1] = c.panX;
      kept[2] = c.panY;
    }
    int zoom = -1, panX = -1, panY = -1;
    EXPECT_EQ(control_->GetZoom(&zoom, &panX, &panY), S_OK);
    EXPECT_EQ((std::vector<int>{zoom, panX, panY}), (std::vector<int>{kept[0], kept[1], kept[2]}))
        << "after " << c.zoom << " " << c.panX << " " << c.panY;
  }
  EXPECT_EQ(control_->GetZoom(nullptr, nullptr, nullptr), S_OK);

  BOOL rotate = -1;
  EXPECT_EQ(control_->SetRotate(7), S_OK);
  EXPECT_EQ(control_->GetRotate(&rotate), S_OK);
  EXPECT_EQ(rotate, TRUE) << "any nonzero is 1";
  EXPECT_EQ(control_->SetRotate(FALSE), S_OK);
  EXPECT_EQ(control_->GetRotate(&rotate), S_OK);
  EXPECT_EQ(rotate, FALSE);
}

// The typed pushes, the byte-array push and the screen push, with the records the device receives.
TEST_F(NimbRendererControl, DirectPushesDeliverTheirFrameRecords) {
  std::vector<BYTE> pixels(640 * 480 * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<BYTE>(i * 13);
  uint64_t before = device_->frames();
  std::vector<uint8_t> received;
  EXPECT_EQ(Delivered(control_->PushFrameRGB24(pixels.data(), 640, 480, 0), before, &received),
            (FrameHeader{FramePixelType::RGB24, 640, 480, 1920}));
  EXPECT_EQ(received.size(), 921600u);
  EXPECT_TRUE(std::equal(received.begin(), received.end(), pixels.begin()));
  before = device_->frames();
  EXPECT_EQ(Delivered(control_->PushFrameYUY2(pixels.data(), 320, 240, 0), before),
            (FrameHeader{FramePixelType::YUY2, 320, 240, 640}));
  before = device_->frames();
  EXPECT_EQ(Delivered(control_->PushFrameRGB32(pixels.data(), 100, -50, 512), before),
            (FrameHeader{FramePixelType::RGB32, 100, -50, 512})) << "a top-down picture with its own stride";
  before = device_->frames();
  EXPECT_EQ(Delivered(control_->PushFrameNV12(pixels.data(), 64, 48, -1), before),
            (FrameHeader{FramePixelType::NV12, 64, 48, 64}));

  // Pictures that cannot be delivered are refused and reach nothing.
  before = device_->frames();
  EXPECT_EQ(control_->PushFrameRGB24(nullptr, 64, 48, 0), E_POINTER);
  EXPECT_EQ(control_->PushFrameRGB32(pixels.data(), 0, 48, 0), E_INVALIDARG);
  EXPECT_EQ(control_->PushFrameYUY2(pixels.data(), 64, 0, 0), E_INVALIDARG);
  EXPECT_EQ(control_->PushFrameRGB24(pixels.data(), 64, 48, 100), E_INVALIDARG) << "stride shorter than a row";
  EXPECT_EQ(control_->PushFrameRGB32(pixels.data(), INT_MAX, 2, 0), E_INVALIDARG);
  EXPECT_EQ(device_->frames(), before);

  // Byte arrays: 320 x 240 needs 230400 bytes at stride 960.
  Variant array;
  MakeByteArray(array, 230400, 0x40);
  before = device_->frames();
  EXPECT_EQ(Delivered(control_->PushFrameArray(array.get(), 320, 240), before),
            (FrameHeader{FramePixelType::RGB24, 320, 240, 960}));
  MakeByteArray(array, 230399, 0x40);
  before = device_->frames();
  EXPECT_EQ(control_->PushFrameArray(array.get(), 320, 240), S_OK);
  EXPECT_EQ(device_->frames(), before) << "a short array pushes nothing";
  Variant words;
  words.put()->vt = VT_ARRAY | VT_I2;
  words.get().parray = ::SafeArrayCreateVector(VT_I2, 0, 230400);
  EXPECT_EQ(control_->PushFrameArray(words.get(), 320, 240), E_INVALIDARG);
  Variant scalar;
  scalar.put()->vt = VT_UI1;
  EXPECT_EQ(control_->PushFrameArray(scalar.get(), 320, 240), E_INVALIDARG);
  MakeByteArray(array, 230400, 0x40);
  EXPECT_EQ(control_->PushFrameArray(array.get(), 0, 240), E_INVALIDARG);
  EXPECT_EQ(::SafeArrayLock(array.get().parray), S_OK) << "the array was unlocked again";
  ::SafeArrayUnlock(array.get().parray);

  // The screen: a 24-bit bottom-up copy; rectangles without area or with a negative origin are refused.
  before = device_->frames();
  EXPECT_EQ(Delivered(control_->PushScreenArea(10, 20, 101, 60), before),
            (FrameHeader{FramePixelType::RGB24, 101, 60, 304}));
  for (const RECT& r : {RECT{-1, 0, 10, 10}, RECT{0, -1, 10, 10}, RECT{0, 0, 0, 10}, RECT{0, 0, 10, -3}}) {
    EXPECT_EQ(control_->PushScreenArea(r.left, r.top, r.right, r.bottom), E_INVALIDARG);
  }
  EXPECT_EQ(device_->frames(), before + 1);
}

// A byte array counts every dimension: a 320 x 240 picture (230400 bytes at stride 960) pushes from an
// array of 240 rows of 960 bytes as from a flat one, and from three dimensions too; an array a byte
// short pushes nothing. Arrays whose elements are not single bytes, or whose dimensions multiply past
// what can be counted, are refused.
TEST_F(NimbRendererControl, ByteArraysCountEveryDimension) {
  struct Case {
    const char* what;
    std::vector<ULONG> dimensions;
    bool delivered;
  };
  const Case cases[] = {
      {"rows of a bitmap", {240, 960}, true},
      {"three dimensions", {2, 120, 960}, true},
      {"one byte short", {240, 959}, false},
      {"a second dimension of one element", {230400, 1}, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<SAFEARRAYBOUND> bounds;
    for (ULONG count : c.dimensions) bounds.push_back({count, 0});
    Variant array;
    VARIANT& value = *array.put();
    value.parray = ::SafeArrayCreate(VT_UI1, static_cast<UINT>(bounds.size()), bounds.data());
    ASSERT_NE(value.parray, nullptr);
    value.vt = VT_ARRAY | VT_UI1;
    void* data = nullptr;
    ASSERT_EQ(::SafeArrayAccessData(value.parray, &data), S_OK);
    size_t bytes = 1;
    for (ULONG count : c.dimensions) bytes *= count;
    std::memset(data, 0x5A, bytes);
    ::SafeArrayUnaccessData(value.parray);
    const uint64_t before = device_->frames();
    if (c.delivered) {
      std::vector<uint8_t> received;
      EXPECT_EQ(Delivered(control_->PushFrameArray(array.get(), 320, 240), before, &received),
                (FrameHeader{FramePixelType::RGB24, 320, 240, 960}));
      EXPECT_EQ(received, std::vector<uint8_t>(230400, 0x5A));
    } else {
      EXPECT_EQ(control_->PushFrameArray(array.get(), 320, 240), S_OK);
      EXPECT_EQ(device_->frames(), before) << "a short array pushes nothing";
    }
  }

  // A VT_UI1 VARIANT whose array holds 2-byte elements.
  Variant words;
  VARIANT& wordValue = *words.put();
  wordValue.parray = ::SafeArrayCreateVector(VT_I2, 0, 230400);
  ASSERT_NE(wordValue.parray, nullptr);
  wordValue.vt = VT_ARRAY | VT_UI1;
  const uint64_t before = device_->frames();
  EXPECT_EQ(control_->PushFrameArray(words.get(), 320, 240), E_INVALIDARG);

  // Four dimensions of 65536 bytes each claim 2^64 bytes: the count would wrap. Only the descriptor
  // exists; its data is a small block that nothing may read past.
  SAFEARRAY* huge = nullptr;
  ASSERT_EQ(::SafeArrayAllocDescriptor(4, &huge), S_OK);
  std::vector<uint8_t> block(16);
  huge->cbElements = 1;
  huge->fFeatures = FADF_STATIC;
  huge->pvData = block.data();
  for (USHORT d = 0; d < 4; ++d) huge->rgsabound[d] = {65536, 0};
  VARIANT hugeValue{};
  hugeValue.vt = VT_ARRAY | VT_UI1;
  hugeValue.parray = huge;
  EXPECT_EQ(control_->PushFrameArray(hugeValue, 320, 240), E_INVALIDARG);
  EXPECT_EQ(huge->cLocks, 0u) << "the array was unlocked again";
  ::SafeArrayDestroyDescriptor(huge);
  EXPECT_EQ(device_->frames(), before);
}

// Names and paths longer than their payloads are refused, not cut; the driver parameters travel with
// their key.
TEST_F(NimbRendererControl, StringsMustFitAndParametersTravelWithTheirKey) {
  EXPECT_EQ(control_->SetFriendlyName(nullptr), E_FAIL);
  EXPECT_EQ(control_->SetFriendlyName(L""), E_FAIL);
  EXPECT_EQ(control_->SetFriendlyName(std::wstring(200, L'n').c_str()), E_INVALIDARG);
  const std::wstring longest(199, L'n');
  EXPECT_EQ(control_->SetFriendlyName(longest.c_str()), S_OK);
  EXPECT_EQ(ListedVideoInputs()[device::DevicePath(0)], longest);

  const std::wstring path = L"C:\\pictures\\idle.bmp";
  EXPECT_EQ(control_->SetIdlePicture(path.c_str()), S_OK);
  EXPECT_EQ(Narrow(device_->settings().idlePicturePath), "C:\\pictures\\idle.bmp");
  EXPECT_EQ(control_->SetIdlePicture((L"C:\\" + std::wstring(253, L'p')).c_str()), E_INVALIDARG);
  EXPECT_EQ(Narrow(device_->settings().idlePicturePath), "C:\\pictures\\idle.bmp") << "a refused path changes nothing";
  EXPECT_EQ(control_->SetIdlePicture(nullptr), S_OK);
  EXPECT_EQ(device_->settings().idlePicturePath[0], 0) << "no path: none";

  EXPECT_EQ(control_->SetDriverParameter(5, 42), S_OK);
  EXPECT_EQ(control_->SetDriverParameter(6, -7), S_OK);
  int value = 0;
  EXPECT_EQ(control_->GetDriverParameter(5, &value), S_OK);
  EXPECT_EQ(value, 42);
  EXPECT_EQ(control_->GetDriverParameter(6, &value), S_OK);
  EXPECT_EQ(value, -7);
  EXPECT_EQ(control_->GetDriverParameter(5, nullptr), E_INVALIDARG);
}

// One file per request, at the path of the last request before the frame; none for an empty path.
TEST_F(NimbRendererControl, SnapshotRequestsAreHandedToTheNextFrame) {
  const TemporaryFolder folder;
  const FrameHeader bottomUp{FramePixelType::RGB24, 320, 240, 0};
  const std::vector<uint8_t> picture = MakeQuadrantPicture(bottomUp, true);
  EXPECT_EQ(control_->TakeSnapshot(nullptr), E_FAIL);
  EXPECT_EQ(control_->TakeSnapshot(folder.File(L"first.jpg").c_str()), S_OK);
  EXPECT_EQ(control_->TakeSnapshot(folder.File(L"second.jpg").c_str()), S_OK);
  EXPECT_EQ(FilesIn(folder.path()), std::vector<std::wstring>{}) << "nothing before a frame";
  ASSERT_EQ(control_->PushFrameRGB24(picture.data(), 320, 240, 0), S_OK);
  EXPECT_EQ(FilesIn(folder.path()), std::vector<std::wstring>{L"second.jpg"});
  ExpectQuadrantJpeg(folder.File(L"second.jpg"), 320, 240, "bottom-up RGB24");
  ASSERT_EQ(control_->PushFrameRGB24(picture.data(), 320, 240, 0), S_OK);
  EXPECT_EQ(FilesIn(folder.path()).size(), 1u) << "one file per request";

  EXPECT_EQ(control_->TakeSnapshot(folder.File(L"cancelled.jpg").c_str()), S_OK);
  EXPECT_EQ(control_->TakeSnapshot(L""), S_OK);
  ASSERT_EQ(control_->PushFrameRGB24(picture.data(), 320, 240, 0), S_OK);
  EXPECT_EQ(FilesIn(folder.path()).size(), 1u) << "an empty path leaves nothing to do";

  // The snapshot shows the frame as delivered: a rotated NV12 640 x 480 frame is 480 x 640.
  const std::vector<uint8_t> nv12 = MakeQuadrantPicture({FramePixelType::NV12, 640, 480, 0}, false);
  ASSERT_EQ(control_->SetRotate(TRUE), S_OK);
  EXPECT_EQ(control_->TakeSnapshot(folder.File(L"rotated.jpg").c_str()), S_OK);
  ASSERT_EQ(control_->PushFrameNV12(nv12.data(), 640, 480, 0), S_OK);
  HANDLE file = ::CreateFileW(folder.File(L"rotated.jpg").c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(file, INVALID_HANDLE_VALUE);
  std::vector<BYTE> jpeg(::GetFileSize(file, nullptr));
  DWORD read = 0;
  ::ReadFile(file, jpeg.data(), static_cast<DWORD>(jpeg.size()), &read, nullptr);
  ::CloseHandle(file);
  std::vector<BYTE> bgr;
  int width = 0, height = 0, stride = 0;
  ASSERT_EQ(DecodeJpeg(jpeg, bgr, width, height, stride), S_OK);
  EXPECT_EQ(width, 480);
  EXPECT_EQ(height, 640);
}

// The same filter class built into this process, with no virtual camera installed: the control
// interface is refused, and its methods (reached directly) answer as they do without a camera.
TEST(NimbRendererWithoutCamera, DriverBackedMethodsFailAndRendererSettingsWork) {
  const ComInitialization com;
  ASSERT_EQ(InstalledCameras::RemoveAll(), S_OK);
  ComPtr<ComObject<NimbRenderer>> renderer;
  ASSERT_EQ(ComObject<NimbRenderer>::Create(renderer), S_OK);
  ComPtr<INimbRenderer> refused;
  EXPECT_EQ(renderer->QueryInterface(IID_PPV_ARGS(&refused)), E_FAIL);
  INimbRenderer* control = renderer.Get();

  int width = 7, height = 7, fps = 7, format = 7, oneSize = 7, value = 7;
  EXPECT_EQ(control->GetOutputFormat(&width, &height, &fps, &format, &oneSize), E_FAIL);
  EXPECT_EQ((std::vector<int>{width, height, fps, format, oneSize}), (std::vector<int>(5, 0)));
  EXPECT_EQ(control->GetFillMode(&value), E_FAIL);
  EXPECT_EQ(value, 0);
  const BYTE pixels[64 * 3] = {};
  const HRESULT driverBacked[] = {
      control->SetOutputFormat(640, 480, 30, 0, 0), control->SetFillMode(1), control->SetMirror(TRUE),
      control->SetFlip(TRUE), control->GetMirror(&value), control->GetFlip(&value),
      control->PushFrameRGB24(pixels, 8, 8, 0), control->SetDriverValue64(1), control->SetIdlePicture(L"x.bmp"),
      control->SetFriendlyName(L"name"), control->SetDriverParameter(1, 2), control->GetDriverParameter(1, &value),
  };
  for (size_t i = 0; i < std::size(driverBacked); ++i) EXPECT_EQ(driverBacked[i], E_FAIL) << "call " << i;
  int count = 5;
  EXPECT_EQ(control->GetClientCount(&count), S_FALSE);
  EXPECT_EQ(count, 5) << "left alone";
  EXPECT_EQ(control->IsCameraIdle(), TRUE);
  EXPECT_EQ(control->PushScreenArea(0, 0, 16, 16), S_OK) << "the copy was made; the push's failure is not passed on";
  EXPECT_EQ(control->SetZoom(20, 5, -5), S_OK);
  EXPECT_EQ(control->SetRotate(TRUE), S_OK);
  EXPECT_EQ(control->TakeSnapshot(L"unused.jpg"), S_OK);
  EXPECT_EQ(control->SetDeviceIndex(0), S_OK) << "a search that finds nothing is not an error";
  EXPECT_EQ(control->SetDeviceName(L"Orvane"), S_OK);
}

}  // namespace
}  // namespace orvane::testing
