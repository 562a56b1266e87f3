// One real check for every library and platform service the program stands on,
// so that a broken tool chain, dependency build or Wine set-up shows up here
// first, with a plain name, before any subsystem's own tests.

#include <windows.h>
#include <objbase.h>
#include <d3d9.h>
#include <gdiplus.h>
#include <dshow.h>
#include <msxml2.h>
#include <GL/glu.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <png.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <gtest/gtest.h>

namespace {

// MinGW's headers lack this class id.
const CLSID kClsidDomDocument30 = {0xF5078F32, 0xC551, 0x11D3, {0x89, 0xB9, 0x00, 0x00, 0xF8, 0x1F, 0xE2, 0x21}};

template <class T>
struct ComPtr {
  T* p = nullptr;
  ~ComPtr() {
    if (p) p->Release();
  }
  T** operator&() { return &p; }
  T* operator->() const { return p; }
};

struct ComScope {
  HRESULT hr = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  ~ComScope() {
    if (SUCCEEDED(hr)) CoUninitialize();
  }
};

std::vector<unsigned char> ReadWholeFile(const char* path) {
  std::vector<unsigned char> data;
  if (FILE* f = std::fopen(path, "rb")) {
    unsigned char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) data.insert(data.end(), buf, buf + n);
    std::fclose(f);
  }
  return data;
}

TEST(Platform, Direct3D9ClearsAndReadsBack) {
  WNDCLASSW wc{};
  wc.lpfnWndProc = DefWindowProcW;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"PlatformTestD3D";
  RegisterClassW(&wc);
  HWND wnd = CreateWindowW(wc.lpszClassName, L"d3d", WS_OVERLAPPEDWINDOW, 0, 0, 200, 150, nullptr, nullptr,
                           wc.hInstance, nullptr);
  ASSERT_NE(wnd, nullptr);

  ComPtr<IDirect3D9> d3d;
  d3d.p = Direct3DCreate9(D3D_SDK_VERSION);
  ASSERT_NE(d3d.p, nullptr);
  D3DPRESENT_PARAMETERS pp{};
  pp.Windowed = TRUE;
  pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
  pp.BackBufferFormat = D3DFMT_UNKNOWN;
  pp.BackBufferWidth = 64;
  pp.BackBufferHeight = 32;
  pp.hDeviceWindow = wnd;
  ComPtr<IDirect3DDevice9> dev;
  ASSERT_EQ(d3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, wnd, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &dev),
            D3D_OK);

  ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(0x12, 0x34, 0x56), 1.0f, 0), D3D_OK);
  ComPtr<IDirect3DSurface9> back, copy;
  ASSERT_EQ(dev->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back), D3D_OK);
  D3DSURFACE_DESC desc;
  back->GetDesc(&desc);
  ASSERT_EQ(dev->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy, nullptr),
            D3D_OK);
  ASSERT_EQ(dev->GetRenderTargetData(back.p, copy.p), D3D_OK);
  D3DLOCKED_RECT lr;
  ASSERT_EQ(copy->LockRect(&lr, nullptr, D3DLOCK_READONLY), D3D_OK);
  const DWORD pixel = static_cast<const DWORD*>(lr.pBits)[5 * lr.Pitch / 4 + 7];
  copy->UnlockRect();
  EXPECT_EQ(pixel & 0xFFFFFF, 0x123456u);
  DestroyWindow(wnd);
}

