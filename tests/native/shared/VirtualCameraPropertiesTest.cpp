#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "shared/VirtualCameraProperties.h"

namespace orvane {
namespace {

bool AllZero(const void* data, size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  for (size_t i = 0; i < size; ++i) {
    if (bytes[i] != 0) return false;
  }
  return true;
}

TEST(VirtualCameraProperties, FriendlyNamePayloadLayout) {
  FriendlyNamePayload payload;
  std::memset(&payload, 0xCD, sizeof payload);
  ASSERT_TRUE(MakeFriendlyNamePayload(payload, u"Orvane #2", 0x01020304));

  const auto* bytes = reinterpret_cast<const unsigned char*>(&payload);
  EXPECT_EQ(bytes[0], 'O');
  EXPECT_EQ(bytes[1], 0);
  EXPECT_EQ(std::u16string(payload.name), u"Orvane #2");
  EXPECT_TRUE(AllZero(bytes + 18, 480 - 18)) << "unused name bytes are zero";
  EXPECT_EQ(bytes[480], 0x04);  // little-endian device number at 480..483
  EXPECT_EQ(bytes[483], 0x01);
  EXPECT_TRUE(AllZero(bytes + 484, 28));
}

TEST(VirtualCameraProperties, FriendlyNameLimits) {
  FriendlyNamePayload payload;
  const std::u16string longest(kMaxFriendlyNameLength, u'x');
  ASSERT_TRUE(MakeFriendlyNamePayload(payload, longest.c_str(), 1));
  EXPECT_EQ(std::u16string(payload.name), longest);

  const std::u16string tooLong(kMaxFriendlyNameLength + 1, u'x');
  const char16_t empty[] = u"";
  for (const char16_t* refused : {tooLong.c_str(), empty, static_cast<const char16_t*>(nullptr)}) {
    std::memset(&payload, 0xCD, sizeof payload);
    EXPECT_FALSE(MakeFriendlyNamePayload(payload, refused, 1));
    EXPECT_TRUE(AllZero(&payload, sizeof payload)) << "a refused name leaves nothing behind";
  }
}

TEST(VirtualCameraProperties, IdlePicturePayload) {
  IdlePicturePayload payload;
  const std::u16string longest(kMaxIdlePicturePathLength, u'p');
  ASSERT_TRUE(MakeIdlePicturePayload(payload, longest.c_str()));
  EXPECT_EQ(std::u16string(payload.path), longest);
  EXPECT_EQ(payload.path[255], 0) << "the last position is always NUL";

  // No picture: an all-zero payload, and that is a valid request.
  std::memset(&payload, 0xCD, sizeof payload);
  EXPECT_TRUE(MakeIdlePicturePayload(payload, static_cast<const char16_t*>(nullptr)));
  EXPECT_TRUE(AllZero(&payload, sizeof payload));
  std::memset(&payload, 0xCD, sizeof payload);
  EXPECT_TRUE(MakeIdlePicturePayload(payload, u""));
  EXPECT_TRUE(AllZero(&payload, sizeof payload));

  const std::u16string tooLong(kMaxIdlePicturePathLength + 1, u'p');
  std::memset(&payload, 0xCD, sizeof payload);
  EXPECT_FALSE(MakeIdlePicturePayload(payload, tooLong.c_str()));
  EXPECT_TRUE(AllZero(&payload, sizeof payload));
}

}  // namespace
}  // namespace orvane
