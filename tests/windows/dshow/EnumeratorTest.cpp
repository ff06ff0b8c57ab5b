// The pin and media-type enumerators' COM rules: fetching several at once, running past the end,
// skipping, resetting and cloning at the current position.
#include <gtest/gtest.h>

#include <windows.h>
#include <dshow.h>

#include "platform/com/ComInitialization.h"
#include "platform/dshow/MediaType.h"
#include "tests/windows/dshow/support/TestSources.h"

namespace orvane::testing {
namespace {

TEST(Enumerators, FollowTheEnumerationRules) {
  const ComInitialization com;
  ComPtr<ComObject<TestPushSource>> source;
  ASSERT_EQ(ComObject<TestPushSource>::Create(source), S_OK);

  ComPtr<IEnumPins> pins;
  ASSERT_EQ(source->EnumPins(&pins), S_OK);
  IPin* fetched[2] = {};
  EXPECT_EQ(pins->Next(2, fetched, nullptr), E_INVALIDARG) << "more than one needs a count";
  ULONG count = 0;
  EXPECT_EQ(pins->Next(2, fetched, &count), S_FALSE) << "the filter has one pin";
  ASSERT_EQ(count, 1u);
  const ComPtr<IPin> first = AdoptComPtr(fetched[0]);
  EXPECT_EQ(pins->Next(1, fetched, nullptr), S_FALSE);
  EXPECT_EQ(pins->Reset(), S_OK);
  EXPECT_EQ(pins->Skip(2), S_FALSE);
  EXPECT_EQ(pins->Reset(), S_OK);
  EXPECT_EQ(pins->Skip(1), S_OK);
  ComPtr<IEnumPins> clone;
  ASSERT_EQ(pins->Clone(&clone), S_OK);
  EXPECT_EQ(clone->Next(1, fetched, nullptr), S_FALSE) << "a clone starts where the original stands";
  EXPECT_EQ(pins->Next(1, nullptr, nullptr), E_POINTER);

  ComPtr<IEnumMediaTypes> types;
  ASSERT_EQ(first->EnumMediaTypes(&types), S_OK);
  AM_MEDIA_TYPE* offered[2] = {};
  EXPECT_EQ(types->Next(2, offered, &count), S_FALSE);
  ASSERT_EQ(count, 1u);
  const UniqueMediaTypePtr type(offered[0]);
  EXPECT_EQ(type->subtype, MEDIASUBTYPE_RGB32);
  ComPtr<IEnumMediaTypes> typesClone;
  ASSERT_EQ(types->Clone(&typesClone), S_OK);
  EXPECT_EQ(typesClone->Next(1, offered, nullptr), S_FALSE);
  ASSERT_EQ(types->Reset(), S_OK);
  ASSERT_EQ(types->Next(1, offered, nullptr), S_OK);
  const UniqueMediaTypePtr again(offered[0]);
  EXPECT_EQ(again->subtype, MEDIASUBTYPE_RGB32);
}

}  // namespace
}  // namespace orvane::testing
