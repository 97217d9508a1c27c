#include "monitor/privileged/HelperClient.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QTimer>

#include <utility>

#include "monitor/privileged/SystemLog.h"
#include "shared/HelperProtocol.h"
#include "shared/WireFormat.h"
#include "shared/base/FixedPaths.h"

namespace tarvex {

namespace {

HelperFault connectFault(QLocalSocket::LocalSocketError error) {
    switch (error) {
        case QLocalSocket::ServerNotFoundError:
        case QLocalSocket::ConnectionRefusedError:
            return HelperFault::noSocket;
        case QLocalSocket::SocketAccessError:
            return HelperFault::permissionDenied;
        default:
            return HelperFault::noAnswer;
    }
}

// One request on one connection. A child of the application object, so that a reply that
// arrives after the application has gone finds nobody to deliver to.
class HelperCall : public QObject {
public:
    HelperCall(HelperRequest request, HelperAnswerHandler handler)
        : QObject(QCoreApplication::instance()),
          frame_(QByteArray::fromStdString(encodeRequest(request))),
          handler_(std::move(handler)) {
        connectDeadline_.setSingleShot(true);
        connect(&connectDeadline_, &QTimer::timeout, this, [this] {
            finish({false, QString::fromUtf8(CANNOT_CONNECT), HelperFault::noAnswer});
        });
        connect(&socket_, &QLocalSocket::connected, this, &HelperCall::sendRequest);
        connect(&socket_, &QLocalSocket::readyRead, this, &HelperCall::readReply);
        connect(&socket_, &QLocalSocket::errorOccurred, this, &HelperCall::failed);
        connect(&socket_, &QLocalSocket::disconnected, this, &HelperCall::readReply);
    }

    // The socket closes as it goes and must not call back into the members already gone.
    ~HelperCall() override { socket_.disconnect(this); }

    void start() {
        connectDeadline_.start(HELPER_CONNECT_TIMEOUT);
        socket_.connectToServer(QString::fromStdString(HELPER_SOCKET_PATH));
    }

private:
    void sendRequest() {
        connectDeadline_.stop();
        connectedOnce_ = true;
        socket_.write(frame_);
    }

    void readReply() {
        received_ += socket_.readAll().toStdString();
        const ReplyDecode decoded = decodeReply(received_);
        if (decoded.status == DecodeStatus::complete) {
            finish({decoded.reply.success, QString::fromStdString(decoded.reply.output),
                    HelperFault::none});
        } else if (decoded.status == DecodeStatus::malformed) {
            lose("malformed reply");
        } else if (socket_.state() == QLocalSocket::UnconnectedState && connectedOnce_) {
            lose("connection closed before the reply");
        }
    }

    void failed(QLocalSocket::LocalSocketError error) {
        if (connectedOnce_) {
            readReply();  // what arrived before the close may be the whole reply
            lose(socket_.errorString().toStdString());
            return;
        }
        finish({false, QString::fromUtf8(CANNOT_CONNECT), connectFault(error)});
    }

    void lose(const std::string& reason) {
        if (done_) {
            return;
        }
        writeSystemLog("XPC error: " + reason);
        finish({false, QString::fromUtf8(CONNECTION_LOST), HelperFault::connectionLost});
    }

    void finish(HelperAnswer answer) {
        if (done_) {
            return;
        }
        done_ = true;
        connectDeadline_.stop();
        socket_.disconnect(this);
        socket_.abort();
        deleteLater();
        // Moved out first: the handler may start new requests or end the event loop.
        HelperAnswerHandler handler = std::move(handler_);
        if (handler) {
            handler(std::move(answer));
        }
    }

    QLocalSocket socket_{this};
    QTimer connectDeadline_{this};
    QByteArray frame_;
    HelperAnswerHandler handler_;
    std::string received_;
    bool connectedOnce_ = false;
    bool done_ = false;
};

}  // namespace

void HelperRunner::runPrivileged(const QString& command, HelperAnswerHandler completion) {
    auto* call = new HelperCall(HelperRequest{command.toStdString(), {}}, std::move(completion));
    // Started on the next turn of the loop, so that even an immediate refusal is answered
    // after this call has returned.
    QTimer::singleShot(0, call, [call] { call->start(); });
}

}  // namespace tarvex
