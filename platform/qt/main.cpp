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
#include <cstdio>

#include "mainwin/form1.h"
#include "mainwin/modulo1.h"
#include "platform/qt/qt_platform.h"
#include "records/cp1252.h"
#include "records/work_files.h"

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("archivio");
  // Qt's own dialogs in Italian, when the translations are installed.
  QTranslator qtItalian;
  if (qtItalian.load(QLocale(QLocale::Italian), "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
    QApplication::installTranslator(&qtItalian);

  krt::qt::QtPlatform platform;
  const std::string folder = QFile::encodeName(QDir::currentPath()).toStdString();
  // Held until the program ends: a second program here would empty this
  // one's work copy. It ends before touching any file.
  const krt::FolderLock lock(folder);
  if (lock.state() == krt::FolderLock::State::InUse) {
    std::fprintf(stderr, "%s\n", krt::cp1252::toUtf8(krt::kFolderInUse).c_str());
    // Where no one can see a window (offscreen, minimal), a box would wait
    // for ever: standard error says it all.
    const QString screen = QGuiApplication::platformName();
    if (screen != "offscreen" && screen != "minimal") platform.messageBox(krt::kFolderInUse, krt::ui::Buttons::Ok);
    return 1;
  }
  krt::Modulo1 m(platform, folder, folder);
  m.enableRecovery(krt::defaultStateFolder());
  m.systemDataDir =
      QFile::encodeName(QDir(QCoreApplication::applicationDirPath()).absoluteFilePath("../share/archivio"))
          .toStdString();
  m.form1().show();
  return QApplication::exec();
}
