#include "platform/linux/QtAudioInput.h"

#include "foundation/Log.h"
#include "platform/linux/AudioCapture.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

QtAudioInput::QtAudioInput(QObject *parent)
    : AudioInput(parent)
{
}

// The capture goes first (members go in reverse order); QLibrary never unloads the module.
QtAudioInput::~QtAudioInput() = default;

AudioCapture *QtAudioInput::capture()
{
    if (m_capture)
        return m_capture.get();
    const QDir beside(QCoreApplication::applicationDirPath());
    const QStringList candidates { beside.filePath(QStringLiteral(TAMSEL_AUDIO_MODULE)),
        beside.filePath(QStringLiteral(TAMSEL_INSTALLED_AUDIO_MODULE)) };
    for (const QString &path : candidates) {
        if (!QFileInfo::exists(path))
            continue;
        m_module.setFileName(path);
        const auto create = reinterpret_cast<CreateAudioCapture>(m_module.resolve(createAudioCaptureSymbol));
        if (create) {
            m_capture.reset(create());
            return m_capture.get();
        }
        Log::line(QStringLiteral("Couldn't load the audio module: ") + m_module.errorString());
    }
    return nullptr;
}

std::optional<QString> QtAudioInput::start()
{
    AudioCapture *audio = capture();
    if (!audio)
        return QStringLiteral("the audio support is not installed");
    // The callbacks end with stop() or with the capture, which this input owns.
    return audio->start([this](const QByteArray &pcm) { emit samplesCaptured(pcm); },
        [this](const QString &reason) { emit failed(reason); });
}

void QtAudioInput::stop()
{
    if (m_capture)
        m_capture->stop();
}
