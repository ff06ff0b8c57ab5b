// dshow_test_module.dll: a COM server with the framework's exports and two classes.
#include <windows.h>
#include <uuids.h>

#include "platform/dshow/ComServerModule.h"
#include "platform/dshow/RendererBase.h"
#include "tests/windows/dshow/module/TestModuleIds.h"

namespace orvane::testing {
namespace {

class ModuleFilter : public RendererBase {
 public:
  ModuleFilter() : RendererBase(kTestModuleFilter, kTestModuleFilterName) {}

 protected:
  HRESULT CheckMediaType(const AM_MEDIA_TYPE* type) override {
    if (type == nullptr) return E_POINTER;
    return type->majortype == MEDIATYPE_Video ? S_OK : VFW_E_TYPE_NOT_ACCEPTED;
  }
  HRESULT DoRenderSample(IMediaSample*) override { return S_OK; }
};

class FailingFilter : public ModuleFilter {
 protected:
  HRESULT FinalConstruct() override { return E_ACCESSDENIED; }
};

const REGPINTYPES kPinTypes[] = {{&MEDIATYPE_Video, &MEDIASUBTYPE_RGB32}, {&MEDIATYPE_Video, &MEDIASUBTYPE_YUY2}};
const FilterPinRegistration kPins[] = {{L"In", REG_PINFLAG_B_RENDERER, 1, kPinTypes, nullptr}};
const FilterRegistration kFilterRegistration = {MERIT_DO_NOT_USE, kPins};

const ClassEntry kClasses[] = {
    {kTestModuleFilterName, &kTestModuleFilter, &CreateComInstance<ModuleFilter>, &kFilterRegistration},
    {kTestModuleFailingName, &kTestModuleFailing, &CreateComInstance<FailingFilter>},
};

}  // namespace
}  // namespace orvane::testing

const orvane::ComServerDefinition& orvane::ThisComServer() {
  static const ComServerDefinition server{orvane::testing::kClasses};
  return server;
}
