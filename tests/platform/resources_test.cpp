// The per-module resource table and icons loaded from it.
#include <dlfcn.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "support/test_support.h"

namespace {

HMODULE LibraryModule() { return KvModuleHandleOf(dlsym(RTLD_DEFAULT, "FindResourceW")); }

// ---------------------------------------------------------------------------
// Builders of icon resources in the Windows formats.

void Put16(std::string& out, uint32_t v) {
  out.push_back(static_cast<char>(v & 0xFF));
  out.push_back(static_cast<char>((v >> 8) & 0xFF));
}
void Put32(std::string& out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

struct TestImage {
  int width = 16;
  int height = 16;
  int bits = 32;
  std::vector<uint32_t> palette;                     // 0x00RRGGBB, for 1/4/8 bits
  std::function<uint32_t(int x, int y)> value;       // index, or 0xAARRGGBB
  std::function<bool(int x, int y)> transparent = [](int, int) { return false; };
};

// BITMAPINFOHEADER (height doubled), colour table, XOR rows and AND rows,
// both bottom row first.
std::string IconImageBytes(const TestImage& im) {
  std::string out;
  Put32(out, 40);
  Put32(out, im.width);
  Put32(out, 2 * im.height);
  Put16(out, 1);
  Put16(out, im.bits);
  for (int i = 0; i < 4; ++i) Put32(out, 0);  // compression, image size, resolution
  Put32(out, static_cast<uint32_t>(im.palette.size()));  // biClrUsed
  Put32(out, 0);
  for (uint32_t c : im.palette) Put32(out, c & 0xFFFFFF);
  const size_t xorStride = ((im.width * im.bits + 31) / 32) * 4, andStride = ((im.width + 31) / 32) * 4;
  for (int y = im.height - 1; y >= 0; --y) {
    std::string row(xorStride, '\0');
    for (int x = 0; x < im.width; ++x) {
      uint32_t v = im.value(x, y);
      switch (im.bits) {
        case 32:
          for (int b = 0; b < 4; ++b) row[x * 4 + b] = static_cast<char>((v >> (8 * b)) & 0xFF);
          break;
        case 24:
          for (int b = 0; b < 3; ++b) row[x * 3 + b] = static_cast<char>((v >> (8 * b)) & 0xFF);
          break;
        case 8:
          row[x] = static_cast<char>(v);
          break;
        case 4:
          row[x / 2] |= static_cast<char>(x % 2 ? v : v << 4);
          break;
        case 1:
          row[x / 8] |= static_cast<char>(v << (7 - x % 8));
          break;
      }
    }
    out += row;
  }
  for (int y = im.height - 1; y >= 0; --y) {
    std::string row(andStride, '\0');
    for (int x = 0; x < im.width; ++x)
      if (im.transparent(x, y)) row[x / 8] |= static_cast<char>(0x80 >> (x % 8));
    out += row;
  }
  return out;
}

struct GroupEntry {
  int width, height, bits;
  WORD id;
  size_t bytes;
};

std::string GroupBytes(const std::vector<GroupEntry>& entries) {
  std::string out;
  Put16(out, 0);
  Put16(out, 1);
  Put16(out, static_cast<uint32_t>(entries.size()));
  for (const GroupEntry& e : entries) {
    out.push_back(static_cast<char>(e.width % 256));
    out.push_back(static_cast<char>(e.height % 256));
    out.push_back(0);
    out.push_back(0);
    Put16(out, 1);
    Put16(out, e.bits);
    Put32(out, static_cast<uint32_t>(e.bytes));
    Put16(out, e.id);
  }
  return out;
}

TestImage Solid(int side, uint32_t argb) {
  TestImage im;
  im.width = im.height = side;
  im.value = [argb](int, int) { return argb; };
  return im;
}

// Icon pixels as 0xAARRGGBB, rows top first, through GetIconInfo.
struct IconPixels {
  LONG width = 0, height = 0;
  std::vector<uint32_t> argb;
  std::vector<BYTE> mask;  // one bit per pixel, rows of maskStride bytes
  LONG maskStride = 0;
  uint32_t At(int x, int y) const { return argb[static_cast<size_t>(y) * width + x]; }
  bool MaskAt(int x, int y) const { return (mask[y * maskStride + x / 8] >> (7 - x % 8)) & 1; }
};

IconPixels ReadIcon(HICON icon) {
  IconPixels out;
  ICONINFO info = {};
  EXPECT_TRUE(GetIconInfo(icon, &info));
  if (!info.hbmColor) return out;
  EXPECT_TRUE(info.fIcon);
  BITMAP bm = {};
  EXPECT_EQ(GetObjectW(info.hbmColor, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmBitsPixel, 32);
  EXPECT_EQ(bm.bmWidthBytes, bm.bmWidth * 4);
  out.width = bm.bmWidth;
  out.height = bm.bmHeight;
  const BYTE* bits = static_cast<const BYTE*>(bm.bmBits);
  for (LONG i = 0; i < bm.bmWidth * bm.bmHeight; ++i)
    out.argb.push_back(bits[i * 4] | bits[i * 4 + 1] << 8 | bits[i * 4 + 2] << 16 |
                       static_cast<uint32_t>(bits[i * 4 + 3]) << 24);
  BITMAP mask = {};
  EXPECT_EQ(GetObjectW(info.hbmMask, sizeof mask, &mask), static_cast<int>(sizeof mask));
  EXPECT_EQ(mask.bmBitsPixel, 1);
  EXPECT_EQ(mask.bmWidth, bm.bmWidth);
  EXPECT_EQ(mask.bmHeight, bm.bmHeight);
  out.maskStride = mask.bmWidthBytes;
  out.mask.resize(static_cast<size_t>(mask.bmWidthBytes) * mask.bmHeight);
  EXPECT_EQ(GetBitmapBits(info.hbmMask, static_cast<LONG>(out.mask.size()), out.mask.data()),
            static_cast<LONG>(out.mask.size()));
  EXPECT_TRUE(DeleteObject(info.hbmColor));
  EXPECT_TRUE(DeleteObject(info.hbmMask));
  return out;
}

// Resources registered for the test program itself; dropped after each test.
class ProgramResources : public ::testing::Test {
 protected:
  void TearDown() override { KvUnregisterResources(program_); }
  void Add(LPCWSTR type, LPCWSTR name, const std::string& bytes) {
    ASSERT_TRUE(KvRegisterResource(program_, type, name, bytes.data(), static_cast<DWORD>(bytes.size())));
  }
  void AddIconGroup(WORD groupId, const std::vector<std::pair<WORD, TestImage>>& images) {
    std::vector<GroupEntry> entries;
    for (const auto& [id, image] : images) {
      std::string bytes = IconImageBytes(image);
      Add(RT_ICON, MAKEINTRESOURCEW(id), bytes);
      entries.push_back(GroupEntry{image.width, image.height, image.bits, id, bytes.size()});
    }
    Add(RT_GROUP_ICON, MAKEINTRESOURCEW(groupId), GroupBytes(entries));
  }
  std::string Bytes(HRSRC found) {
    HGLOBAL loaded = LoadResource(program_, found);
    const char* data = static_cast<const char*>(LockResource(loaded));
    return data ? std::string(data, SizeofResource(program_, found)) : std::string("<null>");
  }
  HMODULE program_ = GetModuleHandleW(nullptr);
};

// ---------------------------------------------------------------------------
// The resource table

TEST_F(ProgramResources, NumbersAndNamesAreFoundAsOnWindows) {
  Add(L"OWNER_DATA", MAKEINTRESOURCEW(6000), "language file");
  Add(RT_RCDATA, L"Settings", "named");
  struct Row {
    LPCWSTR name;
    LPCWSTR type;
    const char* expected;
  } rows[] = {
      {MAKEINTRESOURCEW(6000), L"OWNER_DATA", "language file"},
      {L"#6000", L"owner_data", "language file"},
      {MAKEINTRESOURCEW(6000), L"Owner_Data", "language file"},
      {L"SETTINGS", RT_RCDATA, "named"},
      {L"settings", L"#10", "named"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.expected);
    HRSRC found = FindResourceW(nullptr, row.name, row.type);  // null: the program
    ASSERT_NE(found, nullptr);
    EXPECT_EQ(Bytes(found), row.expected);
  }
}

TEST_F(ProgramResources, MissingResourcesReportWhatIsMissing) {
  Add(L"OWNER_DATA", MAKEINTRESOURCEW(6000), "x");
  struct Row {
    const char* what;
    HMODULE module;
    LPCWSTR name;
    LPCWSTR type;
    DWORD error;
  } rows[] = {
      {"module without resources", GetModuleHandleW(L"libc.so"), MAKEINTRESOURCEW(6000), L"OWNER_DATA",
       ERROR_RESOURCE_DATA_NOT_FOUND},
      {"no such type", program_, MAKEINTRESOURCEW(6000), L"OTHER", ERROR_RESOURCE_TYPE_NOT_FOUND},
      {"no such name", program_, MAKEINTRESOURCEW(6001), L"OWNER_DATA", ERROR_RESOURCE_NAME_NOT_FOUND},
      {"string is not the number", program_, L"6000", L"OWNER_DATA", ERROR_RESOURCE_NAME_NOT_FOUND},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    SetLastError(0);
    EXPECT_EQ(FindResourceW(row.module, row.name, row.type), nullptr);
    EXPECT_EQ(GetLastError(), row.error);
  }
}

TEST_F(ProgramResources, RegistrationCopiesAndReplacementStalesOldHandles) {
  std::string source = "first";
  Add(RT_RCDATA, MAKEINTRESOURCEW(1), source);
  source = "XXXXX";
  HRSRC first = FindResourceW(program_, MAKEINTRESOURCEW(1), RT_RCDATA);
  EXPECT_EQ(Bytes(first), "first");

  Add(RT_RCDATA, MAKEINTRESOURCEW(1), "second");
  HRSRC second = FindResourceW(program_, MAKEINTRESOURCEW(1), RT_RCDATA);
  EXPECT_EQ(Bytes(second), "second");
  SetLastError(0);
  EXPECT_EQ(LoadResource(program_, first), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(SizeofResource(program_, first), 0u);

  Add(RT_RCDATA, MAKEINTRESOURCEW(2), "");
  HRSRC empty = FindResourceW(program_, MAKEINTRESOURCEW(2), RT_RCDATA);
  EXPECT_EQ(SizeofResource(program_, empty), 0u);
  EXPECT_NE(LockResource(LoadResource(program_, empty)), nullptr);

  KvUnregisterResources(program_);
  EXPECT_EQ(LoadResource(program_, second), nullptr);
  EXPECT_EQ(FindResourceW(program_, MAKEINTRESOURCEW(1), RT_RCDATA), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_RESOURCE_DATA_NOT_FOUND));
}

TEST(Resources, BadRegistrationsAreRefused) {
  const char data[] = "x";
  struct Row {
    const char* what;
    HMODULE module;
    LPCWSTR type;
    LPCWSTR name;
    const void* data;
    DWORD size;
    DWORD error;
  } rows[] = {
      {"null type", nullptr, nullptr, MAKEINTRESOURCEW(1), data, 1, ERROR_INVALID_PARAMETER},
      {"empty name", nullptr, RT_RCDATA, L"", data, 1, ERROR_INVALID_PARAMETER},
      {"null data with a size", nullptr, RT_RCDATA, MAKEINTRESOURCEW(1), nullptr, 4, ERROR_INVALID_PARAMETER},
      {"not a module", reinterpret_cast<HMODULE>(0x1234), RT_RCDATA, MAKEINTRESOURCEW(1), data, 1,
       ERROR_MOD_NOT_FOUND},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    SetLastError(0);
    EXPECT_FALSE(KvRegisterResource(row.module, row.type, row.name, row.data, row.size));
    EXPECT_EQ(GetLastError(), row.error);
  }
  EXPECT_EQ(FindResourceW(nullptr, MAKEINTRESOURCEW(1), RT_RCDATA), nullptr);
}

// ---------------------------------------------------------------------------
// The library's own icons

TEST(LibraryIcons, CompanyIconIsSharedAtTheSystemSize) {
  HMODULE library = LibraryModule();
  ASSERT_NE(FindResourceW(library, MAKEINTRESOURCEW(128), RT_GROUP_ICON), nullptr);
  ASSERT_NE(FindResourceW(library, MAKEINTRESOURCEW(129), RT_GROUP_ICON), nullptr);
  EXPECT_EQ(GetSystemMetrics(SM_CXICON), 32);
  EXPECT_EQ(GetSystemMetrics(SM_CYICON), 32);
  EXPECT_EQ(GetSystemMetrics(SM_CXSMICON), 16);
  EXPECT_EQ(GetSystemMetrics(SM_CYSMICON), 16);
  EXPECT_EQ(GetSystemMetrics(0), 0);

  HICON icon = LoadIconW(library, MAKEINTRESOURCEW(128));
  ASSERT_NE(icon, nullptr);
  EXPECT_EQ(LoadIconW(library, MAKEINTRESOURCEW(128)), icon);
  EXPECT_EQ(LoadImageW(library, MAKEINTRESOURCEW(128), IMAGE_ICON, 32, 32, LR_SHARED), icon);
  EXPECT_TRUE(DestroyIcon(icon));  // shared: accepted and ignored
  IconPixels px = ReadIcon(icon);
  ASSERT_EQ(px.width, 32);
  ASSERT_EQ(px.height, 32);
  EXPECT_EQ(px.At(0, 0) >> 24, 0u) << "rounded corner shows through";
  EXPECT_TRUE(px.MaskAt(0, 0));
  EXPECT_EQ(px.At(4, 16), 0xFF1F4E9Eu) << "the blue square";
  EXPECT_FALSE(px.MaskAt(4, 16));

  HICON other = LoadIconW(library, MAKEINTRESOURCEW(129));
  ASSERT_NE(other, nullptr);
  EXPECT_NE(other, icon);
}

TEST(LibraryIcons, LoadImageMakesNewIconsOfTheSizeAsked) {
  HMODULE library = LibraryModule();
  struct Row {
    int cx, cy;
    UINT flags;
    LONG width, height;
  } rows[] = {
      {32, 32, 0, 32, 32}, {16, 16, 0, 16, 16}, {48, 48, 0, 48, 48}, {20, 24, 0, 20, 24},
      {0, 0, LR_DEFAULTSIZE, 32, 32}, {0, 0, 0, 32, 32}, {0, 16, 0, 16, 16}, {1, 1, 0, 1, 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::to_string(row.cx) + "x" + std::to_string(row.cy) + " flags " + std::to_string(row.flags));
    HICON a = static_cast<HICON>(LoadImageW(library, MAKEINTRESOURCEW(128), IMAGE_ICON, row.cx, row.cy, row.flags));
    HICON b = static_cast<HICON>(LoadImageW(library, MAKEINTRESOURCEW(128), IMAGE_ICON, row.cx, row.cy, row.flags));
    ASSERT_NE(a, nullptr);
    EXPECT_NE(a, b) << "each load is a new icon";
    IconPixels px = ReadIcon(a);
    EXPECT_EQ(px.width, row.width);
    EXPECT_EQ(px.height, row.height);
    EXPECT_TRUE(DestroyIcon(a));
    EXPECT_TRUE(DestroyIcon(b));
    SetLastError(0);
    EXPECT_FALSE(DestroyIcon(a)) << "already destroyed";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_ICON_HANDLE));
    ICONINFO info = {};
    EXPECT_FALSE(GetIconInfo(a, &info));
  }
}

TEST(LibraryIcons, BadRequestsFail) {
  HMODULE library = LibraryModule();
  struct Row {
    const char* what;
    HINSTANCE instance;
    LPCWSTR name;
    UINT type;
    int cx, cy;
    UINT flags;
    DWORD error;
  } rows[] = {
      {"bitmap", library, MAKEINTRESOURCEW(128), IMAGE_BITMAP, 0, 0, 0, ERROR_NOT_SUPPORTED},
      {"from a file", library, L"company.ico", IMAGE_ICON, 0, 0, LR_LOADFROMFILE, ERROR_NOT_SUPPORTED},
      {"negative size", library, MAKEINTRESOURCEW(128), IMAGE_ICON, -1, 16, 0, ERROR_INVALID_PARAMETER},
      {"huge size", library, MAKEINTRESOURCEW(128), IMAGE_ICON, 100000, 100000, 0, ERROR_INVALID_PARAMETER},
      {"no such group", library, MAKEINTRESOURCEW(130), IMAGE_ICON, 0, 0, 0, ERROR_RESOURCE_NAME_NOT_FOUND},
      {"system icons", nullptr, MAKEINTRESOURCEW(32512), IMAGE_ICON, 0, 0, 0, ERROR_RESOURCE_NAME_NOT_FOUND},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    SetLastError(0);
    EXPECT_EQ(LoadImageW(row.instance, row.name, row.type, row.cx, row.cy, row.flags), nullptr);
    EXPECT_EQ(GetLastError(), row.error);
  }
  int stackObject = 0;
  EXPECT_FALSE(DestroyIcon(reinterpret_cast<HICON>(&stackObject)));
  EXPECT_EQ(GetObjectW(LoadIconW(library, MAKEINTRESOURCEW(128)), 0, nullptr), 0) << "an icon is not a bitmap";
  EXPECT_FALSE(DeleteObject(reinterpret_cast<HGDIOBJ>(&stackObject)));
}

// ---------------------------------------------------------------------------
// Icon formats

TEST_F(ProgramResources, TheNearestImageIsChosenThenScaled) {
  const uint32_t red = 0xFFFF0000, blue = 0xFF0000FF, green = 0xFF00FF00;
  TestImage deepRed = Solid(16, red);
  TestImage shallowGreen = Solid(16, green);
  shallowGreen.bits = 24;
  shallowGreen.value = [](int, int) { return 0x00FF00u; };
  AddIconGroup(1, {{10, shallowGreen}, {11, deepRed}, {12, Solid(32, blue)}});
  struct Row {
    int size;
    uint32_t colour;
  } rows[] = {{16, red}, {20, red}, {24, blue}, {32, blue}, {64, blue}, {8, red}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.size);
    HICON icon = static_cast<HICON>(LoadImageW(program_, MAKEINTRESOURCEW(1), IMAGE_ICON, row.size, row.size, 0));
    ASSERT_NE(icon, nullptr);
    IconPixels px = ReadIcon(icon);
    ASSERT_EQ(px.width, row.size);
    for (uint32_t p : px.argb) ASSERT_EQ(p, row.colour);
    DestroyIcon(icon);
  }
}

