// The undo history: a ring of up to 60 snapshots of a document's figures and
// the base snapshot that stands for the state before the oldest of them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>

// One snapshot: a growing byte buffer written by appends and read back in
// order. Reads never run past the bytes written.
class CDTAction {
 public:
  CDTAction() = default;
  CDTAction(const CDTAction&) = delete;
  CDTAction& operator=(const CDTAction&) = delete;
  virtual ~CDTAction();

  void Append(const void* data, size_t n);
  // Count of code units with the terminator, then the units; null writes 0.
  void AppendString(const wchar_t* text);
  bool Read(void* out, size_t n);
  void Rewind() { m_nUsed = m_nRead = 0; }
  // Room for n bytes in all, made at once for a writer that knows its size
  // roughly: a large snapshot then grows once instead of at every doubling.
  void Reserve(size_t n);
  void CopyFrom(const CDTAction& other);

  const uint8_t* Data() const { return m_pBuffer; }
  size_t Used() const { return m_nUsed; }
  size_t Capacity() const { return m_nCapacity; }
  size_t ReadPosition() const { return m_nRead; }
  void SetReadPosition(size_t position) { m_nRead = position <= m_nUsed ? position : m_nUsed; }

 private:
  uint8_t* m_pBuffer = nullptr;
  size_t m_nUsed = 0;
  size_t m_nCapacity = 0;
  size_t m_nRead = 0;
};

// What the history records and restores: the document's figures.
class CDTSnapshotSource {
 public:
  virtual int WriteSnapshot(CDTAction* action) = 0;
  virtual bool RestoreSnapshot(CDTAction* action) = 0;

 protected:
  ~CDTSnapshotSource() = default;
};

class CDTHistory {
 public:
  static constexpr int kSteps = 60;
  static constexpr size_t kInitialCapacity = 3072;

  CDTHistory() = default;
  CDTHistory(const CDTHistory&) = delete;
  CDTHistory& operator=(const CDTHistory&) = delete;
  virtual ~CDTHistory() = default;

  // Remembers the document and records its present state as the base.
  void SetBase(CDTSnapshotSource* document);
  void Push();
  bool Undo();
  bool Redo();
  bool CanUndo() const { return m_nUndone < m_nCount; }
  bool CanRedo() const { return m_nUndone > 0 && m_nCount > 0; }

  // The snapshot of the present state: the base when every step is undone.
  const CDTAction* Current() const;
  const CDTAction& Base() const { return m_base; }

  std::unique_ptr<CDTAction> m_ring[kSteps];
  CDTAction m_base;
  CDTSnapshotSource* m_pDocument = nullptr;
  int m_nCount = 0;
  int m_nNewest = 0;
  int m_nUndone = 0;
  int m_nPushes = 0;  // pushes recorded since the document was made

 private:
  static int Wrap(int index) { return ((index % kSteps) + kSteps) % kSteps; }
  bool Restore(CDTAction* action);
};