// libpng writes a small RGBA picture into memory and reads it back through a
// memory read callback, as the program's decoder does.
TEST(Platform, LibpngRoundTrip) {
  const int w = 5, h = 3;
  std::vector<unsigned char> pixels(w * h * 4);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<unsigned char>(i * 7);

  std::vector<unsigned char> file;
  png_structp wr = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop wi = png_create_info_struct(wr);
  ASSERT_EQ(setjmp(png_jmpbuf(wr)), 0);
  png_set_write_fn(
      wr, &file,
      [](png_structp p, png_bytep d, png_size_t n) {
        auto* out = static_cast<std::vector<unsigned char>*>(png_get_io_ptr(p));
        out->insert(out->end(), d, d + n);
      },
      nullptr);
  png_set_IHDR(wr, wi, w, h, 8, PNG_COLOR_TYPE_RGBA, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  png_write_info(wr, wi);
  for (int y = 0; y < h; ++y) png_write_row(wr, &pixels[y * w * 4]);
  png_write_end(wr, nullptr);
  png_destroy_write_struct(&wr, &wi);

  struct Reader {
    const std::vector<unsigned char>* data;
    size_t pos;
  } reader{&file, 0};
  png_structp rd = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop ri = png_create_info_struct(rd);
  ASSERT_EQ(setjmp(png_jmpbuf(rd)), 0);
  png_set_read_fn(rd, &reader, [](png_structp p, png_bytep d, png_size_t n) {
    auto* r = static_cast<Reader*>(png_get_io_ptr(p));
    if (r->pos + n > r->data->size()) png_error(p, "short read");
    std::memcpy(d, r->data->data() + r->pos, n);
    r->pos += n;
  });
  png_read_info(rd, ri);
  EXPECT_EQ(png_get_image_width(rd, ri), static_cast<png_uint_32>(w));
  EXPECT_EQ(png_get_image_height(rd, ri), static_cast<png_uint_32>(h));
  std::vector<unsigned char> decoded(w * h * 4);
  for (int y = 0; y < h; ++y) png_read_row(rd, &decoded[y * w * 4], nullptr);
  png_destroy_read_struct(&rd, &ri, nullptr);
  EXPECT_EQ(decoded, pixels);
}

TEST(Platform, LibjpegRoundTrip) {
  const int w = 16, h = 8;
  std::vector<unsigned char> rgb(w * h * 3, 200);
  unsigned char* out = nullptr;
  unsigned long outSize = 0;

  jpeg_compress_struct c{};
  jpeg_error_mgr cerr{};
  c.err = jpeg_std_error(&cerr);
  jpeg_create_compress(&c);
  jpeg_mem_dest(&c, &out, &outSize);
  c.image_width = w;
  c.image_height = h;
  c.input_components = 3;
  c.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c);
  jpeg_start_compress(&c, TRUE);
  while (c.next_scanline < c.image_height) {
    JSAMPROW row = &rgb[c.next_scanline * w * 3];
    jpeg_write_scanlines(&c, &row, 1);
  }
  jpeg_finish_compress(&c);
  jpeg_destroy_compress(&c);
  ASSERT_GT(outSize, 100u);

  jpeg_decompress_struct d{};
  jpeg_error_mgr derr{};
  d.err = jpeg_std_error(&derr);
  jpeg_create_decompress(&d);
  jpeg_mem_src(&d, out, outSize);
  ASSERT_EQ(jpeg_read_header(&d, TRUE), JPEG_HEADER_OK);
  jpeg_start_decompress(&d);
  EXPECT_EQ(d.output_width, static_cast<JDIMENSION>(w));
  std::vector<unsigned char> row(d.output_width * d.output_components);
  int maxError = 0;
  while (d.output_scanline < d.output_height) {
    JSAMPROW r = row.data();
    jpeg_read_scanlines(&d, &r, 1);
    for (unsigned char v : row) maxError = std::max(maxError, std::abs(v - 200));
  }
  jpeg_finish_decompress(&d);
  jpeg_destroy_decompress(&d);
  free(out);
  EXPECT_LE(maxError, 2);
}

// The text engine takes the raw file of an installed face through GetFontData.
TEST(Platform, FreeTypeRendersGlyphOfInstalledFace) {
  HDC dc = CreateCompatibleDC(nullptr);
  HFONT font = CreateFontW(-32, 0, 0, 0, FW_NORMAL, 0, 0, 0, DEFAULT_CHARSET, 0, 0, 0, 0, L"Arial");
  HGDIOBJ old = SelectObject(dc, font);
  const DWORD size = GetFontData(dc, 0, 0, nullptr, 0);
  ASSERT_NE(size, GDI_ERROR);
  std::vector<unsigned char> file(size);
  ASSERT_EQ(GetFontData(dc, 0, 0, file.data(), size), size);
  SelectObject(dc, old);
  DeleteObject(font);
  DeleteDC(dc);

  FT_Library lib;
  ASSERT_EQ(FT_Init_FreeType(&lib), 0);
  FT_Face face;
  ASSERT_EQ(FT_New_Memory_Face(lib, file.data(), static_cast<FT_Long>(file.size()), 0, &face), 0);
  EXPECT_STREQ(face->family_name, "Liberation Sans");  // the prefix maps Arial to its metric twin
  ASSERT_EQ(FT_Set_Pixel_Sizes(face, 0, 32), 0);
  ASSERT_EQ(FT_Load_Char(face, 'A', FT_LOAD_RENDER | FT_LOAD_NO_HINTING), 0);
  const FT_Bitmap& bmp = face->glyph->bitmap;
  EXPECT_GT(bmp.width, 10u);
  EXPECT_GT(bmp.rows, 15u);
  int inked = 0;
  for (unsigned y = 0; y < bmp.rows; ++y)
    for (unsigned x = 0; x < bmp.width; ++x) inked += bmp.buffer[y * bmp.pitch + x] > 128;
  EXPECT_GT(inked, 30);
  FT_Done_Face(face);
  FT_Done_FreeType(lib);
}

