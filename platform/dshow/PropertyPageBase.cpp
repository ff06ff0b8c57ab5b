#include "platform/dshow/PropertyPageBase.h"

#include <cstring>

#include "platform/com/ComBoundary.h"
#include "platform/dshow/ClassFactory.h"
#include "platform/win/WindowsError.h"

namespace orvane {
namespace {

INT_PTR CALLBACK MeasuringProcedure(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

}  // namespace

PropertyPageBase::PropertyPageBase(int dialogId, int titleId) : dialogId_(dialogId), titleId_(titleId) {}

PropertyPageBase::~PropertyPageBase() {
  if (dialog_ != nullptr) ::DestroyWindow(dialog_);
}

HRESULT PropertyPageBase::OnConnect(IUnknown*) { return S_OK; }
HRESULT PropertyPageBase::OnDisconnect() { return S_OK; }
HRESULT PropertyPageBase::OnActivate() { return S_OK; }
HRESULT PropertyPageBase::OnDeactivate() { return S_OK; }
HRESULT PropertyPageBase::OnApplyChanges() { return S_OK; }
INT_PTR PropertyPageBase::OnReceiveMessage(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

void PropertyPageBase::Report(DWORD status) {
  if (site_) site_->OnStatusChange(status);
}

void PropertyPageBase::SetDirty() {
  dirty_ = true;
  Report(PROPPAGESTATUS_DIRTY);
}

void PropertyPageBase::MarkClean() {
  dirty_ = false;
  Report(PROPPAGESTATUS_CLEAN);
}

INT_PTR CALLBACK PropertyPageBase::DialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_INITDIALOG) {
    ::SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    reinterpret_cast<PropertyPageBase*>(lParam)->dialog_ = dialog;
  }
  auto* page = reinterpret_cast<PropertyPageBase*>(::GetWindowLongPtrW(dialog, DWLP_USER));
  if (page == nullptr) return FALSE;
  try {
    return page->OnReceiveMessage(dialog, message, wParam, lParam);
  } catch (...) {
    return FALSE;
  }
}

std::wstring PropertyPageBase::Title() const {
  const wchar_t* text = nullptr;
  // With a zero length LoadStringW hands out a pointer into the resource itself.
  const int length = ::LoadStringW(ModuleInstance(), titleId_, reinterpret_cast<LPWSTR>(&text), 0);
  return length > 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
}

HRESULT PropertyPageBase::DialogSize(SIZE& size) const {
  // The template's size in pixels depends on its font: create it hidden and measure it.
  const HWND measured = ::CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(dialogId_), ::GetDesktopWindow(),
                                             MeasuringProcedure, 0);
  if (measured == nullptr) return LastErrorResult();
  RECT rect{};
  ::GetWindowRect(measured, &rect);
  ::DestroyWindow(measured);
  size = {rect.right - rect.left, rect.bottom - rect.top};
  return S_OK;
}

STDMETHODIMP PropertyPageBase::SetPageSite(IPropertyPageSite* site) {
  if (site != nullptr && site_) return E_UNEXPECTED;
  site_ = site;
  return S_OK;
}

STDMETHODIMP PropertyPageBase::GetPageInfo(PROPPAGEINFO* info) {
  if (info == nullptr) return E_POINTER;
  return GuardComCall([&] {
    SIZE size{};
    HRESULT hr = DialogSize(size);
    if (FAILED(hr)) return hr;
    const std::wstring title = Title();
    const size_t bytes = (title.size() + 1) * sizeof(wchar_t);
    auto* copy = static_cast<LPOLESTR>(::CoTaskMemAlloc(bytes));
    if (copy == nullptr) return E_OUTOFMEMORY;
    std::memcpy(copy, title.c_str(), bytes);
    *info = PROPPAGEINFO{};
    info->cb = sizeof(PROPPAGEINFO);
    info->pszTitle = copy;
    info->size = size;
    return S_OK;
  });
}

STDMETHODIMP PropertyPageBase::SetObjects(ULONG count, IUnknown** objects) {
  return GuardComCall([&] {
    if (count > 0 && (objects == nullptr || objects[0] == nullptr)) return E_POINTER;
    if (connected_) {
      connected_ = false;
      OnDisconnect();
    }
    if (count == 0) return S_OK;
    const HRESULT hr = OnConnect(objects[0]);
    if (FAILED(hr)) {
      OnDisconnect();
      return hr;
    }
    connected_ = true;
    return S_OK;
  });
}

STDMETHODIMP PropertyPageBase::Activate(HWND parent, LPCRECT rect, BOOL) {
  if (rect == nullptr) return E_POINTER;
  if (dialog_ != nullptr) return E_UNEXPECTED;
  return GuardComCall([&] {
    const HWND dialog = ::CreateDialogParamW(ModuleInstance(), MAKEINTRESOURCEW(dialogId_), parent,
                                             DialogProcedure, reinterpret_cast<LPARAM>(this));
    if (dialog == nullptr) return LastErrorResult();
    dialog_ = dialog;
    HRESULT hr = OnActivate();
    if (FAILED(hr)) {
      ::DestroyWindow(dialog_);
      dialog_ = nullptr;
      return hr;
    }
    hr = Move(rect);
    if (FAILED(hr)) return hr;
    return Show(SW_SHOWNORMAL);
  });
}

STDMETHODIMP PropertyPageBase::Deactivate() {
  if (dialog_ == nullptr) return E_UNEXPECTED;
  return GuardComCall([&] {
    OnDeactivate();
    ::DestroyWindow(dialog_);
    dialog_ = nullptr;
    return S_OK;
  });
}

STDMETHODIMP PropertyPageBase::Show(UINT command) {
  if (dialog_ == nullptr) return E_UNEXPECTED;
  if (command != SW_SHOW && command != SW_SHOWNORMAL && command != SW_HIDE) return E_INVALIDARG;
  ::ShowWindow(dialog_, static_cast<int>(command));
  ::InvalidateRect(dialog_, nullptr, TRUE);
  return S_OK;
}

STDMETHODIMP PropertyPageBase::Move(LPCRECT rect) {
  if (rect == nullptr) return E_POINTER;
  if (dialog_ == nullptr) return E_UNEXPECTED;
  ::MoveWindow(dialog_, rect->left, rect->top, rect->right - rect->left, rect->bottom - rect->top, TRUE);
  return S_OK;
}

STDMETHODIMP PropertyPageBase::IsPageDirty() { return dirty_ ? S_OK : S_FALSE; }

STDMETHODIMP PropertyPageBase::Apply() {
  if (!connected_ || !site_) return E_UNEXPECTED;
  if (!dirty_) return S_OK;
  return GuardComCall([&] {
    const HRESULT hr = OnApplyChanges();
    if (SUCCEEDED(hr)) dirty_ = false;
    return hr;
  });
}

HRESULT FillPageList(std::span<const CLSID> pages, CAUUID* list) {
  if (list == nullptr) return E_POINTER;
  list->cElems = 0;
  list->pElems = nullptr;
  if (pages.empty()) return S_OK;
  list->pElems = static_cast<GUID*>(::CoTaskMemAlloc(pages.size_bytes()));
  if (list->pElems == nullptr) return E_OUTOFMEMORY;
  std::memcpy(list->pElems, pages.data(), pages.size_bytes());
  list->cElems = static_cast<ULONG>(pages.size());
  return S_OK;
}

STDMETHODIMP PropertyPageBase::Help(LPCOLESTR) { return E_NOTIMPL; }
STDMETHODIMP PropertyPageBase::TranslateAccelerator(MSG*) { return E_NOTIMPL; }

}  // namespace orvane
