// The undo ring without a canvas: a source whose state is one number.

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "engine/History.h"

namespace {

class CNumberSource : public CDTSnapshotSource {
 public:
  int WriteSnapshot(CDTAction* action) override {
    action->Append(&state, sizeof(state));
    for (int i = 0; i < padding; ++i) action->Append("x", 1);
    return 1;
  }
  bool RestoreSnapshot(CDTAction* action) override {
    ++restores;
    return action->Read(&state, sizeof(state));
  }
  int32_t state = 0;
  int padding = 0;
  int restores = 0;
};

struct Step {
  char op;  // 'p' push the next state, 'u' undo, 'r' redo
  bool result;
  int count, newest, undone, state;
};

TEST(UndoHistory, RingCountersThroughPushUndoRedo) {
  const std::vector<Step> steps = {
      {'u', false, 0, 0, 0, 0},                           // nothing to undo restores nothing
      {'r', false, 0, 0, 0, 0},                           //
      {'p', true, 1, 0, 0, 1},  {'u', true, 1, 0, 1, 0},  // back to the base
      {'u', false, 1, 0, 1, 0}, {'r', true, 1, 0, 0, 1},  //
      {'p', true, 2, 1, 0, 2},  {'p', true, 3, 2, 0, 3},  //
      {'u', true, 3, 2, 1, 2},  {'u', true, 3, 2, 2, 1},  //
      {'p', true, 2, 1, 0, 4},                            // the two undone steps are given up
      {'r', false, 2, 1, 0, 4}, {'u', true, 2, 1, 1, 1}, {'r', true, 2, 1, 0, 4},
  };
  CNumberSource source;
  CDTHistory history;
  history.SetBase(&source);
  int next = 1;
  for (size_t i = 0; i < steps.size(); ++i) {
    const Step& s = steps[i];
    SCOPED_TRACE("step " + std::to_string(i) + " " + s.op);
    bool result = true;
    if (s.op == 'p') {
      source.state = next++;
      history.Push();
    } else {
      result = s.op == 'u' ? history.Undo() : history.Redo();
    }
    EXPECT_EQ(result, s.result);
    EXPECT_EQ(history.m_nCount, s.count);
    EXPECT_EQ(history.m_nNewest, s.newest);
    EXPECT_EQ(history.m_nUndone, s.undone);
    EXPECT_EQ(source.state, s.state);
    EXPECT_EQ(history.CanUndo(), s.undone < s.count);
    EXPECT_EQ(history.CanRedo(), s.undone > 0 && s.count > 0);
  }
}

TEST(UndoHistory, SixtyOnePushesAndSixtyUndosReachTheFirstPush) {
  CNumberSource source;
  CDTHistory history;
  history.SetBase(&source);
  for (int i = 1; i <= 61; ++i) {
    source.state = i;
    history.Push();
  }
  EXPECT_EQ(history.m_nCount, 60);
  EXPECT_EQ(history.m_nNewest, 0);
  for (int i = 0; i < 60; ++i) {
    ASSERT_TRUE(history.Undo()) << i;
    EXPECT_EQ(source.state, 60 - i) << "undo " << i;
  }
  EXPECT_EQ(source.state, 1) << "the first push became the base";
  EXPECT_FALSE(history.CanUndo());
  EXPECT_FALSE(history.Undo());
  for (int i = 0; i < 60; ++i) ASSERT_TRUE(history.Redo());
  EXPECT_EQ(source.state, 61);
  EXPECT_FALSE(history.Redo());
}

TEST(UndoHistory, SlotsAreReusedAndGrowToTwiceTheNeededSize) {
  CNumberSource source;
  CDTHistory history;
  history.SetBase(&source);
  history.Push();
  const CDTAction* first = history.m_ring[0].get();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Capacity(), CDTHistory::kInitialCapacity);
  history.Undo();
  history.Push();
  EXPECT_EQ(history.m_ring[0].get(), first) << "a slot is rewound, not replaced";

  source.padding = 4000;  // 4004 bytes in appends of 4 and then 1
  history.Push();
  const CDTAction* big = history.m_ring[1].get();
  EXPECT_EQ(big->Used(), 4004u);
  // Growth happens at the append that passes 3072: 2 x 3072 + 2 x 1.
  EXPECT_EQ(big->Capacity(), 2u * 3072u + 2u);
}

TEST(UndoHistory, ActionReadsNeverPassTheBytesWritten) {
  CDTAction action;
  action.AppendString(L"ab");
  action.AppendString(nullptr);
  EXPECT_EQ(action.Used(), 4u + 6u + 4u);
  uint32_t count = 0;
  ASSERT_TRUE(action.Read(&count, 4));
  EXPECT_EQ(count, 3u);
  char rest[32];
  EXPECT_FALSE(action.Read(rest, 11)) << "one byte more than is left";
  EXPECT_EQ(action.ReadPosition(), 4u) << "a failed read advances nothing";
  EXPECT_TRUE(action.Read(rest, 10));

  CDTAction copy;
  copy.CopyFrom(action);
  EXPECT_EQ(copy.Used(), action.Used());
  EXPECT_EQ(0, std::memcmp(copy.Data(), action.Data(), action.Used()));
}

}  // namespace
