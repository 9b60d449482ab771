#include "gui/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

bool InstallQtJapaneseTranslations(QCoreApplication& app) {
  auto* translator = new QTranslator(&app);
  // qtbase_ja alone: "qt_ja" is only a catalogue that loads it and modules we do not use.
  if (!translator->load(QStringLiteral("qtbase_ja"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
    delete translator;
    return false;
  }
  return QCoreApplication::installTranslator(translator);
}