struct TessResult {
  int vertices = 0;
  GLenum error = 0;
};
void CALLBACK TessBegin(GLenum, void*) {}
void CALLBACK TessVertex(void*, void* user) { ++static_cast<TessResult*>(user)->vertices; }
void CALLBACK TessEnd(void*) {}
void CALLBACK TessError(GLenum e, void* user) { static_cast<TessResult*>(user)->error = e; }
void CALLBACK TessEdgeFlag(GLboolean, void*) {}  // forces plain triangles

// A bow tie: the tessellator must fill both lobes, 2 triangles.
TEST(Platform, Glu32TessellatesBowTie) {
  GLUtesselator* tess = gluNewTess();
  ASSERT_NE(tess, nullptr);
  using Cb = void(CALLBACK*)();
  gluTessCallback(tess, GLU_TESS_BEGIN_DATA, reinterpret_cast<Cb>(TessBegin));
  gluTessCallback(tess, GLU_TESS_VERTEX_DATA, reinterpret_cast<Cb>(TessVertex));
  gluTessCallback(tess, GLU_TESS_END_DATA, reinterpret_cast<Cb>(TessEnd));
  gluTessCallback(tess, GLU_TESS_ERROR_DATA, reinterpret_cast<Cb>(TessError));
  gluTessCallback(tess, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<Cb>(TessEdgeFlag));
  gluTessProperty(tess, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
  GLdouble pts[4][3] = {{0, 0, 0}, {10, 10, 0}, {10, 0, 0}, {0, 10, 0}};
  // Crossing edges need a combine callback to create the centre vertex.
  static GLdouble centre[3];
  gluTessCallback(tess, GLU_TESS_COMBINE, reinterpret_cast<Cb>(+[](GLdouble c[3], void**, GLfloat*, void** out) {
                    centre[0] = c[0];
                    centre[1] = c[1];
                    centre[2] = c[2];
                    *out = centre;
                  }));
  TessResult result;
  gluTessBeginPolygon(tess, &result);
  gluTessBeginContour(tess);
  for (auto& p : pts) gluTessVertex(tess, p, p);
  gluTessEndContour(tess);
  gluTessEndPolygon(tess);
  gluDeleteTess(tess);
  EXPECT_EQ(result.error, 0u);
  EXPECT_EQ(result.vertices, 6);
}

TEST(Platform, Msxml3ParsesDocument) {
  ComScope com;
  ComPtr<IXMLDOMDocument> doc;
  ASSERT_EQ(CoCreateInstance(kClsidDomDocument30, nullptr, CLSCTX_INPROC_SERVER, IID_IXMLDOMDocument,
                             reinterpret_cast<void**>(&doc)),
            S_OK);
  VARIANT_BOOL ok = VARIANT_FALSE;
  BSTR text = SysAllocString(L"<Skin><Color name=\"back\" value=\"#102030\"/></Skin>");
  EXPECT_EQ(doc->loadXML(text, &ok), S_OK);
  SysFreeString(text);
  EXPECT_EQ(ok, VARIANT_TRUE);
  ComPtr<IXMLDOMNodeList> nodes;
  BSTR query = SysAllocString(L"/Skin/Color");
  ASSERT_EQ(doc->selectNodes(query, &nodes), S_OK);
  SysFreeString(query);
  long count = 0;
  nodes->get_length(&count);
  EXPECT_EQ(count, 1);
}

TEST(Platform, CompoundFileWritesAndReopens) {
  ComScope com;
  const wchar_t* path = L"platform-compound.bin";
  const char payload[] = "Workbook stream payload";
  {
    ComPtr<IStorage> stg;
    ASSERT_EQ(StgCreateDocfile(path, STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE, 0, &stg), S_OK);
    ComPtr<IStream> stream;
    ASSERT_EQ(stg->CreateStream(L"Workbook", STGM_CREATE | STGM_WRITE | STGM_SHARE_EXCLUSIVE, 0, 0, &stream), S_OK);
    ULONG written = 0;
    ASSERT_EQ(stream->Write(payload, sizeof payload, &written), S_OK);
    EXPECT_EQ(written, sizeof payload);
  }
  ComPtr<IStorage> stg;
  ASSERT_EQ(StgOpenStorage(path, nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, nullptr, 0, &stg), S_OK);
  ComPtr<IStream> stream;
  ASSERT_EQ(stg->OpenStream(L"Workbook", nullptr, STGM_READ | STGM_SHARE_EXCLUSIVE, 0, &stream), S_OK);
  char back[sizeof payload] = {};
  ULONG read = 0;
  ASSERT_EQ(stream->Read(back, sizeof back, &read), S_OK);
  EXPECT_EQ(read, sizeof payload);
  EXPECT_STREQ(back, payload);
}

TEST(Platform, DirectShowGraphAndEmptyDeviceCategory) {
  ComScope com;
  ComPtr<IGraphBuilder> graph;
  EXPECT_EQ(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                             reinterpret_cast<void**>(&graph)),
            S_OK);
  ComPtr<ICaptureGraphBuilder2> builder;
  EXPECT_EQ(CoCreateInstance(CLSID_CaptureGraphBuilder2, nullptr, CLSCTX_INPROC_SERVER, IID_ICaptureGraphBuilder2,
                             reinterpret_cast<void**>(&builder)),
            S_OK);
  ComPtr<ICreateDevEnum> devices;
  ASSERT_EQ(CoCreateInstance(CLSID_SystemDeviceEnum, nullptr, CLSCTX_INPROC_SERVER, IID_ICreateDevEnum,
                             reinterpret_cast<void**>(&devices)),
            S_OK);
  ComPtr<IEnumMoniker> cameras;
  const HRESULT hr = devices->CreateClassEnumerator(CLSID_VideoInputDeviceCategory, &cameras, 0);
  // No cameras on this machine: success with nothing to enumerate.
  EXPECT_EQ(hr, S_FALSE);
  EXPECT_EQ(cameras.p, nullptr);
}

