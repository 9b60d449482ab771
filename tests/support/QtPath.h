// A path the test made, as the program's Qt code takes it.
#pragma once

#include <QString>

#include <filesystem>

inline QString Q(const std::filesystem::path& p) {
  return QString::fromStdString(p.string());
}
