// The process's one renderer filter, created from NimbRenderer.ax in the program directory through the
// module's own class factory (no registration needed), and its control interface. The main window hands
// the filter to every graph it builds and configures the renderer through the control; start-up tells
// it which virtual camera it serves; the client poll asks how many applications read the camera.
//
// Created on first use (thread-safe), which loads the renderer: when that fails the user sees one
// message box and the program runs on without a renderer; there is no second attempt. Every later
// call comes from the user-interface thread. Owns one reference to the filter and one to the control.
#pragma once

#include <windows.h>
#include <strmif.h>

#include "platform/com/ComPtr.h"
#include "shared/INimbRenderer.h"

namespace orvane {

class NimbHelper {
 public:
  static NimbHelper& Instance();

  virtual ~NimbHelper();
  NimbHelper(const NimbHelper&) = delete;
  NimbHelper& operator=(const NimbHelper&) = delete;

  // Null when loading failed (or after Release). The filter may be held without a control: the renderer
  // refuses INimbRenderer while it has found no virtual camera.
  IBaseFilter* filter() const { return filter_.Get(); }
  INimbRenderer* control() const { return control_.Get(); }

  // Lets go of the control, then the filter. Called by the main window while it closes, so that the
  // renderer is gone before the process ends; a second call does nothing.
  void Release();

  // Applications reading the virtual camera; 0 without a control or when the renderer cannot say.
  int ClientCount() const;
  // Has the renderer feed the virtual camera of 0-based `index`; false without a control or when the
  // renderer refuses.
  bool SelectDevice(int index) const;

 private:
  NimbHelper();

  // The reverse of acquisition on destruction: control_ is declared last.
  ComPtr<IBaseFilter> filter_;
  ComPtr<INimbRenderer> control_;
};

}  // namespace orvane
