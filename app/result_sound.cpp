#include "result_sound.h"

#include <QFileInfo>
#include <QSoundEffect>
#include <QUrl>

void ResultSound::Play(const QString& path) {
    if (!QFileInfo(path).isFile())
        return;
    QSoundEffect*& effect = effects_[path];
    if (!effect) {
        effect = new QSoundEffect(this);
        effect->setSource(QUrl::fromLocalFile(path));
    }
    // Before the file has loaded, play() starts it once it has.
    effect->play();
}
