// The one COM object template: interface table, identity, aggregation, owned lifetime, creation
// failures and the module's object counter.
#include <gtest/gtest.h>

#include <windows.h>
#include <ocidl.h>
#include <strmif.h>

#include "platform/com/ComObject.h"
#include "platform/com/ModuleLifetime.h"

namespace orvane {
namespace {

// Answers IPersistStream (and IPersist through it) and IObjectWithSite.
class Widget : public ComObjectRoot, public IPersistStream, public IObjectWithSite {
 public:
  using Interfaces = InterfaceList<ComInterface<IPersistStream, IPersist>, IObjectWithSite>;

  explicit Widget(HRESULT finalResult = S_OK, bool answerSite = true)
      : finalResult_(finalResult), answerSite_(answerSite) {}

  STDMETHODIMP GetClassID(CLSID* clsid) override {
    if (clsid == nullptr) return E_POINTER;
    *clsid = CLSID_NULL;
    return S_OK;
  }
  STDMETHODIMP IsDirty() override { return S_FALSE; }
  STDMETHODIMP Load(IStream*) override { return E_NOTIMPL; }
  STDMETHODIMP Save(IStream*, BOOL) override { return E_NOTIMPL; }
  STDMETHODIMP GetSizeMax(ULARGE_INTEGER*) override { return E_NOTIMPL; }
  STDMETHODIMP SetSite(IUnknown*) override { return S_OK; }
  STDMETHODIMP GetSite(REFIID, void**) override { return E_NOTIMPL; }

 protected:
  HRESULT FinalConstruct() override { return finalResult_; }
  // Refuses IObjectWithSite on request, with a result the table would never give.
  HRESULT QueryInterfaceHook(REFIID iid, void** out) override {
    if (iid == IID_IObjectWithSite && !answerSite_) return E_ACCESSDENIED;
    return ComObjectRoot::QueryInterfaceHook(iid, out);
  }

 private:
  HRESULT finalResult_;
  bool answerSite_;
};

// A part that lives inside its owner and counts on it, as a pin does on its filter.
class Part : public ComObjectRoot, public IObjectWithSite {
 public:
  using Interfaces = InterfaceList<IObjectWithSite>;
  STDMETHODIMP SetSite(IUnknown*) override { return S_OK; }
  STDMETHODIMP GetSite(REFIID, void**) override { return E_NOTIMPL; }
};

class Whole : public ComObjectRoot, public IPersist {
 public:
  using Interfaces = InterfaceList<IPersist>;
  Whole() : part_(OwnedBy{*this}) {}
  STDMETHODIMP GetClassID(CLSID*) override { return E_NOTIMPL; }
  IObjectWithSite* PartInterface() { return &part_; }

