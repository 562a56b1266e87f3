#pragma once

enum LineCap : int { CapButt = 0, CapSquare = 1, CapRound = 2 };
enum LineJoin : int { JoinMiter = 0, JoinMiterRevert = 1, JoinRound = 2, JoinBevel = 3, JoinMiterRound = 4 };