TEST_F(ProgramResources, EveryColourDepthDecodes) {
  // A 2-colour pattern with the top-left pixel transparent by the AND mask.
  auto pattern = [](int x, int y) { return (x + 2 * y) % 3 == 0; };
  auto corner = [](int x, int y) { return x == 0 && y == 0; };
  const uint32_t a = 0xFF102030, b = 0xFFC0B0A0;
  std::vector<TestImage> images;
  for (int bits : {1, 4, 8}) {
    TestImage im;
    im.width = 13;  // rows need padding at every depth
    im.height = 7;
    im.bits = bits;
    im.palette = {a & 0xFFFFFF, b & 0xFFFFFF};
    im.value = [=](int x, int y) { return pattern(x, y) ? 1u : 0u; };
    im.transparent = corner;
    images.push_back(im);
  }
  for (int bits : {24, 32}) {
    TestImage im;
    im.width = 13;
    im.height = 7;
    im.bits = bits;
    // No alpha in the 32-bit image either: the AND mask decides.
    im.value = [=](int x, int y) { return (pattern(x, y) ? b : a) & 0xFFFFFF; };
    im.transparent = corner;
    images.push_back(im);
  }
  WORD id = 100;
  for (const TestImage& im : images) {
    SCOPED_TRACE(std::to_string(im.bits) + " bits");
    AddIconGroup(id, {{static_cast<WORD>(id + 1), im}});
    HICON icon = static_cast<HICON>(LoadImageW(program_, MAKEINTRESOURCEW(id), IMAGE_ICON, 0, 0, 0));
    ASSERT_NE(icon, nullptr);
    IconPixels px = ReadIcon(icon);
    ASSERT_EQ(px.width, 13);
    ASSERT_EQ(px.height, 7);
    for (int y = 0; y < 7; ++y) {
      for (int x = 0; x < 13; ++x) {
        uint32_t expected = corner(x, y) ? 0 : (pattern(x, y) ? b : a);
        ASSERT_EQ(px.At(x, y), expected) << "at " << x << "," << y;
        ASSERT_EQ(px.MaskAt(x, y), corner(x, y)) << "mask at " << x << "," << y;
      }
    }
    DestroyIcon(icon);
    id += 2;
  }
}

