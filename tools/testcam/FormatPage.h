// The capture pin's property page: the list of the pin's capabilities with the current format
// selected; Apply sets the selected one (IAMStreamConfig::SetFormat). User-interface thread only;
// holds the pin's IAMStreamConfig while connected.
#pragma once

#include <strmif.h>

#include <string>

#include "platform/dshow/PropertyPageBase.h"

namespace orvane::testcam {

class FormatPage : public PropertyPageBase {
 public:
  FormatPage();

  // "YUY2 640 x 480, 30.00 fps": how the page lists a format.
  static std::wstring Describe(const AM_MEDIA_TYPE& type);

 protected:
  HRESULT OnConnect(IUnknown* object) override;
  HRESULT OnDisconnect() override;
  HRESULT OnActivate() override;
  HRESULT OnApplyChanges() override;
  INT_PTR OnReceiveMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  ComPtr<IAMStreamConfig> config_;
};

}  // namespace orvane::testcam
