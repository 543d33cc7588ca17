#pragma once
// A widget's picture as an SVG file: lines, shapes and text as vector drawing, pictures
// embedded as PNG.

class QString;
class QWidget;

namespace viscora {

// False when the file cannot be written.
bool writeSvg(QWidget &widget, const QString &path);

} // namespace viscora
