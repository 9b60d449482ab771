// Display form of a folder path for a box narrower than the path.
#pragma once

#include <QString>

#include <functional>

// Width of a text in pixels, as the box's font draws it.
using TextWidth = std::function<int(const QString&)>;

// Replaces leading folders by ".../" until the text fits `width`; the last name always stays.
QString ShortenPath(const QString& path, int width, const TextWidth& textWidth);