TEST_F(ProgramResources, AlphaChannelWinsOverTheMaskAndScalesWithoutDarkFringes) {
  // White pixels alternating with fully transparent black ones.
  TestImage checker;
  checker.width = checker.height = 32;
  checker.value = [](int x, int y) { return (x + y) % 2 ? 0xFFFFFFFFu : 0x00000000u; };
  checker.transparent = [](int, int) { return false; };  // the alpha channel rules
  AddIconGroup(1, {{2, checker}});
  HICON full = static_cast<HICON>(LoadImageW(program_, MAKEINTRESOURCEW(1), IMAGE_ICON, 32, 32, 0));
  IconPixels same = ReadIcon(full);
  ASSERT_EQ(same.width, 32);
  EXPECT_EQ(same.At(0, 0), 0u);
  EXPECT_EQ(same.At(1, 0), 0xFFFFFFFFu);

  HICON half = static_cast<HICON>(LoadImageW(program_, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, 0));
  IconPixels px = ReadIcon(half);
  ASSERT_EQ(px.width, 16);
  for (uint32_t p : px.argb) {
    EXPECT_EQ(p & 0xFFFFFF, 0xFFFFFFu) << "transparent pixels must not darken the colour";
    EXPECT_EQ(p >> 24, 128u);
  }
  DestroyIcon(full);
  DestroyIcon(half);
}

