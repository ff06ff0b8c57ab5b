// The one implementation of IUnknown for Orvane's COM objects. A class derives from ComObjectRoot and
// its interfaces, lists what it answers in a nested `Interfaces` table, and is instantiated as
// ComObject<Class>, the most-derived class, which implements QueryInterface (hook, then table),
// AddRef and Release for every interface at once. Three lifetimes:
//   standalone  own atomic count, deleted at zero, counted in ModuleLifetime;
//   aggregated  an outer object controls identity and lifetime (QueryInterface, AddRef and Release of
//               the interfaces go to it); the non-delegating IUnknown keeps the count;
//   owned       (OwnedBy) the object lives inside another one, as a filter's pins do: AddRef and
//               Release go to the owner's controlling unknown and the owner destroys it with itself.
// AddRef, Release and QueryInterface may be called from any thread. Nothing outside this file calls
// AddRef or Release by hand.
#pragma once

#include <windows.h>
#include <unknwn.h>

#include <atomic>
#include <new>
#include <utility>

#include "platform/com/ComPtr.h"
#include "platform/com/ModuleLifetime.h"

namespace orvane {

// A table entry: the object implements Interface and answers AlsoAnswers (interfaces Interface derives
// from, such as IMediaFilter and IPersist for IBaseFilter) with the same pointer.
template <typename Interface, typename... AlsoAnswers>
struct ComInterface {};

template <typename... Entries>
struct InterfaceList {
  // A derived class's table: its base's entries followed by its own.
  template <typename... More>
  using With = InterfaceList<Entries..., More...>;
};

// What a QueryInterfaceHook returns for an interface it leaves to the table.
inline constexpr HRESULT kQueryNotHandled = S_FALSE;

namespace com_detail {

template <typename Entry>
struct EntryTraits {
  using Implemented = Entry;
  static bool Answers(REFIID iid) { return iid == __uuidof(Entry); }
};

template <typename Interface, typename... AlsoAnswers>
struct EntryTraits<ComInterface<Interface, AlsoAnswers...>> {
  using Implemented = Interface;
  static bool Answers(REFIID iid) {
    return iid == __uuidof(Interface) || ((iid == __uuidof(AlsoAnswers)) || ...);
  }
};

template <typename List>
struct Table;

template <typename First, typename... Rest>
struct Table<InterfaceList<First, Rest...>> {
  template <typename Object>
  static void* Find(Object* object, REFIID iid) {
    void* found = nullptr;
    (void)(TryEntry<First>(object, iid, found) || ... || TryEntry<Rest>(object, iid, found));
    return found;
  }
  // The pointer that stands for the object's identity when it has no IUnknown of its own (owned).
  template <typename Object>
  static IUnknown* Identity(Object* object) {
    return static_cast<typename EntryTraits<First>::Implemented*>(object);
  }

 private:
  template <typename Entry, typename Object>
  static bool TryEntry(Object* object, REFIID iid, void*& found) {
    if (!EntryTraits<Entry>::Answers(iid)) return false;
    found = static_cast<typename EntryTraits<Entry>::Implemented*>(object);
    return true;
  }
};

}  // namespace com_detail

template <typename T>
class ComObject;

// The base of every COM object class: hooks for ComObject and the object's controlling unknown.
class ComObjectRoot {
 public:
  ComObjectRoot(const ComObjectRoot&) = delete;
  ComObjectRoot& operator=(const ComObjectRoot&) = delete;

 protected:
  ComObjectRoot() noexcept = default;
  virtual ~ComObjectRoot() = default;

  // Runs once after construction, before anyone else sees the object: the place for work that can
  // fail. A failure destroys the object and is the creation's result.
  virtual HRESULT FinalConstruct() { return S_OK; }

  // Asked before the interface table, for interfaces answered conditionally or by an inner object.
  // Returns kQueryNotHandled to leave `iid` to the table; any other result is QueryInterface's (with
  // *out set and referenced on success, null on failure).
  virtual HRESULT QueryInterfaceHook(REFIID iid, void** out) {
    (void)iid;
    (void)out;
    return kQueryNotHandled;
  }

  // The IUnknown that controls this object's identity and lifetime: the outer object when aggregated,
  // the owner's for an owned object, else the object's own. Inner objects that this object aggregates
  // are created with it. Valid from FinalConstruct on (owned objects: once the owner is constructed).
  IUnknown* ControllingUnknown() const noexcept {
    if (comControlling_ != nullptr) return comControlling_;
    return comOwner_ != nullptr ? comOwner_->ControllingUnknown() : nullptr;
  }

 private:
  template <typename>
  friend class ComObject;
  IUnknown* comControlling_ = nullptr;
  const ComObjectRoot* comOwner_ = nullptr;
};

// Constructor tag for an object owned by another one.
struct OwnedBy {
  const ComObjectRoot& owner;
};

template <typename T>
class ComObject final : public T {
  struct CreateTag {};

