// The generated iconfont.ttf as the window uses it: added privately, created by its face name, drawn
// with DrawTextW centred in a square the way the buttons draw their icons.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <climits>
#include <string>
#include <vector>

#include "AssetTestSupport.h"

namespace orvane {
namespace {

// play, stop, options, then the count badges 0..9.
const std::wstring kIcons = L"\uE671\uE666\uE68F\uE627\uE628\uE62A\uE62C\uE773\uE774\uE632\uE634\uE636\uE638";
const std::wstring kBadges = kIcons.substr(3);

// A button's 14 pt and the badge's 11 pt, at 96 dpi.
const int kButtonPixels = ::MulDiv(14, 96, 72);
const int kBadgePixels = ::MulDiv(11, 96, 72);

constexpr COLORREF kWhite = RGB(255, 255, 255);

// The painted pixels' bounding box, where the painted ones are darker than mid grey.
struct Box {
  int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
  bool Empty() const { return right < 0; }
  double CentreX() const { return (left + right + 1) / 2.0; }
  double CentreY() const { return (top + bottom + 1) / 2.0; }
};

bool Painted(COLORREF c) { return GetRValue(c) + GetGValue(c) + GetBValue(c) < 3 * 128; }

Box PaintedBox(const test::Canvas& canvas) {
  Box box;
  for (int y = 0; y < canvas.Height(); ++y) {
    for (int x = 0; x < canvas.Width(); ++x) {
      if (!Painted(canvas.At(x, y))) continue;
      box.left = std::min(box.left, x);
      box.top = std::min(box.top, y);
      box.right = std::max(box.right, x);
      box.bottom = std::max(box.bottom, y);
    }
  }
  return box;
}

class IconFont : public ::testing::Test {
 protected:
  static std::wstring Path() { return test::BuiltFile(ORVANE_PROGRAM_FOLDER, L"iconfont.ttf"); }
  static void SetUpTestSuite() { added_ = ::AddFontResourceExW(Path().c_str(), FR_PRIVATE, nullptr); }
  static void TearDownTestSuite() {
    if (added_ > 0) ::RemoveFontResourceExW(Path().c_str(), FR_PRIVATE, nullptr);
  }
  void SetUp() override { ASSERT_GT(added_, 0) << "AddFontResourceExW failed for the generated font"; }

  // The font selected into the canvas for as long as the returned object lives.
  struct Selected {
    Selected(const test::Canvas& canvas, int pixels, DWORD quality)
        : dc(canvas.Dc()),
          font(::CreateFontW(-pixels, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                             OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, quality, DEFAULT_PITCH, L"iconfont")),
          old(::SelectObject(dc, font)) {}
    ~Selected() {
      ::SelectObject(dc, old);
      ::DeleteObject(font);
    }
    HDC dc;
    HFONT font;
    HGDIOBJ old;
  };

