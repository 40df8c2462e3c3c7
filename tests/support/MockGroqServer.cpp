#include "support/MockGroqServer.h"

#include <QFile>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonDocument>
#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>

QByteArray MockGroqServer::Request::header(const QByteArray &name) const
{
    const QByteArray lower = name.toLower();
    for (const auto &[key, value] : headers) {
        if (key == lower)
            return value;
    }
    return {};
}

bool MockGroqServer::Request::hasHeader(const QByteArray &name) const
{
    return std::any_of(
        headers.cbegin(), headers.cend(), [lower = name.toLower()](const auto &entry) { return entry.first == lower; });
}

MockGroqServer::Response MockGroqServer::Response::json(int status, QByteArray body)
{
    Response response;
    response.status = status;
    response.headers.emplaceBack("content-type", "application/json");
    response.body = std::move(body);
    return response;
}

MockGroqServer::Response MockGroqServer::Response::text(int status, QByteArray body)
{
    Response response;
    response.status = status;
    response.headers.emplaceBack("content-type", "text/plain");
    response.body = std::move(body);
    return response;
}

MockGroqServer::Response MockGroqServer::Response::fixture(int status, const QString &name)
{
    const QByteArray body = fixtureBytes(name);
    return name.endsWith(QLatin1String(".txt")) ? text(status, body) : json(status, body);
}

MockGroqServer::Response MockGroqServer::Response::completion(const QJsonObject &message)
{
    QJsonObject envelope = QJsonDocument::fromJson(fixtureBytes(QStringLiteral("chat-plain.kimi-k2.json"))).object();
    QJsonArray choices = envelope.value(QLatin1String("choices")).toArray();
    QJsonObject choice = choices.at(0).toObject();
    choice.insert(QLatin1String("message"), message);
    choice.insert(QLatin1String("finish_reason"),
        message.contains(QLatin1String("tool_calls")) ? QStringLiteral("tool_calls") : QStringLiteral("stop"));
    choices.replace(0, choice);
    envelope.insert(QLatin1String("choices"), choices);
    return json(200, QJsonDocument(envelope).toJson(QJsonDocument::Compact) + '\n');
}

MockGroqServer::Response MockGroqServer::Response::dropped()
{
    Response response;
    response.dropConnection = true;
    return response;
}

MockGroqServer::Response MockGroqServer::Response::withHeader(QByteArray name, QByteArray value) const
{
    Response copy = *this;
    copy.headers.emplaceBack(std::move(name), std::move(value));
    return copy;
}

MockGroqServer::Response MockGroqServer::Response::delayed(int ms) const
{
    Response copy = *this;
    copy.delayMs = ms;
    return copy;
}

QByteArray MockGroqServer::fixtureBytes(const QString &name)
{
    const QString dataDir = qEnvironmentVariable("TAMSEL_TEST_DATA", QStringLiteral(TAMSEL_SOURCE_DIR "/tests/data"));
    QFile file(dataDir + QStringLiteral("/groq/") + name);
    if (!file.open(QIODevice::ReadOnly))
        qFatal("MockGroqServer: missing fixture %s", qPrintable(file.fileName()));
    return file.readAll();
}

MockGroqServer::MockGroqServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &MockGroqServer::onNewConnection);
}

MockGroqServer::~MockGroqServer()
{
    // The sockets are the server's children and outlive this body: they must not call back in.
    for (QTcpSocket *socket : m_server.findChildren<QTcpSocket *>())
        socket->disconnect(this);
}

bool MockGroqServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

QUrl MockGroqServer::baseURL() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/openai/v1").arg(m_server.serverPort()));
}

void MockGroqServer::enqueue(Response response)
{
    m_script.append(std::move(response));
}

void MockGroqServer::enqueue(const QList<Response> &responses)
{
    m_script.append(responses);
}

void MockGroqServer::reset()
{
    m_script.clear();
    m_requests.clear();
}

void MockGroqServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        m_buffers.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            socket->deleteLater();
        });
    }
}

void MockGroqServer::onReadyRead(QTcpSocket *socket)
{
    if (!m_buffers.contains(socket))
        return;
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();

    // Keep-alive: the buffer may hold the next request once this one is answered.
    for (;;) {
        const qsizetype headerEnd = buffer.indexOf("\r\n\r\n");
        if (headerEnd < 0) {
            if (buffer.size() > maxHeaderBytes)
                socket->abort();
            return;
        }
        const QList<QByteArray> lines = buffer.left(headerEnd).split('\n');
        const QList<QByteArray> requestLine = lines.first().trimmed().split(' ');
        if (requestLine.size() != 3) {
            socket->abort();
            return;
        }
        Request request;
        request.method = requestLine.at(0);
        request.path = requestLine.at(1);
        qint64 contentLength = 0;
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines.at(i).indexOf(':');
            if (colon <= 0)
                continue;
            const QByteArray name = lines.at(i).left(colon).trimmed().toLower();
            const QByteArray value = lines.at(i).mid(colon + 1).trimmed();
            request.headers.emplaceBack(name, value);
            if (name == "content-length")
                contentLength = value.toLongLong();
            if (name == "transfer-encoding") { // never sent by the client under test
                socket->abort();
                return;
            }
        }
        if (contentLength < 0 || contentLength > maxBodyBytes) {
            socket->abort();
            return;
        }
        if (buffer.size() < headerEnd + 4 + contentLength)
            return;
        request.body = buffer.mid(headerEnd + 4, contentLength);
        buffer.remove(0, headerEnd + 4 + contentLength);

        m_requests.append(request);
        emit requestReceived();
        const Response response = m_script.isEmpty()
            ? Response::json(500,
                R"({"error":{"message":"mock: no scripted response","type":"internal_server_error"}})"
                "\n")
            : m_script.takeFirst();
        if (response.delayMs > 0) {
            QTimer::singleShot(response.delayMs, socket, [this, socket, response] { answer(socket, response); });
            return; // the client waits for this answer before it sends anything else
        }
        answer(socket, response);
        if (response.dropConnection)
            return;
    }
}

void MockGroqServer::answer(QTcpSocket *socket, const Response &response)
{
    if (response.dropConnection) {
        socket->abort();
        return;
    }
    // The client reads the status code only, so every answer carries the same reason phrase.
    QByteArray bytes = "HTTP/1.1 " + QByteArray::number(response.status) + " Status\r\n";
    for (const auto &[name, value] : response.headers)
        bytes += name + ": " + value + "\r\n";
    bytes += "content-length: " + QByteArray::number(response.body.size()) + "\r\n";
    bytes += "connection: keep-alive\r\n\r\n";
    bytes += response.body;
    socket->write(bytes);
}
