// The desktop's trash as the freedesktop.org Trash standard lays it out, working on the
// bytes of paths (FsPath), so names that are not UTF-8 are trashed and can be restored as they
// were. A file on the device of the home trash ($XDG_DATA_HOME/Trash) goes there; one on another
// device goes to the trash at the top of its mount ($topdir/.Trash/$uid when that folder is a
// real folder with the sticky bit, else $topdir/.Trash-$uid).
#pragma once

#include <QString>

class Trash {
public:
  struct Result {
    bool ok = false;
    QString reason; // for the status bar when !ok: "ごみ箱に移せませんでした：<why>"
  };

  // Moves a regular file or symbolic link (a FsPath string) into the trash by rename(), after
  // writing its .trashinfo. Folders, FIFOs and devices are refused. Where no trash on its device
  // can take it (none can be made at the top of a network share or a FUSE mount), a regular
  // file goes to the home trash as a copy, compared byte for byte with the file before the file
  // is removed. Otherwise it stays where it is and the result says why.
  static Result MoveToTrash(const QString& path);
};
