#pragma once

#include <QColor>
#include <QObject>
#include <QWidget>

#include <memory>

#include "monitor/ui/ShownState.h"

class QDialog;
class QLabel;

namespace tarvex {

class CommandActions;
class StatusModel;

// The round state indicator of the status card: a dot, or a ring for a state drawn hollow.
class StatusDot : public QWidget {
public:
    explicit StatusDot(QWidget* parent = nullptr);
    QColor colour() const { return colour_; }
    bool hollow() const { return hollow_; }
    void setColour(const QColor& colour, bool hollow = false);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor colour_;
    bool hollow_ = false;
};

// The application's one ordinary window: the service's state at a glance and the commands as
// buttons. A view of the model; its buttons are bound to the shared actions.
class MainWindowController : public QObject {
    Q_OBJECT

public:
    MainWindowController(const StatusModel& model, const CommandActions& actions,
                         QObject* parent = nullptr);
    ~MainWindowController() override;

    // Builds the window on first use, then shows it in front and active.
    void showWindow();
    // Hides the window if it is shown; it is never destroyed before the controller.
    void closeWindow();
    // Brings up the About box over the window, made on first use.
    void showAbout();

    // Null until the first showWindow(). Its controls are named: "statusCard", "statusDot",
    // "statusTitle", "statusDetail", "statusNotice", "<command>Button", "aboutButton".
    QWidget* window() const { return window_.get(); }

signals:
    // A context menu was asked for on the window, at this global position.
    void contextMenuRequested(const QPoint& globalPosition);
    // The shown window was closed (its close box, Close, Escape), and is now hidden.
    void closed();

private:
    void buildWindow();
    QWidget* buildStatusCard();
    void addWindowShortcuts();
    void placeWindow();
    void showModel();

    const StatusModel& model_;
    const CommandActions& actions_;
    std::unique_ptr<QWidget> window_;
    StatusDot* statusDot_ = nullptr;
    QLabel* statusTitleLabel_ = nullptr;
    QLabel* statusDetailLabel_ = nullptr;
    QLabel* noticeLabel_ = nullptr;  // hidden while the state is known
    QDialog* about_ = nullptr;       // a child of the window
};

}  // namespace tarvex
