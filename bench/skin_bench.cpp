// Skin start-up over a generated package (two languages of 1,000 texts, 300
// windows, 20 images): opening, parsing and storing it against unzipping
// every entry with minizip alone; and text lookups that hit, miss and fall
// back to language 1033. Then the product's own velin.dll beside the
// program: its start-up and its "MainFrame" tree against unzipping it.
// clang-format off
#include <windows.h>
#include <objidl.h>
#include <gdiplus.h>
// clang-format on

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "bench/bench_timer.h"
#include "toolkit/SkinUi.h"
#include "toolkit/SkinWindow.h"

namespace {

void Add(zipFile zip, const std::string& name, const std::string& bytes) {
  zip_fileinfo info{};
  zipOpenNewFileInZip64(zip, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION,
                        0);
  zipWriteInFileInZip(zip, bytes.data(), static_cast<unsigned>(bytes.size()));
  zipCloseFileInZip(zip);
}

std::string Texts(int language) {
  std::string xml = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n<Skin>\n  <Text>\n    <Language Id=\"" +
                    std::to_string(language) + "\">\n";
  // Language 2052 lacks every tenth key, so those fall back to 1033.
  for (int i = 0; i < 1000; ++i) {
    if (language == 2052 && i % 10 == 9) continue;
    xml += "      <Key" + std::to_string(i) + " Text=\"Text number " + std::to_string(i) + " of language " +
           std::to_string(language) + "\"/>\n";
  }
  return xml + "    </Language>\n  </Text>\n</Skin>\n";
}

std::string Windows() {
  std::string xml = "<?xml version=\"1.0\"?>\n<Skin>\n  <Windows>\n";
  // 30 top-level windows of 9 children each.
  for (int w = 0; w < 30; ++w) {
    xml += "    <Frame" + std::to_string(w) +
           " Class=\"WINDOW\" Width=\"640\" Height=\"480\" ClBkGround=\"Back\" Style=\"WS_CHILD|WS_VISIBLE\">\n";
    for (int c = 0; c < 9; ++c)
      xml += "      <Button" + std::to_string(c) + " Class=\"ICONBUTTON\" CommandID=\"0x" + std::to_string(1000 + c) +
             "\" X=\"" + std::to_string(c * 24) +
             "\" Y=\"4\" Width=\"24\" Height=\"24\" Align=\"ALIGN_PRE_RIGHT|ALIGN_PARENT_TOP\" Pic=\"Image" +
             std::to_string(c) + "\" ToolTip=\"Key" + std::to_string(c) + "\"/>\n";
    xml += "    </Frame" + std::to_string(w) + ">\n";
  }
  return xml + "  </Windows>\n</Skin>\n";
}

std::string MakePackage(const std::wstring& folder) {
  const std::string path = std::string(folder.begin(), folder.end()) + "\\velin.dll";
  zipFile zip = zipOpen64(path.c_str(), 0);
  std::string skin =
      "<?xml version=\"1.0\"?>\n<Skin>\n  <Colors><Back Red=\"40\" Green=\"40\" Blue=\"40\"/></Colors>\n";
  skin += "  <Fonts><Normal FamilyName=\"Arial\" Height=\"13\"/></Fonts>\n  <Images>\n";
  for (int i = 0; i < 20; ++i)
    skin += "    <Image" + std::to_string(i) + " File=\"images/" + std::to_string(i) + ".png\"/>\n";
  skin += "  </Images>\n  <Include File=\"text1033.xml\"/>\n  <Include File=\"text2052.xml\"/>\n";
  skin += "  <Include File=\"windows.xml\"/>\n</Skin>\n";
  Add(zip, "Skin.xml", skin);
  Add(zip, "text1033.xml", Texts(1033));
  Add(zip, "text2052.xml", Texts(2052));
  Add(zip, "windows.xml", Windows());
  // Pictures that compress a little, 24 KB each.
  uint32_t seed = 12345;
  for (int i = 0; i < 20; ++i) {
    std::string bytes(24 * 1024, '\0');
    for (char& b : bytes) {
      seed = seed * 1664525u + 1013904223u;
      b = static_cast<char>((seed >> 24) & 0x3F);
    }
    Add(zip, "images/" + std::to_string(i) + ".png", bytes);
  }
  zipClose(zip, nullptr);
  return path;
}

// Every entry unzipped into memory, as a peer doing no XML work at all.
size_t UnzipAll(const std::string& path) {
  size_t total = 0;
  unzFile zip = unzOpen64(path.c_str());
  std::vector<char> buffer;
  for (int r = unzGoToFirstFile(zip); r == UNZ_OK; r = unzGoToNextFile(zip)) {
    unz_file_info64 info{};
    unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0);
    buffer.resize(static_cast<size_t>(info.uncompressed_size) + 1);
    unzOpenCurrentFile(zip);
    total += static_cast<size_t>(unzReadCurrentFile(zip, buffer.data(), static_cast<unsigned>(buffer.size())));
    unzCloseCurrentFile(zip);
    SinkBytes(buffer.data(), buffer.size());
  }
  unzClose(zip);
  return total;
}

class CMainFrameView : public AvlfWindowImpl<CMainFrameView> {};

