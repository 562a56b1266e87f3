// Measure project files and undo with 10,000 figures on a 5472 x 3648
// picture: save and load against WriteFile and ReadFile of the same bytes,
// the undo of one moved figure against a memcpy of the snapshot, and the
// export of a 6000 x 4000 project with 500 figures, per tile, against the
// read-back of a tile alone.

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "bench/bench_timer.h"
#include "engine/DirectUI.h"
#include "engine/History.h"
#include "engine/Image.h"
#include "engine/Print.h"
#include "engine/ProjectFile.h"
#include "win32/Window.h"

namespace {

constexpr int kWidth = 5472, kHeight = 3648, kFigures = 10000;

class CHost : public win32::CWindowImpl<CHost, win32::CWinTraits<WS_POPUP | WS_CLIPCHILDREN>> {
 public:
  BEGIN_MSG_MAP(CHost)
  END_MSG_MAP()
};

// A two-point figure that keeps what the store gives it.
class CBenchFigure : public CDTDraw {
 public:
  explicit CBenchFigure(int type) { m_nType = type; }
  int Draw() override { return 0; }
  void BuildHandles() override {
    m_handles.clear();
    for (const PointF& v : m_vertices) AddHandle(v.x, v.y);
    m_bComplete = 1;
  }
  void SetVertices(const std::vector<PointF>& points) override {
    for (size_t i = 0; i < points.size() && i < m_vertices.size(); ++i) m_vertices[i] = points[i];
  }
  // What a two-point line of pen 4 would cover: its handles and their squares.
  bool DrawnExtent(RECT* out) const override {
    *out = {};
    for (const auto& h : m_handles) {
      const LONG x = static_cast<LONG>(h->cx), y = static_cast<LONG>(h->cy);
      UniteRect(out, {x - 6, y - 6, x + 7, y + 7});
    }
    return true;
  }
};

CDTDraw* MakeFigure(int type) { return new CBenchFigure(type); }

bool WriteRaw(const wchar_t* path, const std::vector<uint8_t>& bytes) {
  HANDLE f = ::CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const bool ok =
      ::WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) && written == bytes.size();
  ::CloseHandle(f);
  return ok;
}

bool ReadRaw(const wchar_t* path, std::vector<uint8_t>* bytes) {
  HANDLE f = ::CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return false;
  DWORD read = 0;
  const bool ok =
      ::ReadFile(f, bytes->data(), static_cast<DWORD>(bytes->size()), &read, nullptr) && read == bytes->size();
  ::CloseHandle(f);
  return ok;
}

}  // namespace

