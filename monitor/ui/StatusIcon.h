#pragma once

#include <QColor>
#include <QIcon>
#include <QPixmap>
#include <QString>

#include "monitor/ui/ShownState.h"

namespace tarvex {

// Where the artwork is looked up: the compiled-in resources unless a test points elsewhere.
inline constexpr const char* DEFAULT_STATUS_ICON_PREFIX = ":/icons";

// Artwork name per state: starting and stopping share "loading".
QString statusIconResourceName(ShownState state);

// Colour of the state, used by the drawn fallback and the main window's dot. Not installed is
// drawn hollow, as a ring of this colour.
QColor stateColour(ShownState state);
bool stateDrawnHollow(ShownState state);

// The tray image for a state at one device-pixel ratio: the artwork "<prefix>/<name>.svg"
// when it exists and is valid SVG, else a coloured dot with a white "T". Made anew per call.
QPixmap renderStatusIcon(ShownState state, qreal devicePixelRatio,
                         const QString& resourcePrefix = DEFAULT_STATUS_ICON_PREFIX);

// The tray icon for a state, with pixmaps for ordinary and high-density screens.
QIcon makeStatusIcon(ShownState state, const QString& resourcePrefix = DEFAULT_STATUS_ICON_PREFIX);

inline QString statusIconResourceName(ServiceState state) {
    return statusIconResourceName(shownStateOf(state));
}
inline QColor stateColour(ServiceState state) {
    return stateColour(shownStateOf(state));
}
inline QPixmap renderStatusIcon(ServiceState state, qreal devicePixelRatio,
                                const QString& resourcePrefix = DEFAULT_STATUS_ICON_PREFIX) {
    return renderStatusIcon(shownStateOf(state), devicePixelRatio, resourcePrefix);
}
inline QIcon makeStatusIcon(ServiceState state,
                            const QString& resourcePrefix = DEFAULT_STATUS_ICON_PREFIX) {
    return makeStatusIcon(shownStateOf(state), resourcePrefix);
}

}  // namespace tarvex
