#include "app/cli/CliPlatform.h"

Trash::Result CliPlatform::MoveToTrash(const QString& path) {
  return Trash::MoveToTrash(path);
}
