// The names that the skin's "Style", "ExStyle" and "Align" attributes may use,
// and the evaluation of a name expression such as "WS_CHILD | WS_VISIBLE".
#pragma once

#include <cstddef>
#include <cstdint>

struct StyleNameEntry {
  const wchar_t* name;
  uint32_t value;
};

extern const StyleNameEntry StyleNameTable[];
extern const StyleNameEntry ExStyleNameTable[];
extern const StyleNameEntry AlignNameTable[];
extern const size_t kStyleNameCount;
extern const size_t kExStyleNameCount;
extern const size_t kAlignNameCount;

enum StyleNameTableId { kStyleNames = 0, kExStyleNames = 1, kAlignNames = 2 };

// The value of the first row named exactly `name` (case-sensitive); 0 when none.
uint32_t LookupStyleName(const StyleNameEntry* table, int count, const wchar_t* name);

// ORs the values of the names joined by "|" (blanks ignored) in the given
// table; unknown names and names longer than a skin token (63 characters)
// add nothing; a table number other than the three gives 0.
uint32_t ParseStyleNames(const wchar_t* expression, int table);
