#pragma once
// Small operations on DirectShow filter graphs shared by the camera and the
// video project.
#include <dshow.h>

// Takes every filter behind the filter's connected pins out of the graph,
// the farthest first.
void RemoveDownstream(IGraphBuilder* graph, IBaseFilter* filter);
