#include "tests/windows/app/Screenshots.h"

#include <gtest/gtest.h>
#include <wincodec.h>

#include <cstring>
#include <string>

#include "platform/com/ComPtr.h"
#include "platform/com/WicEncoding.h"

namespace orvane::test {

Capture CaptureScreen(const RECT& area) {
  Capture capture;
  capture.width = area.right - area.left;
  capture.height = area.bottom - area.top;
  capture.pixels.resize(static_cast<size_t>(capture.stride()) * capture.height);
  HDC screen = ::GetDC(nullptr);
  HDC memory = ::CreateCompatibleDC(screen);
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = capture.width;
  info.bmiHeader.biHeight = -capture.height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  void* bits = nullptr;
  HBITMAP bitmap = ::CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  HGDIOBJ previous = ::SelectObject(memory, bitmap);
  ::BitBlt(memory, 0, 0, capture.width, capture.height, screen, area.left, area.top, SRCCOPY);
  ::GdiFlush();
  std::memcpy(capture.pixels.data(), bits, capture.pixels.size());
  ::SelectObject(memory, previous);
  ::DeleteObject(bitmap);
  ::DeleteDC(memory);
  ::ReleaseDC(nullptr, screen);
  return capture;
}

// Keeps what a user sees as a PNG in the build tree's screenshots folder.
void SaveScreenshot(const Capture& capture, const wchar_t* name) {
  const std::wstring folder = ORVANE_SCREENSHOT_FOLDER;
  ::CreateDirectoryW(folder.c_str(), nullptr);
  ComPtr<IWICImagingFactory> factory;
  ComPtr<IWICStream> stream;
  if (FAILED(::CoCreateInstance(CLSID_WICImagingFactory, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(&factory))) ||
      FAILED(factory->CreateStream(&stream)) ||
      FAILED(stream->InitializeFromFilename((folder + L"/" + name).c_str(), GENERIC_WRITE))) {
    ADD_FAILURE() << "cannot write the screenshot";
    return;
  }
  EXPECT_EQ(EncodeBgr24(factory.Get(), stream.Get(), GUID_ContainerFormatPng, capture.pixels.data(),
                        static_cast<uint32_t>(capture.width), static_cast<uint32_t>(capture.height),
                        static_cast<uint32_t>(capture.stride())),
            S_OK);
}

Capture CaptureWindow(HWND window) {
  RECT frame{};
  ::GetWindowRect(window, &frame);
  return CaptureScreen(frame);
}

}  // namespace orvane::test
