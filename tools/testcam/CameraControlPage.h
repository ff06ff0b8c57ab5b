// The synthetic camera's property page: zoom, pan and tilt on sliders, with the ranges and steps the
// camera reports through IAMCameraControl; Apply sets the moved values. User-interface thread only;
// holds the camera's IAMCameraControl while connected.
#pragma once

#include <strmif.h>

#include "platform/dshow/PropertyPageBase.h"

namespace orvane::testcam {

class CameraControlPage : public PropertyPageBase {
 public:
  CameraControlPage();

 protected:
  HRESULT FinalConstruct() override;
  HRESULT OnConnect(IUnknown* object) override;
  HRESULT OnDisconnect() override;
  HRESULT OnActivate() override;
  HRESULT OnApplyChanges() override;
  INT_PTR OnReceiveMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) override;

 private:
  void ShowValue(int slider);

  ComPtr<IAMCameraControl> control_;
};

}  // namespace orvane::testcam
