// The main window's help button "使用方法".
#include "app/Unit1.h"

#include "ui/ShellServices.h"

void TForm1::Button10Click() {
  OpenHelpFile(HelpPath, platform);
}
