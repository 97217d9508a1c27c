#include "monitor/privileged/HelperClient.h"

#include <QCoreApplication>
#include <QLocalSocket>
#include <QTimer>

#include <utility>

#include "monitor/privileged/SystemLog.h"
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
            finish({false, std::string(CANNOT_CONNECT), HelperFault::noAnswer});
        });
        connect(&socket_, &QLocalSocket::connected, this, &HelperCall::sendRequest);
        connect(&socket_, &QLocalSocket::readyRead, this, &HelperCall::readReply);
        connect(&socket_, &QLocalSocket::errorOccurred, this, &HelperCall::failed);
        connect(&socket_, &QLocalSocket::disconnected, this, &HelperCall::readReply);
    }

    // The socket closes as it goes and must not call back into the members already gone.
    ~HelperCall() override { socket_.disconnect(this); }

    void start() {
        connectDeadline_.start(HELPER_CONNECT_TIMEOUT_MS);
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
            finish({decoded.reply.success, decoded.reply.output, HelperFault::none});
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
        finish({false, std::string(CANNOT_CONNECT), connectFault(error)});
    }

    void lose(const std::string& reason) {
        if (done_) {
            return;
        }
        writeSystemLog("XPC error: " + reason);
        finish({false, std::string(CONNECTION_LOST), HelperFault::connectionLost});
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

class HelperConnectionProxy final : public TarvexHelperProtocol {
public:
    void execute(const std::string& command, const std::vector<std::string>& args,
                 Reply withReply) override {
        sendToHelper({command, args}, [withReply = std::move(withReply)](HelperAnswer answer) {
            if (withReply) {
                withReply(answer.success, std::move(answer.output));
            }
        });
    }
};

}  // namespace

void sendToHelper(HelperRequest request, HelperAnswerHandler handler) {
    auto* call = new HelperCall(std::move(request), std::move(handler));
    // Started on the next turn of the loop, so that even an immediate refusal is answered
    // after this call has returned.
    QTimer::singleShot(0, call, [call] { call->start(); });
}

std::unique_ptr<TarvexHelperProtocol> helperProxy() {
    return std::make_unique<HelperConnectionProxy>();
}

void runPrivileged(const std::string& command, const std::vector<std::string>& args,
                   PrivilegedCompletion completion) {
    sendToHelper({command, args}, [completion = std::move(completion)](HelperAnswer answer) {
        if (completion) {
            completion(answer.success, std::move(answer.output));
        }
    });
}

void HelperRunner::run(const std::string& command, const std::vector<std::string>& args,
                       PrivilegedCompletion completion) {
    runPrivileged(command, args, std::move(completion));
}

void HelperRunner::runReporting(const std::string& command, const std::vector<std::string>& args,
                                ReportingCompletion completion) {
    sendToHelper(HelperRequest{command, args},
                 [completion = std::move(completion)](HelperAnswer answer) {
                     completion(answer.success, std::move(answer.output), answer.fault);
                 });
}

}  // namespace tarvex
