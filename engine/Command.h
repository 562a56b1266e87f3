// The canvas command: one record sent synchronously to the canvas window, so
// every change to the canvas, a document or a figure runs on the canvas thread.
#pragma once

#include <windows.h>

#include "settings/RegisteredMessages.h"

class CDTElement;

struct DirectUICommand {
  CDTElement* target;  // null for a canvas command
  int command;
  int value;
  void* data;  // for the overlay commands (21 to 33) the value itself
};

enum CanvasCommand : int {
  CANVAS_ATTACH_ELEMENT = 0,
  CANVAS_DETACH_ELEMENT = 1,
  CANVAS_BACKGROUND_COLOR = 2,
  CANVAS_ACTIVE_IMAGE = 3,
  CANVAS_TOOL = 4,
  CANVAS_SOLID = 5,
  CANVAS_PEN_WEIGHT = 6,
  CANVAS_LINE_COLOR = 7,
  CANVAS_CLIPART_COLOR = 8,
  CANVAS_CLIPART_FIXED = 9,
  CANVAS_TEXT_COLOR = 10,
  CANVAS_TEXT_BK_COLOR = 11,
  CANVAS_TEXT_BORDER = 12,
  CANVAS_TEXT_BACKGROUND = 13,
  CANVAS_FONT = 14,
  CANVAS_FONT_SIZE = 15,
  CANVAS_FONT_FACE = 16,
  CANVAS_CLIPART_FILE = 17,
  CANVAS_TEXT = 18,
  CANVAS_LINE_CAP = 19,
  CANVAS_SHOW_RESULT = 20,
  CANVAS_GRID_SHOW = 21,
  CANVAS_GRID_WEIGHT = 22,
  CANVAS_GRID_COLOR = 23,
  CANVAS_CROSS_SHOW = 24,
  CANVAS_CROSS_COLOR = 25,
  CANVAS_CROSS_TRACK = 26,
  CANVAS_MAGNIFIER_SHOW = 27,
  CANVAS_MAGNIFIER_WEIGHT = 28,
  CANVAS_MAGNIFIER_DISPLAY = 29,
  CANVAS_MAGNIFIER_MOUSE = 30,
  CANVAS_HISTOGRAM_SHOW = 31,
  CANVAS_ANGLE_4PTS = 32,
  CANVAS_INFO_LINES = 33,
  CANVAS_ADD_FIGURE_AT_CENTER = 34,
  CANVAS_RESET_DEVICE = 36,
};

// Commands whose target is a document.
enum ImageCommand : int {
  IMAGE_FRAME = 3,
  IMAGE_TILE_FRAME = 4,
  IMAGE_LAYOUT = 5,
  IMAGE_ZOOM = 6,
  IMAGE_CALIBRATE = 7,
  IMAGE_CALIBRATE_LENGTH = 8,
  IMAGE_SCALE = 9,
  IMAGE_MULTI_POWER = 10,
  IMAGE_UNIT = 11,
  IMAGE_INFO_LINE = 12,
  IMAGE_DELETE_FIGURE = 13,
  IMAGE_SELECT = 14,
  IMAGE_MERGE_FILE = 15,
  IMAGE_SAVE_FILE = 16,
  IMAGE_LOAD_FILE = 17,
  IMAGE_UNDO = 20,
  IMAGE_REDO = 21,
};

// Commands every element understands.
enum ElementProperty : int {
  PROPERTY_VISIBLE = 0,
  PROPERTY_LOCKED = 1,
};

// Records carried in `data` by the document commands.
struct ImageFrameData {
  const void* pixels;  // 32-bit BGRA
  const wchar_t* infoText;
  int width;
  int height;
  int stride;  // bytes
};
struct ImageTileFrameData {
  ImageFrameData frame;  // its info text is null
  int tile;
  int x;
  int y;
  BOOL bottomUp;
  const wchar_t* infoText;
};
struct ImageLayoutData {
  int tiles;
  int tileWidth;
  int tileHeight;
};
struct ImageZoomData {
  int mode;
  float zoom;
};
struct ImageCalibrateData {
  const wchar_t* unit;
  double length;
  double magnification;
};
