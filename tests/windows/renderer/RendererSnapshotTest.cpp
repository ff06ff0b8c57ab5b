// Snapshots while a graph streams into NimbRenderer: the streaming thread only hands the picture over,
// so frames keep reaching the device while the snapshot is still being encoded and written, and the
// file arrives complete. The imaging factory the renderer creates is the system's, held at its encoder
// by the test, so that "still being written" lasts exactly as long as the test wants.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>
#include <wincodec.h>

#include <future>
#include <string>
#include <vector>

#include "platform/com/ComObject.h"
#include "platform/win/Event.h"
#include "tests/windows/camera/VirtualCameraSupport.h"
#include "tests/windows/dshow/support/GraphTestSupport.h"
#include "tests/windows/renderer/support/FramePushSource.h"
#include "tests/windows/renderer/support/RendererTestSupport.h"
#include "tests/windows/snapshot/SnapshotTestSupport.h"

namespace orvane::testing {
namespace {

// The system's imaging factory as far as the snapshot writer uses it (CreateEncoder), except that an
// encoding first signals that it started and then waits until the test lets it go on.
class HeldEncoderFactory : public ComObjectRoot, public IWICImagingFactory {
 public:
  using Interfaces = InterfaceList<IWICImagingFactory>;

  explicit HeldEncoderFactory(ComPtr<IWICImagingFactory> system) : system_(std::move(system)) {}

  bool WaitUntilEncoding() const { return started_.Wait(kWaitMilliseconds); }
  void LetGo() const { released_.Set(); }

  STDMETHODIMP CreateEncoder(REFGUID container, const GUID* vendor, IWICBitmapEncoder** encoder) override {
    started_.Set();
    // Bounded, so that a test that fails before letting go still ends.
    released_.Wait(kWaitMilliseconds);
    return system_->CreateEncoder(container, vendor, encoder);
  }

