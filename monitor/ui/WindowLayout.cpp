#include "monitor/ui/WindowLayout.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace tarvex {

QFont scaledFont(const QFont& base, double designPoints, QFont::Weight weight) {
    QFont font = base;
    const double factor = designPoints / DESIGN_FONT_POINTS;
    if (base.pointSizeF() > 0) {
        font.setPointSizeF(base.pointSizeF() * factor);
    } else {
        font.setPixelSize(qMax(1, qRound(base.pixelSize() * factor)));  // a font set in pixels
    }
    font.setWeight(weight);
    return font;
}

void useSecondaryTextColour(QWidget& widget) {
    QPalette palette = widget.palette();
    palette.setColor(QPalette::WindowText, palette.color(QPalette::PlaceholderText));
    widget.setPalette(palette);
}

QLabel* makeScaledLabel(const QString& text, double designPoints, QFont::Weight weight,
                        int designHeight, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setFont(scaledFont(label->font(), designPoints, weight));
    label->setMinimumHeight(designHeight);
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return label;
}

QBoxLayout* makeButtonRow(std::initializer_list<QPushButton*> buttons, int gap, int minimumHeight) {
    auto* row = new QHBoxLayout;
    row->setSpacing(gap);
    for (QPushButton* button : buttons) {
        button->setMinimumHeight(minimumHeight);
        button->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
        row->addWidget(button, 1);
    }
    return row;
}

}  // namespace tarvex
