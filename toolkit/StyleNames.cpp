#include <windows.h>

#include <commctrl.h>
#include <richedit.h>

#include "toolkit/StyleNames.h"

#include <cwchar>

#define STYLE_ROW(name) \
  { L## #name, static_cast<uint32_t>(name) }

// Rows of the toolkit's own, not the system's.
constexpr uint32_t BS_BACKIMGE = 0x1000;
constexpr uint32_t BS_MENU = 0x8000;
constexpr uint32_t SS_TOP = 3;
constexpr uint32_t SS_BOTTOM = 4;
constexpr uint32_t SS_VCENTER = 5;
constexpr uint32_t SPLS_VERTICAL = 1;
constexpr uint32_t SPLS_FIXED = 2;

const StyleNameEntry StyleNameTable[] = {
    STYLE_ROW(WS_BORDER),
    STYLE_ROW(WS_CAPTION),
    STYLE_ROW(WS_CHILD),
    STYLE_ROW(WS_CHILDWINDOW),
    STYLE_ROW(WS_CLIPCHILDREN),
    STYLE_ROW(WS_CLIPSIBLINGS),
    STYLE_ROW(WS_DISABLED),
    STYLE_ROW(WS_DLGFRAME),
    STYLE_ROW(WS_GROUP),
    STYLE_ROW(WS_HSCROLL),
    STYLE_ROW(WS_ICONIC),
    STYLE_ROW(WS_MAXIMIZE),
    STYLE_ROW(WS_MAXIMIZEBOX),
    STYLE_ROW(WS_MINIMIZE),
    STYLE_ROW(WS_MINIMIZEBOX),
    STYLE_ROW(WS_OVERLAPPED),
    STYLE_ROW(WS_OVERLAPPEDWINDOW),
    STYLE_ROW(WS_POPUP),
    STYLE_ROW(WS_POPUPWINDOW),
    STYLE_ROW(WS_SIZEBOX),
    STYLE_ROW(WS_SYSMENU),
    STYLE_ROW(WS_TABSTOP),
    STYLE_ROW(WS_THICKFRAME),
    STYLE_ROW(WS_TILED),
    STYLE_ROW(WS_TILEDWINDOW),
    STYLE_ROW(WS_VISIBLE),
    STYLE_ROW(WS_VSCROLL),
    STYLE_ROW(DS_ABSALIGN),
    STYLE_ROW(DS_SYSMODAL),
    STYLE_ROW(DS_LOCALEDIT),
    STYLE_ROW(DS_SETFONT),
    STYLE_ROW(DS_MODALFRAME),
    STYLE_ROW(DS_NOIDLEMSG),
    STYLE_ROW(DS_SETFOREGROUND),
    STYLE_ROW(DS_3DLOOK),
    STYLE_ROW(DS_FIXEDSYS),
    STYLE_ROW(DS_NOFAILCREATE),
    STYLE_ROW(DS_CONTROL),
    STYLE_ROW(DS_CENTER),
    STYLE_ROW(DS_CENTERMOUSE),
    STYLE_ROW(DS_CONTEXTHELP),
    STYLE_ROW(DS_SHELLFONT),
    STYLE_ROW(BS_PUSHBUTTON),
    STYLE_ROW(BS_DEFPUSHBUTTON),
    STYLE_ROW(BS_CHECKBOX),
    STYLE_ROW(BS_AUTOCHECKBOX),
    STYLE_ROW(BS_RADIOBUTTON),
    STYLE_ROW(BS_3STATE),
    STYLE_ROW(BS_AUTO3STATE),
    STYLE_ROW(BS_GROUPBOX),
    STYLE_ROW(BS_USERBUTTON),
    STYLE_ROW(BS_AUTORADIOBUTTON),
    STYLE_ROW(BS_PUSHBOX),
    STYLE_ROW(BS_OWNERDRAW),
    STYLE_ROW(BS_TYPEMASK),
    STYLE_ROW(BS_LEFTTEXT),
    STYLE_ROW(BS_BACKIMGE),
    STYLE_ROW(BS_MENU),
    STYLE_ROW(BS_TEXT),
    STYLE_ROW(BS_ICON),
    STYLE_ROW(BS_BITMAP),
    STYLE_ROW(BS_LEFT),
    STYLE_ROW(BS_RIGHT),
    STYLE_ROW(BS_CENTER),
    STYLE_ROW(BS_TOP),
    STYLE_ROW(BS_BOTTOM),
    STYLE_ROW(BS_VCENTER),
    STYLE_ROW(BS_PUSHLIKE),
    STYLE_ROW(BS_MULTILINE),
    STYLE_ROW(BS_NOTIFY),
    STYLE_ROW(BS_FLAT),
    STYLE_ROW(BS_RIGHTBUTTON),
    STYLE_ROW(SS_LEFT),
    STYLE_ROW(SS_CENTER),
    STYLE_ROW(SS_RIGHT),
    STYLE_ROW(SS_TOP),
    STYLE_ROW(SS_BOTTOM),
    STYLE_ROW(SS_VCENTER),
    STYLE_ROW(SBS_HORZ),
    STYLE_ROW(SBS_VERT),
    STYLE_ROW(SBS_TOPALIGN),
    STYLE_ROW(SBS_LEFTALIGN),
    STYLE_ROW(SBS_BOTTOMALIGN),
    STYLE_ROW(SBS_RIGHTALIGN),
    STYLE_ROW(SBS_SIZEBOXTOPLEFTALIGN),
    STYLE_ROW(SBS_SIZEBOXBOTTOMRIGHTALIGN),
    STYLE_ROW(SBS_SIZEBOX),
    STYLE_ROW(SBS_SIZEGRIP),
    STYLE_ROW(ES_LEFT),
    STYLE_ROW(ES_CENTER),
    STYLE_ROW(ES_RIGHT),
    STYLE_ROW(ES_MULTILINE),
    STYLE_ROW(ES_UPPERCASE),
    STYLE_ROW(ES_LOWERCASE),
    STYLE_ROW(ES_PASSWORD),
    STYLE_ROW(ES_AUTOVSCROLL),
    STYLE_ROW(ES_AUTOHSCROLL),
    STYLE_ROW(ES_NOHIDESEL),
    STYLE_ROW(ES_OEMCONVERT),
    STYLE_ROW(ES_READONLY),
    STYLE_ROW(ES_WANTRETURN),
    STYLE_ROW(ES_NUMBER),
    STYLE_ROW(ES_SAVESEL),
    STYLE_ROW(ES_SUNKEN),
    STYLE_ROW(ES_DISABLENOSCROLL),
    STYLE_ROW(ES_SELECTIONBAR),
    STYLE_ROW(ES_NOOLEDRAGDROP),
    STYLE_ROW(ES_EX_NOCALLOLEINIT),
    STYLE_ROW(ES_VERTICAL),
    STYLE_ROW(ES_NOIME),
    STYLE_ROW(ES_SELFIME),
    STYLE_ROW(SPLS_VERTICAL),
    STYLE_ROW(SPLS_FIXED),
    STYLE_ROW(TVS_HASBUTTONS),
    STYLE_ROW(TVS_HASLINES),
    STYLE_ROW(TVS_LINESATROOT),
    STYLE_ROW(TVS_EDITLABELS),
    STYLE_ROW(TVS_DISABLEDRAGDROP),
    STYLE_ROW(TVS_SHOWSELALWAYS),
    STYLE_ROW(TVS_RTLREADING),
    STYLE_ROW(TVS_NOTOOLTIPS),
    STYLE_ROW(TVS_CHECKBOXES),
    STYLE_ROW(TVS_TRACKSELECT),
    STYLE_ROW(TVS_SINGLEEXPAND),
    STYLE_ROW(TVS_INFOTIP),
    STYLE_ROW(TVS_FULLROWSELECT),
    STYLE_ROW(TVS_NOSCROLL),
    STYLE_ROW(TVS_NONEVENHEIGHT),
    STYLE_ROW(TVS_NOHSCROLL),
    STYLE_ROW(CBS_DROPDOWNLIST),
    STYLE_ROW(CBS_OWNERDRAWFIXED),
    STYLE_ROW(CBS_OWNERDRAWVARIABLE),
    STYLE_ROW(CBS_HASSTRINGS),
};

const StyleNameEntry ExStyleNameTable[] = {
    STYLE_ROW(WS_EX_ACCEPTFILES),    STYLE_ROW(WS_EX_APPWINDOW),        STYLE_ROW(WS_EX_CLIENTEDGE),
    STYLE_ROW(WS_EX_COMPOSITED),     STYLE_ROW(WS_EX_CONTEXTHELP),      STYLE_ROW(WS_EX_CONTROLPARENT),
    STYLE_ROW(WS_EX_DLGMODALFRAME),  STYLE_ROW(WS_EX_LAYERED),          STYLE_ROW(WS_EX_LAYOUTRTL),
    STYLE_ROW(WS_EX_LEFT),           STYLE_ROW(WS_EX_LEFTSCROLLBAR),    STYLE_ROW(WS_EX_LTRREADING),
    STYLE_ROW(WS_EX_MDICHILD),       STYLE_ROW(WS_EX_NOACTIVATE),       STYLE_ROW(WS_EX_NOINHERITLAYOUT),
    STYLE_ROW(WS_EX_NOPARENTNOTIFY), STYLE_ROW(WS_EX_OVERLAPPEDWINDOW), STYLE_ROW(WS_EX_PALETTEWINDOW),
    STYLE_ROW(WS_EX_RIGHT),          STYLE_ROW(WS_EX_RIGHTSCROLLBAR),   STYLE_ROW(WS_EX_RTLREADING),
    STYLE_ROW(WS_EX_STATICEDGE),     STYLE_ROW(WS_EX_TOOLWINDOW),       STYLE_ROW(WS_EX_TOPMOST),
    STYLE_ROW(WS_EX_TRANSPARENT),    STYLE_ROW(WS_EX_WINDOWEDGE),
};

// The blank keeps the 0 row from ever matching: blanks are dropped from tokens.
const StyleNameEntry AlignNameTable[] = {
    {L"ALIGN_NONE ", 0x0},          {L"ALIGN_PARENT_LEFT", 0x1},      {L"ALIGN_PARENT_TOP", 0x2},
    {L"ALIGN_PARENT_RIGHT", 0x4},   {L"ALIGN_PARENT_BOTTOM", 0x8},    {L"ALIGN_PARENT_WIDTH", 0x10},
    {L"ALIGN_PARENT_HEIGHT", 0x20}, {L"ALIGN_PARENT_VCENTER", 0x100}, {L"ALIGN_PARENT_HCENTER", 0x200},
    {L"ALIGN_PRE_LEFT", 0x10000},   {L"ALIGN_PRE_TOP", 0x20000},      {L"ALIGN_PRE_RIGHT", 0x40000},
    {L"ALIGN_PRE_BOTTOM", 0x80000}, {L"OFFSET_PRE_LEFT", 0x100000},   {L"OFFSET_PRE_RIGHT", 0x200000},
    {L"OFFSET_PRE_TOP", 0x400000},  {L"OFFSET_PRE_BOTTOM", 0x800000},
};

const size_t kStyleNameCount = sizeof StyleNameTable / sizeof StyleNameTable[0];
const size_t kExStyleNameCount = sizeof ExStyleNameTable / sizeof ExStyleNameTable[0];
const size_t kAlignNameCount = sizeof AlignNameTable / sizeof AlignNameTable[0];

uint32_t LookupStyleName(const StyleNameEntry* table, int count, const wchar_t* name) {
  if (!table || !name) return 0;
  for (int i = 0; i < count; ++i)
    if (std::wcscmp(table[i].name, name) == 0) return table[i].value;
  return 0;
}

uint32_t ParseStyleNames(const wchar_t* expression, int table) {
  const StyleNameEntry* rows = nullptr;
  size_t count = 0;
  switch (table) {
    case kStyleNames:
      rows = StyleNameTable, count = kStyleNameCount;
      break;
    case kExStyleNames:
      rows = ExStyleNameTable, count = kExStyleNameCount;
      break;
    case kAlignNames:
      rows = AlignNameTable, count = kAlignNameCount;
      break;
    default:
      return 0;
  }
  if (!expression) return 0;

  constexpr size_t kTokenChars = 63;
  wchar_t token[kTokenChars + 1];
  size_t length = 0;
  bool tooLong = false;
  uint32_t result = 0;
  auto flush = [&] {
    token[length] = L'\0';
    if (!tooLong) result |= LookupStyleName(rows, static_cast<int>(count), token);
    length = 0;
    tooLong = false;
  };
  for (const wchar_t* p = expression; *p; ++p) {
    if (*p == L' ') continue;
    if (*p == L'|') {
      flush();
    } else if (length < kTokenChars) {
      token[length++] = *p;
    } else {
      tooLong = true;
    }
  }
  flush();
  return result;
}
