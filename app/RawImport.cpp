#include "app/RawImport.h"

#include <algorithm>
#include <memory>
#include <new>

#include "app/MainFrame.h"
#include "app/DialogSkin.h"
#include "image/Decode.h"
#include "image/Image.h"
#include "image/colour/DecodeBayer.h"
#include "settings/WinRegistry.h"
#include "win32/Handle.h"

namespace {

constexpr DialogSkinText kSkinTexts[] = {
    {1052, L"rawWidth"}, {1053, L"rawHeight"},     {1054, L"rawStride"}, {1055, L"rawOffset"},
    {1056, L"rawBayer"}, {IDC_RAW_AWB, L"rawAwb"}, {IDOK, L"OK"},        {IDCANCEL, L"Cancel"},
};

struct RawValues {
  DWORD width = 0, height = 0, stride = 0, offset = 0, bayer = 0, awb = 1;
};

// Reads count bytes at offset; false when the file ends early or a read fails.
bool ReadAt(HANDLE file, uint64_t offset, uint8_t* out, uint64_t count) {
  LARGE_INTEGER position;
  position.QuadPart = static_cast<LONGLONG>(offset);
  if (!::SetFilePointerEx(file, position, nullptr, FILE_BEGIN)) return false;
  while (count > 0) {
    const DWORD piece = static_cast<DWORD>(std::min<uint64_t>(count, 1u << 20));
    DWORD read = 0;
    if (!::ReadFile(file, out, piece, &read, nullptr) || read == 0) return false;
    out += read;
    count -= read;
  }
  return true;
}

}  // namespace

RawFit CheckRawGeometry(const RawGeometry& g, uint64_t fileSize) {
  if (g.stride < g.width) return kRawStrideBelowWidth;
  if (!ZEvuvoro::CDecode::SizeAllowed(static_cast<uint64_t>(g.width), static_cast<uint64_t>(g.height)))
    return kRawTooLarge;
  const uint64_t rows = static_cast<uint64_t>(g.stride) * static_cast<uint64_t>(g.height);
  if (rows > kMaxRawBytes) return kRawTooLarge;
  if (fileSize == 0 || fileSize < rows + static_cast<uint64_t>(g.offset)) return kRawFileTooSmall;
  return kRawFits;
}

CDlgBayer::CDlgBayer(const wchar_t* path) : m_strPath(path ? path : L"") {}

CDlgBayer::~CDlgBayer() { delete m_pImage; }

LRESULT CDlgBayer::OnInitDialog(UINT, WPARAM, LPARAM, BOOL&) {
  ::SetWindowTextW(m_hWnd, SkinTextOrKey(L"rawOptions"));
  SetDialogSkinTexts(m_hWnd, kSkinTexts);

  RawValues v;
  {
    CWinRegistry key(HKEY_CURRENT_USER, kRawKey, FALSE, TRUE);
    key.ReadDword(L"Width", &v.width);
    key.ReadDword(L"Height", &v.height);
    key.ReadDword(L"Stride", &v.stride);
    key.ReadDword(L"Offset", &v.offset);
    key.ReadDword(L"Bayer", &v.bayer);
    key.ReadDword(L"Awb", &v.awb);
  }
  ::SetDlgItemInt(m_hWnd, IDC_RAW_WIDTH, v.width, TRUE);
  ::SetDlgItemInt(m_hWnd, IDC_RAW_HEIGHT, v.height, TRUE);
  ::SetDlgItemInt(m_hWnd, IDC_RAW_STRIDE, v.stride, TRUE);
  ::SetDlgItemInt(m_hWnd, IDC_RAW_OFFSET, v.offset, TRUE);
  CheckDlgButton(IDC_RAW_BAYER1 + static_cast<int>(std::min<DWORD>(v.bayer, 3)), BST_CHECKED);
  CheckDlgButton(IDC_RAW_AWB, v.awb ? BST_CHECKED : BST_UNCHECKED);

  SetProgramIcon(m_hWnd);
  CenterWindow(GetParent());
  return TRUE;
}

