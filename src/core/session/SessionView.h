// Everything a Session that shows one file at a time may do with its window: what the navigator,
// the tag editor and the converter each may do. The main window implements it; tests use a fake.
// The command line, which shows no file, implements ConversionView alone.
#pragma once

#include "core/convert/ConversionView.h"
#include "core/session/NavigatorView.h"
#include "core/session/TagView.h"

class SessionView : public NavigatorView, public TagView, public ConversionView {
public:
  // The navigator and the converter both start new steps; one answer serves both.
  void ClearStatus() override = 0;
};
