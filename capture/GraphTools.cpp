#include "capture/GraphTools.h"

#include "win32/ComPtr.h"

using win32::CComPtr;

void RemoveDownstream(IGraphBuilder* graph, IBaseFilter* filter) {
  CComPtr<IEnumPins> pins;
  if (FAILED(filter->EnumPins(&pins)) || !pins) return;
  CComPtr<IPin> pin;
  while (pins->Next(1, &pin, nullptr) == S_OK) {
    CComPtr<IPin> peer;
    if (FAILED(pin->ConnectedTo(&peer)) || !peer) continue;
    PIN_INFO info{};
    if (FAILED(peer->QueryPinInfo(&info))) continue;
    CComPtr<IBaseFilter> next;
    next.Attach(info.pFilter);
    if (info.dir != PINDIR_INPUT || !next) continue;
    RemoveDownstream(graph, next);
    graph->Disconnect(peer);
    graph->Disconnect(pin);
    graph->RemoveFilter(next);
    pins->Reset();  // the pin list changed
  }
}