void CDlgBayer::Refuse(int editId) {
  HWND edit = GetDlgItem(editId);
  ::SetFocus(edit);
  ::SendMessageW(edit, EM_SETSEL, 0, -1);
}

LRESULT CDlgBayer::OnOK(WORD, WORD, HWND, BOOL&) {
  auto number = [this](int id) { return static_cast<int>(::GetDlgItemInt(m_hWnd, id, nullptr, TRUE)); };
  RawGeometry g{number(IDC_RAW_WIDTH), number(IDC_RAW_HEIGHT), number(IDC_RAW_STRIDE), number(IDC_RAW_OFFSET)};
  const int awb = IsDlgButtonChecked(IDC_RAW_AWB) == BST_CHECKED ? 1 : 0;
  int bayer = 0;
  for (int id = IDC_RAW_BAYER1; id <= IDC_RAW_BAYER4; ++id)
    if (IsDlgButtonChecked(id) == BST_CHECKED) {
      bayer = id - IDC_RAW_BAYER1;
      break;
    }

  if (g.height <= 0 || g.width <= 0) {
    EndDialog(IDOK);
    return 0;
  }
  if (g.stride <= 0) g.stride = g.width;
  if (g.offset < 0) g.offset = 0;

  win32::CHandle file(::CreateFileW(m_strPath.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file) return 0;
  LARGE_INTEGER size{};
  if (!::GetFileSizeEx(file.Get(), &size)) return 0;
  switch (CheckRawGeometry(g, static_cast<uint64_t>(size.QuadPart))) {
    case kRawFits:
      break;
    case kRawStrideBelowWidth:
      Refuse(IDC_RAW_STRIDE);
      return 0;
    case kRawTooLarge:
      Refuse(IDC_RAW_WIDTH);
      return 0;
    case kRawFileTooSmall:
      return 0;
  }

  // Only the rows the picture uses are read; the decoder sees them from offset 0.
  const uint64_t count = static_cast<uint64_t>(g.stride) * static_cast<uint64_t>(g.height);
  std::unique_ptr<uint8_t[]> data(new (std::nothrow) uint8_t[static_cast<size_t>(count)]);
  if (data && !ReadAt(file.Get(), static_cast<uint64_t>(g.offset), data.get(), count)) return 0;
  file.Close();

  if (data) {
    auto* image = new ZEvuvoro::CImage();
    delete m_pImage;
    m_pImage = image;
    CDecodeBayer decoder;
    decoder.m_nStride = g.stride;
    decoder.m_nOffset = 0;
    decoder.m_bAwb = awb;
    decoder.m_nBayerType = bayer;
    if (decoder.SetInput(data.get(), count, g.width, g.height)) {
      image->Attach(decoder.GetWidth(), decoder.GetHeight(), decoder.GetWidth() * 4, decoder.GetOutput());
      image->m_bOwner = 1;
      decoder.Detach();
    } else {
      delete m_pImage;
      m_pImage = nullptr;
    }
    data.reset();
  }

  {
    CWinRegistry key(HKEY_CURRENT_USER, kRawKey, TRUE, TRUE);
    key.WriteDword(L"Width", static_cast<DWORD>(g.width));
    key.WriteDword(L"Height", static_cast<DWORD>(g.height));
    key.WriteDword(L"Stride", static_cast<DWORD>(g.stride));
    key.WriteDword(L"Offset", static_cast<DWORD>(g.offset));
    key.WriteDword(L"Bayer", static_cast<DWORD>(bayer));
    key.WriteDword(L"Awb", static_cast<DWORD>(awb));
  }
  EndDialog(IDOK);
  return 0;
}

LRESULT CDlgBayer::OnCancel(WORD, WORD, HWND, BOOL&) {
  EndDialog(IDCANCEL);
  return 0;
}

ZEvuvoro::CImage* ImportRawImage(const wchar_t* path, HWND owner) {
  CDlgBayer dialog(path);
  dialog.DoModal(owner);
  return dialog.TakeImage();
}
