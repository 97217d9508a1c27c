#include "monitor/ui/WindowLayout.h"

#include <QFontInfo>
#include <QFontMetrics>
#include <QLabel>
#include <QRegularExpression>

namespace tarvex {

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

QLabel* makeScaledLabel(const QString& text, double designPoints, QFont::Weight weight,
                        int designHeight, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    const double factor = designPoints / DESIGN_FONT_POINTS;
    if (font.pointSizeF() > 0) {
        font.setPointSizeF(font.pointSizeF() * factor);
    } else {
        font.setPixelSize(qMax(1, qRound(font.pixelSize() * factor)));  // a font set in pixels
    }
    font.setWeight(weight);
    label->setFont(font);
    label->setMinimumHeight(designHeight);
    label->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    return label;
}

}  // namespace tarvex
