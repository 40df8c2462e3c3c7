// petshot [--top] [--seconds N] [TEXT]
// Shows the built-in pet's first frame in a pet window at the centre of the screen (or at its
// top with --top) and says TEXT in the speech bubble, then quits after N seconds (default 8).
#include "petwindow/PetSpriteView.h"
#include "petwindow/PetWindowController.h"
#include "petwindow/SpeechBubbleController.h"
#include "platform/linux/X11WindowSystem.h"

#include <QApplication>
#include <QCommandLineParser>
#include <QImageReader>
#include <QScreen>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption top(QStringLiteral("top"), QStringLiteral("Place the pet at the top of the screen."));
    const QCommandLineOption seconds(
        QStringLiteral("seconds"), QStringLiteral("Quit after N seconds."), QStringLiteral("N"), QStringLiteral("8"));
    parser.addOptions({ top, seconds });
    parser.addPositionalArgument(QStringLiteral("text"), QStringLiteral("The line to say."));
    parser.process(app);
    const QString text = parser.positionalArguments().isEmpty()
        ? QStringLiteral("Hi! I'm Tamsel. I'll keep you company while you work.")
        : parser.positionalArguments().join(QLatin1Char(' '));

    QImageReader reader(QStringLiteral(":/BundledPet/spritesheet.webp"));
    reader.setClipRect(QRect(0, 0, 192, 208));
    const QImage frame = reader.read().convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (frame.isNull())
        qWarning("petshot: no frame: %s", qPrintable(reader.errorString()));

    const QSize size(144, 156);
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    const QPoint origin(area.x() + (area.width() - size.width()) / 2,
        parser.isSet(top) ? area.y() : area.y() + (area.height() - size.height()) / 2);

    X11WindowSystem windowSystem;
    PetWindowController pet(size, origin, &windowSystem);
    pet.spriteView()->setFrame(frame);
    pet.show();
    SpeechBubbleController bubble(&windowSystem);
    bubble.setPetWindow(pet.window());
    QTimer::singleShot(500, &bubble, [&] { bubble.show(text, std::chrono::seconds(60)); });
    QTimer::singleShot(parser.value(seconds).toInt() * 1000, &app, &QApplication::quit);
    return app.exec();
}
