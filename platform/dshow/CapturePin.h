// A live capture pin: a SourceStream whose formats are a list of VideoCapability. The application
// reads and chooses them through IAMStreamConfig (a chosen format is then the only one the pin
// offers, as cameras do), and finds the pin as a capture pin through IKsPropertySet
// (AMPROPSETID_Pin / AMPROPERTY_PIN_CATEGORY = PIN_CATEGORY_CAPTURE). A derived pin fills frames
// (FillFrame) in the connection's format (ConnectionType()).
// Threading: IAMStreamConfig and SetCapabilities from the application's thread under FilterLock;
// FillFrame on the streaming thread. Owns its capability list and the chosen format.
#pragma once

#include <windows.h>
#include <strmif.h>

#include <vector>

#include "platform/dshow/SourceStream.h"
#include "platform/dshow/VideoCapability.h"

namespace orvane {

class CapturePin : public SourceStream, public IAMStreamConfig, public IKsPropertySet {
 public:
  using Interfaces = SourceStream::Interfaces::With<IAMStreamConfig, IKsPropertySet>;

  // IAMStreamConfig
  STDMETHODIMP SetFormat(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP GetFormat(AM_MEDIA_TYPE** type) override;
  STDMETHODIMP GetNumberOfCapabilities(int* count, int* size) override;
  STDMETHODIMP GetStreamCaps(int index, AM_MEDIA_TYPE** type, BYTE* caps) override;
  // IKsPropertySet: the pin category, read-only.
  STDMETHODIMP Set(REFGUID set, DWORD id, void* instance, DWORD instanceLength, void* data,
                   DWORD dataLength) override;
  STDMETHODIMP Get(REFGUID set, DWORD id, void* instance, DWORD instanceLength, void* data,
                   DWORD dataLength, DWORD* returned) override;
  STDMETHODIMP QuerySupported(REFGUID set, DWORD id, DWORD* support) override;

  // Replaces the formats; the first is the default. VFW_E_ALREADY_CONNECTED while connected. A chosen
  // format that the new list does not offer is forgotten.
  HRESULT SetCapabilities(std::vector<VideoCapability> capabilities);

 protected:
  CapturePin(BaseFilter& filter, std::wstring name = L"Capture");

  HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) override;
  HRESULT GetMediaType(int index, MediaType& type) override;
  HRESULT DecideBufferSize(IMemAllocator& allocator, const ALLOCATOR_PROPERTIES& requested) override;

 private:
  const VideoCapability* FindCapability(const AM_MEDIA_TYPE& type) const;
  // The capability's type with the requested frame interval (its own when the request has none).
  HRESULT NormalisedFormat(const AM_MEDIA_TYPE& requested, const VideoCapability& capability,
                           MediaType& format) const;
  HRESULT Reconnect(const MediaType& format);

  // Under FilterLock:
  std::vector<VideoCapability> capabilities_;
  MediaType chosen_;  // majortype GUID_NULL: none chosen
};

}  // namespace orvane
