#pragma once

#include "foundation/Result.h"

#include <QFile>
#include <QString>

// Writes 16 kHz mono signed 16-bit PCM as a WAV file. The file is created new (never over an
// existing one, never through a link) and readable by its owner only, since it holds the user's
// voice. The header's sizes are filled in by finish().
class WavFileWriter {
public:
    WavFileWriter() = default;
    WavFileWriter(const WavFileWriter &) = delete;
    WavFileWriter &operator=(const WavFileWriter &) = delete;
    ~WavFileWriter();

    // Creates the file with a header for an empty recording. A sentence on failure.
    Result<bool, QString> create(const QString &path, int sampleRate);
    bool append(const QByteArray &pcm);
    // Fills in the header and closes the file; false if anything failed to reach the disk.
    bool finish();

    bool isOpen() const { return m_file.isOpen(); }
    qint64 dataBytes() const { return m_dataBytes; }

private:
    QFile m_file;
    qint64 m_dataBytes = 0;
    int m_sampleRate = 0;
    bool m_failed = false;
};
