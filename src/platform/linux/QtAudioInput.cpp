#include "platform/linux/QtAudioInput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QMediaDevices>

QtAudioInput::QtAudioInput(QObject *parent)
    : AudioInput(parent)
{
}

QtAudioInput::~QtAudioInput()
{
    stop();
}

std::optional<QString> QtAudioInput::start()
{
    stop();
    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (device.isNull())
        return QStringLiteral("no microphone is connected");
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return QStringLiteral("the microphone cannot record 16 kHz mono sound");

    m_source = std::make_unique<QAudioSource>(device, format);
    // Small periods keep the meter lively; the recorder cuts its own 0.1 s blocks.
    m_source->setBufferSize(sampleRate * 2 / 10);
    m_device = m_source->start();
    if (!m_device || m_source->error() != QAudio::NoError) {
        m_source.reset();
        return QStringLiteral("the audio input refused to start");
    }
    connect(m_device, &QIODevice::readyRead, this, [this] {
        if (m_device)
            emit samplesCaptured(m_device->readAll());
    });
    connect(m_source.get(), &QAudioSource::stateChanged, this, [this](QAudio::State state) {
        if (state == QAudio::StoppedState && m_source && m_source->error() != QAudio::NoError)
            emit failed(QStringLiteral("the audio input stopped (error %1)").arg(static_cast<int>(m_source->error())));
    });
    return std::nullopt;
}

void QtAudioInput::stop()
{
    if (!m_source)
        return;
    m_source->disconnect(this);
    if (m_device)
        m_device->disconnect(this);
    m_source->stop();
    m_source.reset();
    m_device.clear();
}
