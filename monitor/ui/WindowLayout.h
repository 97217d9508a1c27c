#pragma once

#include <QFont>
#include <QString>

#include <initializer_list>

class QBoxLayout;
class QLabel;
class QPushButton;
class QWidget;

namespace tarvex {

// The window designs give text sizes against a 13-point system font; these scale them to the
// desktop's own font, so that headings keep their proportion to the button text at any size.
constexpr double DESIGN_FONT_POINTS = 13.0;

// A width of the design, grown in proportion with a font larger than the design's, so that text
// at a large font wraps into about as many lines as at the design's.
int scaledWidth(int designWidth, const QFont& font);

// `base` resized to designPoints / DESIGN_FONT_POINTS of its size, with the given weight.
QFont scaledFont(const QFont& base, double designPoints, QFont::Weight weight);

// Text in the palette's secondary colour, as for captions and details.
void useSecondaryTextColour(QWidget& widget);

// A label at a design size that never gets shorter than `designHeight` (its height at the
// default font) and grows with its font.
QLabel* makeScaledLabel(const QString& text, double designPoints, QFont::Weight weight,
                        int designHeight, QWidget* parent = nullptr);

// A wrapping label never narrower than its longest word (a path, a command), which it could not
// break; called again whenever its text changes.
void keepLongestWordWhole(QLabel& label);

// A row of buttons of equal width with `gap` between them, at least `minimumHeight` high.
QBoxLayout* makeButtonRow(std::initializer_list<QPushButton*> buttons, int gap, int minimumHeight);

}  // namespace tarvex
