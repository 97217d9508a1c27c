#pragma once

#include <QFont>
#include <QString>

class QLabel;
class QWidget;

namespace tarvex {

// The window designs give text sizes against a 13-point system font; these scale them to the
// desktop's own font, so that headings keep their proportion to the button text at any size.
constexpr double DESIGN_FONT_POINTS = 13.0;

// A width of the design, grown in proportion with a font larger than the design's, so that text
// at a large font wraps into about as many lines as at the design's.
int scaledWidth(int designWidth, const QFont& font);

// A label at designPoints / DESIGN_FONT_POINTS of its font's size, with the given weight, that
// never gets shorter than `designHeight` (its height at the default font) and grows with its font.
QLabel* makeScaledLabel(const QString& text, double designPoints, QFont::Weight weight,
                        int designHeight, QWidget* parent = nullptr);

// A wrapping label never narrower than its longest word (a path, a command), which it could not
// break; called again whenever its text changes.
void keepLongestWordWhole(QLabel& label);

}  // namespace tarvex
