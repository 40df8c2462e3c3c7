#include "llm/AudioRecorder.h"

#include "foundation/Log.h"
#include "platform/AudioInput.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUuid>
#include <QtEndian>

#include <span>

namespace {
const QString filePrefix = QStringLiteral("tamsel-ask-");
const QString fileSuffix = QStringLiteral(".wav");
constexpr int blockBytes = AudioRecorder::blockSamples * 2;
}

AudioRecorder::AudioRecorder(AudioInput &input, QObject *parent)
    : QObject(parent)
    , m_input(&input)
{
    connect(&input, &AudioInput::samplesCaptured, this, &AudioRecorder::handleSamples);
    connect(&input, &AudioInput::failed, this, [this](const QString &reason) {
        if (!m_recording)
            return;
        Log::line(QStringLiteral("AudioRecorder capture failed: ") + reason);
        stopCapture();
        if (!m_detector.hasEnded())
            announce(&AudioRecorder::nothingRecorded);
    });
    m_stallTimer.setSingleShot(true);
    m_stallTimer.setInterval(stallTimeoutMs);
    connect(&m_stallTimer, &QTimer::timeout, this, [this] {
        if (!m_recording || m_detector.hasEnded())
            return;
        Log::line(QStringLiteral("AudioRecorder capture failed: the input device delivered nothing"));
        stopCapture();
        announce(&AudioRecorder::nothingRecorded);
    });
}

void AudioRecorder::announce(void (AudioRecorder::*signal)())
{
    // Listeners may delete the recorder when it says it is done; let them do so from the event
    // loop, not from inside the capture or timer callback that decided it.
    QMetaObject::invokeMethod(
        this, [this, signal] { emit(this->*signal)(); }, Qt::QueuedConnection);
}

AudioRecorder::~AudioRecorder()
{
    cancel();
}

QString AudioRecorder::recordingsFolder()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtime.isEmpty() && QFileInfo(runtime).isDir() && QFileInfo(runtime).isWritable())
        return runtime;
    return QDir::tempPath();
}

int AudioRecorder::removeLeftoverRecordings(const QString &folder)
{
    int removed = 0;
    const QFileInfoList entries = QDir(folder).entryInfoList(
        { filePrefix + QStringLiteral("*") + fileSuffix }, QDir::Files | QDir::Hidden | QDir::System);
    for (const QFileInfo &entry : entries) {
        if (entry.isSymLink() || !entry.isFile() || entry.ownerId() != QFileInfo(folder).ownerId())
            continue;
        if (QFile::remove(entry.filePath()))
            ++removed;
    }
    return removed;
}

Result<bool, RecorderError> AudioRecorder::start()
{
    cancel();
    if (!m_input)
        return RecorderError { QStringLiteral("the audio input is not available") };
    const QString path
        = QDir(recordingsFolder())
              .filePath(filePrefix + QUuid::createUuid().toString(QUuid::WithoutBraces).toUpper() + fileSuffix);
    if (Result<bool, QString> created = m_writer.create(path, AudioInput::sampleRate); !created)
        return RecorderError { created.error() };
    m_filePath = path;

    m_detector = SilenceDetector();
    m_pending.clear();
    m_level = 0.0;
    if (const std::optional<QString> refused = m_input->start()) {
        cancel();
        return RecorderError { *refused };
    }
    m_recording = true;
    m_stallTimer.start();
    return true;
}

void AudioRecorder::handleSamples(const QByteArray &pcm)
{
    if (!m_recording)
        return;
    m_stallTimer.start();
    m_writer.append(pcm);
    m_pending.append(pcm);
    qsizetype offset = 0;
    while (m_recording && m_pending.size() - offset >= blockBytes) {
        handleBlock(m_pending.mid(offset, blockBytes));
        offset += blockBytes;
    }
    m_pending.remove(0, offset);
}

void AudioRecorder::handleBlock(const QByteArray &block)
{
    QList<qint16> samples(blockSamples);
    for (int i = 0; i < blockSamples; ++i)
        samples[i] = qFromLittleEndian<qint16>(block.constData() + 2 * i);
    const double decibels = SilenceDetector::rmsDecibels(std::span<const qint16>(samples.constData(), samples.size()));
    m_level = SilenceDetector::meterLevel(decibels);
    emit levelUpdated(m_level);
    switch (m_detector.feed(decibels)) {
    case SilenceDetector::Decision::speechEnded: announce(&AudioRecorder::speechEnded); break;
    case SilenceDetector::Decision::nothingHeard: announce(&AudioRecorder::nothingHeard); break;
    case SilenceDetector::Decision::keepRecording: break;
    }
}

void AudioRecorder::stopCapture()
{
    m_stallTimer.stop();
    if (m_recording && m_input)
        m_input->stop();
    m_recording = false;
}

std::optional<QString> AudioRecorder::stop()
{
    if (!m_filePath)
        return std::nullopt;
    stopCapture();
    if (m_writer.isOpen() && !m_writer.finish()) {
        Log::line(QStringLiteral("AudioRecorder stop failed: the recording could not be written completely"));
        return std::nullopt;
    }
    return m_filePath;
}

void AudioRecorder::cancel()
{
    stopCapture();
    if (m_writer.isOpen())
        m_writer.finish();
    if (m_filePath)
        QFile::remove(*m_filePath);
    m_filePath.reset();
    m_pending.clear();
}