TEST_F(ProgramResources, MalformedIconBytesGiveNoIcon) {
  const std::string good = IconImageBytes(Solid(16, 0xFF00FF00));
  auto withHeader = [&](size_t offset, uint32_t value, int width) {
    std::string bytes = good;
    for (int i = 0; i < width; ++i) bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
    return bytes;
  };
  const std::string goodGroup = GroupBytes({{16, 16, 32, 2, good.size()}});
  struct Row {
    const char* what;
    std::string group;
    std::string image;
  } rows[] = {
      {"group cut short", goodGroup.substr(0, 10), good},
      {"group of cursors", std::string("\0\0\2\0\1\0", 6) + goodGroup.substr(6), good},
      {"group without entries", std::string("\0\0\1\0\0\0", 6), good},
      {"entry count beyond the data", std::string("\0\0\1\0\5\0", 6) + goodGroup.substr(6), good},
      {"group names a missing image", GroupBytes({{16, 16, 32, 9, good.size()}}), good},
      {"image cut in the header", goodGroup, good.substr(0, 30)},
      {"image cut in the mask", goodGroup, good.substr(0, good.size() - 1)},
      {"odd stored height", goodGroup, withHeader(8, 31, 4)},
      {"zero width", goodGroup, withHeader(4, 0, 4)},
      {"negative width", goodGroup, withHeader(4, 0xFFFFFFF0u, 4)},
      {"enormous width", goodGroup, withHeader(4, 0x7FFFFFFFu, 4)},
      {"enormous height", goodGroup, withHeader(8, 0x7FFFFFFEu, 4)},
      {"16 bits per pixel", goodGroup, withHeader(14, 16, 2)},
      {"compressed", goodGroup, withHeader(16, 1, 4)},
      {"header size beyond the data", goodGroup, withHeader(0, 0x7FFFFFFFu, 4)},
      {"PNG image", goodGroup, std::string("\x89PNG\r\n\x1a\n", 8) + good.substr(8)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    KvUnregisterResources(program_);
    Add(RT_ICON, MAKEINTRESOURCEW(2), row.image);
    Add(RT_GROUP_ICON, MAKEINTRESOURCEW(1), row.group);
    EXPECT_EQ(LoadImageW(program_, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, 0), nullptr);
    EXPECT_EQ(LoadIconW(program_, MAKEINTRESOURCEW(1)), nullptr);
  }
  // A palette larger than the bit depth allows, and one running past the data.
  TestImage paletted = Solid(8, 0);
  paletted.bits = 1;
  paletted.palette = {0, 0xFFFFFF};
  std::string tooMany = IconImageBytes(paletted);
  tooMany[32] = 3;  // biClrUsed
  std::string pastEnd = IconImageBytes(paletted);
  pastEnd[32] = 2;
  pastEnd.resize(40 + 4);  // only one colour is there
  for (const std::string& image : {tooMany, pastEnd}) {
    KvUnregisterResources(program_);
    Add(RT_ICON, MAKEINTRESOURCEW(2), image);
    Add(RT_GROUP_ICON, MAKEINTRESOURCEW(1), GroupBytes({{8, 8, 1, 2, image.size()}}));
    EXPECT_EQ(LoadImageW(program_, MAKEINTRESOURCEW(1), IMAGE_ICON, 0, 0, 0), nullptr);
  }
}

TEST_F(ProgramResources, ABrokenImageFallsBackToTheNextBest) {
  std::string broken = IconImageBytes(Solid(16, 0xFFFF0000)).substr(0, 100);
  std::string fine = IconImageBytes(Solid(32, 0xFF0000FF));
  Add(RT_ICON, MAKEINTRESOURCEW(2), broken);
  Add(RT_ICON, MAKEINTRESOURCEW(3), fine);
  Add(RT_GROUP_ICON, MAKEINTRESOURCEW(1), GroupBytes({{16, 16, 32, 2, broken.size()}, {32, 32, 32, 3, fine.size()}}));
  HICON icon = static_cast<HICON>(LoadImageW(program_, MAKEINTRESOURCEW(1), IMAGE_ICON, 16, 16, 0));
  ASSERT_NE(icon, nullptr);
  IconPixels px = ReadIcon(icon);
  ASSERT_EQ(px.width, 16);
  EXPECT_EQ(px.At(8, 8), 0xFF0000FFu);
  DestroyIcon(icon);
}

TEST(Bitmaps, ObjectQueriesFollowWindows) {
  HICON icon = LoadIconW(LibraryModule(), MAKEINTRESOURCEW(128));
  ICONINFO info = {};
  ASSERT_TRUE(GetIconInfo(icon, &info));
  EXPECT_EQ(info.xHotspot, 16u);
  EXPECT_EQ(info.yHotspot, 16u);
  EXPECT_EQ(GetObjectW(info.hbmColor, 0, nullptr), static_cast<int>(sizeof(BITMAP)));
  BITMAP bm;
  EXPECT_EQ(GetObjectW(info.hbmColor, sizeof bm - 1, &bm), 0) << "short buffer";
  std::vector<BYTE> bits(32 * 32 * 4 + 10, 0xAB);
  EXPECT_EQ(GetBitmapBits(info.hbmColor, static_cast<LONG>(bits.size()), bits.data()), 32 * 32 * 4);
  EXPECT_EQ(bits[32 * 32 * 4], 0xAB) << "copied past the bitmap";
  EXPECT_TRUE(DeleteObject(info.hbmColor));
  EXPECT_TRUE(DeleteObject(info.hbmMask));
  SetLastError(0);
  EXPECT_FALSE(DeleteObject(info.hbmColor));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_INVALID_HANDLE));
  EXPECT_EQ(GetObjectW(info.hbmColor, sizeof bm, &bm), 0);
}

}  // namespace
