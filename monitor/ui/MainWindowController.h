#pragma once

#include <QColor>
#include <QObject>
#include <QWidget>

#include <memory>

#include "monitor/status/TarvexStatus.h"

class QAction;
class QDialog;
class QLabel;
class QPushButton;

namespace tarvex {

// The round state indicator of the status card.
class StatusDot : public QWidget {
public:
    explicit StatusDot(QWidget* parent = nullptr);
    QColor colour() const { return colour_; }
    void setColour(const QColor& colour);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_;
};

// The application's one ordinary window: the service's state at a glance and the commands as
// buttons. It knows nothing of the controller; the controller connects to its signals.
class MainWindowController : public QObject {
    Q_OBJECT

public:
    explicit MainWindowController(QObject* parent = nullptr);
    ~MainWindowController() override;

    // Builds the window on first use, then shows it in front and active.
    void showWindow();
    // Hides the window if it exists; it is never destroyed before the controller.
    void closeWindow();
    // Shows a status; ignored until the window exists, applied while hidden.
    void update(const TarvexStatus& status, bool locked = false);
    // While `problem` is not empty the helper cannot be reached: the card says so, the notice
    // under the sections explains it (selectable, with the command that mends it) and the
    // service buttons, which could only fail, are disabled. Call after update().
    void showHelperProblem(const QString& shortReason, const QString& explanation);
    // Actions whose shortcuts work while this window has the focus.
    void addSharedActions(const QList<QAction*>& actions);
    // Brings up the About box over the window, made on first use.
    void showAbout();

    // Controls, empty until the first showWindow().
    QWidget* window = nullptr;
    StatusDot* statusDot = nullptr;
    QLabel* statusTitleLabel = nullptr;
    QLabel* statusDetailLabel = nullptr;
    QPushButton* startButton = nullptr;
    QPushButton* stopButton = nullptr;
    QPushButton* restartButton = nullptr;
    QPushButton* settingsButton = nullptr;
    QPushButton* initializeButton = nullptr;
    QLabel* noticeLabel = nullptr;  // objectName "helperNotice"; hidden while all is well

signals:
    void startRequested();
    void stopRequested();
    void restartRequested();
    void viewLogsRequested();
    void saveLogsRequested();
    void settingsRequested();
    void runDoctorRequested();
    void initializeRequested();
    void uninstallRequested();
    // A context menu was asked for on the window, at this global position.
    void contextMenuRequested(const QPoint& globalPosition);

private:
    void buildWindow();
    QWidget* buildStatusCard();
    void addWindowShortcuts();
    void placeWindow();

    std::unique_ptr<QWidget> ownedWindow_;
    QList<QAction*> sharedActions_;
    QDialog* about_ = nullptr;  // a child of the window
};

}  // namespace tarvex
