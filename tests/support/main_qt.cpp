// One main for every Qt test: a QApplication on the offscreen platform for tests that build
// windows, a QCoreApplication for the rest.
#include <gtest/gtest.h>

#ifdef W2M_GUI_TEST
#include <QApplication>
using App = QApplication;
#else
#include <QCoreApplication>
using App = QCoreApplication;
#endif

int main(int argc, char** argv) {
#ifdef W2M_GUI_TEST
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
    qputenv("QT_QPA_PLATFORM", "offscreen");
#endif
  App app(argc, argv);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
