#include "engine/History.h"

#include <cstring>
#include <cwchar>
#include <new>

CDTAction::~CDTAction() { delete[] m_pBuffer; }

void CDTAction::Append(const void* data, size_t n) {
  if (n == 0) return;
  if (n > m_nCapacity - m_nUsed) {
    // Doubling the needed size keeps a growing snapshot from reallocating at every push.
    const size_t capacity = m_nCapacity == 0 && m_nUsed + n <= CDTHistory::kInitialCapacity
                                ? CDTHistory::kInitialCapacity
                                : 2 * m_nUsed + 2 * n;
    auto* buffer = new uint8_t[capacity];
    if (m_nUsed) std::memcpy(buffer, m_pBuffer, m_nUsed);
    delete[] m_pBuffer;
    m_pBuffer = buffer;
    m_nCapacity = capacity;
  }
  std::memcpy(m_pBuffer + m_nUsed, data, n);
  m_nUsed += n;
}

void CDTAction::Reserve(size_t n) {
  if (n <= m_nCapacity) return;
  if (m_nCapacity == 0 && n <= CDTHistory::kInitialCapacity) n = CDTHistory::kInitialCapacity;
  auto* buffer = new uint8_t[n];
  if (m_nUsed) std::memcpy(buffer, m_pBuffer, m_nUsed);
  delete[] m_pBuffer;
  m_pBuffer = buffer;
  m_nCapacity = n;
}

void CDTAction::AppendString(const wchar_t* text) {
  uint32_t count = 0;
  if (!text) {
    Append(&count, 4);
    return;
  }
  const size_t length = std::wcslen(text);
  count = static_cast<uint32_t>(length + 1);
  Append(&count, 4);
  // Stored as UTF-16 code units, two bytes each.
  static_assert(sizeof(wchar_t) == 2, "snapshots hold UTF-16 strings");
  Append(text, (length + 1) * 2);
}

bool CDTAction::Read(void* out, size_t n) {
  if (n > m_nUsed - m_nRead) return false;
  if (n) std::memcpy(out, m_pBuffer + m_nRead, n);
  m_nRead += n;
  return true;
}

void CDTAction::CopyFrom(const CDTAction& other) {
  if (&other == this || !other.m_pBuffer) return;
  auto* buffer = new uint8_t[other.m_nCapacity];
  std::memcpy(buffer, other.m_pBuffer, other.m_nUsed);
  delete[] m_pBuffer;
  m_pBuffer = buffer;
  m_nUsed = other.m_nUsed;
  m_nCapacity = other.m_nCapacity;
  m_nRead = other.m_nRead;
}

void CDTHistory::SetBase(CDTSnapshotSource* document) {
  m_pDocument = document;
  m_base.Rewind();
  if (document) document->WriteSnapshot(&m_base);
}

void CDTHistory::Push() {
  ++m_nPushes;
  int target = m_nCount == 0 ? 0 : Wrap(m_nNewest + 1);
  if (m_nUndone > 0 && m_nCount > 0) {
    m_nCount = m_nCount - m_nUndone + 1;
    target = Wrap(m_nNewest - m_nUndone + 1);
    m_nUndone = 0;
  } else if (m_nCount < kSteps) {
    ++m_nCount;
  } else {
    // The oldest step becomes the base before its slot is reused.
    m_base.CopyFrom(*m_ring[Wrap(m_nNewest + 1)]);
  }
  std::unique_ptr<CDTAction>& slot = m_ring[target];
  if (slot)
    slot->Rewind();
  else
    slot = std::make_unique<CDTAction>();
  if (m_pDocument) m_pDocument->WriteSnapshot(slot.get());
  m_nNewest = target;
}

bool CDTHistory::Restore(CDTAction* action) {
  action->SetReadPosition(0);
  return m_pDocument ? m_pDocument->RestoreSnapshot(action) : false;
}

bool CDTHistory::Undo() {
  if (m_nUndone >= m_nCount) return false;
  CDTAction* action = m_nCount == m_nUndone + 1 ? &m_base : m_ring[Wrap(m_nNewest - m_nUndone - 1)].get();
  Restore(action);
  ++m_nUndone;
  return true;
}

bool CDTHistory::Redo() {
  if (m_nUndone < 1 || m_nCount < 1) return false;
  --m_nUndone;
  Restore(m_ring[Wrap(m_nNewest - m_nUndone)].get());
  return true;
}

const CDTAction* CDTHistory::Current() const {
  if (m_nUndone >= m_nCount) return &m_base;
  return m_ring[Wrap(m_nNewest - m_nUndone)].get();
}
