// The generated .ico files as user32 loads and draws them: each at the tray's 16 and the dialog's 32
// pixels, transparent around the webcam and in the colour that tells its state.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdlib>
#include <string>

#include "AssetTestSupport.h"

namespace orvane {
namespace {

// What one channel may be where the webcam's head is drawn.
struct Range {
  int low, high;
  bool Holds(int v) const { return v >= low && v <= high; }
};

struct Expected {
  const wchar_t* file;
  Range red, green, blue;  // over a white background
  bool opaque;             // the same over black, or faded so that the background shows through
};

const Expected kIcons[] = {
    {L"orvane.ico", {100, 160}, {0, 40}, {200, 255}, true},
    {L"logo.ico", {100, 160}, {0, 40}, {200, 255}, true},
    {L"tray_active_dark.ico", {0, 60}, {0, 60}, {0, 60}, true},
    {L"tray_inactive.ico", {150, 225}, {150, 225}, {150, 225}, false},
    {L"tray_active_light.ico", {235, 255}, {235, 255}, {235, 255}, true},
    {L"tray_trying.ico", {200, 255}, {0, 60}, {0, 60}, true},
};

// The icon drawn at its size onto a canvas of one colour.
struct Drawn {
  Drawn(HICON icon, int size, COLORREF background) : canvas(size, size, background) {
    ::DrawIconEx(canvas.Dc(), 0, 0, icon, size, size, 0, nullptr, DI_NORMAL);
  }
  test::Canvas canvas;
};

TEST(IconFiles, LoadAtTrayAndDialogSizesTransparentAroundAWebcamOfTheirColour) {
  for (const Expected& e : kIcons) {
    for (int size : {16, 32}) {
      SCOPED_TRACE(testing::Message() << e.file << " at " << size);
      const std::wstring path = test::BuiltFile(ORVANE_ICON_FOLDER, e.file);
      HICON icon = static_cast<HICON>(::LoadImageW(nullptr, path.c_str(), IMAGE_ICON, size, size, LR_LOADFROMFILE));
      ASSERT_NE(icon, nullptr);

      ICONINFO info = {};
      ASSERT_TRUE(::GetIconInfo(icon, &info));
      BITMAP colour = {};
      ::GetObjectW(info.hbmColor, sizeof(colour), &colour);
      EXPECT_EQ(colour.bmWidth, size);
      EXPECT_EQ(colour.bmHeight, size);
      ::DeleteObject(info.hbmColor);
      ::DeleteObject(info.hbmMask);

      Drawn onWhite(icon, size, RGB(255, 255, 255));
      Drawn onBlack(icon, size, RGB(0, 0, 0));
      ::DestroyIcon(icon);
      ASSERT_TRUE(onWhite.canvas.Valid() && onBlack.canvas.Valid());

      EXPECT_EQ(onWhite.canvas.At(0, 0), RGB(255, 255, 255)) << "the corner is not transparent";
      EXPECT_EQ(onBlack.canvas.At(0, 0), RGB(0, 0, 0)) << "the corner is not transparent";

      // A pixel of the head's ring, above the lens, at every size.
      const int x = size / 2, y = size * 3 / 32;
      const COLORREF head = onWhite.canvas.At(x, y);
      EXPECT_TRUE(e.red.Holds(GetRValue(head)) && e.green.Holds(GetGValue(head)) && e.blue.Holds(GetBValue(head)))
          << "head drawn as RGB(" << int(GetRValue(head)) << ", " << int(GetGValue(head)) << ", "
          << int(GetBValue(head)) << ")";
      const COLORREF overBlack = onBlack.canvas.At(x, y);
      const int shift = std::abs(GetRValue(head) - GetRValue(overBlack)) +
                        std::abs(GetGValue(head) - GetGValue(overBlack)) +
                        std::abs(GetBValue(head) - GetBValue(overBlack));
      if (e.opaque) {
        EXPECT_LE(shift, 6) << "the head lets the background through";
      } else {
        EXPECT_GE(shift, 3 * 60) << "the faded icon is not see-through";
      }
    }
  }
}

}  // namespace
}  // namespace orvane