  // One icon drawn black on white, centred in the whole canvas as a button draws it.
  static void Draw(const test::Canvas& canvas, wchar_t icon, int pixels) {
    Selected selected(canvas, pixels, ANTIALIASED_QUALITY);
    ::SetBkMode(canvas.Dc(), TRANSPARENT);
    ::SetTextColor(canvas.Dc(), RGB(0, 0, 0));
    RECT all = {0, 0, canvas.Width(), canvas.Height()};
    ::DrawTextW(canvas.Dc(), &icon, 1, &all, DT_CENTER | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }

  static inline int added_ = 0;
};

TEST_F(IconFont, FaceIsFoundByNameWithEveryIconAndAOneEmLine) {
  test::Canvas canvas(8, 8, kWhite);
  ASSERT_TRUE(canvas.Valid());
  Selected selected(canvas, kButtonPixels, ANTIALIASED_QUALITY);

  wchar_t face[LF_FACESIZE] = {};
  ::GetTextFaceW(canvas.Dc(), LF_FACESIZE, face);
  EXPECT_STREQ(face, L"iconfont") << "another font was substituted";

  std::vector<WORD> glyphs(kIcons.size());
  ASSERT_EQ(::GetGlyphIndicesW(canvas.Dc(), kIcons.c_str(), static_cast<int>(kIcons.size()), glyphs.data(),
                               GGI_MARK_NONEXISTING_GLYPHS),
            kIcons.size());
  for (size_t i = 0; i < kIcons.size(); ++i) {
    EXPECT_NE(glyphs[i], 0xFFFF) << std::hex << "U+" << static_cast<int>(kIcons[i]) << " is missing";
    EXPECT_NE(glyphs[i], 0) << std::hex << "U+" << static_cast<int>(kIcons[i]) << " maps to .notdef";
  }
  std::sort(glyphs.begin(), glyphs.end());
  EXPECT_EQ(std::adjacent_find(glyphs.begin(), glyphs.end()), glyphs.end()) << "two icons share a glyph";

  // The line is the em: what DT_VCENTER centres is the icon's own box, with nothing above it.
  TEXTMETRICW metrics = {};
  ASSERT_TRUE(::GetTextMetricsW(canvas.Dc(), &metrics));
  EXPECT_LE(metrics.tmInternalLeading, 1);
  EXPECT_LE(metrics.tmHeight, kButtonPixels + 1);
}

TEST_F(IconFont, EveryIconIsDrawnWholeInTheMiddleOfItsButton) {
  // Every glyph's outer shape is a circle 15/16 of the em across.
  const double diameter = kButtonPixels * 15.0 / 16.0;
  for (wchar_t icon : kIcons) {
    SCOPED_TRACE(testing::Message() << std::hex << "U+" << static_cast<int>(icon));
    test::Canvas canvas(40, 40, kWhite);
    ASSERT_TRUE(canvas.Valid());
    Draw(canvas, icon, kButtonPixels);
    const Box box = PaintedBox(canvas);
    ASSERT_FALSE(box.Empty());
    EXPECT_NEAR(box.CentreX(), 20.0, 1.0);
    EXPECT_NEAR(box.CentreY(), 20.0, 1.0);
    EXPECT_NEAR(box.right - box.left + 1, diameter, 1.5);
    EXPECT_NEAR(box.bottom - box.top + 1, diameter, 1.5);
  }
}

TEST_F(IconFont, BadgeDigitsAreKnockedOutAndTellApartAt11Points) {
  std::vector<std::vector<bool>> shapes;
  for (wchar_t badge : kBadges) {
    SCOPED_TRACE(testing::Message() << std::hex << "U+" << static_cast<int>(badge));
    test::Canvas canvas(24, 24, kWhite);
    ASSERT_TRUE(canvas.Valid());
    Draw(canvas, badge, kBadgePixels);
    const Box box = PaintedBox(canvas);
    ASSERT_FALSE(box.Empty());
    // The digit is the paper showing through the disc: light pixels well inside the disc's box.
    std::vector<bool> shape;
    int light = 0;
    for (int y = box.top + 3; y <= box.bottom - 3; ++y) {
      for (int x = box.left + 3; x <= box.right - 3; ++x) {
        const bool painted = Painted(canvas.At(x, y));
        light += painted ? 0 : 1;
        shape.push_back(painted);
      }
    }
    EXPECT_GE(light, 6) << "no digit in the disc";
    shapes.push_back(shape);
  }
  for (size_t a = 0; a < shapes.size(); ++a) {
    for (size_t b = a + 1; b < shapes.size(); ++b) {
      size_t differing = 0;
      for (size_t i = 0; i < std::min(shapes[a].size(), shapes[b].size()); ++i) {
        differing += shapes[a][i] != shapes[b][i] ? 1 : 0;
      }
      EXPECT_GE(differing + (shapes[a].size() != shapes[b].size() ? 3 : 0), 3u)
          << "digits " << a << " and " << b << " look alike at 11 pt";
    }
  }
}

}  // namespace
}  // namespace orvane
