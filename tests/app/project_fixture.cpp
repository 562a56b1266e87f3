#include "tests/app/project_fixture.h"

#include <cstdio>
#include <cstring>

#include "engine/Image.h"

namespace projecttest {

CWatchdog::CWatchdog(DWORD ms, const char* what)
    : m_hDone(CreateEventW(nullptr, TRUE, FALSE, nullptr)), m_thread([this, ms, what] {
        if (WaitForSingleObject(m_hDone, ms) == WAIT_OBJECT_0) return;
        std::fprintf(stderr, "locked up: %s\n", what);
        std::fflush(stderr);
        ExitProcess(3);
      }) {}

CWatchdog::~CWatchdog() {
  SetEvent(m_hDone);
  m_thread.join();
  CloseHandle(m_hDone);
}

CCanvasScene::CCanvasScene() : m_pPrevious(g_pDirectUI) {
  RECT rc{0, 0, 320, 240};
  m_host.Create(nullptr, &rc, L"host", 0);
  m_canvas.Create(nullptr, m_host, m_host);
  g_pDirectUI = &m_canvas;
}

CCanvasScene::~CCanvasScene() {
  if (g_pDirectUI == &m_canvas) g_pDirectUI = m_pPrevious;
  if (m_canvas.m_hWnd) m_canvas.DestroyWindow();
  if (m_host.m_hWnd) m_host.DestroyWindow();
}

std::vector<uint8_t> ReadBack(CDTImage* document) {
  std::vector<uint8_t> pixels;
  D3DLOCKED_RECT lr;
  if (!document || document->m_nWidth <= 0 || !document->LockFrame(&lr)) return pixels;
  const int width = document->m_nWidth, height = document->m_nHeight;
  pixels.resize(size_t(width) * height * 4);
  for (int y = 0; y < height; ++y)
    std::memcpy(&pixels[size_t(y) * width * 4], static_cast<const uint8_t*>(lr.pBits) + ptrdiff_t(y) * lr.Pitch,
                size_t(width) * 4);
  document->UnlockFrame();
  return pixels;
}

std::wstring FreshFolder(const wchar_t* name) {
  wchar_t here[MAX_PATH];
  GetCurrentDirectoryW(MAX_PATH, here);
  std::wstring folder = std::wstring(here) + L"\\" + name;
  CreateDirectoryW(folder.c_str(), nullptr);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
  if (search != INVALID_HANDLE_VALUE) {
    do {
      if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) DeleteFileW((folder + L"\\" + found.cFileName).c_str());
    } while (FindNextFileW(search, &found));
    FindClose(search);
  }
  return folder;
}

namespace {

bool WriteBmp(const std::wstring& path, int width, int height, int bits, uint32_t (*colour)(int x, int y),
              uint8_t alpha) {
  const int bytes = bits / 8;
  const int stride = (width * bytes + 3) & ~3;
  BITMAPFILEHEADER file{};
  BITMAPINFOHEADER info{};
  info.biSize = sizeof info;
  info.biWidth = width;
  info.biHeight = bits == 32 ? -height : height;
  info.biPlanes = 1;
  info.biBitCount = static_cast<WORD>(bits);
  info.biCompression = BI_RGB;
  info.biSizeImage = static_cast<DWORD>(stride) * height;
  file.bfType = 0x4D42;
  file.bfOffBits = sizeof file + sizeof info;
  file.bfSize = file.bfOffBits + info.biSizeImage;
  std::vector<uint8_t> rows(info.biSizeImage, 0);
  for (int y = 0; y < height; ++y) {
    const int row = bits == 32 ? y : height - 1 - y;
    for (int x = 0; x < width; ++x) {
      const uint32_t c = colour(x, y);
      uint8_t* p = &rows[size_t(row) * stride + size_t(x) * bytes];
      p[0] = uint8_t(c);
      p[1] = uint8_t(c >> 8);
      p[2] = uint8_t(c >> 16);
      if (bytes == 4) p[3] = alpha;
    }
  }
  FILE* out = _wfopen(path.c_str(), L"wb");
  if (!out) return false;
  bool ok = std::fwrite(&file, sizeof file, 1, out) == 1 && std::fwrite(&info, sizeof info, 1, out) == 1 &&
            std::fwrite(rows.data(), 1, rows.size(), out) == rows.size();
  ok = std::fclose(out) == 0 && ok;
  return ok;
}

}  // namespace

bool WriteBmp24(const std::wstring& path, int width, int height, uint32_t (*colour)(int x, int y)) {
  return WriteBmp(path, width, height, 24, colour, 0xFF);
}

bool WriteBmp32(const std::wstring& path, int width, int height, uint32_t (*colour)(int x, int y), uint8_t alpha) {
  return WriteBmp(path, width, height, 32, colour, alpha);
}

}  // namespace projecttest
