// Placeholder for the undo history: counts pushes so that the commands that
// record undo steps can be seen to do so. Snapshots and restore come with the
// real history and the figure store.
#pragma once

class CDTImage;

class CDTHistory {
 public:
  void SetBase(CDTImage* document) { m_pDocument = document; }
  void Push() {
    ++m_nPushes;
    if (m_nCount < 60) ++m_nCount;
    m_nUndone = 0;
  }
  bool Undo() { return false; }
  bool Redo() { return false; }
  bool CanUndo() const { return m_nUndone < m_nCount; }
  bool CanRedo() const { return m_nUndone > 0 && m_nCount > 0; }

  CDTImage* m_pDocument = nullptr;
  int m_nCount = 0;
  int m_nUndone = 0;
  int m_nPushes = 0;
};
