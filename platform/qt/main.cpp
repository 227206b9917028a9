// archivio: the desktop program. It works in the folder current when it
// starts: the work copy, the report, the lookup lists and the help file are
// found there.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "mainwin/form1.h"
#include "mainwin/modulo1.h"
#include "platform/qt/qt_platform.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("archivio");
  // Qt's own dialogs in Italian, when the translations are installed.
  QTranslator qtItalian;
  if (qtItalian.load(QLocale(QLocale::Italian), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtItalian);

  krt::qt::QtPlatform platform;
  const std::string folder = QFile::encodeName(QDir::currentPath()).toStdString();
  krt::Modulo1 m(platform, folder, folder);
  m.systemDataDir =
      QFile::encodeName(QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("../share/archivio"))
          .toStdString();
  m.form1().show();
  return QApplication::exec();
}
