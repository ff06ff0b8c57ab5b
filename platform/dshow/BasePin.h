// The base of our pins: IPin with the connection protocol (media-type agreement in Connect,
// ReceiveConnection, Disconnect), pin information and media-type enumeration. A pin belongs to its
// filter: it is an owned ComObject (OwnedBy the filter) whose references count on the filter, and it
// shares the filter's lock.
// Threading: connection and information methods from the graph's thread, under FilterLock. Derived
// streaming code reads the connection (peer, media type) without the lock while the filter is active,
// when connections cannot change; only an input pin's type changes then, on its streaming thread under
// FilterLock, when a sample announces a new one (ReplaceConnectionType).
#pragma once

#include <windows.h>
#include <strmif.h>

#include <atomic>
#include <string>
#include <utility>

#include "platform/com/ComObject.h"
#include "platform/dshow/BaseFilter.h"
#include "platform/dshow/MediaType.h"

namespace orvane {

class BasePin : public ComObjectRoot, public IPin {
 public:
  using Interfaces = InterfaceList<IPin>;

  STDMETHODIMP Connect(IPin* receivePin, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP ReceiveConnection(IPin* connector, const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP Disconnect() override;
  STDMETHODIMP ConnectedTo(IPin** pin) override;
  STDMETHODIMP ConnectionMediaType(AM_MEDIA_TYPE* type) override;
  STDMETHODIMP QueryPinInfo(PIN_INFO* info) override;
  STDMETHODIMP QueryDirection(PIN_DIRECTION* direction) override;
  STDMETHODIMP QueryId(LPWSTR* id) override;
  STDMETHODIMP QueryAccept(const AM_MEDIA_TYPE* type) override;
  STDMETHODIMP EnumMediaTypes(IEnumMediaTypes** types) override;
  STDMETHODIMP QueryInternalConnections(IPin** pins, ULONG* count) override;
  // Streaming calls of input pins; an output pin answers E_UNEXPECTED.
  STDMETHODIMP EndOfStream() override;
  STDMETHODIMP BeginFlush() override;
  STDMETHODIMP EndFlush() override;
  STDMETHODIMP NewSegment(REFERENCE_TIME start, REFERENCE_TIME stop, double rate) override;

  // Any thread, without locking.
  bool IsConnected() const noexcept { return isConnected_.load(); }
  // Under FilterLock; streaming code keeps its own reference instead.
  ComPtr<IPin> ConnectedPin() const;
  // A copy of the connection's media type; VFW_E_NOT_CONNECTED without a connection.
  HRESULT GetConnectionType(MediaType& type) const;
  const std::wstring& Name() const noexcept { return name_; }
  PIN_DIRECTION Direction() const noexcept { return direction_; }
  BaseFilter& Filter() const noexcept { return filter_; }
  IPin* AsPin() noexcept { return this; }

  // Called by the filter for a connected pin when it leaves Stopped (Active) and when it stops
  // (Inactive), under FilterLock.
  virtual HRESULT Active() { return S_OK; }
  virtual HRESULT Inactive() { return S_OK; }

 protected:
  BasePin(BaseFilter& filter, std::wstring name, PIN_DIRECTION direction);

  // Hooks, under FilterLock. CheckMediaType answers S_OK for a type the pin accepts.
  virtual HRESULT CheckMediaType(const AM_MEDIA_TYPE& type) = 0;
  // The pin's preferred types in order: S_OK with `type` filled, VFW_S_NO_MORE_ITEMS past the end.
  virtual HRESULT GetMediaType(int index, MediaType& type);
  // The agreed type, before CompleteConnect; a failure refuses the connection.
  virtual HRESULT SetMediaType(const AM_MEDIA_TYPE& type);
  // The connection is made (peer and type set); a failure undoes it.
  virtual HRESULT CompleteConnect(IPin* peer);
  // The connection is going away (Disconnect, or a failed attempt).
  virtual void BreakConnect() {}

  // The connection's type, read by streaming code while the filter is active.
  const MediaType& ConnectionType() const noexcept { return type_; }
  // Under FilterLock, on a connected pin: the type agreed for the stream from now on.
  void ReplaceConnectionType(MediaType&& type) noexcept { type_ = std::move(type); }

 private:
  HRESULT AttemptConnection(IPin* receivePin, const AM_MEDIA_TYPE& type);
  HRESULT TryTypes(IPin* receivePin, const AM_MEDIA_TYPE* partial, IEnumMediaTypes* types);
  void ClearConnection();

  BaseFilter& filter_;
  const std::wstring name_;
  const PIN_DIRECTION direction_;
  ComPtr<IPin> connected_;
  std::atomic<bool> isConnected_{false};
  MediaType type_;
};

}  // namespace orvane
