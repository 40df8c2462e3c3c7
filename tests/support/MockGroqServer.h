#pragma once

#include <QByteArray>
#include <QHash>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

// A stand-in for Groq's HTTP API on 127.0.0.1 (never any other address). It records every
// request (method, path, headers, body) and answers each with the next scripted response; with
// none left it answers 500. Answers are written like the real service's: compact JSON bodies with a
// final newline, taken from the recordings in tests/data/groq/. Requests are bounded in size;
// a bigger one closes the connection.
class MockGroqServer : public QObject {
    Q_OBJECT

public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QList<QPair<QByteArray, QByteArray>> headers; // names in lower case, in the order received
        QByteArray body;

        QByteArray header(const QByteArray &name) const;
        bool hasHeader(const QByteArray &name) const;
    };

    struct Response {
        int status = 200;
        QList<QPair<QByteArray, QByteArray>> headers;
        QByteArray body;
        int delayMs = 0;
        bool dropConnection = false; // close the connection instead of answering

        static Response json(int status, QByteArray body);
        static Response text(int status, QByteArray body);
        // A body from tests/data/groq/, served as JSON unless its name ends in ".txt".
        static Response fixture(int status, const QString &name);
        // A chat completion carrying this assistant message, in the envelope of a recorded answer
        // (id, usage, x_groq, ...); finish_reason follows the message.
        static Response completion(const QJsonObject &message);
        static Response dropped();
        Response withHeader(QByteArray name, QByteArray value) const;
        Response delayed(int ms) const;
    };

    static constexpr qsizetype maxHeaderBytes = 64 * 1024;
    static constexpr qsizetype maxBodyBytes = 64 * 1024 * 1024;

    explicit MockGroqServer(QObject *parent = nullptr);
    ~MockGroqServer() override;

    // Listens on 127.0.0.1 with a port of the system's choice.
    bool listen();
    // http://127.0.0.1:<port>/openai/v1
    QUrl baseURL() const;

    void enqueue(Response response);
    void enqueue(const QList<Response> &responses);
    QList<Request> requests() const { return m_requests; }
    // Forgets the recorded requests and the remaining script.
    void reset();

    // The bytes of a file in tests/data/groq/.
    static QByteArray fixtureBytes(const QString &name);

signals:
    void requestReceived();

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void answer(QTcpSocket *socket, const Response &response);

    QTcpServer m_server;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QList<Response> m_script;
    QList<Request> m_requests;
};