  STDMETHODIMP CreateDecoderFromFilename(LPCWSTR, const GUID*, DWORD, WICDecodeOptions,
                                         IWICBitmapDecoder**) override { return E_NOTIMPL; }
  STDMETHODIMP CreateDecoderFromStream(IStream*, const GUID*, WICDecodeOptions, IWICBitmapDecoder**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP CreateDecoderFromFileHandle(ULONG_PTR, const GUID*, WICDecodeOptions, IWICBitmapDecoder**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP CreateComponentInfo(REFCLSID, IWICComponentInfo**) override { return E_NOTIMPL; }
  STDMETHODIMP CreateDecoder(REFGUID, const GUID*, IWICBitmapDecoder**) override { return E_NOTIMPL; }
  STDMETHODIMP CreatePalette(IWICPalette**) override { return E_NOTIMPL; }
  STDMETHODIMP CreateFormatConverter(IWICFormatConverter**) override { return E_NOTIMPL; }
  STDMETHODIMP CreateBitmapScaler(IWICBitmapScaler**) override { return E_NOTIMPL; }
  STDMETHODIMP CreateBitmapClipper(IWICBitmapClipper**) override { return E_NOTIMPL; }
  STDMETHODIMP CreateBitmapFlipRotator(IWICBitmapFlipRotator**) override { return E_NOTIMPL; }
  STDMETHODIMP CreateStream(IWICStream**) override { return E_NOTIMPL; }
  STDMETHODIMP CreateColorContext(IWICColorContext**) override { return E_NOTIMPL; }
  STDMETHODIMP CreateColorTransformer(IWICColorTransform**) override { return E_NOTIMPL; }
  STDMETHODIMP CreateBitmap(UINT, UINT, REFWICPixelFormatGUID, WICBitmapCreateCacheOption, IWICBitmap**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP CreateBitmapFromSource(IWICBitmapSource*, WICBitmapCreateCacheOption, IWICBitmap**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP CreateBitmapFromSourceRect(IWICBitmapSource*, UINT, UINT, UINT, UINT, IWICBitmap**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP CreateBitmapFromMemory(UINT, UINT, REFWICPixelFormatGUID, UINT, UINT, BYTE*, IWICBitmap**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP CreateBitmapFromHBITMAP(HBITMAP, HPALETTE, WICBitmapAlphaChannelOption, IWICBitmap**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP CreateBitmapFromHICON(HICON, IWICBitmap**) override { return E_NOTIMPL; }
  STDMETHODIMP CreateComponentEnumerator(DWORD, DWORD, IEnumUnknown**) override { return E_NOTIMPL; }
  STDMETHODIMP CreateFastMetadataEncoderFromDecoder(IWICBitmapDecoder*, IWICFastMetadataEncoder**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP CreateFastMetadataEncoderFromFrameDecode(IWICBitmapFrameDecode*, IWICFastMetadataEncoder**) override {
    return E_NOTIMPL;
  }
  STDMETHODIMP CreateQueryWriter(REFGUID, const GUID*, IWICMetadataQueryWriter**) override { return E_NOTIMPL; }
  STDMETHODIMP CreateQueryWriterFromReader(IWICMetadataQueryReader*, const GUID*,
                                           IWICMetadataQueryWriter**) override { return E_NOTIMPL; }

 private:
  const ComPtr<IWICImagingFactory> system_;
  const Event started_{EventReset::Manual};
  const Event released_{EventReset::Manual};
};

// Hands out the one held factory to CoCreateInstance of CLSID_WICImagingFactory in this apartment
// while registered.
class HeldFactoryClass : public ComObjectRoot, public IClassFactory {
 public:
  using Interfaces = InterfaceList<IClassFactory>;

  explicit HeldFactoryClass(ComPtr<ComObject<HeldEncoderFactory>> factory) : factory_(std::move(factory)) {}

  STDMETHODIMP CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    return factory_->QueryInterface(iid, out);
  }
  STDMETHODIMP LockServer(BOOL) override { return S_OK; }

 private:
  const ComPtr<ComObject<HeldEncoderFactory>> factory_;
};

class NimbRendererSnapshot : public RendererTest {
 protected:
  void SetUp() override {
    RendererTest::SetUp();
    ASSERT_EQ(devices_.result(), S_OK);
    ComPtr<IWICImagingFactory> system;
    ASSERT_EQ(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&system)), S_OK);
    ASSERT_EQ(ComObject<HeldEncoderFactory>::Create(held_, std::move(system)), S_OK);
    ComPtr<ComObject<HeldFactoryClass>> factoryClass;
    ASSERT_EQ(ComObject<HeldFactoryClass>::Create(factoryClass, held_), S_OK);
    DWORD registration = 0;
    ASSERT_EQ(::CoRegisterClassObject(CLSID_WICImagingFactory, factoryClass.Get(), CLSCTX_INPROC_SERVER,
                                      REGCLS_MULTIPLEUSE, &registration),
              S_OK);
    // The renderer creates its imaging factory now, and gets the held one; everyone after it (the
    // test's own JPEG reader) gets the system's again.
    const HRESULT created = module_.CreateRenderer(renderer_);
    ::CoRevokeClassObject(registration);
    ASSERT_EQ(created, S_OK);
    control_ = ControlOf(renderer_.Get());
    ASSERT_TRUE(control_);
    ASSERT_EQ(ComObject<FramePushSource>::Create(source_, MakeVideoType(MEDIASUBTYPE_RGB24, 320, 240), kFrameBytes),
              S_OK);
    graph_ = CreateGraph();
    ASSERT_EQ(AddAndConnect(graph_.Get(), source_->AsBaseFilter(), L"Source", renderer_.Get(), L"Renderer"), S_OK);
    ASSERT_EQ(graph_.As(&graphControl_), S_OK);
  }

  // Lets a held encoding go on, stops the stream and releases the renderer, which finishes the
  // snapshots handed to it before it goes.
  void Release() {
    if (held_) held_->LetGo();
    if (graphControl_) graphControl_->Stop();
    if (pending_.valid()) Join(pending_);
    graphControl_.Reset();
    graph_.Reset();
    source_.Reset();
    control_.Reset();
    renderer_.Reset();
  }

  void TearDown() override {
    Release();
    held_.Reset();
    RendererTest::TearDown();
  }

  static constexpr long kFrameBytes = 320 * 240 * 3;

  InstalledCameras devices_{1};
  ComPtr<ComObject<HeldEncoderFactory>> held_;
  ComPtr<IBaseFilter> renderer_;
  ComPtr<INimbRenderer> control_;
  ComPtr<ComObject<FramePushSource>> source_;
  ComPtr<IGraphBuilder> graph_;
  ComPtr<IMediaControl> graphControl_;
  std::future<HRESULT> pending_;
};

// The frame the snapshot is taken from and three more reach the device while the snapshot's encoding
// is held; once let go, the file holds that frame upright.
TEST_F(NimbRendererSnapshot, FramesFlowWhileTheSnapshotIsWrittenAndTheFileArrives) {
  const TemporaryFolder folder;
  const std::wstring path = folder.File(L"while-streaming.jpg");
  const std::vector<uint8_t> picture = MakeQuadrantPicture({FramePixelType::RGB24, 320, 240, 0}, true);
  ASSERT_HRESULT_SUCCEEDED(graphControl_->Run());
  DeviceWatch device(0);
  const uint64_t before = device.frames();
  ASSERT_EQ(control_->TakeSnapshot(path.c_str()), S_OK);

  ComPtr<ComObject<FramePushSource>> source = source_;
  pending_ = RunOnThread([source, picture] {
    for (int frame = 0; frame < 4; ++frame) {
      const HRESULT hr = source->Push(picture.data(), kFrameBytes);
      if (hr != S_OK) return hr;
    }
    return S_OK;
  });
  ASSERT_TRUE(held_->WaitUntilEncoding()) << "the snapshot's encoding did not begin";
  EXPECT_EQ(Join(pending_), S_OK) << "the stream waited for the snapshot";
  EXPECT_EQ(device.frames(), before + 4) << "frames delivered while the snapshot was held";
  EXPECT_EQ(FilesIn(folder.path()), std::vector<std::wstring>{}) << "a file before its encoding ended";

  Release();
  EXPECT_EQ(FilesIn(folder.path()), std::vector<std::wstring>{L"while-streaming.jpg"});
  ExpectQuadrantJpeg(path, 320, 240, "snapshot taken while streaming");
}

}  // namespace
}  // namespace orvane::testing
