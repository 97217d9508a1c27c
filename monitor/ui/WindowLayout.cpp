#include "monitor/ui/WindowLayout.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRegularExpression>

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

int scaledWidth(int designWidth, const QFont& font) {
    const double factor = QFontInfo(font).pointSizeF() / DESIGN_FONT_POINTS;
    return qMax(designWidth, qRound(designWidth * factor));
}

void keepLongestWordWhole(QLabel& label) {
    const QFontMetrics metrics(label.font());
    int longest = 0;
    for (const QString& word : label.text().split(QRegularExpression(QStringLiteral("\\s+")))) {
        longest = qMax(longest, metrics.horizontalAdvance(word));
    }
    label.setMinimumWidth(longest + 2 * label.margin());
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