TEST(Platform, MinizipReadsMemberOfWrittenZip) {
  const char* path = "platform-test.zip";
  const std::string text = "<Skin version=\"1\"/>";
  zipFile zf = zipOpen(path, APPEND_STATUS_CREATE);
  ASSERT_NE(zf, nullptr);
  zip_fileinfo info{};
  ASSERT_EQ(
      zipOpenNewFileInZip(zf, "Skin.xml", &info, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, Z_DEFAULT_COMPRESSION),
      ZIP_OK);
  ASSERT_EQ(zipWriteInFileInZip(zf, text.data(), static_cast<unsigned>(text.size())), ZIP_OK);
  zipCloseFileInZip(zf);
  zipClose(zf, nullptr);

  unzFile uf = unzOpen(path);
  ASSERT_NE(uf, nullptr);
  ASSERT_EQ(unzLocateFile(uf, "skin.xml", 2), UNZ_OK);  // 2: case-insensitive
  unz_file_info fi;
  ASSERT_EQ(unzGetCurrentFileInfo(uf, &fi, nullptr, 0, nullptr, 0, nullptr, 0), UNZ_OK);
  ASSERT_EQ(fi.uncompressed_size, text.size());
  ASSERT_EQ(unzOpenCurrentFile(uf), UNZ_OK);
  std::string back(fi.uncompressed_size, '\0');
  EXPECT_EQ(unzReadCurrentFile(uf, back.data(), static_cast<unsigned>(back.size())), static_cast<int>(back.size()));
  unzCloseCurrentFile(uf);
  unzClose(uf);
  EXPECT_EQ(back, text);
  EXPECT_FALSE(ReadWholeFile(path).empty());
}

TEST(Platform, GdiplusStarts) {
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  ASSERT_EQ(Gdiplus::GdiplusStartup(&token, &input, nullptr), Gdiplus::Ok);
  {
    Gdiplus::Bitmap bitmap(4, 4, PixelFormat32bppARGB);
    EXPECT_EQ(bitmap.SetPixel(1, 2, Gdiplus::Color(255, 10, 20, 30)), Gdiplus::Ok);
    Gdiplus::Color c;
    bitmap.GetPixel(1, 2, &c);
    EXPECT_EQ(c.GetValue(), Gdiplus::Color(255, 10, 20, 30).GetValue());
  }
  Gdiplus::GdiplusShutdown(token);
}

}  // namespace
