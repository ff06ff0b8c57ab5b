// IPropertyPage over a dialog resource of the module (ModuleInstance()): the page creates its dialog
// as a child of the property frame when activated and destroys it when deactivated, reports its size
// from the dialog template and its title from a string resource, keeps the dirty state and tells the
// page site about it. A concrete page fills in the hooks:
//   OnConnect(object)   SetObjects gave the page the object to edit; an error refuses it
//   OnDisconnect()      release what OnConnect took (also before the next OnConnect)
//   OnActivate()        the dialog exists (after WM_INITDIALOG); OnDeactivate() before it goes
//   OnApplyChanges()    Apply on a dirty page
//   OnReceiveMessage()  every dialog message, WM_INITDIALOG included; answers as a dialog procedure
// SetDirty and MarkClean update the state and the site. No exception leaves the dialog procedure.
// Threading: the property frame's thread (the application's user-interface thread) only. Owns the
// dialog window and its reference to the page site.
#pragma once

#include <windows.h>
#include <ocidl.h>

#include <span>
#include <string>

#include "platform/com/ComObject.h"

namespace orvane {

class PropertyPageBase : public ComObjectRoot, public IPropertyPage {
 public:
  using Interfaces = InterfaceList<IPropertyPage>;

  STDMETHODIMP SetPageSite(IPropertyPageSite* site) override;
  STDMETHODIMP Activate(HWND parent, LPCRECT rect, BOOL modal) override;
  STDMETHODIMP Deactivate() override;
  STDMETHODIMP GetPageInfo(PROPPAGEINFO* info) override;
  STDMETHODIMP SetObjects(ULONG count, IUnknown** objects) override;
  STDMETHODIMP Show(UINT command) override;
  STDMETHODIMP Move(LPCRECT rect) override;
  STDMETHODIMP IsPageDirty() override;
  STDMETHODIMP Apply() override;
  STDMETHODIMP Help(LPCOLESTR helpDirectory) override;
  STDMETHODIMP TranslateAccelerator(MSG* message) override;

 protected:
  // `dialogId`: a child dialog template without caption; `titleId`: the string resource of the title.
  PropertyPageBase(int dialogId, int titleId);
  ~PropertyPageBase() override;

  virtual HRESULT OnConnect(IUnknown* object);
  virtual HRESULT OnDisconnect();
  virtual HRESULT OnActivate();
  virtual HRESULT OnDeactivate();
  virtual HRESULT OnApplyChanges();
  virtual INT_PTR OnReceiveMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

  void SetDirty();
  void MarkClean();
  bool IsDirty() const noexcept { return dirty_; }
  HWND Dialog() const noexcept { return dialog_; }
  IPropertyPageSite* PageSite() const noexcept { return site_.Get(); }

 private:
  static INT_PTR CALLBACK DialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
  HRESULT DialogSize(SIZE& size) const;
  std::wstring Title() const;
  void Report(DWORD status);

  const int dialogId_;
  const int titleId_;
  HWND dialog_ = nullptr;
  ComPtr<IPropertyPageSite> site_;
  bool connected_ = false;
  bool dirty_ = false;
};

// ISpecifyPropertyPages::GetPages for a fixed list: E_POINTER for a null list, else `pages` copied into
// CoTaskMem (E_OUTOFMEMORY, with an empty list, when that fails).
HRESULT FillPageList(std::span<const CLSID> pages, CAUUID* list);

}  // namespace orvane
