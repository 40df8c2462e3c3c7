#include "llm/WavFileWriter.h"

#include <QtEndian>

#include <cstring>
#include <limits>

namespace {
constexpr int headerBytes = 44;

QByteArray header(int sampleRate, quint32 dataBytes)
{
    QByteArray bytes(headerBytes, '\0');
    char *p = bytes.data();
    auto put32 = [&p](quint32 v) {
        qToLittleEndian(v, p);
        p += 4;
    };
    auto put16 = [&p](quint16 v) {
        qToLittleEndian(v, p);
        p += 2;
    };
    auto tag = [&p](const char *text) {
        std::memcpy(p, text, 4);
        p += 4;
    };
    constexpr quint16 channels = 1;
    constexpr quint16 bitsPerSample = 16;
    const quint32 rate = static_cast<quint32>(sampleRate);
    tag("RIFF");
    put32(36 + dataBytes);
    tag("WAVE");
    tag("fmt ");
    put32(16);
    put16(1); // PCM
    put16(channels);
    put32(rate);
    put32(rate * channels * bitsPerSample / 8);
    put16(channels * bitsPerSample / 8);
    put16(bitsPerSample);
    tag("data");
    put32(dataBytes);
    return bytes;
}
}

WavFileWriter::~WavFileWriter()
{
    if (m_file.isOpen())
        finish();
}

Result<bool, QString> WavFileWriter::create(const QString &path, int sampleRate)
{
    m_file.setFileName(path);
    m_dataBytes = 0;
    m_failed = false;
    // NewOnly refuses an existing file or link; the permissions apply at creation, so the file
    // is never readable by others, not even for a moment.
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::NewOnly, QFileDevice::ReadOwner | QFileDevice::WriteOwner))
        return QStringLiteral("Couldn't create %1: %2").arg(path, m_file.errorString());
    const QByteArray empty = header(sampleRate, 0);
    if (m_file.write(empty) != empty.size()) {
        const QString reason = m_file.errorString();
        m_file.close();
        m_file.remove();
        return QStringLiteral("Couldn't write %1: %2").arg(path, reason);
    }
    m_sampleRate = sampleRate;
    return true;
}

bool WavFileWriter::append(const QByteArray &pcm)
{
    if (!m_file.isOpen() || m_failed)
        return false;
    // A WAV file counts its data in 32 bits; a minute of speech is under 2 MB.
    if (m_dataBytes + pcm.size() > std::numeric_limits<quint32>::max() - headerBytes) {
        m_failed = true;
        return false;
    }
    if (m_file.write(pcm) != pcm.size()) {
        m_failed = true;
        return false;
    }
    m_dataBytes += pcm.size();
    return true;
}

bool WavFileWriter::finish()
{
    if (!m_file.isOpen())
        return false;
    const bool sized
        = m_file.seek(0) && m_file.write(header(m_sampleRate, static_cast<quint32>(m_dataBytes))) == headerBytes;
    const bool flushed = m_file.flush();
    m_file.close();
    return sized && flushed && !m_failed;
}
