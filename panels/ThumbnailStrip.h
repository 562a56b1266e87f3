// The thumbnail strip. Least stand-in until its own code arrives; it records its calls
// (app/StandInCalls.h) so that the frame's routing can be checked.
#pragma once



class CWndImages {
 public:
  void FuseCheckedImages();
};

extern CWndImages* g_pWndImageList;
