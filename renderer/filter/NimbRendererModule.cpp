// NimbRenderer.ax: the class table of the renderer filter and its property page. The application loads
// the module from its own folder and asks DllGetClassObject for the filter; registration
// (DllRegisterServer) is for programs that find filters through the system's filter registry.
#include <windows.h>
#include <uuids.h>

#include "platform/dshow/ComServerModule.h"
#include "renderer/filter/NimbRenderer.h"
#include "renderer/filter/page/CRenderPropertyPage.h"

namespace orvane {
namespace {

// The layouts the filter accepts, in the order it tests them.
const REGPINTYPES kInputTypes[] = {
    {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB24},
    {&MEDIATYPE_Video, &MEDIASUBTYPE_RGB32},
    {&MEDIATYPE_Video, &MEDIASUBTYPE_YUY2},
    {&MEDIATYPE_Video, &MEDIASUBTYPE_NV12},
};

const FilterPinRegistration kPins[] = {
    {L"In", REG_PINFLAG_B_RENDERER, 1, kInputTypes, nullptr},
};

const FilterRegistration kRendererRegistration{MERIT_NORMAL, kPins};

const ClassEntry kClasses[] = {
    {kNimbRendererName, &CLSID_NimbRenderer, &CreateComInstance<NimbRenderer>, &kRendererRegistration},
    {CRenderPropertyPage::kClassName, &CLSID_NimbRendererPropertyPage, &CreateComInstance<CRenderPropertyPage>},
};

}  // namespace
}  // namespace orvane

const orvane::ComServerDefinition& orvane::ThisComServer() {
  static const ComServerDefinition server{kClasses};
  return server;
}
