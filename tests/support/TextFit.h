#pragma once

// Checks that a window shows every text whole: no label, button or checkbox cuts its text, and
// none reaches outside the window. Windows are checked after a real layout pass offscreen, at
// whatever application font the test sets.

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QFontMetrics>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QStringList>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTextDocument>
#include <QWidget>

namespace tarvex::testing {

// Sets the application font to `points` for the scope; widgets built inside it take that font.
class ApplicationFontSize {
public:
    explicit ApplicationFontSize(qreal points) : saved_(QApplication::font()) {
        QFont font = saved_;
        font.setPointSizeF(points);
        QApplication::setFont(font);
    }
    ~ApplicationFontSize() { QApplication::setFont(saved_); }
    ApplicationFontSize(const ApplicationFontSize&) = delete;
    ApplicationFontSize& operator=(const ApplicationFontSize&) = delete;

private:
    QFont saved_;
};

// Shows `window`, lets its layouts settle and paints it once, as a screen would.
inline void renderOffscreen(QWidget& window) {
    window.show();
    // The layout asks for a new size, and the platform answers with a resize of its own.
    QApplication::processEvents();
    QApplication::processEvents();
    window.grab();
}

namespace detail {

inline QString describe(const QWidget& widget, const QString& text, QSize needed, QSize has) {
    const QString name =
        widget.objectName().isEmpty() ? widget.metaObject()->className() : widget.objectName();
    return QStringLiteral("%1 \"%2\" needs %3x%4, has %5x%6")
        .arg(name, text)
        .arg(needed.width())
        .arg(needed.height())
        .arg(has.width())
        .arg(has.height());
}

inline QString visibleText(QString text) {
    return text.remove(QLatin1Char('&'));  // mnemonic markers take no room
}

// The room a label gives its text and the room the text takes.
inline void checkLabel(const QLabel& label, QStringList& cuts) {
    const QString text = label.text();
    if (text.isEmpty() || label.textFormat() == Qt::RichText ||
        (label.textFormat() == Qt::AutoText && Qt::mightBeRichText(text))) {
        return;
    }
    const QRect room = label.contentsRect().adjusted(label.margin(), label.margin(),
                                                     -label.margin(), -label.margin());
    const QFontMetrics metrics(label.font());
    QSize needed;
    if (label.wordWrap()) {
        int widestWord = 0;
        for (const QString& word : text.split(QRegularExpression(QStringLiteral("\\s+")))) {
            widestWord = qMax(widestWord, metrics.horizontalAdvance(word));
        }
        needed = QSize(widestWord, label.heightForWidth(label.width()) - 2 * label.margin());
    } else {
        needed = metrics.size(0, text);
    }
    if (needed.width() > room.width() || needed.height() > room.height()) {
        cuts << describe(label, text, needed, room.size());
    }
}

// Push buttons and checkboxes draw their text into the style's contents rectangle.
inline void checkButton(const QAbstractButton& button, QStringList& cuts) {
    const QString text = visibleText(button.text());
    if (text.isEmpty()) {
        return;
    }
    QStyleOptionButton option;
    option.initFrom(&button);
    option.text = button.text();
    option.icon = button.icon();
    option.iconSize = button.iconSize();
    QStyle::SubElement element = QStyle::SE_PushButtonContents;
    if (qobject_cast<const QCheckBox*>(&button) != nullptr) {
        element = QStyle::SE_CheckBoxContents;
    } else if (qobject_cast<const QRadioButton*>(&button) != nullptr) {
        element = QStyle::SE_RadioButtonContents;
    }
    const QRect room = button.style()->subElementRect(element, &option, &button);
    const QSize needed = QFontMetrics(button.font()).size(Qt::TextShowMnemonic, button.text());
    if (needed.width() > room.width() || needed.height() > room.height()) {
        cuts << describe(button, text, needed, room.size());
    }
}

}  // namespace detail

// Whether `window` fits a 1280 x 800 screen with room for a panel and the window's title bar.
inline bool fitsSmallScreen(const QWidget& window) {
    return window.width() <= 1280 && window.height() <= 800 - 2 * 40;
}

// Every shown label, button and checkbox under `window` whose text does not fit its widget or
// which reaches outside the window, one line each; empty when everything shows whole.
inline QStringList cutTexts(const QWidget& window) {
    QStringList cuts;
    for (const QWidget* widget : window.findChildren<QWidget*>()) {
        if (!widget->isVisibleTo(&window)) {
            continue;
        }
        const QRect inWindow(widget->mapTo(&window, QPoint(0, 0)), widget->size());
        if (!window.rect().contains(inWindow)) {
            cuts << detail::describe(*widget, QStringLiteral("(outside the window)"),
                                     inWindow.size(), window.size());
        }
        if (const auto* label = qobject_cast<const QLabel*>(widget)) {
            detail::checkLabel(*label, cuts);
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(widget)) {
            detail::checkButton(*button, cuts);
        }
    }
    return cuts;
}

}  // namespace tarvex::testing
