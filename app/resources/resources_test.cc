// Checks the executable's resources as Windows itself sees them: the two icon groups and their
// images, the version block and the manifest. Link this file with the compiled app.rc; it reads
// the resources of whatever executable it is linked into.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <cwctype>
#include <string>
#include <vector>

namespace {

constexpr int kSizes[] = {16, 24, 32, 48, 64, 128, 256};
constexpr WORD kRtIcon = 3;
constexpr WORD kRtGroupIcon = 14;
constexpr WORD kRtManifest = 24;

struct resource_bytes {
  const std::uint8_t *data = nullptr;
  DWORD size = 0;
};

resource_bytes find_resource(WORD id, WORD type) {
  resource_bytes out;
  HMODULE self = GetModuleHandleW(nullptr);
  HRSRC found = FindResourceW(self, MAKEINTRESOURCEW(id), MAKEINTRESOURCEW(type));
  if (!found)
    return out;
  HGLOBAL loaded = LoadResource(self, found);
  if (!loaded)
    return out;
  out.data = static_cast<const std::uint8_t *>(LockResource(loaded));
  out.size = SizeofResource(self, found);
  return out;
}

std::uint16_t u16(const std::uint8_t *p) {
  return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}
std::uint32_t u32(const std::uint8_t *p) {
  return u16(p) | static_cast<std::uint32_t>(u16(p + 2)) << 16;
}
std::uint32_t be32(const std::uint8_t *p) {
  return static_cast<std::uint32_t>(p[0]) << 24 | p[1] << 16 | p[2] << 8 | p[3];
}

// One entry of a GRPICONDIR as stored in an RT_GROUP_ICON resource (14 bytes each).
struct group_entry {
  int width, height, colours, planes, bits;
  std::uint32_t bytes;
  WORD id;
};

struct icon_group {
  int reserved = -1, type = -1, count = -1;
  std::vector<group_entry> entries;
  resource_bytes raw;
};

icon_group read_group(WORD id) {
  icon_group g;
  g.raw = find_resource(id, kRtGroupIcon);
  if (!g.raw.data || g.raw.size < 6)
    return g;
  const std::uint8_t *p = g.raw.data;
  g.reserved = u16(p);
  g.type = u16(p + 2);
  g.count = u16(p + 4);
  for (int i = 0; i < g.count && 6 + 14 * (i + 1) <= static_cast<int>(g.raw.size); ++i) {
    const std::uint8_t *e = p + 6 + 14 * i;
    g.entries.push_back({e[0] ? e[0] : 256, e[1] ? e[1] : 256, e[2], u16(e + 4), u16(e + 6),
                         u32(e + 8), u16(e + 12)});
  }
  return g;
}

bool is_png(const resource_bytes &r) {
  static const std::uint8_t signature[8] = {0x89, 'P', 'N', 'G', 0x0d, 0x0a, 0x1a, 0x0a};
  return r.size >= 33 && std::memcmp(r.data, signature, 8) == 0;
}

// The pixels of a loaded icon as top-down 0xAARRGGBB values, with its bitmap's size and depth.
struct icon_pixels {
  int width = 0, height = 0, bits = 0;
  std::vector<std::uint32_t> argb;
};

icon_pixels read_icon(HICON icon, int size) {
  icon_pixels out;
  ICONINFO info{};
  if (!GetIconInfo(icon, &info))
    return out;
  BITMAP bm{};
  if (info.hbmColor && GetObjectW(info.hbmColor, sizeof bm, &bm)) {
    out.width = bm.bmWidth;
    out.height = bm.bmHeight;
    out.bits = bm.bmBitsPixel;
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = size;
    bi.bmiHeader.biHeight = -size;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    out.argb.assign(static_cast<size_t>(size) * size, 0);
    HDC dc = GetDC(nullptr);
    if (GetDIBits(dc, info.hbmColor, 0, size, out.argb.data(), &bi, DIB_RGB_COLORS) != size)
      out.argb.clear();
    ReleaseDC(nullptr, dc);
  }
  if (info.hbmColor)
    DeleteObject(info.hbmColor);
  if (info.hbmMask)
    DeleteObject(info.hbmMask);
  return out;
}

std::string version_string(const std::vector<std::uint8_t> &block, const wchar_t *name) {
  std::wstring path = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  void *value = nullptr;
  UINT length = 0;
  if (!VerQueryValueW(block.data(), path.c_str(), &value, &length) || !value)
    return "<missing>";
  const wchar_t *w = static_cast<const wchar_t *>(value);
  std::string out;
  for (; *w; ++w)
    out += *w < 0x80 ? static_cast<char>(*w) : '?';
  return out;
}

std::vector<std::uint8_t> own_version_block() {
  wchar_t path[MAX_PATH * 2] = L"";
  DWORD n = GetModuleFileNameW(nullptr, path, MAX_PATH * 2);
  if (!n || n >= MAX_PATH * 2)
    return {};
  DWORD ignored = 0;
  DWORD size = GetFileVersionInfoSizeW(path, &ignored);
  if (!size)
    return {};
  std::vector<std::uint8_t> block(size);
  if (!GetFileVersionInfoW(path, 0, size, block.data()))
    return {};
  return block;
}

std::string manifest_text() {
  resource_bytes r = find_resource(1, kRtManifest);
  return r.data ? std::string(reinterpret_cast<const char *>(r.data), r.size) : std::string();
}

// The start tag "<name ...>" (or "<name .../>") at or after `from`, or "" when there is none.
std::string start_tag(const std::string &xml, const std::string &name, size_t from = 0,
                      size_t *at = nullptr) {
  for (size_t p = xml.find("<" + name, from); p != std::string::npos;
       p = xml.find("<" + name, p + 1)) {
    char next = p + 1 + name.size() < xml.size() ? xml[p + 1 + name.size()] : '\0';
    if (next != ' ' && next != '>' && next != '/' && next != '\n' && next != '\r' && next != '\t')
      continue;
    size_t end = xml.find('>', p);
    if (end == std::string::npos)
      return "";
    if (at)
      *at = p;
    return xml.substr(p, end + 1 - p);
  }
  return "";
}

std::string attribute(const std::string &tag, const std::string &name) {
  std::string key = " " + name + "=\"";
  size_t p = tag.find(key);
  if (p == std::string::npos)
    return "<missing>";
  p += key.size();
  size_t end = tag.find('"', p);
  return end == std::string::npos ? "<missing>" : tag.substr(p, end - p);
}

// The text between <name ...> and </name>.
std::string element_text(const std::string &xml, const std::string &name) {
  size_t at = 0;
  std::string tag = start_tag(xml, name, 0, &at);
  if (tag.empty())
    return "<missing>";
  size_t begin = at + tag.size();
  size_t end = xml.find("</" + name + ">", begin);
  return end == std::string::npos ? "<missing>" : xml.substr(begin, end - begin);
}

class IconGroup : public ::testing::TestWithParam<int> {};

TEST_P(IconGroup, HoldsSevenThirtyTwoBitImagesOfEachSize) {
  icon_group g = read_group(static_cast<WORD>(GetParam()));
  ASSERT_NE(g.raw.data, nullptr) << "no RT_GROUP_ICON " << GetParam();
  EXPECT_EQ(g.reserved, 0);
  EXPECT_EQ(g.type, 1);
  ASSERT_EQ(g.count, 7);
  ASSERT_EQ(g.raw.size, 6u + 14u * 7u);
  std::vector<int> sizes;
  for (const group_entry &e : g.entries) {
    SCOPED_TRACE("entry " + std::to_string(e.width));
    sizes.push_back(e.width);
    EXPECT_EQ(e.height, e.width);
    EXPECT_EQ(e.bits, 32);
    EXPECT_EQ(e.planes, 1);
    EXPECT_EQ(e.colours, 0);
  }
  std::sort(sizes.begin(), sizes.end());
  EXPECT_EQ(sizes, std::vector<int>(std::begin(kSizes), std::end(kSizes)));
}

TEST_P(IconGroup, ImagesAreThirtyTwoBitBitmapsOrPngsOfTheirListedSize) {
  icon_group g = read_group(static_cast<WORD>(GetParam()));
  ASSERT_EQ(g.entries.size(), 7u);
  for (const group_entry &e : g.entries) {
    SCOPED_TRACE("image " + std::to_string(e.width) + " px, RT_ICON " + std::to_string(e.id));
    resource_bytes img = find_resource(e.id, kRtIcon);
    ASSERT_NE(img.data, nullptr);
    EXPECT_EQ(img.size, e.bytes);
    if (is_png(img)) {
      EXPECT_EQ(std::string(reinterpret_cast<const char *>(img.data + 12), 4), "IHDR");
      EXPECT_EQ(be32(img.data + 16), static_cast<std::uint32_t>(e.width));
      EXPECT_EQ(be32(img.data + 20), static_cast<std::uint32_t>(e.width));
      EXPECT_EQ(img.data[24], 8) << "bit depth";
      EXPECT_EQ(img.data[25], 6) << "colour type RGBA";
      continue;
    }
    ASSERT_GE(img.size, 40u);
    const std::uint8_t *h = img.data;
    const int size = e.width;
    ASSERT_EQ(u32(h), 40u) << "BITMAPINFOHEADER";
    EXPECT_EQ(static_cast<int>(u32(h + 4)), size);
    EXPECT_EQ(static_cast<int>(u32(h + 8)), 2 * size) << "height covers the colour and mask rows";
    EXPECT_EQ(u16(h + 12), 1);
    EXPECT_EQ(u16(h + 14), 32);
    EXPECT_EQ(u32(h + 16), static_cast<std::uint32_t>(BI_RGB));
    const size_t mask_stride = (size + 31) / 32 * 4;
    ASSERT_EQ(img.size, 40u + 4u * size * size + mask_stride * size);

    // Real alpha: clear corners, an opaque centre, anti-aliased edges; the AND mask marks
    // exactly the fully transparent pixels.
    const std::uint8_t *px = h + 40;
    const std::uint8_t *mask = px + 4 * size * size;
    int partial = 0, mask_mismatches = 0;
    for (int row = 0; row < size; ++row) {
      for (int x = 0; x < size; ++x) {
        std::uint8_t a = px[4 * (row * size + x) + 3];
        if (a != 0 && a != 255)
          ++partial;
        bool masked = mask[row * mask_stride + x / 8] & (0x80 >> (x % 8));
        if (masked != (a == 0))
          ++mask_mismatches;
      }
    }
    auto alpha = [&](int x, int y_from_top) {
      return px[4 * ((size - 1 - y_from_top) * size + x) + 3];
    };
    EXPECT_EQ(alpha(0, 0), 0);
    EXPECT_EQ(alpha(0, size - 1), 0);
    EXPECT_EQ(alpha(size - 1, size - 1), 0);
    EXPECT_EQ(alpha(size / 2, size / 2), 255);
    EXPECT_GT(partial, 0);
    EXPECT_EQ(mask_mismatches, 0);
  }
}

TEST_P(IconGroup, LoadsAtEverySizeFromItsOwnImage) {
  icon_group g = read_group(static_cast<WORD>(GetParam()));
  ASSERT_EQ(g.entries.size(), 7u);
  for (int size : kSizes) {
    SCOPED_TRACE("size " + std::to_string(size));
    // The system picks the entry of exactly this size rather than scaling another one.
    int chosen = LookupIconIdFromDirectoryEx(const_cast<PBYTE>(g.raw.data), TRUE, size, size,
                                             LR_DEFAULTCOLOR);
    auto entry = std::find_if(g.entries.begin(), g.entries.end(),
                              [&](const group_entry &e) { return e.id == chosen; });
    ASSERT_NE(entry, g.entries.end());
    EXPECT_EQ(entry->width, size);

    HICON icon =
        static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(GetParam()),
                                      IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    ASSERT_NE(icon, nullptr);
    icon_pixels pixels = read_icon(icon, size);
    DestroyIcon(icon);
    EXPECT_EQ(pixels.width, size);
    EXPECT_EQ(pixels.height, size);
    EXPECT_EQ(pixels.bits, 32);
    ASSERT_EQ(pixels.argb.size(), static_cast<size_t>(size) * size);
    int clear = 0, partial = 0, opaque = 0;
    for (std::uint32_t p : pixels.argb) {
      std::uint32_t a = p >> 24;
      (a == 0 ? clear : a == 255 ? opaque : partial)++;
    }
    EXPECT_GT(clear, 0);
    EXPECT_GT(partial, 0);
    EXPECT_GT(opaque, size * size / 2);
    EXPECT_EQ(pixels.argb[0] >> 24, 0u) << "top-left corner is transparent";
    EXPECT_EQ(pixels.argb[static_cast<size_t>(size / 2) * size + size / 2] >> 24, 255u)
        << "centre is opaque";
  }
}

INSTANTIATE_TEST_SUITE_P(Groups, IconGroup, ::testing::Values(1, 32512),
                         [](const ::testing::TestParamInfo<int> &info) {
                           return "Id" + std::to_string(info.param);
                         });

TEST(IconResources, BothGroupsCarryTheSameImages) {
  icon_group app = read_group(1);
  icon_group fallback = read_group(32512);
  ASSERT_EQ(app.entries.size(), 7u);
  ASSERT_EQ(fallback.entries.size(), 7u);
  for (const group_entry &a : app.entries) {
    SCOPED_TRACE("size " + std::to_string(a.width));
    auto f = std::find_if(fallback.entries.begin(), fallback.entries.end(),
                          [&](const group_entry &e) { return e.width == a.width; });
    ASSERT_NE(f, fallback.entries.end());
    resource_bytes x = find_resource(a.id, kRtIcon);
    resource_bytes y = find_resource(f->id, kRtIcon);
    ASSERT_NE(x.data, nullptr);
    ASSERT_NE(y.data, nullptr);
    ASSERT_EQ(x.size, y.size);
    EXPECT_EQ(std::memcmp(x.data, y.data, x.size), 0);
  }
}

TEST(IconResources, LoadAtTheSystemIconSizes) {
  HMODULE self = GetModuleHandleW(nullptr);
  const int big = GetSystemMetrics(SM_CXICON);
  const int small = GetSystemMetrics(SM_CXSMICON);
  for (int size : {big, small}) {
    HICON icon = static_cast<HICON>(
        LoadImageW(self, MAKEINTRESOURCEW(1), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
    ASSERT_NE(icon, nullptr) << size;
    EXPECT_EQ(read_icon(icon, size).width, size);
    DestroyIcon(icon);
  }
  // The window class icon is looked up through the ANSI entry point.
  HICON cls =
      static_cast<HICON>(LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(32512), IMAGE_ICON,
                                    big, GetSystemMetrics(SM_CYICON), LR_DEFAULTCOLOR));
  ASSERT_NE(cls, nullptr);
  DestroyIcon(cls);
}

TEST(VersionResource, FixedPartIsTwoOneFive) {
  std::vector<std::uint8_t> block = own_version_block();
  ASSERT_FALSE(block.empty());
  VS_FIXEDFILEINFO *fixed = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void **>(&fixed), &length));
  ASSERT_NE(fixed, nullptr);
  ASSERT_GE(length, sizeof(VS_FIXEDFILEINFO));
  EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
  EXPECT_EQ(fixed->dwFileVersionMS, 0x00020001u);
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00050000u);
  EXPECT_EQ(fixed->dwProductVersionMS, 0x00020001u);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00050000u);
  EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));
  EXPECT_EQ(fixed->dwFileOS, static_cast<DWORD>(VOS_NT_WINDOWS32));
  EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask, 0u)
      << "no debug, pre-release or patched flags";
}

