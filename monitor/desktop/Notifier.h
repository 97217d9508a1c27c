#pragma once

#include <QString>

namespace tarvex {

enum class NotificationUrgency { normal, critical };

// A short message on the desktop that does not ask for an answer.
class Notifier {
public:
    virtual ~Notifier() = default;
    virtual void notify(const QString& summary, const QString& body,
                        NotificationUrgency urgency) = 0;
};

}  // namespace tarvex
