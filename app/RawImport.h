// The raw import dialog: asks for the geometry and the Bayer pattern of a
// headerless sensor dump and turns the file into a picture.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>

#include "win32/Dialog.h"

namespace ZEvuvoro {
class CImage;
}

inline constexpr int IDD_RAW_IMPORT = 215;
inline constexpr int IDC_RAW_STRIDE = 1043;
inline constexpr int IDC_RAW_OFFSET = 1044;
inline constexpr int IDC_RAW_WIDTH = 1045;
inline constexpr int IDC_RAW_HEIGHT = 1046;
inline constexpr int IDC_RAW_AWB = 1047;
inline constexpr int IDC_RAW_BAYER1 = 1048;  // patterns 0 to 3: 1048 to 1051
inline constexpr int IDC_RAW_BAYER4 = 1051;

inline constexpr wchar_t kRawKey[] = L"Software\\Quorvex\\Mensaro\\Raw";

// Largest raw read accepted: more than any sensor dump of a picture the
// decoder takes, far less than what a mistyped stride or height can ask for.
inline constexpr uint64_t kMaxRawBytes = uint64_t(1) << 29;

class CDlgBayer : public win32::CDialogImpl<CDlgBayer> {
 public:
  enum { IDD = IDD_RAW_IMPORT };
  explicit CDlgBayer(const wchar_t* path);
  ~CDlgBayer() override;

  BEGIN_MSG_MAP(CDlgBayer)
  MESSAGE_HANDLER(WM_INITDIALOG, OnInitDialog)
  COMMAND_ID_HANDLER(IDOK, OnOK)
  COMMAND_ID_HANDLER(IDCANCEL, OnCancel)
  REFLECT_NOTIFICATIONS()
  END_MSG_MAP()

  // The decoded picture, null when none; the caller takes it over.
  ZEvuvoro::CImage* TakeImage() {
    ZEvuvoro::CImage* image = m_pImage;
    m_pImage = nullptr;
    return image;
  }

 private:
  LRESULT OnInitDialog(UINT, WPARAM, LPARAM, BOOL&);
  LRESULT OnOK(WORD, WORD, HWND, BOOL&);
  LRESULT OnCancel(WORD, WORD, HWND, BOOL&);
  // Keeps the dialog open with the text of the edit selected.
  void Refuse(int editId);

  ZEvuvoro::CImage* m_pImage = nullptr;
  std::wstring m_strPath;
};

// Geometry typed into the dialog, after the stride and offset defaults.
struct RawGeometry {
  int width;
  int height;
  int stride;
  int offset;
};

// Why a geometry cannot be read from a file of fileSize bytes, or kRawFits.
enum RawFit { kRawFits, kRawStrideBelowWidth, kRawTooLarge, kRawFileTooSmall };
RawFit CheckRawGeometry(const RawGeometry& g, uint64_t fileSize);

// Shows the raw import dialog for path over owner; the picture, owned by the
// caller, or null when the user cancelled or the import failed.
ZEvuvoro::CImage* ImportRawImage(const wchar_t* path, HWND owner);