TEST(VersionResource, StringsNameTheProduct) {
  std::vector<std::uint8_t> block = own_version_block();
  ASSERT_FALSE(block.empty());
  EXPECT_EQ(version_string(block, L"FileVersion"), "2.1.5");
  EXPECT_EQ(version_string(block, L"ProductVersion"), "2.1.5");
  EXPECT_EQ(version_string(block, L"ProductName"), "Zorvel Office");
  EXPECT_EQ(version_string(block, L"FileDescription"), "Zorvel Office");
  EXPECT_EQ(version_string(block, L"CompanyName"), "Zorvel");
  EXPECT_EQ(version_string(block, L"InternalName"), "ZorvelOffice.exe");
  EXPECT_EQ(version_string(block, L"OriginalFilename"), "ZorvelOffice.exe");
  std::string copyright = version_string(block, L"LegalCopyright");
  EXPECT_NE(copyright, "<missing>");
  EXPECT_NE(copyright.find("Zorvel"), std::string::npos) << copyright;
}

TEST(VersionResource, TranslationIsUsEnglishUnicode) {
  std::vector<std::uint8_t> block = own_version_block();
  ASSERT_FALSE(block.empty());
  WORD *pair = nullptr;
  UINT length = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\VarFileInfo\\Translation",
                             reinterpret_cast<void **>(&pair), &length));
  ASSERT_EQ(length, 4u);
  EXPECT_EQ(pair[0], 0x0409);
  EXPECT_EQ(pair[1], 1200);
}

