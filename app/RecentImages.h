// Recently opened pictures. Least stand-in until its own code arrives; it records its calls
// (app/StandInCalls.h) so that the frame's routing can be checked.
#pragma once



class CRecentImages {
 public:
  void Start();
  void Stop();
};
