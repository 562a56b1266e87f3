// Picture cells kept in device textures between frames. A cell is copied
// from its document's system-memory frame only when the frame changed since
// it was last copied; redrawing figures over a still picture then moves no
// pixels of the picture at all.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <vector>

#include "win32/ComPtr.h"

class CPictureCache {
 public:
  // At most 96 MB of 256 x 256 cells, a 24-megapixel picture, and never more
  // than a quarter of the texture memory the device reports.
  static constexpr int kMostCells = 384;
  int Capacity(IDirect3DDevice9* device);

  // A new number for a picture's content, never given out twice.
  static uint64_t NextVersion();

  // The texture that holds cell `cell` of the picture content `version`.
  // `hint` is the caller's memory of the slot it had. `fill` says whether the
  // texture must be (re)filled before it is drawn. Null when no slot is free
  // in this frame or the texture cannot be made: the caller copies the cell
  // through its staging texture as before.
  IDirect3DTexture9* Acquire(IDirect3DDevice9* device, uint64_t version, int cell, int* hint, bool* fill);
  // Marks the start of a frame: slots used in the frame before may be taken.
  void BeginFrame() { ++m_nFrame; }
  // Default-pool textures go before a device reset and with the device.
  void Release() {
    m_slots.clear();
    m_nCapacity = 0;
  }

 private:
  struct Slot {
    win32::CComPtr<IDirect3DTexture9> texture;
    uint64_t version = 0;
    int cell = -1;
    uint64_t lastFrame = 0;
  };
  std::vector<Slot> m_slots;
  uint64_t m_nFrame = 1;
  int m_nCapacity = 0;  // found for the device on first use
};