TEST(ManifestResource, DeclaresIdentityLevelControlsDpiAndSystems) {
  std::string xml = manifest_text();
  ASSERT_FALSE(xml.empty()) << "no RT_MANIFEST 1";
  EXPECT_EQ(xml.rfind("<?xml", 0), 0u);
  EXPECT_NE(xml.find("</assembly>"), std::string::npos);

  std::string root = start_tag(xml, "assembly");
  EXPECT_EQ(attribute(root, "xmlns"), "urn:schemas-microsoft-com:asm.v1");
  EXPECT_EQ(attribute(root, "manifestVersion"), "1.0");

  // The program's own identity is the first assemblyIdentity, before any dependency.
  size_t own_at = 0, dependency_at = std::string::npos;
  std::string own = start_tag(xml, "assemblyIdentity", 0, &own_at);
  start_tag(xml, "dependency", 0, &dependency_at);
  ASSERT_LT(own_at, dependency_at);
  EXPECT_EQ(attribute(own, "type"), "win32");
  EXPECT_EQ(attribute(own, "name"), "Zorvel.Office");
  EXPECT_EQ(attribute(own, "version"), "1.1.0.0");
  EXPECT_EQ(attribute(own, "processorArchitecture"), "amd64");

  std::string level = start_tag(xml, "requestedExecutionLevel");
  EXPECT_EQ(attribute(level, "level"), "asInvoker");
  EXPECT_EQ(attribute(level, "uiAccess"), "false");

  ASSERT_NE(dependency_at, std::string::npos);
  std::string controls = start_tag(xml, "assemblyIdentity", dependency_at);
  EXPECT_EQ(attribute(controls, "type"), "win32");
  EXPECT_EQ(attribute(controls, "name"), "Microsoft.Windows.Common-Controls");
  EXPECT_EQ(attribute(controls, "version"), "6.0.0.0");
  EXPECT_EQ(attribute(controls, "processorArchitecture"), "*");
  EXPECT_EQ(attribute(controls, "publicKeyToken"), "6595b64144ccf1df");
  EXPECT_EQ(attribute(controls, "language"), "*");

  EXPECT_EQ(attribute(start_tag(xml, "dpiAware"), "xmlns"),
            "http://schemas.microsoft.com/SMI/2005/WindowsSettings");
  EXPECT_EQ(element_text(xml, "dpiAware"), "true/pm");
  EXPECT_EQ(attribute(start_tag(xml, "dpiAwareness"), "xmlns"),
            "http://schemas.microsoft.com/SMI/2016/WindowsSettings");
  EXPECT_EQ(element_text(xml, "dpiAwareness"), "PerMonitorV2");

  std::vector<std::string> systems;
  for (size_t at = 0;; ++at) {
    std::string os = start_tag(xml, "supportedOS", at, &at);
    if (os.empty())
      break;
    systems.push_back(attribute(os, "Id"));
  }
  std::sort(systems.begin(), systems.end());
  EXPECT_EQ(systems,
            (std::vector<std::string>{"{1f676c76-80e1-4239-95bb-83d0f6d0da78}",    // Windows 8.1
                                      "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})); // Windows 10/11
}

std::wstring process_setting(const wchar_t *ns, const wchar_t *name) {
  wchar_t value[128] = L"";
  SIZE_T written = 0;
  // No activation context handle: the process default one, made from the manifest.
  if (!QueryActCtxSettingsW(0, nullptr, ns, name, value, 128, &written))
    return L"<missing>";
  return value;
}

bool contains_guid(const std::vector<std::uint8_t> &bytes, const GUID &id) {
  auto *begin = reinterpret_cast<const std::uint8_t *>(&id);
  return std::search(bytes.begin(), bytes.end(), begin, begin + sizeof id) != bytes.end();
}

// The loader read the manifest into the process's default activation context: its settings,
// run level and supported systems are there, and comctl32.dll comes from the Common Controls 6
// side-by-side assembly rather than the system directory.
TEST(ManifestResource, TakesEffectInTheProcess) {
  EXPECT_EQ(process_setting(L"http://schemas.microsoft.com/SMI/2005/WindowsSettings", L"dpiAware"),
            L"true/pm");
  EXPECT_EQ(
      process_setting(L"http://schemas.microsoft.com/SMI/2016/WindowsSettings", L"dpiAwareness"),
      L"PerMonitorV2");

  ACTIVATION_CONTEXT_RUN_LEVEL_INFORMATION run_level{};
  SIZE_T written = 0;
  ASSERT_TRUE(QueryActCtxW(0, nullptr, nullptr, RunlevelInformationInActivationContext, &run_level,
                           sizeof run_level, &written));
  EXPECT_EQ(run_level.RunLevel, ACTCTX_RUN_LEVEL_AS_INVOKER);
  EXPECT_EQ(run_level.UiAccess, 0u);

  // The element layout differs between system versions; the count comes first and each
  // element starts with the system's id.
  std::vector<std::uint8_t> compat(1024);
  written = 0;
  ASSERT_TRUE(QueryActCtxW(0, nullptr, nullptr, CompatibilityInformationInActivationContext,
                           compat.data(), compat.size(), &written));
  ASSERT_GE(written, sizeof(DWORD));
  compat.resize(written);
  EXPECT_EQ(u32(compat.data()), 2u);
  const GUID windows_8_1 = {
      0x1f676c76, 0x80e1, 0x4239, {0x95, 0xbb, 0x83, 0xd0, 0xf6, 0xd0, 0xda, 0x78}};
  const GUID windows_10 = {
      0x8e0f7a12, 0xbfb3, 0x4fe8, {0xb9, 0xa5, 0x48, 0xfd, 0x50, 0xa1, 0x5a, 0x9a}};
  EXPECT_TRUE(contains_guid(compat, windows_8_1));
  EXPECT_TRUE(contains_guid(compat, windows_10));

  HMODULE comctl = LoadLibraryW(L"comctl32.dll");
  ASSERT_NE(comctl, nullptr);
  wchar_t path[MAX_PATH * 2] = L"";
  GetModuleFileNameW(comctl, path, MAX_PATH * 2);
  std::wstring lower(path);
  for (wchar_t &c : lower)
    c = static_cast<wchar_t>(towlower(c));
  EXPECT_NE(lower.find(L"\\winsxs\\"), std::wstring::npos)
      << "loaded from " << std::string(lower.begin(), lower.end());
  EXPECT_NE(lower.find(L"microsoft.windows.common-controls_6595b64144ccf1df_6."),
            std::wstring::npos);
  FreeLibrary(comctl);
}

} // namespace