// The built skin as the program starts with it: open and parse, then the
// main view's tree made and laid out in a hidden 1080 x 720 frame.
bool ProductSkin() {
  wchar_t exe[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, exe, MAX_PATH);
  std::wstring package(exe);
  package = package.substr(0, package.find_last_of(L"\\/")) + L"\\velin.dll";
  const std::string narrowPackage(package.begin(), package.end());
  WIN32_FILE_ATTRIBUTE_DATA data{};
  if (!GetFileAttributesExW(package.c_str(), GetFileExInfoStandard, &data)) {
    std::fprintf(stderr, "skin_bench: no velin.dll beside the program\n");
    return false;
  }

  size_t unzipped = 0;
  const double unzip = BestMs(15, [&] { unzipped = UnzipAll(narrowPackage); });
  std::vector<std::unique_ptr<AvlfUI>> managers;
  const double startup = BestMs(15, [&] {
    auto ui = std::make_unique<AvlfUI>();
    ui->LoadSkinPackage(package.c_str());
    managers.push_back(std::move(ui));
  });
  managers.clear();
  // The part of start-up that is GDI+'s own: registering the resource fonts.
  const std::wstring resource = package.substr(0, package.find_last_of(L"\\")) + L"\\resource\\";
  const double fonts = BestMs(15, [&] {
    Gdiplus::PrivateFontCollection collection;
    for (const wchar_t* file : {L"fontawesome-webfont.ttf", L"LiberationSans-Regular.ttf"})
      collection.AddFontFile((resource + file).c_str());
    g_benchSink = static_cast<uint8_t>(collection.GetFamilyCount());
  });

  GetSkinUi()->LoadSkinPackage(package.c_str());
  HWND frame = CreateWindowExW(WS_EX_TOOLWINDOW, L"STATIC", L"bench", WS_POPUP | WS_CLIPCHILDREN, 0, 0, 1080, 720,
                               nullptr, nullptr, nullptr, nullptr);
  bool built = true;
  const double tree = BestMs(15, [&] {
    CMainFrameView view;
    RECT rc{0, 0, 1080, 720};
    built = built && view.Create(nullptr, frame, &rc, L"MainFrame", 0x56000000) && !view.m_children.empty();
    view.DestroyWindow();
  });
  DestroyWindow(frame);
  GetSkinUi()->ClearSkin();
  if (!built || unzipped == 0) {
    std::fprintf(stderr, "skin_bench: the product skin's MainFrame was not built\n");
    return false;
  }

  std::printf("product_skin_package_size: %.1f KB\n", static_cast<double>(data.nFileSizeLow) / 1024.0);
  std::printf("product_skin_startup: %.2f ms\n", startup);
  std::printf("product_skin_mainframe: %.2f ms\n", tree);
  std::printf("product_skin_unzip_all: %.2f ms\n", unzip);
  std::printf("product_skin_fonts_alone: %.2f ms\n", fonts);
  std::printf("product_skin_startup_vs_unzip_all_and_fonts: %.2f x\n", startup / (unzip + fonts));
  return true;
}

}  // namespace

int main() {
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  Gdiplus::GdiplusStartup(&token, &input, nullptr);

  wchar_t folder[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, folder);
  const std::string package = MakePackage(folder);
  const std::wstring widePackage(package.begin(), package.end());

  size_t unzipped = 0;
  const double unzip = BestMs(15, [&] { unzipped = UnzipAll(package); });
  // Start-up only: each manager is deleted after the clock stops, as the
  // program deletes it at its end.
  size_t stored = 0;
  std::vector<std::unique_ptr<AvlfUI>> managers;
  const double startup = BestMs(15, [&] {
    auto ui = std::make_unique<AvlfUI>();
    ui->LoadSkinPackage(widePackage.c_str());
    stored = ui->GetElements(AVLF_UI_TEXT, 1033)->size() + ui->GetElements(AVLF_UI_TEXT, 2052)->size() +
             ui->GetElements(AVLF_UI_WINDOW, 1033)->size();
    managers.push_back(std::move(ui));
  });
  managers.clear();
  if (stored != 1900 + 30 || unzipped == 0) {
    std::fprintf(stderr, "skin_bench: %zu elements stored, %zu bytes unzipped\n", stored, unzipped);
    return 1;
  }

  AvlfUI ui;
  ui.LoadSkinPackage(widePackage.c_str());
  ui.SetLanguage(2052);
  std::vector<std::wstring> hits, misses, fallbacks;
  for (int i = 0; i < 1000; ++i) {
    (i % 10 == 9 ? fallbacks : hits).push_back(L"key" + std::to_wstring(i));
    misses.push_back(L"Absent" + std::to_wstring(i));
  }
  auto perLookup = [&](const std::vector<std::wstring>& keys) {
    const int rounds = 20;
    size_t found = 0;
    const double ms = BestMs(5, [&] {
      for (int r = 0; r < rounds; ++r)
        for (const std::wstring& key : keys) found += ui.FindElement(key.c_str(), AVLF_UI_TEXT) != nullptr;
    });
    g_benchSink = static_cast<uint8_t>(found);
    return ms * 1e6 / (static_cast<double>(keys.size()) * rounds);
  };
  const double hit = perLookup(hits), miss = perLookup(misses), fallback = perLookup(fallbacks);

  std::printf("skin_startup: %.2f ms\n", startup);
  std::printf("skin_unzip_all: %.2f ms\n", unzip);
  std::printf("skin_startup_vs_unzip_all: %.2f x\n", startup / unzip);
  std::printf("skin_lookup_hit: %.0f ns\n", hit);
  std::printf("skin_lookup_miss: %.0f ns\n", miss);
  std::printf("skin_lookup_fallback: %.0f ns\n", fallback);
  const bool product = ProductSkin();

  Gdiplus::GdiplusShutdown(token);
  CoUninitialize();
  return product ? 0 : 1;
}
