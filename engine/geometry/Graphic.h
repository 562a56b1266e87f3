#pragma once

// Pull protocol shared by every geometric producer: a vertex source yields
// points with path commands until CmdStop.

using PathCommand = unsigned;

constexpr PathCommand CmdStop = 0;
constexpr PathCommand CmdMoveTo = 1;
constexpr PathCommand CmdLineTo = 2;
constexpr PathCommand CmdCurve3 = 3;
constexpr PathCommand CmdCurve4 = 4;
constexpr PathCommand CmdEndPoly = 0x0F;
constexpr PathCommand FlagCcw = 0x10;
constexpr PathCommand FlagCw = 0x20;
constexpr PathCommand FlagClose = 0x40;
constexpr PathCommand CmdMask = 0x0F;

inline bool IsVertex(PathCommand c) { return c >= CmdMoveTo && c < CmdEndPoly; }
inline bool IsStop(PathCommand c) { return c == CmdStop; }
inline bool IsEndPoly(PathCommand c) { return (c & CmdMask) == CmdEndPoly; }
inline bool IsCurve(PathCommand c) { return c == CmdCurve3 || c == CmdCurve4; }

class PGraphic {
 public:
  PGraphic() = default;
  PGraphic(const PGraphic&) = delete;
  PGraphic& operator=(const PGraphic&) = delete;
  virtual ~PGraphic() = default;

  virtual void Rewind() = 0;
  virtual PathCommand Vertex(double* x, double* y) = 0;
  virtual void SetApproximationScale(double scale) { m_approximationScale = scale; }
  virtual void SetOption(bool option) { m_option = option; }

  double ApproximationScale() const { return m_approximationScale; }
  bool Option() const { return m_option; }

 protected:
  double m_approximationScale = 1.0;
  bool m_option = true;
};
