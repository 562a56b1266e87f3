#include "engine/PictureCache.h"

#include <algorithm>
#include <atomic>

#include "engine/Types.h"

uint64_t CPictureCache::NextVersion() {
  static std::atomic<uint64_t> next{1};
  return next.fetch_add(1, std::memory_order_relaxed);
}

int CPictureCache::Capacity(IDirect3DDevice9* device) {
  if (m_nCapacity == 0) {
    const UINT cellBytes = kCellSize * kCellSize * 4;
    const UINT cells = device->GetAvailableTextureMem() / 4 / cellBytes;
    m_nCapacity = static_cast<int>(std::clamp<UINT>(cells, 1, kMostCells));
  }
  return m_nCapacity;
}

IDirect3DTexture9* CPictureCache::Acquire(IDirect3DDevice9* device, uint64_t version, int cell, int* hint, bool* fill) {
  const int remembered = *hint;
  if (remembered >= 0 && remembered < static_cast<int>(m_slots.size())) {
    Slot& slot = m_slots[static_cast<size_t>(remembered)];
    if (slot.cell == cell && slot.version == version && slot.texture) {
      slot.lastFrame = m_nFrame;
      *fill = false;
      return slot.texture;
    }
  }
  // A slot this cell held before is refilled in place; otherwise a new slot
  // while there is room, else the one drawn longest ago (never one of this
  // frame: it still has to be drawn from).
  size_t chosen = m_slots.size();
  if (remembered >= 0 && remembered < static_cast<int>(m_slots.size()) &&
      m_slots[static_cast<size_t>(remembered)].cell == cell &&
      m_slots[static_cast<size_t>(remembered)].lastFrame < m_nFrame)
    chosen = static_cast<size_t>(remembered);
  if (chosen == m_slots.size() && m_slots.size() < static_cast<size_t>(Capacity(device))) {
    Slot fresh;
    if (FAILED(device->CreateTexture(kCellSize, kCellSize, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &fresh.texture,
                                     nullptr)))
      return nullptr;
    m_slots.push_back(std::move(fresh));
  } else if (chosen == m_slots.size()) {
    uint64_t oldest = m_nFrame;
    for (size_t i = 0; i < m_slots.size(); ++i)
      if (m_slots[i].lastFrame < oldest) oldest = m_slots[i].lastFrame, chosen = i;
    if (chosen == m_slots.size()) return nullptr;
  }
  Slot& slot = m_slots[chosen];
  slot.version = version;
  slot.cell = cell;
  slot.lastFrame = m_nFrame;
  *hint = static_cast<int>(chosen);
  *fill = true;
  return slot.texture;
}
