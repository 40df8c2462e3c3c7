#include "platform/linux/audio/QtAudioCapture.h"

#include "platform/AudioInput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSource>
#include <QMediaDevices>

extern "C" Q_DECL_EXPORT AudioCapture *tamsel_create_audio_capture()
{
    return new QtAudioCapture;
}

QtAudioCapture::~QtAudioCapture()
{
    stop();
}

std::optional<QString> QtAudioCapture::start(
    std::function<void(const QByteArray &pcm)> samples, std::function<void(const QString &reason)> failed)
{
    stop();
    const QAudioDevice device = QMediaDevices::defaultAudioInput();
    if (device.isNull())
        return QStringLiteral("no microphone is connected");
    QAudioFormat format;
    format.setSampleRate(AudioInput::sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    if (!device.isFormatSupported(format))
        return QStringLiteral("the microphone cannot record 16 kHz mono sound");

    m_source = std::make_unique<QAudioSource>(device, format);
    // Small periods keep the meter lively; the recorder cuts its own 0.1 s blocks.
    m_source->setBufferSize(AudioInput::sampleRate * 2 / 10);
    m_device = m_source->start();
    if (!m_device || m_source->error() != QAudio::NoError) {
        m_source.reset();
        return QStringLiteral("the audio input refused to start");
    }
    QObject::connect(m_device, &QIODevice::readyRead, &m_context, [this, samples = std::move(samples)] {
        if (m_device)
            samples(m_device->readAll());
    });
    QObject::connect(m_source.get(), &QAudioSource::stateChanged, &m_context,
        [this, failed = std::move(failed)](QAudio::State state) {
            if (state == QAudio::StoppedState && m_source && m_source->error() != QAudio::NoError)
                failed(QStringLiteral("the audio input stopped (error %1)").arg(static_cast<int>(m_source->error())));
        });
    return std::nullopt;
}

void QtAudioCapture::stop()
{
    if (!m_source)
        return;
    m_source->disconnect(&m_context);
    if (m_device)
        m_device->disconnect(&m_context);
    m_source->stop();
    m_source.reset();
    m_device.clear();
}
