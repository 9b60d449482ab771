// Everything a Session may do with its window: what the navigator, the tag editor and the
// converter each may do. The main window implements it; a command line would say the same
// results in its own lines; tests use a fake.
#pragma once

#include "core/convert/ConversionView.h"
#include "core/session/NavigatorView.h"
#include "core/tags/TagView.h"

class SessionView : public NavigatorView, public TagView, public ConversionView {
public:
  // The navigator and the converter both start new steps; one answer serves both.
  void ClearStatus() override = 0;
};
