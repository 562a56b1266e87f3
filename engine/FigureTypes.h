// One row per figure type: what the canvas needs to create a figure of that
// type with a tool and what the figure store needs to rebuild one. A type
// whose class is not written yet has no constructors here; its tool then
// creates nothing.
#pragma once

#include <windows.h>

class CDTDraw;

struct FigureType {
  int type;                  // DrawType
  const wchar_t* className;  // the class the type is built from
  const wchar_t* autoName;   // the automatic name without a prefix; %d takes the number
  int selectedHandle;        // the handle the mouse moves after the first click; -1 none
  int verticesNeeded;        // vertices a stored figure of this type must have at least
  // With a point: the figure a press with the tool starts there (window
  // pixels); source is the clip-art file or the new text, null otherwise.
  CDTDraw* (*createAt)(POINT point, const wchar_t* source);
  // Without: an empty figure the figure store fills.
  CDTDraw* (*createDefault)();
};

// Types 1 to 13; null for any other number.
const FigureType* FindFigureType(int type);
// The same row, for tests that stand in a class of their own.
FigureType* EditFigureType(int type);