 public:
  // A standalone object; `object` receives it with one reference.
  template <typename... Args>
  static HRESULT Create(ComPtr<ComObject>& object, Args&&... args) noexcept {
    ComObject* created = nullptr;
    const HRESULT hr = Construct(nullptr, created, std::forward<Args>(args)...);
    if (SUCCEEDED(hr)) object = AdoptComPtr(created);
    return hr;
  }

  // An object for a class factory, aggregated into `outer` when it is not null. `inner` receives the
  // non-delegating IUnknown with one reference.
  template <typename... Args>
  static HRESULT CreateAggregatable(IUnknown* outer, ComPtr<IUnknown>& inner, Args&&... args) noexcept {
    ComObject* created = nullptr;
    const HRESULT hr = Construct(outer, created, std::forward<Args>(args)...);
    if (SUCCEEDED(hr)) inner = AdoptComPtr<IUnknown>(&created->inner_);
    return hr;
  }

  // An owned object, constructed as a member (or unique_ptr) of its owner.
  template <typename... Args>
  explicit ComObject(OwnedBy owned, Args&&... args) : T(std::forward<Args>(args)...), inner_(this) {
    this->comOwner_ = &owned.owner;
  }

  ~ComObject() override {
    if (counted_) ModuleLifetime::ObjectDestroyed();
  }

  STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
    if (outer_ != nullptr) return outer_->QueryInterface(iid, out);
    return NonDelegatingQueryInterface(iid, out);
  }

  STDMETHODIMP_(ULONG) AddRef() override {
    if (outer_ != nullptr) return outer_->AddRef();
    if (this->comOwner_ != nullptr) return this->comOwner_->ControllingUnknown()->AddRef();
    return InnerAddRef();
  }

  STDMETHODIMP_(ULONG) Release() override {
    if (outer_ != nullptr) return outer_->Release();
    if (this->comOwner_ != nullptr) return this->comOwner_->ControllingUnknown()->Release();
    return InnerRelease();
  }

 private:
  // The non-delegating IUnknown: the identity of a standalone or aggregated object.
  class InnerUnknown final : public IUnknown {
   public:
    explicit InnerUnknown(ComObject* object) : object_(object) {}
    STDMETHODIMP QueryInterface(REFIID iid, void** out) override {
      return object_->NonDelegatingQueryInterface(iid, out);
    }
    STDMETHODIMP_(ULONG) AddRef() override { return object_->InnerAddRef(); }
    STDMETHODIMP_(ULONG) Release() override { return object_->InnerRelease(); }

   private:
    ComObject* object_;
  };

  template <typename... Args>
  ComObject(CreateTag, IUnknown* outer, Args&&... args)
      : T(std::forward<Args>(args)...), inner_(this), outer_(outer), counted_(true) {
    this->comControlling_ = outer != nullptr ? outer : static_cast<IUnknown*>(&inner_);
    ModuleLifetime::ObjectCreated();
  }

  template <typename... Args>
  static HRESULT Construct(IUnknown* outer, ComObject*& created, Args&&... args) noexcept {
    ComObject* object = nullptr;
    try {
      object = new ComObject(CreateTag{}, outer, std::forward<Args>(args)...);
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    } catch (...) {
      return E_UNEXPECTED;
    }
    // The creation reference: FinalConstruct may hand out and release interfaces of the object.
    object->refs_.store(1);
    HRESULT hr = E_UNEXPECTED;
    try {
      hr = object->FinalConstruct();
    } catch (const std::bad_alloc&) {
      hr = E_OUTOFMEMORY;
    } catch (...) {
      hr = E_UNEXPECTED;
    }
    if (FAILED(hr)) {
      delete object;
      return hr;
    }
    created = object;
    return S_OK;
  }

  HRESULT NonDelegatingQueryInterface(REFIID iid, void** out) {
    if (out == nullptr) return E_POINTER;
    *out = nullptr;
    if (iid == __uuidof(IUnknown)) {
      IUnknown* identity = this->comOwner_ != nullptr
                               ? com_detail::Table<typename T::Interfaces>::Identity(this)
                               : static_cast<IUnknown*>(&inner_);
      identity->AddRef();
      *out = identity;
      return S_OK;
    }
    const HRESULT hooked = this->QueryInterfaceHook(iid, out);
    if (hooked != kQueryNotHandled) {
      if (FAILED(hooked)) *out = nullptr;
      return hooked;
    }
    void* found = com_detail::Table<typename T::Interfaces>::Find(this, iid);
    if (found == nullptr) return E_NOINTERFACE;
    AddRef();
    *out = found;
    return S_OK;
  }

  ULONG InnerAddRef() { return refs_.fetch_add(1) + 1; }

  ULONG InnerRelease() {
    const ULONG remaining = refs_.fetch_sub(1) - 1;
    if (remaining == 0) delete this;
    return remaining;
  }

  InnerUnknown inner_;
  IUnknown* outer_ = nullptr;
  std::atomic<ULONG> refs_{0};
  bool counted_ = false;
};

}  // namespace orvane