int main() {
  const project::StoredFigureFactory lines = project::SetStoredFigureFactory(&MakeFigure);
  CHost host;
  RECT rc{0, 0, 640, 480};
  if (!host.Create(nullptr, &rc, L"bench")) {
    std::printf("error: no host window\n");
    return 1;
  }
  CDirectUI canvas;
  if (!canvas.Create(nullptr, host, host)) {
    std::printf("error: no canvas device\n");
    return 1;
  }
  CDTImage doc;
  RECT docRect{0, 0, 640, 480};
  doc.Create(&canvas, nullptr, L"bench", &docRect);
  canvas.SetActiveImage(&doc, FALSE);
  std::vector<uint32_t> picture(static_cast<size_t>(kWidth) * kHeight);
  uint32_t s = 1;
  for (uint32_t& p : picture) p = 0xFF000000u | ((s = s * 1664525u + 1013904223u) >> 8);
  doc.UploadFrame(picture.data(), kWidth, kHeight, kWidth * 4, nullptr);

  // 10,000 figures made one by one, drawn once at the end.
  LARGE_INTEGER freq, t0, t1;
  ::QueryPerformanceFrequency(&freq);
  ::QueryPerformanceCounter(&t0);
  {
    CRepaintHold hold(&canvas);
    for (int i = 0; i < kFigures; ++i) {
      auto* f = new CBenchFigure(DRAW_LINE);
      f->m_guid.Data1 = static_cast<unsigned long>(i + 1);
      f->AppendVertex(static_cast<float>(i % kWidth), static_cast<float>(i % kHeight));
      f->AppendVertex(static_cast<float>((i * 7) % kWidth), static_cast<float>((i * 3) % kHeight));
      f->SetFontFace(L"Tahoma");
      f->AttachToDocument(&doc);
      RECT empty{};
      f->Create(&canvas, &doc, L"figure", &empty);
    }
  }
  ::QueryPerformanceCounter(&t1);
  std::printf("project_create_10000_figures: %.1f ms\n",
              static_cast<double>(t1.QuadPart - t0.QuadPart) * 1000.0 / static_cast<double>(freq.QuadPart));
  if (!doc.SaveFile(L"bench.prj")) {
    std::printf("error: save failed\n");
    return 1;
  }
  std::vector<uint8_t> bytes(static_cast<size_t>(54) + static_cast<size_t>(kWidth) * kHeight * 4);
  {
    HANDLE f = ::CreateFileW(L"bench.prj", GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    LARGE_INTEGER size;
    ::GetFileSizeEx(f, &size);
    ::CloseHandle(f);
    bytes.resize(static_cast<size_t>(size.QuadPart));
  }
  const int runs = 3;
  const double save = BestMs(runs, [&] { doc.SaveFile(L"bench.prj"); });
  const double rawWrite = BestMs(runs, [&] { WriteRaw(L"raw.bin", bytes); });
  const double load = BestMs(runs, [&] { doc.LoadFile(L"bench.prj"); });
  const double rawRead = BestMs(runs, [&] { ReadRaw(L"raw.bin", &bytes); });
  SinkBytes(bytes.data(), bytes.size());
  // The load's file work alone: the trailer read and checked, against a
  // ReadFile of the project file and of the trailer's bytes only (a figure
  // load reads no picture).
  project::StoredTrailer trailer;
  std::vector<uint8_t> buffer;
  const double fileWork = BestMs(runs, [&] { project::ReadProjectTrailer(L"bench.prj", &buffer, &trailer); });
  const size_t trailerBytes = bytes.size() - (static_cast<size_t>(54) + static_cast<size_t>(kWidth) * kHeight * 4);
  std::vector<uint8_t> trailerCopy(bytes.end() - static_cast<ptrdiff_t>(trailerBytes), bytes.end());
  if (!WriteRaw(L"raw_trailer.bin", trailerCopy)) {
    std::printf("error: no trailer copy\n");
    return 1;
  }
  const double rawTrailerRead = BestMs(runs, [&] { ReadRaw(L"raw_trailer.bin", &trailerCopy); });
  SinkBytes(trailerCopy.data(), trailerCopy.size());
  if (trailer.figures.size() != static_cast<size_t>(kFigures)) {
    std::printf("error: %zu figures read\n", trailer.figures.size());
    return 1;
  }
  if (doc.StoredFigures().size() != static_cast<size_t>(kFigures)) {
    std::printf("error: %zu figures loaded\n", doc.StoredFigures().size());
    return 1;
  }
  std::printf("project_save: %.1f ms\n", save);
  std::printf("project_save_vs_write_file: %.2f x\n", save / rawWrite);
  std::printf("project_load: %.1f ms\n", load);
  std::printf("project_load_vs_read_file: %.2f x\n", load / rawRead);
  std::printf("project_load_file_work: %.1f ms\n", fileWork);
  std::printf("project_load_file_work_vs_read_file: %.2f x\n", fileWork / rawRead);
  std::printf("project_load_file_work_vs_read_trailer: %.2f x\n", fileWork / rawTrailerRead);
  // The rest of the load: old figures removed, the 10,000 made, the undo step.
  std::printf("project_load_figures_made: %.1f ms\n", load - fileWork);

  // Undo of one moved figure among 10,000.
  doc.m_history.SetBase(&doc);
  auto* moved = const_cast<CDTDraw*>(doc.StoredFigures()[kFigures / 2]);
  const double undo = BestMs(5, [&] {
    moved->m_vertices[0].x += 1.0f;
    doc.PushHistory();
    doc.Undo();
  });
  CDTAction snapshot;
  doc.WriteSnapshot(&snapshot);
  std::vector<uint8_t> copy(snapshot.Used());
  const double memcpyMs = BestMs(5, [&] {
    std::memcpy(copy.data(), snapshot.Data(), snapshot.Used());
    SinkBytes(copy.data(), copy.size());
  });
  // A whole frame, for scale: the undo draws only the part it changed.
  const double frame = BestMs(5, [&] { canvas.Repaint(); });
  std::printf("project_push_and_undo: %.2f ms\n", undo);
  std::printf("project_push_and_undo_vs_memcpy: %.1f x\n", undo / memcpyMs);
  std::printf("project_frame: %.2f ms\n", frame);
  std::printf("project_push_and_undo_vs_frame: %.2f x\n", undo / frame);
  canvas.DetachElement(&doc);

  // Export: a 6000 x 4000 picture with 500 lines, rendered tile by tile.
  {
    constexpr int kExportWidth = 6000, kExportHeight = 4000, kExportFigures = 500;
    CDTImage big;
    RECT bigRect{0, 0, 640, 480};
    big.Create(&canvas, nullptr, L"export", &bigRect);
    canvas.SetActiveImage(&big, FALSE);
    std::vector<uint32_t> pixels(static_cast<size_t>(kExportWidth) * kExportHeight);
    for (uint32_t& p : pixels) p = 0xFF000000u | ((s = s * 1664525u + 1013904223u) >> 8);
    big.UploadFrame(pixels.data(), kExportWidth, kExportHeight, kExportWidth * 4, nullptr);
    {
      CRepaintHold hold(&canvas);
      for (int i = 0; i < kExportFigures; ++i) {
        auto* f = new CBenchFigure(DRAW_LINE);
        f->m_guid.Data1 = static_cast<unsigned long>(i + 1);
        f->AppendVertex(static_cast<float>((i * 97) % kExportWidth), static_cast<float>((i * 61) % kExportHeight));
        f->AppendVertex(static_cast<float>((i * 97 + 300) % kExportWidth),
                        static_cast<float>((i * 61 + 200) % kExportHeight));
        f->AttachToDocument(&big);
        RECT empty{};
        f->Create(&canvas, &big, L"figure", &empty);
      }
    }
    if (!big.SaveFile(L"export.prj")) {
      std::printf("error: export project not saved\n");
      return 1;
    }
    canvas.DetachElement(&big);
    project::SetStoredFigureFactory(lines);  // the real line class draws
    CDTPrint print;
    if (!print.Create(&canvas, L"export.prj", L"export.bmp", 0)) {
      std::printf("error: no renderer\n");
      return 1;
    }
    const int tiles = print.m_nTilesAcross * print.m_nTilesDown;
    const double render = BestMs(1, [&] { print.Render(); });
    // The read-back alone: the same back buffer copied to system memory and locked.
    win32::CComPtr<IDirect3DSurface9> back, copy;
    print.m_pDevice->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back);
    D3DSURFACE_DESC desc;
    back->GetDesc(&desc);
    print.m_pDevice->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                 nullptr);
    std::vector<uint8_t> tile(static_cast<size_t>(desc.Width) * desc.Height * 4);
    const double readBack = BestMs(20, [&] {
      print.m_pDevice->GetRenderTargetData(back, copy);
      D3DLOCKED_RECT locked;
      if (SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        for (UINT y = 0; y < desc.Height; ++y)
          std::memcpy(tile.data() + static_cast<size_t>(y) * desc.Width * 4,
                      static_cast<const uint8_t*>(locked.pBits) + static_cast<ptrdiff_t>(y) * locked.Pitch,
                      static_cast<size_t>(desc.Width) * 4);
        copy->UnlockRect();
      }
      SinkBytes(tile.data(), tile.size());
    });
    std::printf("project_export_per_tile: %.2f ms\n", render / tiles);
    std::printf("project_export_per_tile_vs_read_back: %.1f x\n", render / tiles / readBack);
  }
  canvas.DestroyWindow();
  host.DestroyWindow();
  return 0;
}
