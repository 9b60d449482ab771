// Handlers of the main window whose topics are still to come. Each moves into the file of its
// topic when that topic is built; until then the buttons do nothing.
#include "app/Unit1.h"

void TForm1::Button6Click() {}
void TForm1::ConvertOne(const QString&, int, int) {}
void TForm1::Button9Click() {}
void TForm1::GogoTea1Progress(QObject*, int, int) {}
void TForm1::GogoTea1Finish(QObject*, bool) {}
void TForm1::DeleteToRecycleBin(const QString&) {}