 private:
  ComObject<Part> part_;
};

// Reads an object's count without changing it.
ULONG CountOf(IUnknown* object) {
  object->AddRef();
  return object->Release();
}

TEST(ComObject, AnswersItsTableWithOneIdentity) {
  const long objectsBefore = ModuleLifetime::Objects();
  {
    ComPtr<ComObject<Widget>> widget;
    ASSERT_EQ(ComObject<Widget>::Create(widget), S_OK);
    EXPECT_EQ(ModuleLifetime::Objects(), objectsBefore + 1);

    ComPtr<IPersistStream> stream;
    ComPtr<IPersist> persist;
    ComPtr<IObjectWithSite> site;
    ASSERT_EQ(widget.As(&stream), S_OK);
    ASSERT_EQ(widget.As(&persist), S_OK);
    ASSERT_EQ(widget.As(&site), S_OK);
    EXPECT_EQ(static_cast<void*>(persist.Get()), static_cast<void*>(stream.Get()))
        << "a chained base is answered with the implementing interface";

    ComPtr<IUnknown> fromStream;
    ComPtr<IUnknown> fromSite;
    ASSERT_EQ(stream.As(&fromStream), S_OK);
    ASSERT_EQ(site.As(&fromSite), S_OK);
    EXPECT_EQ(fromStream.Get(), fromSite.Get()) << "IUnknown is the same from every interface";

    ComPtr<IDispatch> none;
    EXPECT_EQ(widget.As(&none), E_NOINTERFACE);
    EXPECT_EQ(none.Get(), nullptr);
    EXPECT_EQ(fromStream->QueryInterface(IID_IPersist, nullptr), E_POINTER);
  }
  EXPECT_EQ(ModuleLifetime::Objects(), objectsBefore) << "the last Release deletes the object";
}

TEST(ComObject, HookResultsPassThroughUnchanged) {
  ComPtr<ComObject<Widget>> widget;
  ASSERT_EQ(ComObject<Widget>::Create(widget, S_OK, false), S_OK);
  IObjectWithSite* site = reinterpret_cast<IObjectWithSite*>(0x1);
  EXPECT_EQ(widget->QueryInterface(IID_IObjectWithSite, reinterpret_cast<void**>(&site)), E_ACCESSDENIED);
  EXPECT_EQ(site, nullptr);
}

TEST(ComObject, FailedFinalConstructLeavesNoObject) {
  const long objectsBefore = ModuleLifetime::Objects();
  ComPtr<ComObject<Widget>> widget;
  EXPECT_EQ(ComObject<Widget>::Create(widget, E_ACCESSDENIED), E_ACCESSDENIED);
  EXPECT_EQ(widget.Get(), nullptr);
  EXPECT_EQ(ModuleLifetime::Objects(), objectsBefore);
}

TEST(ComObject, AggregatedObjectDelegatesToItsOuter) {
  ComPtr<ComObject<Widget>> outer;
  ASSERT_EQ(ComObject<Widget>::Create(outer), S_OK);
  ComPtr<IUnknown> outerUnknown;
  ASSERT_EQ(outer.As(&outerUnknown), S_OK);

  ComPtr<IUnknown> inner;
  ASSERT_EQ(ComObject<Whole>::CreateAggregatable(outerUnknown.Get(), inner), S_OK);
  ComPtr<IPersist> innerPersist;
  ASSERT_EQ(inner.As(&innerPersist), S_OK) << "the non-delegating IUnknown answers the inner's table";

  const ULONG outerCount = CountOf(outerUnknown.Get());
  innerPersist->AddRef();
  EXPECT_EQ(CountOf(outerUnknown.Get()), outerCount + 1) << "an inner interface counts on the outer";
  innerPersist->Release();

  ComPtr<IObjectWithSite> outerSite;
  ASSERT_EQ(innerPersist.As(&outerSite), S_OK) << "an inner interface's QueryInterface is the outer's";
  ComPtr<IUnknown> identity;
  ASSERT_EQ(innerPersist.As(&identity), S_OK);
  EXPECT_EQ(identity.Get(), outerUnknown.Get());
}

TEST(ComObject, OwnedPartCountsOnItsOwner) {
  ComPtr<ComObject<Whole>> whole;
  ASSERT_EQ(ComObject<Whole>::Create(whole), S_OK);
  ComPtr<IPersist> wholePersist;
  ASSERT_EQ(whole.As(&wholePersist), S_OK);
  const ULONG before = CountOf(wholePersist.Get());

  ComPtr<IObjectWithSite> part(whole->PartInterface());
  EXPECT_EQ(CountOf(wholePersist.Get()), before + 1);

  ComPtr<IUnknown> partIdentity;
  ComPtr<IUnknown> wholeIdentity;
  ASSERT_EQ(part.As(&partIdentity), S_OK);
  ASSERT_EQ(wholePersist.As(&wholeIdentity), S_OK);
  EXPECT_NE(partIdentity.Get(), wholeIdentity.Get()) << "the part is an object of its own";
  ComPtr<IPersist> notThePart;
  EXPECT_EQ(part.As(&notThePart), E_NOINTERFACE);
}

}  // namespace
}  // namespace orvane
